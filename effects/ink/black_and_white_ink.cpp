#include "effects/ink/black_and_white_ink.h"

#include "engine/runtime/effect_api.h"
#include "gfx/luma.h"
#include "platform/numeric.h"
#include "platform/thread_pool.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <vector>

namespace pq {
namespace {

constexpr uint8_t kBlack = 0;
constexpr uint8_t kWhite = 255;

// A plane of bytes, one per pixel, row by row.
struct Plane {
    int w = 0;
    int h = 0;
    std::vector<uint8_t> v;

    Plane(int width, int height) : w(width), h(height), v(size_t(width) * size_t(height)) {}
    uint8_t* row(int y) { return v.data() + size_t(y) * size_t(w); }
    const uint8_t* row(int y) const { return v.data() + size_t(y) * size_t(w); }
    uint8_t at(int x, int y) const { return v[size_t(y) * size_t(w) + size_t(x)]; }
};

int ClampIndex(int i, int n)
{
    return i < 0 ? 0 : (i >= n ? n - 1 : i);
}

// Eight pixels at a time in 16-bit lanes: the box sums stay below 2^16
// (81 x 255 at most), and the threshold and line tests below 2^15.
typedef uint16_t U16x8 __attribute__((vector_size(16)));
typedef int16_t I16x8 __attribute__((vector_size(16)));
typedef uint8_t U8x8 __attribute__((vector_size(8)));
typedef uint32_t U32x4 __attribute__((vector_size(16)));
typedef uint8_t U8x4 __attribute__((vector_size(4)));

inline U16x8 LoadBytes(const uint8_t* p)
{
    U8x8 v;
    std::memcpy(&v, p, sizeof v);
    return __builtin_convertvector(v, U16x8);
}

inline U16x8 LoadWords(const uint16_t* p)
{
    U16x8 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline void StoreWords(uint16_t* p, U16x8 v)
{
    std::memcpy(p, &v, sizeof v);
}

// The low byte of every lane.
inline void StoreBytes(uint8_t* p, U16x8 v)
{
    const U8x8 b = __builtin_convertvector(v, U8x8);
    std::memcpy(p, &b, sizeof b);
}

// Sum of the (2R+1) x (2R+1) window around every pixel of one row, with
// coordinates clamped to the picture (edge pixels count several times).
// Column holds the row's column sums with R copies of the edge sums a side,
// so that the window's row runs without index clamps.
template <int R>
void BoxSumRow(const Plane& m, int y, std::vector<uint16_t>& column, std::vector<uint16_t>& out)
{
    constexpr int kSpan = 2 * R + 1;
    column.resize(size_t(m.w) + 2 * size_t(R));
    out.resize(size_t(m.w));
    uint16_t* const c = column.data() + R;
    const uint8_t* rows[kSpan];
    for (int i = 0; i < kSpan; ++i)
        rows[i] = m.row(ClampIndex(y + i - R, m.h));
    int x = 0;
    for (; x + 8 <= m.w; x += 8) {
        U16x8 s = LoadBytes(rows[0] + x);
        for (int i = 1; i < kSpan; ++i)
            s += LoadBytes(rows[i] + x);
        StoreWords(c + x, s);
    }
    for (; x < m.w; ++x) {
        unsigned s = 0;
        for (int i = 0; i < kSpan; ++i)
            s += rows[i][x];
        c[x] = uint16_t(s);
    }
    for (int i = 1; i <= R; ++i) {
        c[-i] = c[0];
        c[m.w - 1 + i] = c[m.w - 1];
    }
    uint16_t* const o = out.data();
    x = 0;
    for (; x + 8 <= m.w; x += 8) {
        U16x8 s = LoadWords(c + x - R);
        for (int dx = 1 - R; dx <= R; ++dx)
            s += LoadWords(c + x + dx);
        StoreWords(o + x, s);
    }
    for (; x < m.w; ++x) {
        unsigned s = 0;
        for (int dx = -R; dx <= R; ++dx)
            s += c[x + dx];
        o[x] = uint16_t(s);
    }
}

// The picture's settings, derived once. 64-bit: scripts may pass any value.
struct Settings {
    int64_t k = 0;  // threshold constant 192 - X
    int64_t l = 0;  // line-detector limit 5 (Y - 15)
    int64_t vb = 0; // votes that turn white to black
    int64_t vw = 0; // votes that turn black to white
    int64_t brightness = 0;
    bool smooth = false;
};

class InkRun {
public:
    InkRun(const gfx::Image& source, gfx::Surface& dest, const Settings& s, bool preview)
        : source_(source), dest_(dest), s_(s), preview_(preview), w_(source.width()), h_(source.height()),
          mean_(w_, h_), ink_(w_, h_), rowStride_(std::max(h_ / 20, 1))
    {
    }

    void run()
    {
        buildMeanPlane();
        const int64_t g = globalMean() + s_.brightness;
        forRowsInStages(0, [&](int y0, int y1) { thresholdRows(y0, y1, g); });
        forRowsInStages(30, [&](int y0, int y1) { lineRows(y0, y1); });
        if (s_.smooth && !IsEffectCancelled()) {
            smooth();
            if (!preview_)
                cleanUp();
        }
        output();
        if (preview_) {
            gLastProgressTick = 0;
            SafeUpdatePreview(dest_, 101);
        } else {
            SafeUpdateProgress(100);
            UpdateProgressBar(101);
        }
    }

private:
    void report(int value) { ReportProgress(dest_, preview_, value); }

    // Rows in bands of rowStride_: at each band's first row a cancellation
    // test and a report base + Round(y / h * 30); the band's rows run in
    // parallel.
    template <typename Body>
    void forRowsInStages(int base, Body&& body)
    {
        for (int y0 = 0; y0 < h_; y0 += rowStride_) {
            CheckCancellation();
            report(platform::Round(double(y0) / double(h_) * 30.0) + base);
            const int y1 = std::min(h_, y0 + rowStride_);
            platform::ParallelForRange(y0, y1, 4, body);
        }
    }

    void buildMeanPlane()
    {
        Plane grey(w_, h_);
        platform::ParallelForRange(0, h_, 16, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                const gfx::Pixel* src = source_.row(y);
                uint8_t* g = grey.row(y);
                for (int x = 0; x < w_; ++x) {
                    const gfx::Pixel p = src[x];
                    if ((p >> 24) < 10) {
                        g[x] = 255;
                        continue;
                    }
                    const int r = (p >> 16) & 0xFF, gr = (p >> 8) & 0xFF, b = p & 0xFF;
                    g[x] = uint8_t(gfx::Luma601Thousandths(r, gr, b));
                }
            }
        });
        platform::ParallelForRange(0, h_, 16, [&](int y0, int y1) {
            std::vector<uint16_t> column, sums;
            for (int y = y0; y < y1; ++y) {
                BoxSumRow<1>(grey, y, column, sums);
                uint8_t* m = mean_.row(y);
                int x = 0;
                for (; x + 8 <= w_; x += 8)
                    StoreBytes(m + x, LoadWords(sums.data() + x) / 9);
                for (; x < w_; ++x)
                    m[x] = uint8_t(sums[size_t(x)] / 9);
            }
        });
    }

