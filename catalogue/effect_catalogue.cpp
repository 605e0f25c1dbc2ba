#include "catalogue/effect_catalogue.h"

#include "effects/ink/black_and_white_ink.h"
#include "effects/ink/comic_print/comic_print.h"
#include "effects/ink/felt_tip_pen.h"
#include "effects/ink/stippling.h"
#include "effects/painting/brushstrokes_2/brushstrokes_2.h"
#include "effects/painting/impasto_brushstrokes/impasto_brushstrokes.h"
#include "effects/painting/oil_pastel/oil_pastel.h"
#include "effects/painting/smooth_painting/smooth_painting.h"
#include "effects/painting/stochastic_painting/stochastic_painting.h"
#include "effects/painting/watercolor/watercolor.h"
#include "effects/painting/watercolor_2/watercolor_2.h"
#include "effects/painting/watercolor_flow/watercolor_flow.h"
#include "effects/painting/watercolor_splashes.h"
#include "effects/photolab/adjustments/adjustments.h"
#include "effects/photolab/apply_lut.h"
#include "effects/photolab/orton_filter.h"
#include "effects/photolab/retro_film.h"
#include "effects/photolab/vintage_sepia/vintage_sepia.h"
#include "effects/sketch/crosshatch.h"
#include "effects/sketch/pencil_sketch_1.h"
#include "effects/sketch/pencil_sketch_2/pencil_sketch_2.h"
#include "effects/sketch/pencil_sketch_3/pencil_sketch_3.h"
#include "effects/stylize/cartoon/cartoon.h"
#include "effects/stylize/space_filling/mosaic.h"

