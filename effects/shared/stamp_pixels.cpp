#include "effects/shared/stamp_pixels.h"

#include "effects/shared/stamp_relief_wide.h"
#include "platform/thread_pool.h"

#include <algorithm>

namespace pq {
namespace {

// Below this many pixels rows are worked on the calling thread alone: the
// relief and the commit cost less a pixel than drawing.
constexpr int64_t kParallelPixels = 32768;

// Runs body(from, to) over the rows of `rows`, on several threads when the
// area is large. Each row is independent of the others.
template <typename Fn>
void ForRows(const QRect& rows, Fn&& body)
{
    if (rows.isEmpty())
        return;
    const int64_t area = int64_t(rows.width()) * rows.height();
    if (area < kParallelPixels || rows.height() < 16)
        body(rows.top(), rows.bottom() + 1);
    else
        platform::ParallelForRange(rows.top(), rows.bottom() + 1, std::max(4, rows.height() / 16),
                                   [&](int from, int to) { body(from, to); });
}

// Lays row v's stamp pixels of columns left..right over the canvas.
inline void CommitRow(const StampSurface& stamp, int v, int left, int right, gfx::Surface& canvas, int x, int y)
{
    const int c = stamp.centre();
    const gfx::Pixel* t = stamp.row(v);
    gfx::Pixel* d = canvas.row(y - c + v) + (x - c);
    for (int u = CommitRowWide(t, d, left, right); u <= right; ++u)
        if (t[u] >> 24)
            d[u] = StampOver(t[u], d[u]);
}

// The relief of row v's pixels in columns left..right; reads the alpha of
// the rows above and below, which the relief never changes.
void ReliefRow(StampSurface& stamp, int v, int left, int right, int radius, int strength)
{
    const int c = stamp.centre();
    gfx::Pixel* row = stamp.row(v);
    const gfx::Pixel* above = stamp.row(v - 1);
    const gfx::Pixel* below = stamp.row(v + 1);
    const int dv = std::abs(v - c);
    for (int u = ReliefRowWide(row, above, below, left, right, c, dv, radius, strength); u <= right; ++u) {
        const int a = int(row[u] >> 24);
        if (a <= 5)
            continue;
        const int d = std::abs(u - c) + dv;
        if (d >= radius)
            continue;
        const int gx = std::clamp(int(row[u + 1] >> 24) - int(row[u - 1] >> 24), -40, 40);
        const int gy = std::clamp(int(below[u] >> 24) - int(above[u] >> 24), -40, 40);
        int h = ((gx - gy) * strength) / 10;
        h = (h * ((a * a) / 255)) / 255;
        const int f = 255 - (d * 255) / radius;
        h = (h * ((f * f) / 255)) / 255;
        h = std::clamp(h, -50, 50);
        if (h == 0)
            continue;
        gfx::Pixel p = row[u];
        gfx::Pixel out = p & 0xFF000000u;
        for (int shift = 0; shift < 24; shift += 8) {
            const int ch = int((p >> shift) & 255);
            int n;
            if (h > 0)
                n = std::clamp(ch + ((a - ch) * h) / 512, 0, 255);
            else
                n = (ch * (255 - (-h) / 2)) >> 8;
            out |= gfx::Pixel(n) << shift;
        }
        row[u] = out;
    }
}

int ReliefRadius(int size)
{
    return std::max(size / 2 + size / 4, 1);
}

// Where the relief reads and writes: never on the surface's edges, and only
// where the last draw wrote (other pixels have alpha 0).
QRect ReliefArea(const StampSurface& stamp, const QRect& window)
{
    return window.intersected(stamp.rect().adjusted(1, 1, -1, -1)).intersected(stamp.dirtyRect());
}

} // namespace

QRect WindowOnCanvas(const QRect& window, int centre, int x, int y, int width, int height)
{
    // Stamp pixels whose canvas position lies in 0..width-1, 0..height-1.
    const QRect landing(centre - x, centre - y, width, height);
    return window.intersected(landing);
}

void CommitStamp(const StampSurface& stamp, const QRect& window, gfx::Surface& canvas, int x, int y)
{
    const int c = stamp.centre();
    // Nothing was drawn outside the last draw's box: no pixel there to lay.
    const QRect w = WindowOnCanvas(window.intersected(stamp.dirtyRect()), c, x, y, canvas.width(), canvas.height());
    ForRows(w, [&](int from, int to) {
        for (int v = from; v < to; ++v)
            CommitRow(stamp, v, w.left(), w.right(), canvas, x, y);
    });
}

void ApplyImpastoRelief(StampSurface& stamp, int size, int strength, const QRect& window)
{
    const int radius = ReliefRadius(size);
    const QRect w = ReliefArea(stamp, window);
    ForRows(w, [&](int from, int to) {
        for (int v = from; v < to; ++v)
            ReliefRow(stamp, v, w.left(), w.right(), radius, strength);
    });
}

void ApplyReliefAndCommit(StampSurface& stamp, int size, int strength, const QRect& reliefWindow,
                          const QRect& window, gfx::Surface& canvas, int x, int y)
{
    const int radius = ReliefRadius(size);
    const QRect relief = ReliefArea(stamp, reliefWindow);
    const int c = stamp.centre();
    const QRect w = WindowOnCanvas(window.intersected(stamp.dirtyRect()), c, x, y, canvas.width(), canvas.height());
    // A row's relief reads only the alpha of its neighbours, which it never
    // changes, and its commit only the row itself: rows stay independent.
    // Relief rows outside the committed ones are still worked.
    const QRect rows = w.united(relief);
    ForRows(rows, [&](int from, int to) {
        for (int v = from; v < to; ++v) {
            if (v >= relief.top() && v <= relief.bottom())
                ReliefRow(stamp, v, relief.left(), relief.right(), radius, strength);
            if (v >= w.top() && v <= w.bottom())
                CommitRow(stamp, v, w.left(), w.right(), canvas, x, y);
        }
    });
}

} // namespace pq
