#include "effects/painting/watercolor_flow/glaze.h"

#include "effects/painting/watercolor_flow/noise.h"
#include "engine/runtime/effect_api.h"
#include "platform/numeric.h"
#include "platform/thread_pool.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace pq::flow {
namespace {

constexpr int kGlazeRowsPerCheck = 128;
constexpr int kRowGrain = 8;

// ln of each pigment byte as a fraction, kept at 0.02 or above.
std::array<float, 256> PigmentLogs()
{
    std::array<float, 256> logs{};
    for (int b = 0; b < 256; ++b)
        logs[size_t(b)] = std::log(std::max(float(b) / 255.0f, 0.02f));
    return logs;
}

inline int PaperByte(float v)
{
    return std::clamp(platform::Round(255.0f * v), 0, 255);
}

} // namespace

void Glaze(FlowPlanes& planes, const FlowSettings& s)
{
    static const std::array<float, 256> kLogs = PigmentLogs();
    const int w = planes.w;
    for (int block = 0; block < planes.h; block += kGlazeRowsPerCheck) {
        CheckCancellation();
        platform::ParallelForRange(block, std::min(planes.h, block + kGlazeRowsPerCheck), kRowGrain, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y)
                for (int x = 0; x < w; ++x) {
                    const size_t i = size_t(y) * size_t(w) + size_t(x);
                    if (planes.index[i] == kUnpainted)
                        continue;
                    float g = float(planes.density[i]) / 160.0f;
                    if (planes.margin[i] < 96) {
                        const float open = 1.0f - float(planes.margin[i]) / 96.0f;
                        g *= open * open * 0.7f + 1.0f;
                    }
                    g *= s.dilution;
                    const float noise = FractalNoise(float(x) * s.densityFrequency + 31.0f,
                                                     float(y) * s.densityFrequency + 67.0f, 51);
                    g *= s.densityWobble * (noise - 0.6f) + 1.0f;
                    if (planes.white[i])
                        g *= 0.15f;
                    g = std::clamp(g, 0.05f, 1.6f);
                    for (int c = 0; c < 3; ++c)
                        planes.paper[size_t(c)][i] *= std::exp(g * kLogs[planes.pigment[size_t(c)][i]]);
                }
        });
    }
    CheckCancellation();
}

void DrawContours(FlowPlanes& planes, const FlowSettings& s, const WatercolorTextureSamples* paper)
{
    const float lines = s.lineStrength;
    if (!(lines > 0.005f))
        return;
    const int w = planes.w, h = planes.h;
    const bool grained = paper && paper->loaded;
    const float ink = (70.0f - 55.0f * lines) / 255.0f;
    const float inkBlue = ink + 4.0f / 255.0f;
    platform::ParallelForRange(0, h, kRowGrain, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y)
            for (int x = 0; x < w; ++x) {
                const size_t i = size_t(y) * size_t(w) + size_t(x);
                if (!planes.paintable(i) || planes.white[i])
                    continue;
                const float fx = float(x), fy = float(y);
                const int jx = platform::Round((FractalNoise(0.19f * fx, 0.19f * fy, 21) - 0.5f) * 2.5f);
                const int jy = platform::Round((FractalNoise(0.19f * fx + 55.0f, 0.19f * fy + 55.0f, 22) - 0.5f) * 2.5f);
                const int sx = std::clamp(x + jx, 0, w - 1), sy = std::clamp(y + jy, 0, h - 1);
                const float e = float(planes.edge[size_t(sy) * size_t(w) + size_t(sx)]) / 255.0f;
                if (e <= 0.08f)
                    continue;
                const float t =
                    grained ? float(int(paper->at(x % 1024, y % 768)) - paper->mean) / 255.0f + 0.5f : 0.5f;
                const float f = std::clamp((e - 0.08f) * lines * 1.3f * (0.8f * t + 0.6f), 0.0f, 0.92f);
                planes.paper[0][i] *= 1.0f - f + f * ink;
                planes.paper[1][i] *= 1.0f - f + f * ink;
                planes.paper[2][i] *= 1.0f - f + f * inkBlue;
            }
    });
    CheckCancellation();
}

void WriteOutput(const FlowPlanes& planes, gfx::Surface& canvas)
{
    const int w = planes.w;
    platform::ParallelForRange(0, planes.h, kRowGrain, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            gfx::Pixel* row = canvas.row(y);
            for (int x = 0; x < w; ++x) {
                const size_t i = size_t(y) * size_t(w) + size_t(x);
                int a = 0;
                if (planes.erase) {
                    if (planes.hasTransparency && planes.alpha[i] < 128) {
                        row[x] = 0;
                        continue;
                    }
                    a = planes.alpha[i];
                } else {
                    a = int(row[x] >> 24);
                    if (a < 128)
                        continue;
                }
                int c[3];
                for (int k = 0; k < 3; ++k) {
                    const int v = PaperByte(planes.paper[size_t(k)][i]);
                    // From blank paper the colour is a true colour: premultiply
                    // it. Over a picture it came from premultiplied bytes.
                    c[k] = planes.erase ? (v * a + 127) / 255 : std::min(v, a);
                }
                row[x] = gfx::Pixel(a) << 24 | gfx::Pixel(c[0]) << 16 | gfx::Pixel(c[1]) << 8 | gfx::Pixel(c[2]);
            }
        }
    });
}

} // namespace pq::flow
