#include "effects/sketch/pencil_sketch_2_field.h"

#include "effects/sketch/pencil_support.h"

#include "engine/runtime/effect_api.h"
#include "gfx/luma.h"
#include "platform/thread_pool.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

namespace pq::pencil {
namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;

class FieldBuilder {
public:
    FieldBuilder(const gfx::Image& source, const TiledIndex& at, Cell* cells, float* angle)
        : src_(source), at_(at), cells_(cells), angle_(angle), w_(source.width()), h_(source.height())
    {
    }

    bool buildPlanes()
    {
        // Transparent parts stay transparent only when one of the first
        // pixels shows some transparency.
        bool transparent = false;
        const int64_t probe = std::min<int64_t>(int64_t(w_) * h_, 2001);
        for (int64_t i = 0; i < probe && !transparent; ++i)
            transparent = (src_.row(int(i / w_))[i % w_] >> 24) < 250;
        platform::ParallelForRange(0, h_, 32, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                const gfx::Pixel* p = src_.row(y);
                for (int x = 0; x < w_; ++x) {
                    const uint32_t a = p[x] >> 24;
                    const uint32_t grey = uint32_t(
                        gfx::Luma601Tenths(int((p[x] >> 16) & 0xFF), int((p[x] >> 8) & 0xFF), int(p[x] & 0xFF)));
                    cells_[at_(x, y)] = Cell{255, uint8_t(a <= 10 ? 255 : grey), uint8_t(a >= 10 ? kInked : 0), 0};
                }
            }
        });
        return transparent;
    }

    void buildGradients(platform::Random& runRng)
    {
        // Magnitudes and edge angles in parallel. The weak places draw one
        // number each, in row order: count them per row, jump the generator
        // to each row's first draw, and draw the rows in parallel too.
        std::vector<uint32_t> weak(size_t(h_), 0);
        const int band = std::max(1, h_ / 16);
        for (int y0 = 0; y0 < h_; y0 += band) {
            CheckCancellation();
            platform::ParallelForRange(y0, std::min(h_, y0 + band), 4, [&](int a, int b) {
                for (int y = a; y < b; ++y)
                    weak[size_t(y)] = gradientRow(y);
            });
        }
        std::vector<uint32_t> rowSeed(static_cast<size_t>(h_));
        uint64_t draws = 0;
        const uint32_t seed = runRng.seed();
        for (int y = 0; y < h_; ++y) {
            rowSeed[size_t(y)] = JumpSeed(seed, draws);
            draws += weak[size_t(y)];
        }
        runRng.setSeed(JumpSeed(seed, draws));
        platform::ParallelForRange(0, h_, 16, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                platform::Random rng(rowSeed[size_t(y)]);
                const bool inner = y > 0 && y < h_ - 1;
                for (int x = 0; x < w_; ++x) {
                    const size_t i = at_(x, y);
                    if (inner && x > 0 && x < w_ - 1 && std::isnan(angle_[i]))
                        angle_[i] = rng.random(100) > 50 ? kHatchA : kHatchB;
                    if (cells_[i].flags & kFlat)
                        angle_[i] = kHatchA;
                }
            }
        });
    }

private:
    // Fills a row of the field: the angles of the edges (NaN for the weak
    // places, which draw theirs later), and the magnitude's parts in the
    // cells. Returns how many places of the row are weak.
    uint32_t gradientRow(int y)
    {
        auto border = [&](int x) {
            const size_t i = at_(x, y);
            angle_[i] = 0.0f;
            cells_[i].flags = uint8_t(cells_[i].flags | kFlat);
            cells_[i].darken = 0;
        };
        if (y == 0 || y == h_ - 1) {
            for (int x = 0; x < w_; ++x)
                border(x);
            return 0;
        }
        uint32_t weak = 0;
        border(0);
        if (w_ > 1)
            border(w_ - 1);
        auto t = [&](int x, int yy) { return int(cells_[at_(x, yy)].target); };
        for (int x = 1; x < w_ - 1; ++x) {
            const int nw = t(x - 1, y - 1), n = t(x, y - 1), ne = t(x + 1, y - 1);
            const int w = t(x - 1, y), e = t(x + 1, y);
            const int sw = t(x - 1, y + 1), s = t(x, y + 1), se = t(x + 1, y + 1);
            const int gx = 47 * nw + 162 * w + 47 * sw - 47 * ne - 162 * e - 47 * se;
            const int gy = 47 * nw + 162 * n + 47 * ne - 47 * sw - 162 * s - 47 * se;
            const int m = std::abs(gx) + std::abs(gy);
            const size_t i = at_(x, y);
            Cell& c = cells_[i];
            c.flags = uint8_t(c.flags | (m == 0 ? kFlat : 0) | std::min(m / 2500, 40));
            c.darken = uint8_t(std::min(m / 1800, 255));
            angle_[i] = std::numeric_limits<float>::quiet_NaN();
            weak += m <= 3000;
            if (m > 3000) {
                float a = float(std::atan2(double(gy), double(gx)));
                a = float(double(a) + 1.5707);
                if (a < 0)
                    a = float(double(a) + kTwoPi);
                if (a > kPi)
                    a = float(double(a) - kPi);
                angle_[i] = a;
            }
        }
        return weak;
    }

    const gfx::Image& src_;
    const TiledIndex& at_;
    Cell* const cells_;
    float* const angle_;
    const int w_;
    const int h_;
};

} // namespace

bool BuildPencilField(const gfx::Image& source, const TiledIndex& at, Cell* cells, float* angle,
                      platform::Random& rng)
{
    FieldBuilder field(source, at, cells, angle);
    const bool transparent = field.buildPlanes();
    field.buildGradients(rng);
    return transparent;
}

} // namespace pq::pencil
