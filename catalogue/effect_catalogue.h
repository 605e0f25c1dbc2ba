#pragma once

#include "engine/runtime/effect_table.h"

#include <QStringList>

#include <span>

namespace pq {

// Every effect of the program, sorted by number: its captions, routine,
// slider defaults and traits. Adding an effect is one row here and one
// routine source under effects/.
std::span<const EffectDefinition> EffectCatalogue();

// The catalogue's row of a number; nullptr outside it.
const EffectDefinition* FindEffect(int number);

// Hands the catalogue to the engine (program start, tools, tests).
void InstallEffectCatalogue();

// List captions of a family (1..5) in number order.
QStringList FamilyListCaptions(int family);

} // namespace pq