    int64_t globalMean() const
    {
        const int step = std::max(h_ / 50, 1);
        int64_t total = 0;
        int64_t count = 0;
        for (int i = 0; i <= std::min(h_ - 1, 49); ++i) {
            const uint8_t* m = mean_.row(std::min(h_ - 1, i * step));
            for (int x = 0; x < w_; ++x)
                total += m[x];
            count += w_;
        }
        return total / count;
    }

    // White where the mean beats (local + g + k) / 6, local being the
    // 9 x 9 window's sum without the centre, divided by 20 (0..1032).
    void thresholdRows(int y0, int y1, int64_t g)
    {
        // Beyond these bounds every pixel ends the same (all black above,
        // all white below), so the 16-bit lanes hold the offset exactly
        // where it matters.
        const int16_t offset = int16_t(std::clamp<int64_t>(g + s_.k, -1100, 1600));
        const I16x8 offsets = I16x8{} + offset;
        std::vector<uint16_t> column, s81;
        for (int y = y0; y < y1; ++y) {
            BoxSumRow<4>(mean_, y, column, s81);
            const uint8_t* m = mean_.row(y);
            uint8_t* out = ink_.row(y);
            int x = 0;
            for (; x + 8 <= w_; x += 8) {
                const U16x8 c = LoadBytes(m + x);
                const U16x8 local = (LoadWords(s81.data() + x) - c) / 20;
                const I16x8 t = (I16x8(local) + offsets) / 6;
                StoreBytes(out + x, U16x8(I16x8(c) > t));
            }
            for (; x < w_; ++x) {
                const int c = m[x];
                const int local = (s81[size_t(x)] - c) / 20;
                const int t = (local + offset) / 6;
                out[x] = c > t ? kWhite : kBlack;
            }
        }
    }

