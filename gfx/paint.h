#pragma once

#include <QColor>
#include <Qt>

namespace gfx {

enum class BlendMode {
    Clear,
    Src,
    Dst,
    SrcOver,
    DstOver,
    SrcIn,
    DstIn,
    SrcOut,
    DstOut,
    SrcATop,
    DstATop,
    Xor,
    Plus,
    Screen,
    Overlay,
    Darken,
    Lighten,
    ColorDodge,
    ColorBurn,
    HardLight,
    SoftLight,
    Difference,
    Exclusion,
    Multiply,
    // Non-separable modes (computed by the graphics layer, not by QPainter).
    Hue,
    Saturation,
    Color,
    Luminosity,
};

enum class Sampling {
    Nearest,
    Linear,
    Mitchell,   // cubic, B = C = 1/3
    CatmullRom, // cubic, B = 0, C = 1/2: sharper, may ring at edges
};

// How a shape, text or image is drawn. A plain value: copy it freely.
struct Paint {
    enum class Style { Fill, Stroke, FillAndStroke };

    QColor color = Qt::black; // unpremultiplied; its alpha also fades images
    BlendMode blend = BlendMode::SrcOver;
    Style style = Style::Fill;
    bool antiAlias = true;
    float strokeWidth = 1.0f; // 0 draws a one-pixel hairline
    Qt::PenCapStyle cap = Qt::FlatCap;
    Qt::PenJoinStyle join = Qt::MiterJoin;
    float miterLimit = 4.0f;

    static Paint fill(const QColor& c, BlendMode mode = BlendMode::SrcOver)
    {
        Paint p;
        p.color = c;
        p.blend = mode;
        return p;
    }
    static Paint stroke(const QColor& c, float width, Qt::PenCapStyle cap = Qt::RoundCap,
                        Qt::PenJoinStyle join = Qt::RoundJoin)
    {
        Paint p;
        p.color = c;
        p.style = Style::Stroke;
        p.strokeWidth = width;
        p.cap = cap;
        p.join = join;
        return p;
    }
};

} // namespace gfx
