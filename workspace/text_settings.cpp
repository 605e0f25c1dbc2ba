#include "workspace/text_settings.h"

#include <QFont>
#include <QFontMetricsF>
#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <cmath>

namespace pq {
namespace {

// Suffixes cut off family names, tried in this order.
constexpr std::array<const char*, 38> kFamilySuffixes = {
    " Extra Condensed", " Semi Condensed", " Ultra Condensed", " Ultra Expanded", " Extra Expanded",
    " Semi Expanded",   " Ultra Compressed", " Medium Cond",   " Demi Cond",      " Bold Cond",
    " Light Cond",      " Black Cond",      " ExtraBold",      " SemiBold",       " DemiBold",
    " UltraBold",       " Extra Bold",      " SuperBold",      " ExtraLight",     " UltraLight",
    " SemiLight",       " Extra Light",     " Condensed",      " Expanded",       " Compressed",
    " Narrow",          " Wide",            " Medium",         " Black",          " Heavy",
    " Thin",            " Regular",         " Normal",         " Book",           " Ret",
    " Bold",            " Italic",          " Oblique"};

// Metrics are taken at this pixel size and scaled, so sizes stay fractional.
constexpr int kMeasureSize = 256;

constexpr double kHandleReach = 12.0;

double SquaredDistance(QPointF a, QPointF b)
{
    const QPointF d = a - b;
    return d.x() * d.x() + d.y() * d.y();
}

} // namespace

FontStyle FontStyleFor(bool bold, bool italic)
{
    return {bold ? 700 : 400, 5, italic};
}

gfx::TextFace TextSettings::face() const
{
    gfx::TextFace face;
    face.family = fontName.trimmed().isEmpty() ? QStringLiteral("Arial") : fontName;
    face.size = fontSize > 0 ? fontSize : 24.0f;
    face.weight = style.weight;
    face.italic = style.italic;
    return face;
}

gfx::Image DrawCommittedText(const gfx::Image& result, const TextSettings& text)
{
    if (text.text.trimmed().isEmpty())
        return result;
    return gfx::DrawTextAtOrigin(result, text.pos, text.text, text.face(), text.color,
                                 text.shadow ? &kTextShadow : nullptr);
}

QString NormalizeFontFamilyName(const QString& name)
{
    QString family = name.trimmed();
    if (family.startsWith(QLatin1String("Segoe UI Variable"), Qt::CaseInsensitive))
        return QStringLiteral("Segoe UI Variable");
    bool cut = true;
    while (cut) {
        cut = false;
        for (const char* suffix : kFamilySuffixes) {
            const QLatin1String ending(suffix);
            if (family.endsWith(ending, Qt::CaseInsensitive)) {
                family = family.left(family.size() - ending.size()).trimmed();
                cut = true;
                break;
            }
        }
    }
    return family;
}

QString WithoutFoundryTag(const QString& name)
{
    static const QRegularExpression kTag(QStringLiteral("\\s*\\[[^\\[\\]]*\\]\\s*$"));
    return QString(name).remove(kTag).trimmed();
}

bool IsSymbolFamilyName(const QString& name)
{
    // TeX's fonts are lower-case names with a design size: cmmi10, msbm10.
    static const QRegularExpression kTexGlyphs(QStringLiteral("^[a-z]{2,8}[0-9]{1,2}$"));
    static const QRegularExpression kSymbolWords(
        QStringLiteral("symbol|dingbat|wingding|webding|emoji|marlett|\\bicons?\\b|\\bmath\\b|\\bmdl2\\b"),
        QRegularExpression::CaseInsensitiveOption);
    const QString family = name.trimmed();
    return kTexGlyphs.match(family).hasMatch() || kSymbolWords.match(family).hasMatch();
}

QStringList FontFamilyList(const std::vector<InstalledFamily>& families)
{
    QStringList list;
    for (const InstalledFamily& family : families) {
        const QString face = WithoutFoundryTag(family.name).left(32);
        if (face.isEmpty() || face.startsWith(QLatin1Char('@')) || family.symbol || IsSymbolFamilyName(face))
            continue;
        const QString name = NormalizeFontFamilyName(face);
        if (!name.isEmpty())
            list << name;
    }
    std::sort(list.begin(), list.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    list.erase(std::unique(list.begin(), list.end(),
                           [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }),
               list.end());
    return list;
}

TextMetrics MeasureText(const QString& text, const gfx::TextFace& face)
{
    QFont font(gfx::ResolveTextFamily(face.family));
    font.setPixelSize(kMeasureSize);
    font.setWeight(face.weight >= 700 ? QFont::Bold : QFont::Normal);
    font.setItalic(face.italic);
    font.setHintingPreference(QFont::PreferNoHinting);
    const QFontMetricsF metrics(font);
    const double scale = double(std::clamp(face.size, gfx::kMinTextSize, gfx::kMaxTextSize)) / kMeasureSize;
    return {metrics.horizontalAdvance(text) * scale, -metrics.ascent() * scale, metrics.descent() * scale};
}

QRectF TextBoxOnCanvas(const TextSettings& text, QPointF pan, double zoom)
{
    gfx::TextFace face = text.face();
    face.size = float(face.size * zoom);
    const TextMetrics m = MeasureText(text.text, face);
    const double x = text.pos.x() * zoom + pan.x();
    const double y = text.pos.y() * zoom + pan.y();
    return QRectF(QPointF(x - 5, y + m.ascent - 5), QPointF(x + m.width + 5, y + m.descent + 5));
}

int TextHandleAt(const QRectF& box, QPointF pos)
{
    const std::array<QPointF, 4> corners = {box.topLeft(), box.topRight(), box.bottomLeft(), box.bottomRight()};
    for (size_t i = 0; i < corners.size(); ++i)
        if (SquaredDistance(pos, corners[i]) < kHandleReach * kHandleReach)
            return int(i) + 1;
    return 0;
}

TextResize BeginTextResize(const TextSettings& text, int handle, QPointF mouse)
{
    const TextMetrics m = MeasureText(text.text, text.face());
    const QPointF p = text.pos;
    TextResize resize;
    resize.handle = handle;
    resize.startSize = text.fontSize;
    resize.startMouse = mouse;
    switch (handle) {
    case 1: resize.anchor = {p.x() + m.width, p.y() + m.descent}; break;
    case 2: resize.anchor = {p.x(), p.y() + m.descent}; break;
    case 3: resize.anchor = {p.x() + m.width, p.y() + m.ascent}; break;
    default: resize.anchor = {p.x(), p.y() + m.ascent}; break;
    }
    return resize;
}

void DragTextResize(TextSettings& text, const TextResize& resize, QPointF mouse, double zoom)
{
    if (!(zoom > 0))
        return;
    const double dx = mouse.x() - resize.startMouse.x();
    const double dy = mouse.y() - resize.startMouse.y();
    double e = 0;
    switch (resize.handle) {
    case 1: e = -(dx + dy) / 2; break;
    case 2: e = (dx - dy) / 2; break;
    case 3: e = (dy - dx) / 2; break;
    default: e = (dx + dy) / 2; break;
    }
    const double size = resize.startSize + e * 0.3 / zoom;
    // The size box's range: beyond it the box would hold another size than
    // the text.
    text.fontSize = std::isfinite(size) ? float(std::clamp(size, double(kMinDraggedTextSize), double(kMaxTextBoxSize)))
                                        : resize.startSize;
    const TextMetrics m = MeasureText(text.text, text.face());
    const QPointF a = resize.anchor;
    switch (resize.handle) {
    case 1: text.pos = {a.x() - m.width, a.y() - m.descent}; break;
    case 2: text.pos = {a.x(), a.y() - m.descent}; break;
    case 3: text.pos = {a.x() - m.width, a.y() - m.ascent}; break;
    default: text.pos = {a.x(), a.y() - m.ascent}; break;
    }
}

} // namespace pq
