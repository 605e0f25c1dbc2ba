#include "gfx/text_image.h"

#include "gfx/canvas.h"
#include "gfx/filters.h"
#include "gfx/surface.h"

#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QTransform>

#include <algorithm>
#include <cmath>

namespace gfx {
namespace {

// Outlines are made at this pixel size, unhinted, and scaled: sizes stay
// fractional and the outline does not depend on hinting.
constexpr int kOutlineSize = 256;

// The horizontal skew of a synthetic italic.
constexpr qreal kSyntheticSkew = -0.25;

// The family as the font database spells it; empty when it has none of
// that name.
QString DatabaseFamily(const QString& family)
{
    if (family.trimmed().isEmpty())
        return {};
    for (const QString& known : QFontDatabase::families())
        if (known.compare(family, Qt::CaseInsensitive) == 0)
            return known;
    return {};
}

// Which faces a family has.
struct Faces {
    bool boldUpright = false;
    bool boldItalic = false;
    bool italic = false;
};

Faces FacesOf(const QString& family)
{
    Faces faces;
    for (const QString& style : QFontDatabase::styles(family)) {
        const bool italic = QFontDatabase::italic(family, style);
        const bool bold = QFontDatabase::weight(family, style) >= QFont::DemiBold;
        faces.italic = faces.italic || italic;
        if (bold)
            (italic ? faces.boldItalic : faces.boldUpright) = true;
    }
    return faces;
}

// Width of the stroke that emboldens text of a size: 1/24 of the size up to
// 9 pixels, 1/32 from 36 pixels, in between linearly.
float SyntheticBoldStroke(float size)
{
    const float t = std::clamp((size - 9.0f) / 27.0f, 0.0f, 1.0f);
    return size * (1.0f / 24.0f + t * (1.0f / 32.0f - 1.0f / 24.0f));
}

float ClampTextSize(float size)
{
    return std::isnan(size) ? kMinTextSize : std::clamp(size, kMinTextSize, kMaxTextSize);
}

// Premultiplies the opaque drawing of a layer by an alpha.
void FadeLayer(Surface& layer, int alpha)
{
    if (alpha >= 255)
        return;
    for (int y = 0; y < layer.height(); ++y) {
        Pixel* row = layer.row(y);
        for (int x = 0; x < layer.width(); ++x) {
            const Pixel p = row[x];
            auto channel = [&](int shift) { return Pixel((((p >> shift) & 255) * alpha + 127) / 255) << shift; };
            row[x] = channel(24) | channel(16) | channel(8) | channel(0);
        }
    }
}

// Draws an outline with its origin at `origin` over the image, above its
// shadow when one is given.
Image DrawOutline(const Image& image, const TextOutline& outline, QPointF origin, QRgb color,
                  const TextShadowStyle* shadow)
{
    if (!std::isfinite(origin.x()) || !std::isfinite(origin.y()))
        return image;
    const QRectF box = outline.bounds.translated(origin);

    // The layer holds the text and what of its shadow can reach the image.
    const qreal reach = shadow ? shadow->offset + 3 * shadow->sigma + 2 : 2;
    const QRectF imageRect(image.rect());
    const QRectF seen = shadow ? box.united(box.translated(shadow->offset, shadow->offset)) : box;
    if (!seen.adjusted(-reach, -reach, reach, reach).intersects(imageRect))
        return image;
    const QRect area = box.adjusted(-reach, -reach, reach, reach)
                           .intersected(imageRect.adjusted(-reach, -reach, reach, reach))
                           .toAlignedRect();
    if (area.isEmpty())
        return image;

    Surface layer = Surface::make(area.size());
    if (layer.isNull())
        return {};
    {
        Canvas canvas(layer);
        canvas.translate(origin.x() - area.x(), origin.y() - area.y());
        Paint paint = Paint::fill(QColor::fromRgb(qRed(color), qGreen(color), qBlue(color)));
        if (outline.strokeWidth > 0.0f) {
            paint.style = Paint::Style::FillAndStroke;
            paint.strokeWidth = outline.strokeWidth;
            paint.join = Qt::RoundJoin;
        }
        canvas.drawPath(outline.path, paint);
    }
    FadeLayer(layer, qAlpha(color));
    Image drawn = layer.snapshot();
    if (shadow)
        drawn = DropShadow(drawn, shadow->offset, shadow->offset, shadow->sigma, shadow->sigma,
                           QColor(qRed(shadow->color), qGreen(shadow->color), qBlue(shadow->color),
                                  qAlpha(shadow->color)));
    if (drawn.isNull())
        return {};
    // One copy of the picture; the drawing touches only the text's area,
    // and the copy becomes the result without another.
    Surface out = Surface::fromImage(image);
    if (out.isNull())
        return {};
    {
        Canvas canvas(out);
        canvas.drawImage(drawn, area.x(), area.y());
    }
    return Image::adopt(std::move(out.qimage()));
}

} // namespace

QString ResolveTextFamily(const QString& family)
{
    QString found = DatabaseFamily(family);
    if (found.isEmpty())
        found = DatabaseFamily(QStringLiteral("Arial"));
    if (found.isEmpty())
        found = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    return found;
}

TextOutline MakeTextOutline(const QString& text, const TextFace& face)
{
    const float size = ClampTextSize(face.size);
    const QString family = ResolveTextFamily(face.family);
    const Faces faces = FacesOf(family);
    const bool wantBold = face.weight >= 700;
    const bool italicFace = face.italic && faces.italic;
    const bool boldFace = wantBold && (italicFace ? faces.boldItalic : faces.boldUpright);

    QFont font(family);
    font.setPixelSize(kOutlineSize);
    font.setWeight(boldFace ? QFont::Bold : QFont::Normal);
    font.setItalic(italicFace);
    font.setHintingPreference(QFont::PreferNoHinting);

    TextOutline outline;
    outline.path.addText(QPointF(0, 0), font, text);
    QTransform transform = QTransform::fromScale(size / kOutlineSize, size / kOutlineSize);
    if (face.italic && !italicFace)
        transform *= QTransform(1, 0, kSyntheticSkew, 1, 0, 0);
    outline.path = transform.map(outline.path);
    if (wantBold && !boldFace)
        outline.strokeWidth = SyntheticBoldStroke(size);
    const qreal grow = outline.strokeWidth / 2;
    outline.bounds = outline.path.boundingRect().adjusted(-grow, -grow, grow, grow);
    return outline;
}

QPointF PlaceTextBox(const QSizeF& image, const TextPlacement& placement, const QSizeF& box)
{
    auto edge = [](double extent, double value, bool percent, double length) {
        if (!percent)
            return value;
        const double mark = extent * value / 100.0;
        if (value < 50.0)
            return mark;
        if (value > 50.0)
            return mark - length;
        return mark - length / 2.0;
    };
    return {edge(image.width(), placement.x, placement.xPercent, box.width()),
            edge(image.height(), placement.y, placement.yPercent, box.height())};
}

TextShadow TextShadowFor(float size)
{
    return {std::max(2.0f, 0.05f * size), std::max(2.0f, 0.04f * size)};
}

Image DrawTextOnImage(const Image& image, const TextPlacement& placement, const QString& text, const TextFace& face,
                      QRgb color, bool shadow)
{
    if (image.isNull())
        return {};
    if (text.isEmpty())
        return image;
    const TextOutline outline = MakeTextOutline(text, face);
    if (outline.path.isEmpty())
        return image;
    const QPointF topLeft = PlaceTextBox(QSizeF(image.size()), placement, outline.bounds.size());
    const QPointF origin = topLeft - outline.bounds.topLeft();
    const TextShadow drop = TextShadowFor(ClampTextSize(face.size));
    const TextShadowStyle style{drop.offset, drop.sigma, qRgba(0, 0, 0, 0xDD)};
    return DrawOutline(image, outline, origin, color, shadow ? &style : nullptr);
}

Image DrawTextAtOrigin(const Image& image, QPointF origin, const QString& text, const TextFace& face, QRgb color,
                       const TextShadowStyle* shadow)
{
    if (image.isNull())
        return {};
    if (text.isEmpty())
        return image;
    const TextOutline outline = MakeTextOutline(text, face);
    if (outline.path.isEmpty())
        return image;
    return DrawOutline(image, outline, origin, color, shadow);
}

} // namespace gfx
