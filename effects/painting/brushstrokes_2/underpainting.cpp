#include "effects/painting/brushstrokes_2/underpainting.h"

#include "effects/painting/brushstrokes_2/chain_picks.h"
#include "effects/painting/brushstrokes_2/stroke_rows.h"
#include "engine/runtime/effect_api.h"
#include "gfx/resample.h"
#include "platform/numeric.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace pq {
namespace {

constexpr int kCell = 40;
constexpr uint32_t kLcgMul = 134775813u; // the run generator's step

// What random(n) returns from the state it advanced to.
inline uint32_t DrawOf(uint32_t state, uint32_t n)
{
    return uint32_t((uint64_t(state) * n) >> 32);
}

// Two steps at once.
constexpr uint32_t kLcgMul2 = kLcgMul * kLcgMul, kLcgAdd2 = kLcgMul + 1u;


constexpr int kMinHalf = 10;

inline int Channel(gfx::Pixel p, int shift)
{
    return int((p >> shift) & 0xFF);
}

} // namespace

void Underpaint(gfx::Surface& picture, const std::vector<gfx::Pixel>& photo, bool hasAlpha, const StrokeField& field,
                const BrushTipMask& mask, int opacitySlider, bool preview, platform::Random& rng)
{
    const int w = field.w, h = field.h;
    const bool half = w / 2 >= kMinHalf && h / 2 >= kMinHalf;
    const int uw = half ? w / 2 : w, uh = half ? h / 2 : h;
    gfx::Surface under = gfx::Surface::make(uw, uh);
    if (under.isNull())
        return;
    under.clearPixel(0xFFFFFFFFu);
    const qsizetype stride = under.stride() / qsizetype(sizeof(gfx::Pixel));
    gfx::Pixel* bits = under.row(0);
    auto photoAt = [&](int x, int y) {
        return photo[size_t(std::clamp(y, 0, h - 1)) * size_t(w) + size_t(std::clamp(x, 0, w - 1))];
    };
    // One stamp's laid alphas (0 where it leaves a pixel) and colours.
    std::vector<uint8_t> laidAlpha(mask.alpha.size());
    std::vector<gfx::Pixel> colours(mask.alpha.size());
    std::vector<uint8_t> marks(mask.alpha.size());
    StampRows rows;
    rows.pictureStride = stride;
    rows.photo = nullptr;
    rows.mark = marks.data();
    rows.markStride = mask.width;
    rows.alpha = laidAlpha.data();
    rows.colour = colours.data();
    rows.maskWidth = mask.width;
    const int cellRows = uh / kCell;
    for (int gy = 0; gy <= cellRows; ++gy) {
        if (gy % 4 == 0) {
            CheckCancellation();
            if (!preview)
                SafeUpdateProgress(platform::Round(gy * 15.0 / (cellRows + 1)) + 5);
        }
        for (int gx = 0; gx <= uw / kCell; ++gx) {
            CheckCancellation();
            const int x0 = kCell * gx, y0 = kCell * gy;
            const int px = std::clamp((mask.width / 2 + x0) * 2, 0, w - 1);
            const int py = std::clamp((mask.height / 2 + y0) * 2, 0, h - 1);
            const float angle0 = field.angle[field.at(std::clamp(px, 1, w - 2), std::clamp(py, 1, h - 2))];
            float drift = float(rng.randomReal() * 0.005 - 0.0025);
            const int opacity = std::clamp(rng.random(opacitySlider / 10) + 15, 0, 255);
            rows.opacity = uint32_t(opacity);
            const gfx::Pixel colour = photoAt(px, py);
            if (hasAlpha && (colour >> 24) == 0)
                continue;
            const int steps = rng.random((uw + uh) / 128) + rng.random(20) + 10;
            // The colour with each jitter: minus 0..9, and plus 15 last.
            std::array<gfx::Pixel, 11> jittered{};
            for (int j = 0; j <= 10; ++j) {
                const int add = j == 10 ? 15 : -j;
                gfx::Pixel c = 0;
                for (int shift = 0; shift <= 16; shift += 8)
                    c |= gfx::Pixel(platform::ClampByte(Channel(colour, shift) + add)) << shift;
                jittered[size_t(j)] = c;
            }
            float angle = angle0;
            for (int s = 0; s <= steps; ++s) {
                const int sx = x0 + int(std::floor(s * std::cos(double(angle))));
                const int sy = y0 + int(std::floor(s * std::sin(double(angle))));
                if (rng.random(100) > 74)
                    drift = float(double(drift) + rng.randomReal() * 0.003 - 0.0015);
                angle += drift;
                rows.mx0 = std::max(0, -sx);
                rows.mx1 = std::min(mask.width, uw - sx);
                rows.my0 = std::max(0, -sy);
                rows.my1 = std::min(mask.height, uh - sy);
                // Per drawn mask position: a jitter choice, and a jitter
                // value when the choice falls on a third. Both states are
                // stepped from the position's first, so that nothing
                // branches on a draw. The chain goes first, then the stamp
                // is laid with the colours it chose.
                // The first draw of the next position is carried along with
                // the state, so that the chain is the choice alone.
                uint32_t state = rng.seed();
                uint32_t s1 = state * kLcgMul + 1u;
                for (int my = rows.my0; my < rows.my1; ++my) {
                    const uint8_t* m = mask.alpha.data() + size_t(my) * size_t(mask.width);
                    uint8_t* laid = laidAlpha.data() + size_t(my) * size_t(mask.width);
                    gfx::Pixel* c = colours.data() + size_t(my) * size_t(mask.width);
                    for (int mx = rows.mx0; mx < rows.mx1; ++mx) {
                        const uint32_t a = m[mx];
                        const int ux = sx + mx, uy = sy + my;
                        if (a == 0 || (hasAlpha && (photoAt(2 * ux, 2 * uy) >> 24) == 0)) {
                            laid[mx] = 0;
                            continue;
                        }
                        const uint32_t s2 = s1 * kLcgMul + 1u, s3 = s1 * kLcgMul2 + kLcgAdd2;
                        const uint32_t t = DrawOf(s1, uint32_t(mx + my + 1)) * kInverse3;
                        const uint32_t index = PickAtMost(t, kThirdAt, DrawOf(s2, 10), 10u);
                        state = PickAtMost(t, kThirdAt, s2, s1);
                        s1 = PickAtMost(t, kThirdAt, s3, s2);
                        laid[mx] = uint8_t(a);
                        c[mx] = jittered[index];
                    }
                }
                rng.setSeed(state);
                if (rows.mx0 < rows.mx1 && rows.my0 < rows.my1) {
                    rows.picture = bits + sy * stride + sx;
                    LayStrokeStamp(rows);
                }
            }
        }
    }
    CheckCancellation();
    const gfx::Image stretched = gfx::Resize(under.snapshot(), w, h, gfx::Sampling::Linear);
    picture.writeImage(stretched, 0, 0);
    if (!preview)
        ShowIntermediateImage(picture.snapshot(), -1, Delivery::Queued);
}

} // namespace pq
