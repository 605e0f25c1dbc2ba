#include "effects/painting/smooth_painting/select.h"

#include "engine/runtime/effect_api.h"
#include "platform/thread_pool.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace pq {
namespace {

// Sides are below 2^16 and scores below 2^31.
constexpr int64_t kNone = kNoScore << 32;

// The least of v[0, n), n at least 1, with `skip` read as kNone: four
// keys a load, the last load ending at n.
[[gnu::always_inline]] inline int64_t Least(const int64_t* v, int n, int64_t skip = kNone)
{
    if (n < 4) {
        int64_t a = kNone;
        for (int i = 0; i < n; ++i)
            a = v[i] == skip ? a : std::min(a, v[i]);
        return a;
    }
    using Keys = int64_t __attribute__((vector_size(32)));
    Keys a, b;
    std::memcpy(&a, v, sizeof(a));
    std::memcpy(&b, v + n - 4, sizeof(b));
    a = a == skip ? kNone : a;
    b = b == skip ? kNone : b;
    for (int i = 4; i < n - 4; i += 4) {
        Keys c;
        std::memcpy(&c, v + i, sizeof(c));
        c = c == skip ? kNone : c;
        a = a < c ? a : c;
    }
    a = a < b ? a : b;
    b = __builtin_shufflevector(a, a, 2, 3, 0, 1);
    a = a < b ? a : b;
    b = __builtin_shufflevector(a, a, 1, 0, 3, 2);
    return a[0] < b[0] ? a[0] : b[0];
}

// The same one key at a time, for keys stored one by one just before: a
// vector load over them would wait for the stores to retire.
[[gnu::always_inline]] inline int64_t LeastOneByOne(const int64_t* v, int n)
{
    int64_t a = v[0], b = v[n - 1], c = v[n / 2], d = v[(n - 1) / 2];
    int i = 1;
    for (; i + 4 <= n; i += 4) {
        a = std::min(a, v[i]);
        b = std::min(b, v[i + 1]);
        c = std::min(c, v[i + 2]);
        d = std::min(d, v[i + 3]);
    }
    for (; i < n; ++i)
        a = std::min(a, v[i]);
    return std::min(std::min(a, b), std::min(c, d));
}

inline int RowOf(int64_t key) { return int((key >> 16) & 0xFFFF); }

// The windows in scan order over the keys (column after column, a column's
// rows side by side): each taken key goes to `taken`, its pixel's key
// becoming kNone. Returns how many were taken.
__attribute__((target_clones("avx2", "default"))) size_t ScanWindows(std::span<const Match> table, int w, int h,
                                                                    int brushSize, int64_t* keys, int64_t* taken)
{
    const int half = brushSize / 2;
    const int t = std::max(1, brushSize / 10);
    const int firstJ = -(half / t), lastJ = (h + half) / t;
    const int firstK = -(half / t), lastK = (w + half) / t;
    const size_t rows = size_t(h);
    std::vector<int64_t> colKey(static_cast<size_t>(w), kNone);
    const auto columnMinimum = [&](int x, int y0, int y1) {
        colKey[size_t(x)] = Least(keys + size_t(x) * rows + size_t(y0), y1 - y0 + 1);
    };
    size_t count = 0;
    int lastY0 = 0, lastY1 = -1;
    for (int j = firstJ; j <= lastJ; ++j) {
        if (j % 16 == 0)
            CheckCancellation();
        const int cy = j * t;
        const int y0 = std::max(0, cy - half), y1 = std::min(h - 1, cy + half);
        if (y0 > y1)
            continue;
        if (y0 > lastY1 || y0 < lastY0) {
            for (int x = 0; x < w; ++x)
                columnMinimum(x, y0, y1);
        } else {
            // The rows y0..lastY1 stay: a column whose minimum lies
            // there only meets the new rows; the others are rescanned.
            for (int x = 0; x < w; ++x) {
                const int64_t k = colKey[size_t(x)];
                if (k != kNone && RowOf(k) < y0) {
                    columnMinimum(x, y0, y1);
                    continue;
                }
                int64_t best = k;
                for (int y = lastY1 + 1; y <= y1; ++y)
                    best = std::min(best, keys[size_t(x) * rows + size_t(y)]);
                colKey[size_t(x)] = best;
            }
        }
        lastY0 = y0;
        lastY1 = y1;
        for (int k = firstK; k <= lastK; ++k) {
            const int cx = k * t;
            const int x0 = std::max(0, cx - half), x1 = std::min(w - 1, cx + half);
            if (x0 > x1)
                continue;
            const int64_t best = LeastOneByOne(colKey.data() + x0, x1 - x0 + 1);
            if (best >= kNone)
                continue;
            const int fx = int(best & 0xFFFF), fy = RowOf(best);
            if (table[size_t(fy) * size_t(w) + size_t(fx)].a <= 4)
                continue;
            taken[count++] = best;
            // The column's next key, read before the taken one is stored.
            int64_t* column = keys + size_t(fx) * rows;
            const int64_t next = Least(column + y0, y1 - y0 + 1, best);
            column[fy] = kNone;
            colKey[size_t(fx)] = next;
        }
    }
    return count;
}

} // namespace

