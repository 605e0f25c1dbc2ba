#pragma once

#include <cmath>
#include <cstdint>

namespace platform {

// Round to nearest with halves to even, as the default floating-point
// rounding mode does: Round(2.5) == 2, Round(3.5) == 4.
inline int Round(double v)
{
    return static_cast<int>(std::nearbyint(v));
}

inline int64_t Round64(double v)
{
    return static_cast<int64_t>(std::nearbyint(v));
}

// Truncation toward zero.
inline int Trunc(double v)
{
    return static_cast<int>(v);
}

inline int Ceil(double v)
{
    return static_cast<int>(std::ceil(v));
}

inline int ClampByte(int v)
{
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

inline int ClampByte(int64_t v)
{
    return int(v < 0 ? 0 : (v > 255 ? 255 : v));
}

template <typename T>
inline T Clamp(T v, T lo, T hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}

} // namespace platform
