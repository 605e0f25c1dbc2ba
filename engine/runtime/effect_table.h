#pragma once

#include "engine/runtime/effect_proc.h"

#include <array>
#include <span>

namespace pq {

// The brush sheet the engine hands a run before the routine starts.
enum class BrushSheetChoice {
    None,
    // The user's sheet for this effect when switched on, else the built-in
    // pastel, watercolour or default sheet; Impasto also sets the brush count.
    Pastel,
    Watercolor,
    Impasto,
};

// One effect: its number, names, routine, sliders and traits. The catalogue
// above the effects holds the table and hands it to the engine at start;
// everything that depends on an effect's number reads it from here.
struct EffectDefinition {
    int number;                // 100 x family + index in the family's list
    const char* listCaption;   // caption in the family's list; nullptr: reached by number only
    const char* displayName;   // the name messages use
    EffectProc routine;        // nullptr: not built yet
    std::array<const char*, 5> sliderCaptions; // "" disables the slider
    std::array<int, 5> sliderDefaults;
    bool honoursEraseBackground = false; // reads the effect options
    bool drawsContours = false;          // shows "Draw shape contours"
    bool choosesLUT = false;             // shows the LUT choice
    BrushSheetChoice brushSheet = BrushSheetChoice::None;

    int family() const { return number / 100; }
};

// Installs the table (program start, before the first run; the table must
// outlive every run). Numbers are unique and lie in 100..599.
void InstallEffectTable(std::span<const EffectDefinition> table);

// The installed table's row of a number; nullptr outside it.
const EffectDefinition* FindEffectDefinition(int number);

// The routine of a number, or nullptr: numbers outside the table and
// numbers whose routine is not built run nothing.
EffectProc EffectProcFor(int number);

// Replaces the routine of one number while the guard lives (tests). Guards
// may nest; the newest wins.
class ScopedEffectOverride {
public:
    ScopedEffectOverride(int number, EffectProc proc);
    ~ScopedEffectOverride();
    ScopedEffectOverride(const ScopedEffectOverride&) = delete;
    ScopedEffectOverride& operator=(const ScopedEffectOverride&) = delete;

private:
    int number_;
    EffectProc proc_;
};

} // namespace pq