// One stroke per window of the brush's size on a grid of step t: the
// window's lowest score, the first in scan order on ties; a chosen
// pixel is not chosen again. Scores are read as keys (score, row, column),
// eight bytes a pixel, so the least key is the first least score. Each
// column keeps its minimum over the window's rows, slid down from one
// window row to the next and mended when its pixel is taken, so a window
// looks at one value per column. The scan is serial; the keys and the
// strokes are made in parallel around it.
void SelectSmoothStrokes(std::span<Match> table, int w, int h, int brushSize, std::vector<SmoothStroke>& strokes,
                         SmoothScratch<int64_t>& scratch)
{
    const int half = brushSize / 2;
    const int t = std::max(1, brushSize / 10);
    const size_t windows = size_t((h + half) / t + half / t + 1) * size_t((w + half) / t + half / t + 1);
    // The keys, column after column, then the taken keys.
    const size_t rows = size_t(h);
    int64_t* keys = scratch.reserve(size_t(w) * rows + windows);
    int64_t* taken = keys + size_t(w) * rows;
    platform::ParallelForRange(0, (w + 7) / 8, 4, [&](int from, int to) {
        const int x0 = from * 8, x1 = std::min(w, to * 8);
        for (int y = 0; y < h; ++y) {
            const Match* m = table.data() + size_t(y) * size_t(w);
            for (int x = x0; x < x1; ++x)
                keys[size_t(x) * rows + size_t(y)] =
                    m[x].score < kNoScore ? m[x].score << 32 | int64_t(y) << 16 | x : kNone;
        }
    });
    const size_t count = ScanWindows(table, w, h, brushSize, keys, taken);
    // Only scores change in the table, and only of taken pixels, so the
    // strokes take their pixel's brush, colour and score afterwards, in
    // parallel, and those scores become kNoScore.
    strokes.resize(count);
    platform::ParallelForRange(0, int((count + 4095) / 4096), 1, [&](int from, int to) {
        for (size_t i = size_t(from) * 4096; i < std::min(count, size_t(to) * 4096); ++i) {
            const int fx = int(taken[i] & 0xFFFF), fy = RowOf(taken[i]);
            Match& m = table[size_t(fy) * size_t(w) + size_t(fx)];
            strokes[i] = {fx - half, fy - half, m.brush,
                          0xFF000000u | gfx::Pixel(m.r) << 16 | gfx::Pixel(m.g) << 8 | m.b, m.score};
            m.score = kNoScore;
        }
    });
}

void SelectSmoothStrokes(std::span<Match> table, int w, int h, int brushSize, std::vector<SmoothStroke>& strokes)
{
    SmoothScratch<int64_t> keys;
    SelectSmoothStrokes(table, w, h, brushSize, strokes, keys);
}

