#include "engine/effect_table.h"

#include "engine/photolab/adjustments.h"
#include "engine/photolab/apply_lut.h"
#include "engine/photolab/orton_filter.h"
#include "engine/photolab/retro_film.h"
#include "engine/photolab/vintage_sepia.h"
#include "effects/painting/central_spoke_effect.h"
#include "effects/sketch/atkinson_dither.h"
#include "effects/sketch/black_and_white_ink.h"
#include "effects/sketch/comic_print_halftone.h"
#include "effects/sketch/crosshatch.h"
#include "effects/sketch/dynamic_pencil.h"
#include "effects/sketch/felt_tip_pen.h"
#include "effects/sketch/pencil6.h"
#include "effects/sketch/pencil_sketch.h"

#include <algorithm>
#include <iterator>
#include <mutex>
#include <utility>
#include <vector>

namespace pq {
namespace {

struct EffectEntry {
    int number;
    TEffectProc proc; // nullptr: not built yet
    const char* routine;
};

// Sorted by number, one entry per line.
constexpr EffectEntry kEffects[] = {
    {100, PencilSketch, "PencilSketch"},
    {101, Pencil6, "Pencil6"},
    {102, DynamicPencil, "DynamicPencil"},
    {103, Crosshatch, "Crosshatch"},
    {200, blackandwhiteInk, "blackandwhiteInk"},
    {201, AtkinsonDither, "AtkinsonDither"},
    {202, MarkerRenderingEffect, "MarkerRenderingEffect"},
    {203, ComicPrintHalftone, "ComicPrintHalftone"},
    {300, CentralSpokeEffect, "CentralSpokeEffect"},
    {301, nullptr, "RegionGrowing"},
    {302, nullptr, "NewRandomStrokes_BestOfN"},
    {303, nullptr, "NewDirectionalStrokesgood"},
    {304, nullptr, "SystematicPainting"},
    {305, nullptr, "Ollivander"},
    {306, nullptr, "TemplateMatching"},
    {307, nullptr, "StochasticPainting"},
    {308, nullptr, "WatercolorFlow"},
    {400, OrtonFilter, "OrtonFilter"},
    {401, AdjustmentsEffect, "AdjustmentsEffect"},
    {402, VintageSepia, "VintageSepia"},
    {403, RetroFilm, "RetroFilm"},
    {404, ApplyLUT, "ApplyLUT"},
    {500, nullptr, "SpaceFillingDots"},
    {501, nullptr, "CartoonEffect"},
    {502, nullptr, "SpaceFillingCircles"},
    {503, nullptr, "SpaceFillingTriangles"},
};

const EffectEntry* find(int number)
{
    const auto it = std::lower_bound(std::begin(kEffects), std::end(kEffects), number,
                                     [](const EffectEntry& e, int n) { return e.number < n; });
    return it != std::end(kEffects) && it->number == number ? &*it : nullptr;
}

std::mutex gOverrideMutex;
std::vector<std::pair<int, TEffectProc>> gOverrides;

} // namespace

TEffectProc EffectProcFor(int EffectNumber)
{
    {
        std::lock_guard lock(gOverrideMutex);
        for (auto it = gOverrides.rbegin(); it != gOverrides.rend(); ++it)
            if (it->first == EffectNumber)
                return it->second;
    }
    const EffectEntry* entry = find(EffectNumber);
    return entry ? entry->proc : nullptr;
}

bool IsEffectNumber(int EffectNumber)
{
    return find(EffectNumber) != nullptr;
}

const char* EffectRoutineName(int EffectNumber)
{
    const EffectEntry* entry = find(EffectNumber);
    return entry ? entry->routine : "";
}

ScopedEffectOverride::ScopedEffectOverride(int EffectNumber, TEffectProc proc) : number_(EffectNumber), proc_(proc)
{
    std::lock_guard lock(gOverrideMutex);
    gOverrides.emplace_back(number_, proc_);
}

ScopedEffectOverride::~ScopedEffectOverride()
{
    std::lock_guard lock(gOverrideMutex);
    for (auto it = gOverrides.rbegin(); it != gOverrides.rend(); ++it)
        if (it->first == number_ && it->second == proc_) {
            gOverrides.erase(std::next(it).base());
            break;
        }
}

} // namespace pq
