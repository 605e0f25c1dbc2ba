#pragma once

// Grey levels of red, green and blue. Each weighting has one helper per kind
// of arithmetic its users rely on; the terms are summed red, green, blue, in
// that order, so a helper gives exactly what the written-out formula gave.

#include <array>

namespace gfx {

// Rec. 601: 0.299 R + 0.587 G + 0.114 B in double.
constexpr double Luma601(double r, double g, double b)
{
    return 0.299 * r + 0.587 * g + 0.114 * b;
}

// Rec. 601 with single-precision weights, summed in float.
constexpr float Luma601Float(float r, float g, float b)
{
    return 0.299f * r + 0.587f * g + 0.114f * b;
}

// Rec. 601 in thousandths: (299 R + 587 G + 114 B) / 1000, truncated.
constexpr int Luma601Thousandths(int r, int g, int b)
{
    return (299 * r + 587 * g + 114 * b) / 1000;
}

// Rec. 601 in 8-bit fixed point: (77 R + 150 G + 29 B) >> 8.
constexpr int Luma601Fixed8(int r, int g, int b)
{
    return (77 * r + 150 * g + 29 * b) >> 8;
}

// Rec. 601 rounded to hundredths: (30 R + 59 G + 11 B) / 100, truncated.
constexpr int Luma601Hundredths(int r, int g, int b)
{
    return (30 * r + 59 * g + 11 * b) / 100;
}

// The same hundredths as float weights, summed in float (the luminosity of
// the non-separable blend modes).
constexpr float Luma601HundredthsFloat(float r, float g, float b)
{
    return 0.3f * r + 0.59f * g + 0.11f * b;
}

// Rec. 601 rounded to tenths: (3 R + 6 G + B) / 10, truncated.
constexpr int Luma601Tenths(int r, int g, int b)
{
    return (3 * r + 6 * g + b) / 10;
}

// Rec. 709 in ten-thousandths: 2126 R + 7152 G + 722 B (not divided), for
// exact comparisons of grey levels.
constexpr int Luma709TenThousandfold(int r, int g, int b)
{
    return 2126 * r + 7152 * g + 722 * b;
}

// Rec. 709 weights rounded to three places (those of a saturation matrix),
// red, green, blue.
inline constexpr std::array<double, 3> kLuma709Rounded = {0.213, 0.715, 0.072};

} // namespace gfx
