#include "effects/painting/smooth_painting.h"

#include "effects/painting/smooth_painting_match.h"
#include "engine/repository/image_repository.h"
#include "engine/runtime/effect_api.h"
#include "platform/numeric.h"
#include "platform/thread_pool.h"
#include "platform/tick.h"

#include <algorithm>
#include <vector>

namespace pq {
namespace {

struct Stroke {
    int x = 0, y = 0; // top-left corner of the brush
    int brush = 0;
    gfx::Pixel colour = 0;
    int64_t score = 0;
};

// Highest score first; equal scores keep their order. Slices are sorted in
// parallel and merged, which gives what one stable sort gives.
void SortWorstFirst(std::vector<Stroke>& strokes)
{
    const auto worse = [](const Stroke& a, const Stroke& b) { return a.score > b.score; };
    const size_t n = strokes.size();
    const size_t slices = 16;
    if (n < 4096) {
        std::stable_sort(strokes.begin(), strokes.end(), worse);
        return;
    }
    std::vector<size_t> edge(slices + 1);
    for (size_t i = 0; i <= slices; ++i)
        edge[i] = n * i / slices;
    platform::ParallelFor(0, int(slices), [&](int i) {
        std::stable_sort(strokes.begin() + ptrdiff_t(edge[size_t(i)]), strokes.begin() + ptrdiff_t(edge[size_t(i) + 1]),
                         worse);
    });
    for (size_t width = 1; width < slices; width *= 2) {
        const int merges = int((slices + 2 * width - 1) / (2 * width));
        platform::ParallelFor(0, merges, [&](int m) {
            const size_t lo = size_t(m) * 2 * width;
            const size_t mid = std::min(slices, lo + width), hi = std::min(slices, lo + 2 * width);
            if (mid < hi)
                std::inplace_merge(strokes.begin() + ptrdiff_t(edge[lo]), strokes.begin() + ptrdiff_t(edge[mid]),
                                   strokes.begin() + ptrdiff_t(edge[hi]), worse);
        });
    }
}

class SmoothPainter {
public:
    SmoothPainter(gfx::Surface& dest, const gfx::Image& atlas, const SmoothSettings& s, bool preview)
        : dest_(dest), atlas_(atlas), s_(s), preview_(preview), units_(430.0 * s.iterations),
          seed_(RunRandom().next())
    {
    }

    void paint(const gfx::Image& source)
    {
        displayTick_ = platform::TickMs();
        progress(0);
        gfx::Image work = source;
        for (int it = 1; it <= s_.iterations; ++it) {
            CheckCancellation();
            blankCanvas(work);
            display(true);
            std::vector<SmoothBrush> brushes;
            for (int pass = 1; pass <= 4; ++pass) {
                CheckCancellation();
                if (pass == 2) {
                    done_ += 10;
                    FillBlankPixels(work, dest_);
                    done_ += 10;
                    progress(percent());
                    display(true);
                }
                if (pass <= 2)
                    brushes = MakeSmoothBrushes(atlas_, pass == 1 ? 5 : 7, s_.brushSize);
                runPass(work, brushes, uint32_t(it * 8 + pass));
                if (preview_)
                    SafeUpdatePreview(dest_, percent());
            }
            RemoveBrightSpecks(dest_);
            done_ += 10;
            progress(percent());
            if (it < s_.iterations)
                work = dest_.snapshot();
        }
        if (!preview_)
            display(true);
        ReportFinished(dest_, preview_);
    }

private:
    int percent() const { return platform::Round(done_ / units_ * 100.0); }

    void progress(int value)
    {
        value = std::clamp(value, 0, 100);
        if (preview_)
            SafeUpdatePreview(dest_, value);
        else
            SafeUpdateProgress(value);
    }

    // A full run shows its canvas at most once a second unless forced.
    void display(bool force)
    {
        if (preview_)
            return;
        const uint32_t now = platform::TickMs();
        if (!force && now - displayTick_ <= 1000)
            return;
        ShowIntermediateImage(dest_.snapshot(), -1, Delivery::Synchronous);
        displayTick_ = now;
    }

    // White wherever the working picture has coverage, with its alpha.
    void blankCanvas(const gfx::Image& work)
    {
        for (int y = 0; y < dest_.height(); ++y) {
            const gfx::Pixel* s = work.row(y);
            gfx::Pixel* d = dest_.row(y);
            for (int x = 0; x < dest_.width(); ++x) {
                const gfx::Pixel a = s[x] >> 24;
                d[x] = a << 24 | a << 16 | a << 8 | a;
            }
        }
    }

