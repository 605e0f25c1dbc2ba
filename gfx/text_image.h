#pragma once

#include "gfx/image.h"

#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QRgb>
#include <QSizeF>
#include <QString>

namespace gfx {

// Text sizes, in image pixels, that text drawing keeps to.
constexpr float kMinTextSize = 1.0f;
constexpr float kMaxTextSize = 10000.0f;

// The typeface text asks for: family, size in image pixels, weight (700 and
// more is bold) and slant.
struct TextFace {
    QString family;
    float size = 24.0f;
    int weight = 400;
    bool italic = false;
};

// Where a text's box goes. In pixels the position is the box's top-left
// corner. In per cent of the image's width (height) a position below 50
// puts the box's left (top) edge there, above 50 its right (bottom) edge,
// and 50 centres it.
struct TextPlacement {
    float x = 0.0f;
    float y = 0.0f;
    bool xPercent = false;
    bool yPercent = false;
};

// The family found in the font database, matched exactly without regard to
// case (no substitutes): the family itself, else "Arial", else the default
// family.
QString ResolveTextFamily(const QString& family);

// The outline of one line of text with its origin on the baseline at
// (0, 0), at the face's size (clamped to kMinTextSize..kMaxTextSize). A bold
// or italic face the family lacks is made: bold by widening the outline,
// italic by a horizontal skew of -0.25.
struct TextOutline {
    QPainterPath path;
    float strokeWidth = 0.0f; // synthetic bold: the outline is also stroked
    QRectF bounds;            // the drawn box relative to the origin
};
TextOutline MakeTextOutline(const QString& text, const TextFace& face);

// The top-left corner of a box of `box` size placed on an image.
QPointF PlaceTextBox(const QSizeF& image, const TextPlacement& placement, const QSizeF& box);

// The drop shadow of a text size: offset (both axes) and blur sigma.
struct TextShadow {
    float offset = 2.0f;
    float sigma = 2.0f;
};
TextShadow TextShadowFor(float size);

// The image with one line of text drawn on it in an unpremultiplied ARGB
// colour, with a black drop shadow (alpha 221) when asked. Line breaks are
// not interpreted. Returns the image itself when the text is empty or
// falls wholly off it, and a null image when the image is null or memory
// runs out. Any thread.
Image DrawTextOnImage(const Image& image, const TextPlacement& placement, const QString& text, const TextFace& face,
                      QRgb color, bool shadow);

// A drop shadow under drawn text: offset, blur sigma and colour
// (unpremultiplied ARGB).
struct TextShadowStyle {
    float offset = 5.0f;
    float sigma = 3.0f;
    QRgb color = 0xBF000000;
};

// The image with one line of text drawn with its baseline origin at
// `origin`, in an unpremultiplied ARGB colour, over a shadow when one is
// given. Same results as DrawTextOnImage for the same box.
Image DrawTextAtOrigin(const Image& image, QPointF origin, const QString& text, const TextFace& face, QRgb color,
                       const TextShadowStyle* shadow);

} // namespace gfx
