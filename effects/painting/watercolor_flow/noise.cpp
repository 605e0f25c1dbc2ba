#include "effects/painting/watercolor_flow/noise.h"

#include <algorithm>
#include <cmath>

namespace pq::flow {

float Hash2D(int x, int y, int seed)
{
    uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u - uint32_t(seed) * 2048144777u;
    h ^= h >> 13;
    h *= 1274126177u;
    h ^= h >> 16;
    return float(double(h & 0xFFFFFFu) / 16777215.0);
}

float ValueNoise(float x, float y, int seed)
{
    const float fx0 = std::floor(x), fy0 = std::floor(y);
    const int ix = int(fx0), iy = int(fy0);
    const float fx = x - float(ix), fy = y - float(iy);
    const float sx = fx * fx * (3.0f - 2.0f * fx);
    const float sy = fy * fy * (3.0f - 2.0f * fy);
    const float h00 = Hash2D(ix, iy, seed), h10 = Hash2D(ix + 1, iy, seed);
    const float h01 = Hash2D(ix, iy + 1, seed), h11 = Hash2D(ix + 1, iy + 1, seed);
    return (h00 + (h10 - h00) * sx) * (1.0f - sy) + (h01 + (h11 - h01) * sx) * sy;
}

float FractalNoise(float x, float y, int seed)
{
    return (2.0f * ValueNoise(x, y, seed) + ValueNoise(2.13f * x, 2.13f * y, seed + 71)) / 3.0f;
}

void RgbToHsv(float r, float g, float b, float& h, float& s, float& v)
{
    const float mx = std::max({r, g, b}), mn = std::min({r, g, b});
    const float delta = mx - mn;
    v = mx;
    s = mx == 0.0f ? 0.0f : delta / mx;
    if (mx == mn) {
        h = 0.0f;
    } else if (mx == r) {
        h = 60.0f * (g - b) / delta;
    } else if (mx == g) {
        h = 60.0f * ((b - r) / delta + 2.0f);
    } else {
        h = 60.0f * ((r - g) / delta + 4.0f);
    }
    if (h < 0.0f)
        h += 360.0f;
}

void HsvToRgb(float h, float s, float v, float& r, float& g, float& b)
{
    if (!std::isfinite(h))
        h = 0.0f;
    while (h < 0.0f)
        h += 360.0f;
    while (h >= 360.0f)
        h -= 360.0f;
    const float c = v * s;
    const int sector = int(h / 60.0f) % 6;
    const float x = c * (1.0f - std::fabs(h / 60.0f - 2.0f * std::floor(h / 120.0f) - 1.0f));
    const float m = v - c;
    float rr = 0, gg = 0, bb = 0;
    switch (sector) {
    case 0: rr = c; gg = x; break;
    case 1: rr = x; gg = c; break;
    case 2: gg = c; bb = x; break;
    case 3: gg = x; bb = c; break;
    case 4: rr = x; bb = c; break;
    default: rr = c; bb = x; break;
    }
    r = rr + m;
    g = gg + m;
    b = bb + m;
}

} // namespace pq::flow
