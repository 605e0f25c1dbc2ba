#include "effects/sketch/pencil_sketch_2/field.h"

#include "effects/sketch/pencil_support.h"

#include "engine/runtime/effect_api.h"
#include "gfx/luma.h"
#include "platform/thread_pool.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace pq::pencil {
namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;
constexpr int kWeakMagnitude = 3000; // at most this: the angle is drawn
constexpr int kBandRows = 16;        // rows a block of the passes takes, whole tiles

// A row's gradient magnitudes and components, from the targets of the rows
// above, at and below it; inner columns only.
struct GradientRow {
    std::vector<int32_t> gx, gy, m;

    explicit GradientRow(int w) : gx(size_t(w)), gy(size_t(w)), m(size_t(w)) {}

    void compute(const uint8_t* n, const uint8_t* c, const uint8_t* s, int w)
    {
        for (int x = 1; x < w - 1; ++x) {
            const int nw = n[x - 1], nn = n[x], ne = n[x + 1];
            const int ww = c[x - 1], e = c[x + 1];
            const int sw = s[x - 1], ss = s[x], se = s[x + 1];
            const int32_t h = 47 * (nw + sw - ne - se) + 162 * (ww - e);
            const int32_t v = 47 * (nw + ne - sw - se) + 162 * (nn - ss);
            gx[size_t(x)] = h;
            gy[size_t(x)] = v;
            m[size_t(x)] = std::abs(h) + std::abs(v);
        }
    }
};

class FieldBuilder {
public:
    FieldBuilder(const gfx::Image& source, const TiledIndex& at, Cell* cells, float* angle, uint8_t* codes)
        : src_(source), at_(at), cells_(cells), angle_(angle), codes_(codes), w_(source.width()),
          h_(source.height()), tileRows_((h_ + 3) / 4)
    {
    }

    // Transparent parts stay transparent only when one of the first pixels
    // shows some transparency.
    bool transparent() const
    {
        bool transparent = false;
        const int64_t probe = std::min<int64_t>(int64_t(w_) * h_, 2001);
        for (int64_t i = 0; i < probe && !transparent; ++i)
            transparent = (src_.row(int(i / w_))[i % w_] >> 24) < 250;
        return transparent;
    }

    // The weak places draw one number each, in row order: count them per
    // row, jump the generator to each row's first draw, and fill the rows
    // in parallel.
    void build(platform::Random& runRng)
    {
        std::vector<uint32_t> weak(size_t(h_), 0);
        forBands([&](int y0, int y1, Rows& rows) {
            for (int y = std::max(y0, 1); y < std::min(y1, h_ - 1); ++y) {
                rows.gradientAt(y);
                uint32_t count = 0;
                for (int x = 1; x < w_ - 1; ++x)
                    count += rows.grad.m[size_t(x)] <= kWeakMagnitude;
                weak[size_t(y)] = count;
            }
        });
        std::vector<uint32_t> rowSeed(static_cast<size_t>(h_));
        uint64_t draws = 0;
        const uint32_t seed = runRng.seed();
        for (int y = 0; y < h_; ++y) {
            rowSeed[size_t(y)] = JumpSeed(seed, draws);
            draws += weak[size_t(y)];
        }
        runRng.setSeed(JumpSeed(seed, draws));
        forBands([&](int y0, int y1, Rows& rows) {
            for (int y = y0; y < y1; ++y)
                fillRow(y, rows, rowSeed[size_t(y)]);
        });
    }

private:
    // The targets of the rows a band reads, made once each, and one row's
    // gradient.
    struct Rows {
        const FieldBuilder& f;
        int first;                              // row of targets[0]
        std::vector<std::vector<uint8_t>> targets; // rows first .. first + count - 1
        GradientRow grad;

