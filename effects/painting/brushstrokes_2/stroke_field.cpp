#include "effects/painting/brushstrokes_2/stroke_field.h"

#include "engine/runtime/effect_api.h"
#include "platform/numeric.h"
#include "platform/thread_pool.h"

#include <cmath>
#include <cstdlib>

namespace pq {
namespace {

constexpr int kRowsPerCheck = 64;
constexpr int kStrongEdge = 5;
constexpr float kQuarterTurn = 1.5707f;
constexpr double kFullTurn = 6.28;

inline int Strongest(int r, int g, int b)
{
    int v = r;
    if (std::abs(g) > std::abs(v))
        v = g;
    if (std::abs(b) > std::abs(v))
        v = b;
    return v;
}

} // namespace

StrokeField BuildStrokeField(const std::vector<gfx::Pixel>& pixels, int w, int h, platform::Random& rng,
                             bool preview)
{
    StrokeField field;
    field.w = w;
    field.h = h;
    field.magnitude.assign(size_t(w) * size_t(h), 0);
    field.angle.assign(size_t(w) * size_t(h), 0.0f);
    for (int block = 1; block < h - 1; block = (block / kRowsPerCheck + 1) * kRowsPerCheck) {
        const int end = std::min(h - 1, (block / kRowsPerCheck + 1) * kRowsPerCheck);
        if (block % kRowsPerCheck == 0) {
            CheckCancellation();
            if (!preview)
                SafeUpdateProgress(platform::Round(double(block) * 5.0 / h));
        }
        platform::ParallelForRange(block, end, 8, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                const gfx::Pixel* up = pixels.data() + size_t(y - 1) * size_t(w);
                const gfx::Pixel* mid = up + w;
                const gfx::Pixel* down = mid + w;
                for (int x = 1; x < w - 1; ++x) {
                    int gy[3], gx[3];
                    for (int c = 0; c < 3; ++c) {
                        const int s = 16 - 8 * c;
                        auto v = [s](const gfx::Pixel* row, int i) { return int((row[i] >> s) & 0xFF); };
                        gy[c] = 3 * v(up, x - 1) + 10 * v(up, x) + 3 * v(up, x + 1) - 3 * v(down, x - 1) -
                                10 * v(down, x) - 3 * v(down, x + 1);
                        gx[c] = 3 * v(up, x - 1) + 10 * v(mid, x - 1) + 3 * v(down, x - 1) - 3 * v(up, x + 1) -
                                10 * v(mid, x + 1) - 3 * v(down, x + 1);
                    }
                    const int sy = Strongest(gy[0], gy[1], gy[2]), sx = Strongest(gx[0], gx[1], gx[2]);
                    const size_t i = field.at(x, y);
                    field.magnitude[i] = (std::abs(sx) + std::abs(sy)) / 32;
                    if (field.magnitude[i] >= kStrongEdge)
                        field.angle[i] = float(std::atan2(double(sy), double(sx))) + kQuarterTurn;
                }
            }
        });
        // Weak edges take random directions, drawn in pixel order.
        for (int y = block; y < end; ++y)
            for (int x = 1; x < w - 1; ++x) {
                const size_t i = field.at(x, y);
                if (field.magnitude[i] < kStrongEdge)
                    field.angle[i] = float(rng.randomReal() * kFullTurn);
            }
    }
    return field;
}

} // namespace pq
