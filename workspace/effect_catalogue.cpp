#include "workspace/effect_catalogue.h"

namespace pq {

namespace {

constexpr const char* kNone = "";

constexpr std::array<TEffectInfo, 26> kCatalogue{{
    {100, "Pencil Sketch 1", "Pencil Sketch 1",
     {"edge threshold", "edge darkness", "brightness", "contrast", "color intensity"}, {20, 50, 65, 5, 80}},
    {101, "Pencil Sketch 2", "Pencil Sketch 2",
     {"min stroke size", "max stroke size", "number of strokes", "color intensity", "quality"}, {10, 40, 30, 0, 30}},
    {102, "Pencil Sketch 3", "Pencil Sketch 3",
     {"iterations", "stroke length", "blending", "contrast", "color intensity"}, {20, 80, 30, 25, 0}},
    {103, "Crosshatch", "Crosshatch",
     {"density", "contours", "contrast", "stroke length", "line weight"}, {75, 50, 35, 25, 20}},
    {200, "Black & white", "Black & White",
     {"level of details", "lighten/darken", "simplification", kNone, kNone}, {50, 50, 0, 0, 0}},
    {201, "Stippling", "Stippling", {"darkening", kNone, kNone, kNone, kNone}, {50, 0, 0, 0, 0}},
    {202, "Felt-tip pen", "Felt-tip pen",
     {"stroke density", "stroke opacity", "stroke length", "stroke width", "edge intensity"}, {65, 70, 30, 5, 40}},
    {203, "Comic Print", "Comic print",
     {"dot spacing", "min dot size", "max dot size", "color intensity", "contours"}, {10, 0, 100, 50, 60}},
    {300, "Watercolor", "Watercolor",
     {"iterations", "brush complexity", "brush size", "opacity", "edge intensity"}, {30, 40, 40, 100, 20}},
    {301, "Watercolor 2", "Watercolor 2",
     {"density", "region threshold", "brightness", "edge intensity", "saturation"}, {90, 20, 60, 20, 55}},
    {302, "Oil pastel", "Oil Pastel",
     {"min brush size", "max brush size", "iterations", "quality", "opacity"}, {10, 70, 30, 30, 100}},
    {303, "Watercolor splashes", "Watercolor splashes",
     {"min brush size", "max brush size", "iterations", "quality", "opacity"}, {10, 70, 50, 50, 80}},
    {304, "Impasto brushstrokes", "Impasto brushstrokes",
     {"min brush size", "max brush size", "iterations", "quality", "opacity"}, {10, 50, 50, 50, 100}},
    {305, "Brushstrokes 2", "Brushstrokes 2",
     {"brush size", "iterations", "abstraction", "saturation", "opacity"}, {50, 30, 25, 60, 70}},
    {306, "Smooth painting", "Smooth painting", {"max brush size", "iterations", kNone, kNone, kNone}, {35, 0, 0, 0, 0}},
    {307, "Stochastic painting", "Stochastic Painting",
     {"min brush size", "max brush size", "iterations", "precision", "opacity"}, {10, 50, 20, 50, 90}},
    {308, nullptr, "Watercolor Flow", {"wetness", "detail", "dilution", "color", "contours"}, {50, 50, 50, 60, 50}},
    {400, "Orton filter", "Orton filter",
     {"glow radius", "exposure", "strength of effect", "vibrance", "darken/lighten"}, {40, 25, 50, 50, 40}},
    {401, "Adjustments", "Adjustments",
     {"luminosity", "contrast", "vibrance", "structure", "blur/sharpen"}, {52, 52, 55, 15, 52}},
    {402, "Vintage / Sepia", "Sepia",
     {"color intensity", "strength of effect", "vignette", "grain", "blur"}, {0, 70, 50, 50, 25}},
    {403, "Retro film", "Vintage / Sepia", {"saturation", "warmth", "contrast", "grain", "vignette"}, {30, 35, 60, 20, 25}},
    {404, "LUTs", "LUTs", {"intensity", "luminosity", "contrast", "blur/sharpen", "saturation"}, {100, 50, 50, 50, 50}},
    {500, "Mosaic", "Mosaic",
     {"iterations", "min dot size", "max dot size", "color tolerance", "quality"}, {20, 20, 80, 35, 25}},
    {501, "Cartoon", "Cartoon",
     {"smoothing", "edge detail", "edge darkness", "color intensity", "edge thickness"}, {30, 55, 85, 40, 20}},
    {502, "Circles", "Circles",
     {"iterations", "min disc size", "max disc size", "color tolerance", "quality"}, {20, 30, 80, 35, 25}},
    {503, "Triangles", "Triangles",
     {"iterations", "min triangle size", "max triangle size", "color tolerance", "quality"}, {10, 30, 50, 35, 25}},
}};

} // namespace

int TParameters::value(int k) const
{
    switch (k) {
    case 1: return Value1;
    case 2: return Value2;
    case 3: return Value3;
    case 4: return Value4;
    case 5: return Value5;
    default: return 0;
    }
}

void TParameters::setValue(int k, int v)
{
    switch (k) {
    case 1: Value1 = v; break;
    case 2: Value2 = v; break;
    case 3: Value3 = v; break;
    case 4: Value4 = v; break;
    case 5: Value5 = v; break;
    default: break;
    }
}

QString TParameters::name(int k) const
{
    switch (k) {
    case 1: return Name1;
    case 2: return Name2;
    case 3: return Name3;
    case 4: return Name4;
    case 5: return Name5;
    default: return {};
    }
}

std::span<const TEffectInfo> EffectCatalogue()
{
    return kCatalogue;
}

const TEffectInfo* FindEffect(int number)
{
    for (const TEffectInfo& e : kCatalogue)
        if (e.number == number)
            return &e;
    return nullptr;
}

TParameters* ParamsEntry(TParameterTable& params, int number)
{
    if (number < 0 || number / 100 >= static_cast<int>(params.size()) || number % 100 >= 20)
        return nullptr;
    return &params[number / 100][number % 100];
}

const TParameters* ParamsEntry(const TParameterTable& params, int number)
{
    return ParamsEntry(const_cast<TParameterTable&>(params), number);
}

void InitializeParameters(TParameterTable& params)
{
    for (const TEffectInfo& e : kCatalogue)
        ResetEffectToDefaults(params, e.number);
}

namespace {

TParameters defaultsOf(const TEffectInfo& e)
{
    TParameters p;
    p.Name1 = QString::fromUtf8(e.names[0]);
    p.Name2 = QString::fromUtf8(e.names[1]);
    p.Name3 = QString::fromUtf8(e.names[2]);
    p.Name4 = QString::fromUtf8(e.names[3]);
    p.Name5 = QString::fromUtf8(e.names[4]);
    p.Value1 = e.values[0];
    p.Value2 = e.values[1];
    p.Value3 = e.values[2];
    p.Value4 = e.values[3];
    p.Value5 = e.values[4];
    return p;
}

} // namespace

void ResetEffectToDefaults(TParameterTable& params, int number)
{
    TParameters* entry = ParamsEntry(params, number);
    const TEffectInfo* effect = FindEffect(number);
    if (entry && effect)
        *entry = defaultsOf(*effect);
}

void ResetSliderToDefault(TParameterTable& params, int number, int k)
{
    TParameters* entry = ParamsEntry(params, number);
    const TEffectInfo* effect = FindEffect(number);
    if (entry && effect && k >= 1 && k <= 5)
        entry->setValue(k, effect->values[size_t(k - 1)]);
}

QStringList FamilyListCaptions(int family)
{
    QStringList captions;
    for (const TEffectInfo& e : kCatalogue)
        if (e.number / 100 == family && e.listCaption)
            captions << QString::fromUtf8(e.listCaption);
    return captions;
}

} // namespace pq
