#pragma once

// Vector helpers shared by the pixel kernels of the graphics layer. One
// vector holds the four channels of a pixel in memory order B, G, R, A, so
// a kernel treats a pixel as one value and the compiler keeps it in a single
// register.

#include "gfx/image.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace gfx::px {

typedef float F4 __attribute__((vector_size(16)));
typedef int32_t I4 __attribute__((vector_size(16)));
typedef uint8_t U8x4 __attribute__((vector_size(4)));

constexpr int kAlpha = 3;

inline F4 Splat(float v)
{
    return F4{v, v, v, v};
}

inline I4 ToI4(Pixel p)
{
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i v = _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(int(p)), zero), zero);
    return (I4)v;
#else
    U8x4 bytes;
    std::memcpy(&bytes, &p, sizeof bytes);
    return __builtin_convertvector(bytes, I4);
#endif
}

inline F4 ToF4(Pixel p)
{
    return __builtin_convertvector(ToI4(p), F4);
}

inline F4 Vmin(F4 a, F4 b)
{
    return a < b ? a : b;
}

inline F4 Vmax(F4 a, F4 b)
{
    return a > b ? a : b;
}

// Halves to even for |v| < 2^22 (the default rounding mode does the work:
// adding 1.5 * 2^23 leaves no fraction bits).
inline F4 RoundEven(F4 v)
{
    const F4 magic = Splat(12582912.0f);
    const F4 t = v + magic;
    return t - magic;
}

inline float RoundEven(float v)
{
    const float magic = 12582912.0f;
    const float t = v + magic;
    return t - magic;
}

// Packs integer-valued lanes 0..255 into a pixel.
inline Pixel PackI4(I4 v)
{
#if defined(__SSE2__)
    const __m128i w = (__m128i)v;
    const __m128i words = _mm_packs_epi32(w, w);
    return Pixel(_mm_cvtsi128_si32(_mm_packus_epi16(words, words)));
#else
    const U8x4 bytes = __builtin_convertvector(v, U8x4);
    Pixel p;
    std::memcpy(&p, &bytes, sizeof p);
    return p;
#endif
}

// A premultiplied B, G, R, A vector in byte units to a valid pixel: alpha
// clamped to 0..255, colours to 0..alpha, halves rounded to even.
inline Pixel ToPixel(F4 v)
{
    const float a = RoundEven(v[kAlpha] < 0.0f ? 0.0f : (v[kAlpha] > 255.0f ? 255.0f : v[kAlpha]));
    F4 c = Vmin(Vmax(v, Splat(0.0f)), Splat(a));
    c[kAlpha] = a;
    return PackI4(__builtin_convertvector(RoundEven(c), I4));
}

// An unpremultiplied colour vector in 0..1 (any range; clamped here) and its
// alpha in 0..1 to a premultiplied pixel.
inline Pixel PremultiplyToPixel(F4 unpremultiplied)
{
    const F4 c = Vmin(Vmax(unpremultiplied, Splat(0.0f)), Splat(1.0f));
    F4 v = c * Splat(c[kAlpha] * 255.0f);
    v[kAlpha] = c[kAlpha] * 255.0f;
    return ToPixel(v);
}

// 1 / alpha for alpha 0..255 (0 for 0), so un-premultiplying is a multiply.
struct InverseAlpha {
    float table[256];
    constexpr InverseAlpha() : table{}
    {
        for (int a = 1; a < 256; ++a)
            table[a] = 1.0f / float(a);
    }
    float operator[](int a) const { return table[a]; }
};

inline constexpr InverseAlpha kInverseAlpha{};

// Un-premultiplied colour in 0..1, alpha in 0..1; transparent gives zero.
inline F4 Unpremultiply(Pixel p)
{
    const F4 v = ToF4(p);
    const int a = int(p >> 24);
    F4 u = v * Splat(kInverseAlpha[a]);
    u[kAlpha] = v[kAlpha] * (1.0f / 255.0f);
    return u;
}

} // namespace gfx::px
