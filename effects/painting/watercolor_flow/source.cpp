#include "effects/painting/watercolor_flow/source.h"

#include "effects/painting/watercolor_flow/noise.h"
#include "engine/runtime/effect_api.h"
#include "gfx/luma.h"
#include "platform/numeric.h"
#include "platform/thread_pool.h"

#include <algorithm>
#include <cmath>

namespace pq::flow {
namespace {

constexpr int kRowGrain = 16;
constexpr int kWhiteLevel = 235;

// One horizontal box mean of radius r along a row of n samples.
void BoxRow(const float* in, float* out, int n, int r)
{
    for (int i = 0; i < n; ++i) {
        const int lo = std::max(0, i - r), hi = std::min(n - 1, i + r);
        float sum = 0.0f;
        for (int k = lo; k <= hi; ++k)
            sum += in[k];
        out[i] = sum / float(hi - lo + 1);
    }
}

// Row y of the vertical box mean of radius r: the rows of the window summed
// top to bottom, as a column walk would.
void BoxColumnsAt(const float* in, float* out, int w, int h, int y, int r)
{
    const int lo = std::max(0, y - r), hi = std::min(h - 1, y + r);
    const float count = float(hi - lo + 1);
    for (int x = 0; x < w; ++x) {
        float sum = 0.0f;
        for (int k = lo; k <= hi; ++k)
            sum += in[size_t(k) * size_t(w) + size_t(x)];
        out[x] = sum / count;
    }
}

} // namespace

void GreyAndWhite(FlowPlanes& planes)
{
    const int w = planes.w;
    planes.grey.assign(planes.size(), 0);
    planes.white.assign(planes.size(), 0);
    platform::ParallelForRange(0, planes.h, kRowGrain, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y)
            for (int x = 0; x < w; ++x) {
                const size_t i = size_t(y) * size_t(w) + size_t(x);
                const gfx::Pixel p = planes.filtered[i];
                const int grey = gfx::Luma601Fixed8(int((p >> 16) & 0xFF), int((p >> 8) & 0xFF), int(p & 0xFF));
                planes.grey[i] = uint8_t(grey);
                const float noise = (FractalNoise(0.11f * float(x), 0.11f * float(y), 5) - 0.5f) * 16.0f;
                planes.white[i] = grey + platform::Round(noise) >= kWhiteLevel ? 1 : 0;
            }
    });
}

std::vector<float> BoxBlurField(const std::vector<uint8_t>& plane, int w, int h, int radius)
{
    std::vector<float> field(plane.begin(), plane.end());
    std::vector<float> scratch(field.size());
    for (int round = 0; round < 2; ++round) {
        platform::ParallelForRange(0, h, kRowGrain, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y)
                BoxRow(field.data() + size_t(y) * size_t(w), scratch.data() + size_t(y) * size_t(w), w, radius);
        });
        platform::ParallelForRange(0, h, kRowGrain, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y)
                BoxColumnsAt(scratch.data(), field.data() + size_t(y) * size_t(w), w, h, y, radius);
        });
    }
    return field;
}

void EdgePlane(FlowPlanes& planes)
{
    const int w = planes.w, h = planes.h;
    const std::vector<float> b = BoxBlurField(planes.grey, w, h, 1);
    CheckCancellation();
    std::vector<float> gxField(planes.size(), 0.0f), gyField(planes.size(), 0.0f), magnitude(planes.size(), 0.0f);
    platform::ParallelForRange(1, h - 1, kRowGrain, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const float* up = b.data() + size_t(y - 1) * size_t(w);
            const float* mid = up + w;
            const float* down = mid + w;
            for (int x = 1; x < w - 1; ++x) {
                const float gx = (up[x + 1] + 2.0f * mid[x + 1] + down[x + 1]) - (up[x - 1] + 2.0f * mid[x - 1] + down[x - 1]);
                const float gy = (down[x - 1] + 2.0f * down[x] + down[x + 1]) - (up[x - 1] + 2.0f * up[x] + up[x + 1]);
                const size_t i = size_t(y) * size_t(w) + size_t(x);
                gxField[i] = gx;
                gyField[i] = gy;
                magnitude[i] = std::sqrt(gx * gx + gy * gy);
            }
        }
    });
    CheckCancellation();
    planes.edge.assign(planes.size(), 0);
    platform::ParallelForRange(1, h - 1, kRowGrain, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y)
            for (int x = 1; x < w - 1; ++x) {
                const size_t i = size_t(y) * size_t(w) + size_t(x);
                const float m = magnitude[i];
                if (m < 1.0f)
                    continue;
                const float nx = gxField[i] / m, ny = gyField[i] / m;
                auto at = [&](float fx, float fy) {
                    const int px = std::clamp(platform::Round(fx), 0, w - 1);
                    const int py = std::clamp(platform::Round(fy), 0, h - 1);
                    return magnitude[size_t(py) * size_t(w) + size_t(px)];
                };
                if (m >= at(float(x) + nx, float(y) + ny) && m >= at(float(x) - nx, float(y) - ny))
                    planes.edge[i] = uint8_t(std::clamp(platform::Round(m / 5.5f), 0, 255));
            }
    });
}

} // namespace pq::flow
