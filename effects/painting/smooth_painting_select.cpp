#include "effects/painting/smooth_painting_select.h"

#include "engine/runtime/effect_api.h"

#include <algorithm>

namespace pq {

// One stroke per window of the brush's size on a grid of step t: the
// window's lowest score, the first in scan order on ties; a chosen
// pixel is not chosen again. Each column keeps its minimum over the
// window's rows as one key (score, then row), slid down from one window
// row to the next and mended when its pixel is taken, so a window looks
// at one value per column.
void SelectSmoothStrokes(std::vector<Match>& table, int w, int h, int brushSize, std::vector<SmoothStroke>& strokes)
{
    const int half = brushSize / 2;
    const int t = std::max(1, brushSize / 10);
    const int firstJ = -(half / t), lastJ = (h + half) / t;
    const int firstK = -(half / t), lastK = (w + half) / t;
    strokes.clear();
    strokes.reserve(size_t(lastJ - firstJ + 1) * size_t(lastK - firstK + 1));
    constexpr int kRowBits = 21;
    constexpr int64_t kNone = kNoScore << kRowBits;
    std::vector<int64_t> colKey(static_cast<size_t>(w), kNone);
    const auto key = [&](int x, int y) {
        const int64_t score = table[size_t(y) * size_t(w) + size_t(x)].score;
        return score < kNoScore ? score << kRowBits | y : kNone;
    };
    const auto columnMinimum = [&](int x, int y0, int y1) {
        int64_t best = kNone;
        for (int y = y0; y <= y1; ++y)
            best = std::min(best, key(x, y));
        colKey[size_t(x)] = best;
    };
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
                if (k != kNone && int(k & ((1 << kRowBits) - 1)) < y0) {
                    columnMinimum(x, y0, y1);
                    continue;
                }
                int64_t best = k;
                for (int y = lastY1 + 1; y <= y1; ++y)
                    best = std::min(best, key(x, y));
                colKey[size_t(x)] = best;
            }
        }
        lastY0 = y0;
        lastY1 = y1;
        for (int k = firstK; k <= lastK; ++k) {
            const int cx = k * t;
            const int x0 = std::max(0, cx - half), x1 = std::min(w - 1, cx + half);
            int64_t best = kNone;
            int fx = -1;
            for (int x = x0; x <= x1; ++x)
                if (colKey[size_t(x)] < best) {
                    best = colKey[size_t(x)];
                    fx = x;
                }
            if (fx < 0)
                continue;
            const int fy = int(best & ((1 << kRowBits) - 1));
            Match& found = table[size_t(fy) * size_t(w) + size_t(fx)];
            if (found.a <= 4)
                continue;
            strokes.push_back({fx - half, fy - half, found.brush,
                               0xFF000000u | gfx::Pixel(found.r) << 16 | gfx::Pixel(found.g) << 8 | found.b,
                               found.score});
            found.score = kNoScore;
            columnMinimum(fx, y0, y1);
        }
    }
}

} // namespace pq
