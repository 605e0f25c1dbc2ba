#include "scripting/script_steps.h"

#include "scripting/script_effects.h"
#include "scripting/script_lines.h"

#include <algorithm>
#include <cmath>

namespace pq {
namespace {

QString ResizeValue(float value, bool percent)
{
    if (percent)
        return FormatScriptReal(value, 1) + u'%';
    return QString::number(qint64(std::nearbyint(std::clamp(double(value), -1e15, 1e15))));
}

// The file name of a path written with "/" or "\".
QString FileNamePart(const QString& path)
{
    const qsizetype cut = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return path.mid(cut + 1);
}

} // namespace

QString ScriptStepText(const ScriptCommand& c)
{
    using Kind = ScriptCommandKind;
    switch (c.kind) {
    case Kind::Effect: return ScriptEffectName(c.effectNumber);
    case Kind::Save: return QStringLiteral("Save → ") + c.slotName();
    case Kind::Load: return QStringLiteral("Load ← ") + c.slotName();
    case Kind::Swap: return QStringLiteral("Swap source ↔ result");
    case Kind::Reset: return QStringLiteral("Reset to source");
    case Kind::Blend: return QStringLiteral("Blend ← ") + c.blendSlot();
    case Kind::Texture: return QStringLiteral("Apply texture");
    case Kind::Frame:
        return c.brushstrokesFrame ? QStringLiteral("Apply brushstrokes frame") : QStringLiteral("Apply frame");
    case Kind::Text: return QStringLiteral("Draw text");
    case Kind::Font: return QStringLiteral("Set font");
    case Kind::Resize:
        return QStringLiteral("Resize to ") + ResizeValue(c.resizeW, c.resizeWPercent) + u'x' +
               ResizeValue(c.resizeH, c.resizeHPercent);
    case Kind::Clear: return c.p1 == 1 ? QStringLiteral("Clear background") : QStringLiteral("Keep background");
    case Kind::Contour:
        return c.p1 == 1 ? QStringLiteral("Draw shape contours on") : QStringLiteral("Draw shape contours off");
    case Kind::LutFile: return QStringLiteral("Set LUT file: ") + FileNamePart(c.lutFilePath());
    case Kind::LutEmbedded: return QStringLiteral("Set embedded LUT: ") + c.lutEmbeddedName();
    case Kind::Enhance: return QStringLiteral("Auto-enhance");
    }
    return {};
}

} // namespace pq
