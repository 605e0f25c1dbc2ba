#include "scripting/script_effects.h"

#include "scripting/script_lexer.h"

namespace pq {
namespace {

constexpr ScriptEffect kScriptEffects[] = {
    {100, "Pencil Sketch 1", "PencilSketch1"},
    {101, "Pencil Sketch 2", "PencilSketch2"},
    {102, "Pencil Sketch 3", "PencilSketch3"},
    {103, "Crosshatch", "Crosshatch"},
    {200, "Black & White", "BlackAndWhite"},
    {201, "Stippling", "Stippling"},
    {202, "Felt-tip pen", "FeltTipPen"},
    {300, "Watercolor", "Watercolor"},
    {301, "Watercolor 2", "Watercolor2"},
    {302, "Oil Pastel", "OilPastel"},
    {303, "Watercolor splashes", "WatercolorSplashes"},
    {304, "Impasto brushstrokes", "ImpastoBrushstrokes"},
    {305, "Brushstrokes 2", "Brushstrokes2"},
    {306, "Smooth painting", "SmoothPainting"},
    {307, "Stochastic Painting", "StochasticPainting"},
    {400, "Orton filter", "OrtonFilter"},
    {401, "Adjustments", "Adjustments"},
    {402, "Vintage / Sepia", "VintageSepia"},
    {403, "Retro film", "RetroFilm"},
    {404, "LUTs", "LUTs"},
    {500, "Mosaic", "Mosaic"},
    {501, "Cartoon", "Cartoon"},
    {502, "Circles", "Circles"},
    {503, "Triangles", "Triangles"},
};

} // namespace

std::span<const ScriptEffect> ScriptEffectTable()
{
    return kScriptEffects;
}

int ParseEffectId(const QString& token)
{
    if (const std::optional<int> number = ReadScriptInteger(token))
        return *number;
    const QString name = token.trimmed();
    for (const ScriptEffect& e : kScriptEffects)
        if (name.compare(QLatin1String(e.identifier), Qt::CaseInsensitive) == 0 ||
            name.compare(QString::fromUtf8(e.displayName), Qt::CaseInsensitive) == 0)
            return e.number;
    return -1;
}

QString ScriptEffectName(int number)
{
    for (const ScriptEffect& e : kScriptEffects)
        if (e.number == number)
            return QString::fromUtf8(e.displayName);
    return QStringLiteral("Effect %1").arg(number);
}

} // namespace pq
