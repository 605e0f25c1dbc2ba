#include "gfx/blend.h"

#include "gfx/luma.h"
#include "platform/numeric.h"

#include <algorithm>
#include <cmath>

namespace gfx {
namespace {

struct Rgb {
    float r, g, b;
};

float Lum(Rgb c) { return Luma601HundredthsFloat(c.r, c.g, c.b); }

Rgb ClipColor(Rgb c)
{
    const float l = Lum(c);
    const float n = std::min({c.r, c.g, c.b});
    const float x = std::max({c.r, c.g, c.b});
    if (n < 0.0f) {
        const float d = l - n;
        c = {l + (c.r - l) * l / d, l + (c.g - l) * l / d, l + (c.b - l) * l / d};
    }
    if (x > 1.0f) {
        const float d = x - l;
        c = {l + (c.r - l) * (1 - l) / d, l + (c.g - l) * (1 - l) / d, l + (c.b - l) * (1 - l) / d};
    }
    return c;
}

Rgb SetLum(Rgb c, float l)
{
    const float d = l - Lum(c);
    return ClipColor({c.r + d, c.g + d, c.b + d});
}

float Sat(Rgb c) { return std::max({c.r, c.g, c.b}) - std::min({c.r, c.g, c.b}); }

Rgb SetSat(Rgb c, float s)
{
    float* ch[3] = {&c.r, &c.g, &c.b};
    std::sort(ch, ch + 3, [](const float* a, const float* b) { return *a < *b; });
    float& mn = *ch[0];
    float& md = *ch[1];
    float& mx = *ch[2];
    if (mx > mn) {
        md = (md - mn) * s / (mx - mn);
        mx = s;
    } else {
        md = mx = 0.0f;
    }
    mn = 0.0f;
    return c;
}

float Separable(BlendMode mode, float cb, float cs)
{
    switch (mode) {
    case BlendMode::Multiply: return cb * cs;
    case BlendMode::Screen: return cb + cs - cb * cs;
    case BlendMode::Overlay: return cb <= 0.5f ? 2 * cb * cs : 1 - 2 * (1 - cb) * (1 - cs);
    case BlendMode::HardLight: return cs <= 0.5f ? 2 * cb * cs : 1 - 2 * (1 - cb) * (1 - cs);
    case BlendMode::Darken: return std::min(cb, cs);
    case BlendMode::Lighten: return std::max(cb, cs);
    case BlendMode::ColorDodge:
        if (cb <= 0) return 0;
        if (cs >= 1) return 1;
        return std::min(1.0f, cb / (1 - cs));
    case BlendMode::ColorBurn:
        if (cb >= 1) return 1;
        if (cs <= 0) return 0;
        return 1 - std::min(1.0f, (1 - cb) / cs);
    case BlendMode::SoftLight: {
        if (cs <= 0.5f)
            return cb - (1 - 2 * cs) * cb * (1 - cb);
        const float d = cb <= 0.25f ? ((16 * cb - 12) * cb + 4) * cb : std::sqrt(cb);
        return cb + (2 * cs - 1) * (d - cb);
    }
    case BlendMode::Difference: return std::fabs(cb - cs);
    case BlendMode::Exclusion: return cb + cs - 2 * cb * cs;
    default: return cs;
    }
}

uint32_t ToByte(float v)
{
    return static_cast<uint32_t>(std::clamp(platform::Round(v * 255.0f), 0, 255));
}

} // namespace

bool IsPainterBlendMode(BlendMode mode)
{
    return mode != BlendMode::Hue && mode != BlendMode::Saturation && mode != BlendMode::Color &&
           mode != BlendMode::Luminosity;
}

Pixel BlendPixel(Pixel dst, Pixel src, BlendMode mode)
{
    const float sa = float(src >> 24) / 255.0f, da = float(dst >> 24) / 255.0f;
    const Rgb s{float((src >> 16) & 255) / 255.0f, float((src >> 8) & 255) / 255.0f, float(src & 255) / 255.0f};
    const Rgb d{float((dst >> 16) & 255) / 255.0f, float((dst >> 8) & 255) / 255.0f, float(dst & 255) / 255.0f};
    float ra = 0;
    Rgb r{0, 0, 0};
    auto pd = [&](float fs, float fd) {
        ra = sa * fs + da * fd;
        r = {s.r * fs + d.r * fd, s.g * fs + d.g * fd, s.b * fs + d.b * fd};
    };
    switch (mode) {
    case BlendMode::Clear: pd(0, 0); break;
    case BlendMode::Src: pd(1, 0); break;
    case BlendMode::Dst: pd(0, 1); break;
    case BlendMode::SrcOver: pd(1, 1 - sa); break;
    case BlendMode::DstOver: pd(1 - da, 1); break;
    case BlendMode::SrcIn: pd(da, 0); break;
    case BlendMode::DstIn: pd(0, sa); break;
    case BlendMode::SrcOut: pd(1 - da, 0); break;
    case BlendMode::DstOut: pd(0, 1 - sa); break;
    case BlendMode::SrcATop: pd(da, 1 - sa); break;
    case BlendMode::DstATop: pd(1 - da, sa); break;
    case BlendMode::Xor: pd(1 - da, 1 - sa); break;
    case BlendMode::Plus:
        ra = std::min(1.0f, sa + da);
        r = {std::min(1.0f, s.r + d.r), std::min(1.0f, s.g + d.g), std::min(1.0f, s.b + d.b)};
        break;
    case BlendMode::Hue:
    case BlendMode::Saturation:
    case BlendMode::Color:
    case BlendMode::Luminosity: {
        ra = sa + da - sa * da;
        const Rgb cs = sa > 0 ? Rgb{s.r / sa, s.g / sa, s.b / sa} : Rgb{0, 0, 0};
        const Rgb cb = da > 0 ? Rgb{d.r / da, d.g / da, d.b / da} : Rgb{0, 0, 0};
        Rgb b;
        if (mode == BlendMode::Hue)
            b = SetLum(SetSat(cs, Sat(cb)), Lum(cb));
        else if (mode == BlendMode::Saturation)
            b = SetLum(SetSat(cb, Sat(cs)), Lum(cb));
        else if (mode == BlendMode::Color)
            b = SetLum(cs, Lum(cb));
        else
            b = SetLum(cb, Lum(cs));
        const float k = sa * da;
        r = {s.r * (1 - da) + d.r * (1 - sa) + k * b.r, s.g * (1 - da) + d.g * (1 - sa) + k * b.g,
             s.b * (1 - da) + d.b * (1 - sa) + k * b.b};
        break;
    }
    default: {
        ra = sa + da - sa * da;
        const Rgb cs = sa > 0 ? Rgb{s.r / sa, s.g / sa, s.b / sa} : Rgb{0, 0, 0};
        const Rgb cb = da > 0 ? Rgb{d.r / da, d.g / da, d.b / da} : Rgb{0, 0, 0};
        const float k = sa * da;
        r = {s.r * (1 - da) + d.r * (1 - sa) + k * Separable(mode, cb.r, cs.r),
             s.g * (1 - da) + d.g * (1 - sa) + k * Separable(mode, cb.g, cs.g),
             s.b * (1 - da) + d.b * (1 - sa) + k * Separable(mode, cb.b, cs.b)};
        break;
    }
    }
    const uint32_t a = ToByte(ra);
    const uint32_t rr = std::min(a, ToByte(r.r)), gg = std::min(a, ToByte(r.g)), bb = std::min(a, ToByte(r.b));
    return (a << 24) | (rr << 16) | (gg << 8) | bb;
}

void BlendLayer(Surface& dst, const QImage& layer, const QRect& area, BlendMode mode)
{
    if (dst.isNull() || layer.size() != dst.size() || layer.format() != kPixelFormat)
        return;
    const QRect r = area.intersected(dst.rect());
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const Pixel* s = reinterpret_cast<const Pixel*>(layer.constScanLine(y));
        Pixel* d = dst.row(y);
        for (int x = r.left(); x <= r.right(); ++x)
            if (s[x] != 0)
                d[x] = BlendPixel(d[x], s[x], mode);
    }
}

} // namespace gfx