void SmoothStrokeOrder(const std::vector<SmoothStroke>& strokes, std::vector<uint32_t>& order,
                       SmoothScratch<uint64_t>& keys)
{
    const size_t n = strokes.size();
    order.resize(n);
    constexpr int64_t kScoreLimit = int64_t(1) << 31;
    // One 8-byte key per stroke, (inverted score, index), built by slices
    // in parallel; each slice notes its range of inverted scores and
    // whether all its scores fit.
    const int slices = n < 65536 ? 1 : 16;
    std::vector<size_t> edge(size_t(slices) + 1);
    for (int i = 0; i <= slices; ++i)
        edge[size_t(i)] = n * size_t(i) / size_t(slices);
    std::vector<uint32_t> low(size_t(slices), UINT32_MAX), high(size_t(slices), 0);
    std::vector<char> fits(size_t(slices), 1);
    uint64_t* a = keys.reserve(2 * n);
    uint64_t* b = a + n;
    platform::ParallelFor(0, slices, [&](int i) {
        uint32_t lo = UINT32_MAX, hi = 0;
        for (size_t k = edge[size_t(i)]; k < edge[size_t(i) + 1]; ++k) {
            const int64_t score = strokes[k].score;
            if (score < 0 || score >= kScoreLimit) {
                fits[size_t(i)] = 0;
                return;
            }
            const uint32_t inverted = uint32_t(kScoreLimit - 1 - score);
            lo = std::min(lo, inverted);
            hi = std::max(hi, inverted);
            a[k] = uint64_t(inverted) << 32 | k;
        }
        low[size_t(i)] = lo;
        high[size_t(i)] = hi;
    });
    if (n >= (size_t(1) << 32) || std::find(fits.begin(), fits.end(), 0) != fits.end()) {
        for (size_t i = 0; i < n; ++i)
            order[i] = uint32_t(i);
        std::stable_sort(order.begin(), order.end(),
                         [&](uint32_t x, uint32_t y) { return strokes[x].score > strokes[y].score; });
        return;
    }
    // Every key differs, so ascending keys are the order wanted. The keys
    // start in index order, so a stable sort by inverted score gives it: one
    // is sorted whole, more go through least significant digits first,
    // each slice counting its digits and then placing its keys in order.
    // The last digit places the indices straight into the order.
    bool placed = false;
    if (slices == 1) {
        std::sort(a, a + n);
    } else {
        const uint32_t base = *std::min_element(low.begin(), low.end());
        const uint32_t span = *std::max_element(high.begin(), high.end()) - base;
        constexpr int kDigitBits = 11;
        constexpr size_t kDigits = size_t(1) << kDigitBits;
        std::vector<size_t> place(size_t(slices) * kDigits);
        for (int shift = 0; shift < 32 && (span >> shift) != 0; shift += kDigitBits) {
            const auto digit = [&](uint64_t key) { return size_t(((uint32_t(key >> 32) - base) >> shift) & (kDigits - 1)); };
            const bool lastDigit = shift + kDigitBits >= 32 || (span >> (shift + kDigitBits)) == 0;
            platform::ParallelFor(0, slices, [&](int i) {
                size_t* count = place.data() + size_t(i) * kDigits;
                std::fill(count, count + kDigits, size_t(0));
                for (size_t k = edge[size_t(i)]; k < edge[size_t(i) + 1]; ++k)
                    ++count[digit(a[k])];
            });
            size_t total = 0;
            for (size_t d = 0; d < kDigits; ++d)
                for (size_t i = 0; i < size_t(slices); ++i) {
                    const size_t c = place[i * kDigits + d];
                    place[i * kDigits + d] = total;
                    total += c;
                }
            platform::ParallelFor(0, slices, [&](int i) {
                size_t* at = place.data() + size_t(i) * kDigits;
                if (lastDigit) {
                    for (size_t k = edge[size_t(i)]; k < edge[size_t(i) + 1]; ++k)
                        order[at[digit(a[k])]++] = uint32_t(a[k]);
                } else {
                    for (size_t k = edge[size_t(i)]; k < edge[size_t(i) + 1]; ++k)
                        b[at[digit(a[k])]++] = a[k];
                }
            });
            placed = lastDigit;
            std::swap(a, b);
        }
    }
    if (placed)
        return;
    platform::ParallelForRange(0, int((n + 4095) / 4096), 1, [&](int from, int to) {
        for (size_t k = size_t(from) * 4096; k < std::min(n, size_t(to) * 4096); ++k)
            order[k] = uint32_t(a[k]);
    });
}

} // namespace pq