        Rows(const FieldBuilder& field, int y0, int y1)
            : f(field), first(std::max(y0 - 1, 0)),
              targets(size_t(std::min(y1, field.h_ - 1) - std::max(y0 - 1, 0) + 1),
                      std::vector<uint8_t>(size_t(field.w_))),
              grad(field.w_)
        {
            for (size_t k = 0; k < targets.size(); ++k)
                f.targetRow(first + int(k), targets[k].data());
        }
        const uint8_t* target(int y) const { return targets[size_t(y - first)].data(); }
        void gradientAt(int y) { grad.compute(target(y - 1), target(y), target(y + 1), f.w_); }
    };

    template <typename Body>
    void forBands(const Body& body) const
    {
        const int bandTiles = kBandRows / 4;
        platform::ParallelForRange(0, (tileRows_ + bandTiles - 1) / bandTiles, 1, [&](int b0, int b1) {
            CheckCancellation();
            const int y0 = b0 * kBandRows, y1 = std::min(h_, b1 * kBandRows);
            Rows rows(*this, y0, y1);
            body(y0, y1, rows);
        });
    }

    // The grey a row's cells tend to: white where the source is (nearly)
    // transparent.
    void targetRow(int y, uint8_t* out) const
    {
        const gfx::Pixel* p = src_.row(y);
        for (int x = 0; x < w_; ++x) {
            const uint32_t a = p[x] >> 24;
            const int grey = gfx::Luma601Tenths(int((p[x] >> 16) & 0xFF), int((p[x] >> 8) & 0xFF), int(p[x] & 0xFF));
            out[x] = uint8_t(a <= 10 ? 255 : grey);
        }
    }

    static uint8_t inkedFlag(gfx::Pixel p) { return uint8_t((p >> 24) >= 10 ? kInked : 0); }

    void put(int x, int y, const Cell& c, float a) const
    {
        const size_t i = at_(x, y);
        cells_[i] = c;
        angle_[i] = a;
        codes_[i] = PlaceCode(c);
    }

    // A row's cells, angles and codes; the weak places draw their angles
    // from rowSeed on.
    void fillRow(int y, Rows& rows, uint32_t rowSeed) const
    {
        const gfx::Pixel* p = src_.row(y);
        const uint8_t* target = rows.target(y);
        auto border = [&](int x) { put(x, y, Cell{255, target[x], uint8_t(inkedFlag(p[x]) | kFlat), 0}, kHatchA); };
        if (y == 0 || y == h_ - 1) {
            for (int x = 0; x < w_; ++x)
                border(x);
            return;
        }
        rows.gradientAt(y);
        const GradientRow& g = rows.grad;
        platform::Random rng(rowSeed);
        border(0);
        for (int x = 1; x < w_ - 1; ++x) {
            const int m = g.m[size_t(x)];
            const uint8_t flags = uint8_t(inkedFlag(p[x]) | (m == 0 ? kFlat : 0) | std::min(m / 2500, 40));
            float a;
            if (m <= kWeakMagnitude) {
                a = rng.random(100) > 50 ? kHatchA : kHatchB;
                if (m == 0)
                    a = kHatchA;
            } else {
                a = float(std::atan2(double(g.gy[size_t(x)]), double(g.gx[size_t(x)])));
                a = float(double(a) + 1.5707);
                if (a < 0)
                    a = float(double(a) + kTwoPi);
                if (a > kPi)
                    a = float(double(a) - kPi);
            }
            put(x, y, Cell{255, target[x], flags, uint8_t(std::min(m / 1800, 255))}, a);
        }
        if (w_ > 1)
            border(w_ - 1);
    }

    const gfx::Image& src_;
    const TiledIndex& at_;
    Cell* const cells_;
    float* const angle_;
    uint8_t* const codes_;
    const int w_;
    const int h_;
    const int tileRows_;
};

} // namespace

bool BuildPencilField(const gfx::Image& source, const TiledIndex& at, Cell* cells, float* angle, uint8_t* codes,
                      platform::Random& rng)
{
    FieldBuilder field(source, at, cells, angle, codes);
    field.build(rng);
    return field.transparent();
}

} // namespace pq::pencil
