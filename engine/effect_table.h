#pragma once

#include "engine/effect_proc.h"

namespace pq {

// The routine of an effect number, or nullptr: numbers outside the table
// and numbers whose routine is not built run nothing.
TEffectProc EffectProcFor(int EffectNumber);

// True for the 26 numbers of the table, built or not.
bool IsEffectNumber(int EffectNumber);

// The routine's name ("blackandwhiteInk"); empty outside the table.
const char* EffectRoutineName(int EffectNumber);

// Replaces the routine of one number while the guard lives (tests). Guards
// may nest; the newest wins.
class ScopedEffectOverride {
public:
    ScopedEffectOverride(int EffectNumber, TEffectProc proc);
    ~ScopedEffectOverride();
    ScopedEffectOverride(const ScopedEffectOverride&) = delete;
    ScopedEffectOverride& operator=(const ScopedEffectOverride&) = delete;

private:
    int number_;
    TEffectProc proc_;
};

} // namespace pq
