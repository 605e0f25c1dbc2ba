#pragma once

// Colour-grading building blocks for the built-in looks. Colours are
// display-referred RGB in 0..1; every function is smooth so that a table
// sampled from it interpolates without bands.

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <utility>
#include <vector>

namespace looks {

struct RGB {
    double r = 0.0, g = 0.0, b = 0.0;
};

inline RGB operator+(RGB a, RGB b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline RGB operator-(RGB a, RGB b) { return {a.r - b.r, a.g - b.g, a.b - b.b}; }
inline RGB operator*(RGB a, double k) { return {a.r * k, a.g * k, a.b * k}; }
inline RGB Mix(RGB a, RGB b, double t) { return a + (b - a) * t; }

inline double Clamp01(double v) { return v <= 0.0 ? 0.0 : (v >= 1.0 ? 1.0 : v); }
inline RGB Clamp01(RGB c) { return {Clamp01(c.r), Clamp01(c.g), Clamp01(c.b)}; }

inline double Smoothstep(double e0, double e1, double x)
{
    const double t = Clamp01((x - e0) / (e1 - e0));
    return t * t * (3.0 - 2.0 * t);
}

// Rec. 709 luma of the encoded values.
inline double Luma(RGB c) { return 0.2126 * c.r + 0.7152 * c.g + 0.0722 * c.b; }

inline RGB Grey(double v) { return {v, v, v}; }

// A colour of the given hue (degrees), full saturation and value.
inline RGB HueColour(double hueDeg)
{
    const double h = std::fmod(std::fmod(hueDeg, 360.0) + 360.0, 360.0) / 60.0;
    auto f = [&](double n) {
        const double k = std::fmod(n + h, 6.0);
        return 1.0 - std::max(0.0, std::min({k, 4.0 - k, 1.0}));
    };
    return {f(5.0), f(3.0), f(1.0)};
}

struct HSV {
    double h = 0.0, s = 0.0, v = 0.0; // h in degrees
};

inline HSV ToHsv(RGB c)
{
    const double mx = std::max({c.r, c.g, c.b}), mn = std::min({c.r, c.g, c.b});
    const double d = mx - mn;
    HSV o;
    o.v = mx;
    o.s = mx > 0.0 ? d / mx : 0.0;
    if (d <= 1e-12)
        return o;
    double h;
    if (mx == c.r)
        h = std::fmod((c.g - c.b) / d, 6.0);
    else if (mx == c.g)
        h = (c.b - c.r) / d + 2.0;
    else
        h = (c.r - c.g) / d + 4.0;
    o.h = std::fmod(h * 60.0 + 360.0, 360.0);
    return o;
}

inline RGB FromHsv(HSV o)
{
    const RGB pure = HueColour(o.h);
    return (Grey(1.0) + (pure - Grey(1.0)) * o.s) * o.v;
}

// Signed distance between two hues in degrees, -180..180.
inline double HueDistance(double a, double b)
{
    double d = std::fmod(a - b, 360.0);
    if (d > 180.0)
        d -= 360.0;
    if (d < -180.0)
        d += 360.0;
    return d;
}

// Smooth bell around a centre hue: 1 at the centre, 0 beyond `width`.
inline double HueWeight(double hue, double centre, double width)
{
    const double d = std::fabs(HueDistance(hue, centre)) / width;
    return d >= 1.0 ? 0.0 : 0.5 + 0.5 * std::cos(d * M_PI);
}

// Monotone cubic curve through points (Fritsch-Carlson), flat beyond them.
class Curve {
public:
    Curve(std::initializer_list<std::pair<double, double>> points) : p_(points)
    {
        const size_t n = p_.size();
        std::vector<double> d(n - 1);
        m_.assign(n, 0.0);
        for (size_t i = 0; i + 1 < n; ++i)
            d[i] = (p_[i + 1].second - p_[i].second) / (p_[i + 1].first - p_[i].first);
        m_[0] = d[0];
        m_[n - 1] = d[n - 2];
        for (size_t i = 1; i + 1 < n; ++i)
            m_[i] = d[i - 1] * d[i] <= 0.0 ? 0.0 : (d[i - 1] + d[i]) / 2.0;
        for (size_t i = 0; i + 1 < n; ++i) {
            if (d[i] == 0.0) {
                m_[i] = m_[i + 1] = 0.0;
                continue;
            }
            const double a = m_[i] / d[i], b = m_[i + 1] / d[i];
            const double s = a * a + b * b;
            if (s > 9.0) {
                const double t = 3.0 / std::sqrt(s);
                m_[i] = t * a * d[i];
                m_[i + 1] = t * b * d[i];
            }
        }
    }

    double operator()(double x) const
    {
        if (x <= p_.front().first)
            return p_.front().second;
        if (x >= p_.back().first)
            return p_.back().second;
        size_t i = 0;
        while (x > p_[i + 1].first)
            ++i;
        const double h = p_[i + 1].first - p_[i].first;
        const double t = (x - p_[i].first) / h;
        const double t2 = t * t, t3 = t2 * t;
        return (2 * t3 - 3 * t2 + 1) * p_[i].second + (t3 - 2 * t2 + t) * h * m_[i] +
               (-2 * t3 + 3 * t2) * p_[i + 1].second + (t3 - t2) * h * m_[i + 1];
    }

    RGB operator()(RGB c) const { return {(*this)(c.r), (*this)(c.g), (*this)(c.b)}; }

private:
    std::vector<std::pair<double, double>> p_;
    std::vector<double> m_;
};

// A tone curve on luma that keeps the colour's hue: a darkened shadow is
// scaled about black (so it keeps its range), anything else is moved by the
// luma change (so lifted shadows do not turn into strong colour).
inline RGB ToneOnLuma(RGB c, const Curve& curve)
{
    const double y = Luma(c);
    const double y2 = curve(y);
    if (y <= 1e-6)
        return Grey(y2);
    const RGB scaled = c * (y2 / y);
    const RGB shifted = c + Grey(y2 - y);
    const double t = y2 < y ? Smoothstep(0.1, 0.6, y) : Smoothstep(0.0, 0.12, y);
    return Mix(scaled, shifted, t);
}

// Chroma scaled about luma.
inline RGB Saturate(RGB c, double amount)
{
    const double y = Luma(c);
    return Grey(y) + (c - Grey(y)) * amount;
}

// Saturation raised most where the colour is dull.
inline RGB Vibrance(RGB c, double amount)
{
    const double mx = std::max({c.r, c.g, c.b}), mn = std::min({c.r, c.g, c.b});
    const double sat = mx > 1e-6 ? (mx - mn) / mx : 0.0;
    return Saturate(c, 1.0 + amount * (1.0 - sat) * (1.0 - sat));
}

// Per-hue changes: each band (centre, width) scales saturation, turns the
// hue by some degrees and lifts or lowers the value of coloured pixels.
struct HueBand {
    double centre;
    double width;
    double saturation = 1.0;
    double shift = 0.0;
    double value = 0.0;
};

inline RGB HueBands(RGB c, std::initializer_list<HueBand> bands)
{
    HSV o = ToHsv(c);
    if (o.s <= 1e-9)
        return c;
    double sat = 1.0, shift = 0.0, value = 0.0;
    for (const HueBand& b : bands) {
        const double w = HueWeight(o.h, b.centre, b.width);
        sat += w * (b.saturation - 1.0);
        shift += w * b.shift;
        value += w * b.value;
    }
    // Weak colours take the changes weakly, so greys stay put.
    const double strength = Smoothstep(0.0, 0.25, o.s);
    o.h += shift * strength;
    o.s = Clamp01(o.s * (1.0 + (sat - 1.0) * strength));
    o.v = std::max(0.0, o.v * (1.0 + value * strength * o.s));
    return FromHsv(o);
}

// Tints the shadows and the highlights with colours of the given hues,
// keeping luma. Strengths are the chroma added at full weight.
inline RGB SplitTone(RGB c, double shadowHue, double shadowStrength, double highlightHue, double highlightStrength,
                     double balance = 0.5)
{
    const double y = Clamp01(Luma(c));
    const double ws = std::pow(1.0 - Smoothstep(0.0, balance * 2.0, y), 1.5);
    const double wh = std::pow(Smoothstep(balance * 0.6, 1.0, y), 1.5);
    auto tint = [](double hue) {
        const RGB h = HueColour(hue);
        return h - Grey(Luma(h));
    };
    RGB out = c + tint(shadowHue) * (shadowStrength * ws) + tint(highlightHue) * (highlightStrength * wh);
    return out + Grey(y - Luma(out));
}

// White balance as channel gains, renormalised to keep luma.
inline RGB Balance(RGB c, double r, double g, double b)
{
    const RGB o{c.r * r, c.g * g, c.b * b};
    const double y = Luma(c), y2 = Luma(o);
    return y2 > 1e-9 ? o * (y / y2) : o;
}

// Channel mixer: each output channel a weighted sum of the inputs.
inline RGB Mixer(RGB c, RGB rowR, RGB rowG, RGB rowB)
{
    return {rowR.r * c.r + rowR.g * c.g + rowR.b * c.b, rowG.r * c.r + rowG.g * c.g + rowG.b * c.b,
            rowB.r * c.r + rowB.g * c.g + rowB.b * c.b};
}

// Raises black to `black` and lowers white to `white`.
inline RGB Fade(RGB c, double black, double white)
{
    return Grey(black) + c * (white - black);
}

// Highlights above `knee` compressed smoothly toward 1, per channel.
inline double Shoulder(double v, double knee)
{
    if (v <= knee)
        return v;
    const double range = 1.0 - knee;
    const double x = (v - knee) / range;
    return knee + range * (1.0 - std::exp(-x * 1.2)) / (1.0 - std::exp(-1.2));
}

inline RGB Shoulder(RGB c, double knee)
{
    return {Shoulder(c.r, knee), Shoulder(c.g, knee), Shoulder(c.b, knee)};
}

// Black and white from a weighted mix of the channels (weights sum to 1).
inline RGB Monochrome(RGB c, double wr, double wg, double wb)
{
    return Grey(Clamp01(wr * c.r + wg * c.g + wb * c.b));
}

// A grey tinted toward a hue, most in the midtones.
inline RGB Tone(RGB greyColour, double hue, double strength)
{
    const double y = greyColour.r;
    const RGB h = HueColour(hue);
    const RGB t = h - Grey(Luma(h));
    const double w = 4.0 * y * (1.0 - y);
    return greyColour + t * (strength * w);
}

} // namespace looks