    // Black where 3 (31 m - the 5 x 5 sum - 4 m two rows below) < l; the
    // left side lies within -22185..23715, so l is clamped to 16 bits.
    void lineRows(int y0, int y1)
    {
        const int16_t limit = int16_t(std::clamp<int64_t>(s_.l, -30000, 30000));
        const I16x8 limits = I16x8{} + limit;
        std::vector<uint16_t> column, s25;
        for (int y = y0; y < y1; ++y) {
            BoxSumRow<2>(mean_, y, column, s25);
            const uint8_t* m = mean_.row(y);
            const uint8_t* below = mean_.row(std::min(y + 2, h_ - 1));
            uint8_t* out = ink_.row(y);
            int x = 0;
            for (; x + 8 <= w_; x += 8) {
                const I16x8 r = 31 * I16x8(LoadBytes(m + x)) - I16x8(LoadWords(s25.data() + x)) -
                                4 * I16x8(LoadBytes(below + x));
                const I16x8 black = 3 * r < limits;
                StoreBytes(out + x, LoadBytes(out + x) & ~U16x8(black));
            }
            for (; x < w_; ++x) {
                const int r = 31 * int(m[x]) - int(s25[size_t(x)]) - 4 * int(below[x]);
                if (3 * r < limit)
                    out[x] = kBlack;
            }
        }
    }

    // Weighted majority rounds. The weight of a neighbour is 7 - |dy| - |dx|
    // over the 7 x 7 window, so the sum splits into separable parts:
    // W = sum over dx of ((7 - |dx|) * V(x + dx) - D(x + dx)), where V is the
    // column sum of the window and D its sum weighted by |dy|.
    void smooth()
    {
        const int rounds = preview_ ? 3 : 15;
        Plane prev = ink_;
        for (int k = 1; k <= rounds; ++k) {
            CheckCancellation();
            std::atomic<int64_t> changes{0};
            platform::ParallelForRange(0, h_, 8, [&](int y0, int y1) {
                // Column sums padded by three repeated edge columns a side.
                std::vector<int> columnSums(size_t(w_) + 6), weightedSums(size_t(w_) + 6);
                int64_t local = 0;
                for (int y = y0; y < y1; ++y) {
                    int* v = columnSums.data() + 3;
                    int* d = weightedSums.data() + 3;
                    std::fill(columnSums.begin(), columnSums.end(), 0);
                    std::fill(weightedSums.begin(), weightedSums.end(), 0);
                    for (int dy = -3; dy <= 3; ++dy) {
                        const uint8_t* src = prev.row(ClampIndex(y + dy, h_));
                        const int ady = dy < 0 ? -dy : dy;
                        for (int x = 0; x < w_; ++x) {
                            v[x] += src[x];
                            d[x] += ady * src[x];
                        }
                    }
                    for (int i = 1; i <= 3; ++i) {
                        v[-i] = v[0];
                        d[-i] = d[0];
                        v[w_ - 1 + i] = v[w_ - 1];
                        d[w_ - 1 + i] = d[w_ - 1];
                    }
                    const uint8_t* p = prev.row(y);
                    uint8_t* out = ink_.row(y);
                    for (int x = 0; x < w_; ++x) {
                        const int w = 4 * (v[x - 3] + v[x + 3]) + 5 * (v[x - 2] + v[x + 2]) +
                                      6 * (v[x - 1] + v[x + 1]) + 7 * v[x] -
                                      (d[x - 3] + d[x - 2] + d[x - 1] + d[x] + d[x + 1] + d[x + 2] + d[x + 3]);
                        const int c = p[x];
                        if (c > 128 && w <= s_.vb) {
                            out[x] = kBlack;
                            ++local;
                        } else if (c <= 128 && w >= s_.vw) {
                            out[x] = kWhite;
                            ++local;
                        }
                    }
                }
                changes += local;
            });
            if (changes.load() <= 10)
                break;
            prev = ink_;
            report(60 + platform::Round(double(k) / double(rounds) * 40.0));
        }
    }

