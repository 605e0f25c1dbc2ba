#pragma once

// Shared pieces of the built-in image generator: a seeded random source,
// tileable noise, float fields, distance transforms and colour helpers.
// Everything is deterministic: the same seeds give the same pixels.

#include <QImage>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

namespace gen {

constexpr float kPi = 3.14159265358979f;

// splitmix64: small, fast and good enough for art.
class Rng {
public:
    explicit Rng(uint64_t seed) : s_(seed * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull) {}
    uint64_t next64()
    {
        uint64_t z = (s_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // [0, 1)
    double uniform() { return double(next64() >> 11) * (1.0 / 9007199254740992.0); }
    double range(double lo, double hi) { return lo + (hi - lo) * uniform(); }
    int below(int n) { return n <= 0 ? 0 : int(uniform() * n); }
    bool chance(double p) { return uniform() < p; }
    // Standard normal (Box-Muller, one value per call).
    double normal()
    {
        double u = uniform();
        if (u < 1e-12)
            u = 1e-12;
        return std::sqrt(-2.0 * std::log(u)) * std::cos(6.283185307179586 * uniform());
    }

private:
    uint64_t s_;
};

uint32_t Hash2(int x, int y, uint32_t seed);
inline float HashUnit(int x, int y, uint32_t seed) { return float(Hash2(x, y, seed) >> 8) * (1.0f / 16777216.0f); }

// Gradient noise on an integer lattice that repeats every periodX x periodY
// cells (a period of 0 means no repetition). About -1..1.
float Perlin(float x, float y, int periodX, int periodY, uint32_t seed);
inline float Perlin(float x, float y, uint32_t seed) { return Perlin(x, y, 0, 0, seed); }
// Octaves of perlin with lacunarity 2; periods double with every octave.
float Fbm(float x, float y, int periodX, int periodY, int octaves, float gain, uint32_t seed);
inline float Fbm(float x, float y, int octaves, float gain, uint32_t seed)
{
    return Fbm(x, y, 0, 0, octaves, gain, seed);
}

// fbm from a precomputed table: about the character of fbm(x, y, 6, 0.5,
// seed) at a fraction of the cost; repeats every 16 lattice units.
float FastFbm(float x, float y, uint32_t seed);

inline float Clamp01(float v) { return v < 0.f ? 0.f : (v > 1.f ? 1.f : v); }
inline float Smoothstep(float a, float b, float x)
{
    const float t = Clamp01((x - a) / (b - a));
    return t * t * (3.f - 2.f * t);
}
inline float Mix(float a, float b, float t) { return a + (b - a) * t; }

// A plane of floats; sampling wraps around (tileable fields) or clamps.
struct Field {
    int w = 0;
    int h = 0;
    std::vector<float> v;

    Field() = default;
    Field(int width, int height, float init = 0.f) : w(width), h(height), v(size_t(width) * size_t(height), init) {}

    float& at(int x, int y) { return v[size_t(y) * size_t(w) + size_t(x)]; }
    float at(int x, int y) const { return v[size_t(y) * size_t(w) + size_t(x)]; }
    float wrapAt(int x, int y) const
    {
        x %= w;
        y %= h;
        if (x < 0)
            x += w;
        if (y < 0)
            y += h;
        return at(x, y);
    }
    float clampAt(int x, int y) const { return at(std::clamp(x, 0, w - 1), std::clamp(y, 0, h - 1)); }
    float sample(float x, float y) const; // bilinear, wrapping
    float sampleClamped(float x, float y) const;

    float mean() const;
    float deviation() const;
    void minMax(float& lo, float& hi) const;
    // Rescales to the given mean and standard deviation.
    void normalize(float newMean, float newDeviation);
    // Rescales linearly to lo..hi.
    void stretch(float lo, float hi);
};

// Tileable fbm over a w x h plane with cellsX x cellsY lattice cells at the
// lowest octave.
Field FbmField(int w, int h, int cellsX, int cellsY, int octaves, float gain, uint32_t seed);
// Tileable cellular noise: distance in pixels to the nearest (f1) and the
// second nearest (f2) of cellsX x cellsY jittered points.
void WorleyField(int w, int h, int cellsX, int cellsY, uint32_t seed, Field* f1, Field* f2);
// Gaussian blur (three box passes); wrap for tileable planes.
Field Blur(const Field& f, float sigma, bool wrap);
// Euclidean distance of each pixel with value above 0.5 to the nearest pixel
// at or below 0.5 (0 outside). Pixels beyond the border count as outside.
Field InsideDistance(const Field& mask);

// Adds `amount` x coverage of a round-capped line of the given width;
// wraps around the plane's edges when `wrap` is set. With `maxMode` the
// field keeps the larger of its value and amount x coverage instead.
void DrawLine(Field& f, float x0, float y0, float x1, float y1, float width, float amount, bool wrap,
              bool maxMode = false);

// Runs fn(y) for every row on all cores.
void ParallelRows(int h, const std::function<void(int)>& fn);

struct Rgb {
    float r = 0, g = 0, b = 0;
    Rgb() = default;
    constexpr Rgb(float rr, float gg, float bb) : r(rr), g(gg), b(bb) {}
    Rgb operator+(const Rgb& o) const { return {r + o.r, g + o.g, b + o.b}; }
    Rgb operator-(const Rgb& o) const { return {r - o.r, g - o.g, b - o.b}; }
    Rgb operator*(float k) const { return {r * k, g * k, b * k}; }
    Rgb operator*(const Rgb& o) const { return {r * o.r, g * o.g, b * o.b}; }
    Rgb& operator+=(const Rgb& o)
    {
        r += o.r;
        g += o.g;
        b += o.b;
        return *this;
    }
    float luma() const { return 0.299f * r + 0.587f * g + 0.114f * b; }
};
inline Rgb Mix(const Rgb& a, const Rgb& b, float t) { return a + (b - a) * t; }
// 0xRRGGBB to 0..1 colour.
constexpr Rgb Hex(uint32_t v)
{
    return {float((v >> 16) & 255) / 255.f, float((v >> 8) & 255) / 255.f, float(v & 255) / 255.f};
}

// A plane of colours (0..1) with an optional coverage.
struct ColorPlane {
    int w = 0;
    int h = 0;
    std::vector<Rgb> c;
    ColorPlane() = default;
    ColorPlane(int width, int height) : w(width), h(height), c(size_t(width) * size_t(height)) {}
    Rgb& at(int x, int y) { return c[size_t(y) * size_t(w) + size_t(x)]; }
    const Rgb& at(int x, int y) const { return c[size_t(y) * size_t(w) + size_t(x)]; }
    Rgb sample(float x, float y) const; // bilinear, clamped
};

// Opaque image from colours, with a little ordered dither against banding.
QImage ToImage(const ColorPlane& p, uint32_t ditherSeed = 1);
// Grey opaque image from a field of 0..1 values.
QImage ToGreyImage(const Field& f, uint32_t ditherSeed = 1);
// Image with straight colour `ink` and coverage `alpha` (0..1), premultiplied.
QImage ToAlphaImage(const Field& alpha, Rgb ink);

// Height field lighting: Lambert shade of the surface normal for a light
// from the upper left (0..1; 0.63 on flat ground).
Field ShadeRelief(const Field& height, float strength, bool wrap);

} // namespace gen