namespace pq {
namespace {

constexpr const char* kNone = "";

// Traits, in the order of EffectDefinition's last fields.
constexpr bool kErase = true;    // honours "Erase background"
constexpr bool kContours = true; // draws shape contours
constexpr bool kLUT = true;      // applies the chosen LUT
constexpr bool kNo = false;
constexpr BrushSheetChoice kPastelSheet = BrushSheetChoice::Pastel;
constexpr BrushSheetChoice kWatercolorSheet = BrushSheetChoice::Watercolor;
constexpr BrushSheetChoice kImpastoSheet = BrushSheetChoice::Impasto;

constexpr EffectDefinition kCatalogue[] = {
    // Sketch & Drawing
    {100, "Pencil Sketch 1", "Pencil Sketch 1", PencilSketch1,
     {"edge threshold", "edge darkness", "brightness", "contrast", "color intensity"}, {20, 50, 65, 5, 80}},
    {101, "Pencil Sketch 2", "Pencil Sketch 2", PencilSketch2,
     {"min stroke size", "max stroke size", "number of strokes", "color intensity", "quality"}, {10, 40, 30, 0, 30}},
    {102, "Pencil Sketch 3", "Pencil Sketch 3", PencilSketch3,
     {"iterations", "stroke length", "blending", "contrast", "color intensity"}, {20, 80, 30, 25, 0}},
    {103, "Crosshatch", "Crosshatch", Crosshatch,
     {"density", "contours", "contrast", "stroke length", "line weight"}, {75, 50, 35, 25, 20}},
    // Pen & Ink
    {200, "Black & white", "Black & White", BlackAndWhiteInk,
     {"level of details", "lighten/darken", "simplification", kNone, kNone}, {50, 50, 0, 0, 0}},
    {201, "Stippling", "Stippling", Stippling, {"darkening", kNone, kNone, kNone, kNone}, {50, 0, 0, 0, 0}},
    {202, "Felt-tip pen", "Felt-tip pen", FeltTipPen,
     {"stroke density", "stroke opacity", "stroke length", "stroke width", "edge intensity"}, {65, 70, 30, 5, 40},
     kErase},
    {203, "Comic Print", "Comic print", ComicPrint,
     {"dot spacing", "min dot size", "max dot size", "color intensity", "contours"}, {10, 0, 100, 50, 60}},
    // Painting
    {300, "Watercolor", "Watercolor", Watercolor,
     {"iterations", "brush complexity", "brush size", "opacity", "edge intensity"}, {30, 40, 40, 100, 20}, kErase},
    {301, "Watercolor 2", "Watercolor 2", Watercolor2,
     {"density", "region threshold", "brightness", "edge intensity", "saturation"}, {90, 20, 60, 20, 55}, kErase},
    {302, "Oil pastel", "Oil Pastel", OilPastel,
     {"min brush size", "max brush size", "iterations", "quality", "opacity"}, {10, 70, 30, 30, 100}, kErase, kNo,
     kNo, kPastelSheet},
    {303, "Watercolor splashes", "Watercolor splashes", WatercolorSplashes,
     {"min brush size", "max brush size", "iterations", "quality", "opacity"}, {10, 70, 50, 50, 80}, kErase, kNo,
     kNo, kWatercolorSheet},
    {304, "Impasto brushstrokes", "Impasto brushstrokes", ImpastoBrushstrokes,
     {"min brush size", "max brush size", "iterations", "quality", "opacity"}, {10, 50, 50, 50, 100}, kErase, kNo,
     kNo, kImpastoSheet},
    {305, "Brushstrokes 2", "Brushstrokes 2", Brushstrokes2,
     {"brush size", "iterations", "abstraction", "saturation", "opacity"}, {50, 30, 25, 60, 70}, kErase},
    {306, "Smooth painting", "Smooth painting", SmoothPainting, {"max brush size", "iterations", kNone, kNone, kNone},
     {35, 0, 0, 0, 0}},
    {307, "Stochastic painting", "Stochastic Painting", StochasticPainting,
     {"min brush size", "max brush size", "iterations", "precision", "opacity"}, {10, 50, 20, 50, 90}, kErase},
    {308, nullptr, "Watercolor Flow", WatercolorFlow, {"wetness", "detail", "dilution", "color", "contours"},
     {50, 50, 50, 60, 50}, kErase},
    // Photo lab
    {400, "Orton filter", "Orton filter", OrtonFilter,
     {"glow radius", "exposure", "strength of effect", "vibrance", "darken/lighten"}, {40, 25, 50, 50, 40}},
    {401, "Adjustments", "Adjustments", Adjustments,
     {"luminosity", "contrast", "vibrance", "structure", "blur/sharpen"}, {52, 52, 55, 15, 52}},
    {402, "Vintage / Sepia", "Sepia", VintageSepia,
     {"color intensity", "strength of effect", "vignette", "grain", "blur"}, {0, 70, 50, 50, 25}},
    {403, "Retro film", "Vintage / Sepia", RetroFilm,
     {"saturation", "warmth", "contrast", "grain", "vignette"}, {30, 35, 60, 20, 25}},
    {404, "LUTs", "LUTs", ApplyLUT,
     {"intensity", "luminosity", "contrast", "blur/sharpen", "saturation"}, {100, 50, 50, 50, 50}, kNo, kNo, kLUT},
    // Stylize
    {500, "Mosaic", "Mosaic", Mosaic,
     {"iterations", "min dot size", "max dot size", "color tolerance", "quality"}, {20, 20, 80, 35, 25}, kErase,
     kContours},
    {501, "Cartoon", "Cartoon", Cartoon,
     {"smoothing", "edge detail", "edge darkness", "color intensity", "edge thickness"}, {30, 55, 85, 40, 20},
     kErase},
    {502, "Circles", "Circles", Circles,
     {"iterations", "min disc size", "max disc size", "color tolerance", "quality"}, {20, 30, 80, 35, 25}, kErase,
     kContours},
    {503, "Triangles", "Triangles", Triangles,
     {"iterations", "min triangle size", "max triangle size", "color tolerance", "quality"}, {10, 30, 50, 35, 25},
     kErase, kContours},
};

} // namespace

std::span<const EffectDefinition> EffectCatalogue()
{
    return kCatalogue;
}

const EffectDefinition* FindEffect(int number)
{
    for (const EffectDefinition& e : kCatalogue)
        if (e.number == number)
            return &e;
    return nullptr;
}

void InstallEffectCatalogue()
{
    InstallEffectTable(kCatalogue);
}

QStringList FamilyListCaptions(int family)
{
    QStringList captions;
    for (const EffectDefinition& e : kCatalogue)
        if (e.family() == family && e.listCaption)
            captions << QString::fromUtf8(e.listCaption);
    return captions;
}

} // namespace pq
