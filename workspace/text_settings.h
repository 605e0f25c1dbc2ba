#pragma once

#include "gfx/image.h"
#include "gfx/text_image.h"

#include <QPointF>
#include <QRectF>
#include <QRgb>
#include <QString>
#include <QStringList>

#include <vector>

namespace pq {

// Weight, width (5 is normal) and slant of the text's font.
struct FontStyle {
    int weight = 400;
    int width = 5;
    bool italic = false;
    bool operator==(const FontStyle&) const = default;
};

// The style the bold and italic buttons make.
FontStyle FontStyleFor(bool bold, bool italic);

// The text tool's settings: one line of text with its baseline origin at
// `pos` in image pixels.
struct TextSettings {
    QString text;
    QPointF pos{100, 100};
    QString fontName;
    float fontSize = 24.0f;
    FontStyle style;
    QRgb color = 0xBFFFFFFF;
    bool shadow = true;

    gfx::TextFace face() const;
};

// Sizes the size box and a handle drag keep to.
constexpr float kMinTextBoxSize = 4.0f;
constexpr float kMinDraggedTextSize = 8.0f;
constexpr float kMaxTextBoxSize = 400.0f;

// The shadow under committed text, in image pixels.
constexpr gfx::TextShadowStyle kTextShadow{5.0f, 3.0f, 0xBF000000};

// The result with the text drawn at its baseline origin, over its shadow
// when it has one. The image itself for blank text; null when memory runs
// out.
gfx::Image DrawCommittedText(const gfx::Image& result, const TextSettings& text);

// A family name as the font list shows it: "Segoe UI Variable..." becomes
// "Segoe UI Variable"; otherwise weight, width and slant suffixes are cut
// off one after the other ("Arial Black" becomes "Arial").
QString NormalizeFontFamilyName(const QString& name);

// One family as the font database lists it: the name may carry a foundry
// tag ("C059 [UKWN]"); `symbol` when the database takes it for a symbol
// font.
struct InstalledFamily {
    QString name;
    bool symbol = false;
};

// The name without a trailing foundry tag: "C059 [UKWN]" becomes "C059".
QString WithoutFoundryTag(const QString& name);
// Symbol, dingbat, emoji, icon and math fonts, and TeX's glyph fonts named
// like "cmmi10": families nobody sets a line of text in.
bool IsSymbolFamilyName(const QString& name);

// The families as the font list shows them: foundry tags cut, symbol and
// math fonts and vertical variants ("@...") left out, normalised, sorted
// and without duplicates (case ignored).
QStringList FontFamilyList(const std::vector<InstalledFamily>& families);

// Advance width, ascent (negative, above the baseline) and descent of a
// line of text at a size in pixels.
struct TextMetrics {
    double width = 0;
    double ascent = 0;
    double descent = 0;
};
TextMetrics MeasureText(const QString& text, const gfx::TextFace& face);

// The text's box on the canvas (5 pixels of padding) for a view showing
// image pixel p at pan + p * zoom; its corners are the resize handles.
QRectF TextBoxOnCanvas(const TextSettings& text, QPointF pan, double zoom);

// A resize drag by a corner handle: 1 top-left, 2 top-right, 3 bottom-left,
// 4 bottom-right.
struct TextResize {
    int handle = 0;
    float startSize = 24.0f;
    QPointF startMouse;
    QPointF anchor; // the fixed opposite corner, in image pixels
};

// The handle within 12 canvas pixels of the press, or 0.
int TextHandleAt(const QRectF& box, QPointF pos);
TextResize BeginTextResize(const TextSettings& text, int handle, QPointF mouse);
// The size for the mouse at `mouse` (kept to 8..400) and the position that
// keeps the anchor fixed.
void DragTextResize(TextSettings& text, const TextResize& resize, QPointF mouse, double zoom);

} // namespace pq