    // 3 x 3 majority in place, top to bottom and left to right: pixels above
    // and to the left already hold their new values when they are counted.
    void cleanUp()
    {
        for (int y = 0; y < h_; ++y) {
            const uint8_t* up = ink_.row(ClampIndex(y - 1, h_));
            uint8_t* mid = ink_.row(y);
            const uint8_t* down = ink_.row(ClampIndex(y + 1, h_));
            for (int x = 0; x < w_; ++x) {
                const int xl = ClampIndex(x - 1, w_), xr = ClampIndex(x + 1, w_);
                const int count = (up[xl] < 128) + (up[x] < 128) + (up[xr] < 128) + (mid[xl] < 128) +
                                  (mid[x] < 128) + (mid[xr] < 128) + (down[xl] < 128) + (down[x] < 128) +
                                  (down[xr] < 128);
                mid[x] = count >= 5 ? kBlack : kWhite;
            }
        }
    }

    // Transparent source pixels (alpha below 10) become transparent black;
    // every other pixel is opaque ink.
    void output()
    {
        // Every pixel the source covers is written below; only Dest beyond
        // it needs clearing.
        if (dest_.width() > w_ || dest_.height() > h_)
            dest_.clear(Qt::transparent);
        const int w = std::min(w_, dest_.width());
        const int h = std::min(h_, dest_.height());
        uint8_t* const bits = dest_.bits(); // detached here, before the threads write
        const qsizetype stride = dest_.stride();
        platform::ParallelForRange(0, h, 16, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                const gfx::Pixel* src = source_.row(y);
                const uint8_t* ink = ink_.row(y);
                auto* out = reinterpret_cast<gfx::Pixel*>(bits + stride * y);
                int x = 0;
                for (; x + 4 <= w; x += 4) {
                    U32x4 p;
                    U8x4 i;
                    std::memcpy(&p, src + x, sizeof p);
                    std::memcpy(&i, ink + x, sizeof i);
                    const U32x4 opaque = U32x4((p >> 24) >= 10);
                    const U32x4 v = (0xFF000000u | __builtin_convertvector(i, U32x4) * 0x010101u) & opaque;
                    std::memcpy(out + x, &v, sizeof v);
                }
                for (; x < w; ++x) {
                    if ((src[x] >> 24) < 10)
                        out[x] = 0;
                    else
                        out[x] = 0xFF000000u | (gfx::Pixel(ink[x]) * 0x010101u);
                }
            }
        });
    }

    const gfx::Image& source_;
    gfx::Surface& dest_;
    const Settings s_;
    const bool preview_;
    const int w_;
    const int h_;
    Plane mean_;
    Plane ink_;
    const int rowStride_;
};

} // namespace

void BlackAndWhiteInk(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int /*P5*/,
                      bool preview)
{
    if (source.isNull())
        return;
    CheckCancellation();
    const int64_t x = platform::Round64(p1 * 2.55);
    const int64_t y = platform::Round64(p2 * 2.55);
    const int64_t n = platform::Round64(p3 * 2.55);
    Settings s;
    s.k = 192 - x;
    s.l = 5 * (y - 15);
    s.vb = 160 * n;
    s.vw = 160 * (255 - n);
    s.brightness = 2 * (int64_t(p4) - 50);
    s.smooth = p3 > 0;
    if (source.width() <= 0 || source.height() <= 0 || dest.isNull())
        return;
    InkRun(source, dest, s, preview).run();
}

} // namespace pq