    void runPass(const gfx::Image& work, const std::vector<SmoothBrush>& brushes, uint32_t passSalt)
    {
        const std::vector<uint8_t> contrast = BuildContrastMap(work);
        done_ += 8;
        progress(percent());
        CheckCancellation();
        std::vector<Match> table = MatchPixels(work, contrast, brushes, seed_ * 2654435761u + passSalt);
        done_ += 40;
        progress(percent());
        CheckCancellation();
        std::vector<Stroke> strokes = selectStrokes(table, work.width(), work.height());
        done_ += 20;
        progress(percent());
        // Worst first; equal scores keep their grid order.
        SortWorstFirst(strokes);
        done_ += 8;
        progress(percent());
        const int keep = SmoothStrokesKept(int(strokes.size()));
        strokes.erase(strokes.begin(), strokes.begin() + (int(strokes.size()) - keep));
        // Bands of rows are drawn in parallel, each with the strokes that
        // reach it in stroke order, so every pixel sees the same sequence.
        const int every = std::max(200, int(strokes.size()) / 10);
        const int bandRows = 64;
        const int bandCount = (dest_.height() + bandRows - 1) / bandRows;
        std::vector<std::vector<int>> inBand(static_cast<size_t>(bandCount));
        for (size_t i = 0; i < strokes.size(); ++i) {
            const int size = brushes[size_t(strokes[i].brush)].size;
            const int first = std::max(0, strokes[i].y) / bandRows;
            const int last = std::min(dest_.height() - 1, strokes[i].y + size - 1) / bandRows;
            for (int b = first; b <= last; ++b)
                inBand[size_t(b)].push_back(int(i));
        }
        std::vector<size_t> cursor(static_cast<size_t>(bandCount), 0);
        for (size_t from = 0; from < strokes.size(); from += size_t(every)) {
            CheckCancellation();
            const size_t to = std::min(strokes.size(), from + size_t(every));
            platform::ParallelFor(0, bandCount, [&](int b) {
                const std::vector<int>& list = inBand[size_t(b)];
                size_t& at = cursor[size_t(b)];
                const int top = b * bandRows, bottom = std::min(dest_.height(), top + bandRows);
                for (; at < list.size() && size_t(list[at]) < to; ++at) {
                    const Stroke& stroke = strokes[size_t(list[at])];
                    draw(stroke, brushes[size_t(stroke.brush)], top, bottom);
                }
            });
            if (to % size_t(every) == 0) {
                progress(platform::Round((done_ + double(to) / double(strokes.size()) * 24.0) / units_ * 100.0));
                display(false);
            }
        }
        done_ += 24;
        progress(percent());
        display(true);
    }

    // One stroke per window of the brush's size on a grid of step t: the
    // window's lowest score, the first in scan order on ties; a chosen
    // pixel is not chosen again. Each window row keeps its columns' minima
    // (lowest score, first row on ties) and mends a column when its pixel
    // is taken, so a window looks at one value per column.
    std::vector<Stroke> selectStrokes(std::vector<Match>& table, int w, int h) const
    {
        const int half = s_.brushSize / 2;
        const int t = std::max(1, s_.brushSize / 10);
        std::vector<Stroke> strokes;
        std::vector<int64_t> colScore(static_cast<size_t>(w));
        std::vector<int> colRow(static_cast<size_t>(w));
        const auto columnMinimum = [&](int x, int y0, int y1) {
            int64_t best = kNoScore;
            int row = -1;
            for (int y = y0; y <= y1; ++y) {
                const int64_t score = table[size_t(y) * size_t(w) + size_t(x)].score;
                if (score < best) {
                    best = score;
                    row = y;
                }
            }
            colScore[size_t(x)] = best;
            colRow[size_t(x)] = row;
        };
        for (int j = -(half / t); j <= (h + half) / t; ++j) {
            if (j % 16 == 0)
                CheckCancellation();
            const int cy = j * t;
            const int y0 = std::max(0, cy - half), y1 = std::min(h - 1, cy + half);
            if (y0 > y1)
                continue;
            for (int x = 0; x < w; ++x)
                columnMinimum(x, y0, y1);
            for (int k = -(half / t); k <= (w + half) / t; ++k) {
                const int cx = k * t;
                const int x0 = std::max(0, cx - half), x1 = std::min(w - 1, cx + half);
                int64_t best = kNoScore;
                int fx = -1, fy = -1;
                for (int x = x0; x <= x1; ++x) {
                    const int64_t score = colScore[size_t(x)];
                    if (score < best || (fx >= 0 && score == best && colRow[size_t(x)] < fy)) {
                        best = score;
                        fx = x;
                        fy = colRow[size_t(x)];
                    }
                }
                if (fx < 0)
                    continue;
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
        return strokes;
    }

    // dst = colour * alpha + dst * (1 - alpha), at the stroke's integer
    // place, on rows top..bottom - 1.
    void draw(const Stroke& s, const SmoothBrush& brush, int top, int bottom)
    {
        const int size = brush.size;
        for (int v = std::max(0, top - s.y); v < size; ++v) {
            const int y = s.y + v;
            if (y >= bottom)
                break;
            gfx::Pixel* row = dest_.row(y);
            const uint8_t* a = brush.alpha.data() + size_t(v) * size_t(size);
            for (int u = 0; u < size; ++u) {
                const int x = s.x + u;
                if (x < 0 || x >= dest_.width() || a[u] == 0)
                    continue;
                const uint32_t k = a[u], rest = 255u - k;
                const gfx::Pixel d = row[x];
                gfx::Pixel out = 0;
                for (int shift = 0; shift < 32; shift += 8)
                    out |= (((s.colour >> shift) & 255u) * k + ((d >> shift) & 255u) * rest + 127u) / 255u << shift;
                row[x] = out;
            }
        }
    }

    gfx::Surface& dest_;
    const gfx::Image atlas_;
    const SmoothSettings s_;
    const bool preview_;
    const double units_;
    const uint32_t seed_;
    double done_ = 0.0;
    uint32_t displayTick_ = 0;
};

} // namespace

SmoothSettings SmoothSettingsFor(int p1, int p2)
{
    return {std::clamp(p1 / 2, 8, 50), std::clamp(p2 / 20, 1, 5)};
}

int SmoothStrokesKept(int count)
{
    const int keep = platform::Round(double(count) * double(0.95f));
    return std::min(keep, count);
}

void SmoothPainting(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int, int, int, bool preview)
{
    CheckCancellation();
    if (source.isNull() || dest.isNull() || dest.size() != source.size())
        return;
    gfx::Image atlas;
    SyncWithUi([&] { atlas = Repository().templateMatchingBrushes; });
    if (atlas.isNull() || atlas.width() < 500 || atlas.height() < 2000)
        return;
    SmoothPainter(dest, atlas, SmoothSettingsFor(p1, p2), preview).paint(source);
}

} // namespace pq
