#pragma once

#include <QString>

#include <span>

namespace pq {

// The effects a script names by identifier or display name. Effects
// without a row (the comic print, the watercolour flow, numbers of no
// effect) are reached by number only.
struct ScriptEffect {
    int number;
    const char* displayName; // also the progress text of an EFFECT step
    const char* identifier;
};

std::span<const ScriptEffect> ScriptEffectTable();

// The effect number of an id: a token that is an integer is that number
// whatever its value; otherwise the first row whose identifier, then whose
// display name, equals the trimmed token without regard to case; -1 when
// none does.
int ParseEffectId(const QString& token);

// The table's display name of a number, else "Effect " and the number.
QString ScriptEffectName(int number);

} // namespace pq
