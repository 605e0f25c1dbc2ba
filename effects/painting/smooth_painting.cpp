#include "effects/painting/smooth_painting.h"

#include "effects/painting/smooth_painting_blend.h"
#include "effects/painting/smooth_painting_match.h"
#include "effects/painting/smooth_painting_select.h"
#include "effects/shared/snapshot_buffers.h"
#include "engine/repository/image_repository.h"
#include "engine/runtime/effect_api.h"
#include "platform/numeric.h"
#include "platform/thread_pool.h"
#include "platform/tick.h"

#include <algorithm>
#include <vector>

namespace pq {
namespace {

using Stroke = SmoothStroke;

// The columns of each row of a brush that hold any alpha: [first, last],
// first > last for none.
struct InkSpans {
    std::vector<int> first, last;
};

InkSpans InkSpansOf(const SmoothBrush& brush)
{
    InkSpans spans;
    const int size = brush.size;
    spans.first.assign(size_t(size), size);
    spans.last.assign(size_t(size), -1);
    for (int v = 0; v < size; ++v)
        for (int u = 0; u < size; ++u)
            if (brush.alpha[size_t(v) * size_t(size) + size_t(u)] != 0) {
                spans.first[size_t(v)] = std::min(spans.first[size_t(v)], u);
                spans.last[size_t(v)] = u;
            }
    return spans;
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
        ShowIntermediateImage(shots_.take(dest_), -1, Delivery::Synchronous);
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
        MatchPixels(work, contrast, brushes, seed_ * 2654435761u + passSalt, table_);
        done_ += 40;
        progress(percent());
        CheckCancellation();
        SelectSmoothStrokes(table_, work.width(), work.height(), s_.brushSize, strokes_, selectKeys_);
        done_ += 20;
        progress(percent());
        // Worst first; equal scores keep their grid order.
        SmoothStrokeOrder(strokes_, order_, keys_);
        done_ += 8;
        progress(percent());
        // The best 95 % are drawn: strokes order[skip, size).
        const size_t skip = strokes_.size() - size_t(SmoothStrokesKept(int(strokes_.size())));
        const size_t count = strokes_.size() - skip;
        const uint32_t* order = order_.data() + skip;
        std::vector<InkSpans> ink;
        for (const SmoothBrush& brush : brushes)
            ink.push_back(InkSpansOf(brush));
        // Bands of rows are drawn in parallel, each with the strokes that
        // reach it in stroke order, so every pixel sees the same sequence.
        const int every = std::max(200, int(count) / 10);
        const int bandCount = (dest_.height() + kBandRows - 1) / kBandRows;
        const std::vector<std::vector<int>> inBand = strokesByBand(order, count, brushes, bandCount);
        std::vector<size_t> cursor(static_cast<size_t>(bandCount), 0);
        const ptrdiff_t stride = ptrdiff_t(dest_.stride() / qsizetype(sizeof(gfx::Pixel)));
        const int width = dest_.width();
        for (size_t from = 0; from < count; from += size_t(every)) {
            CheckCancellation();
            const size_t to = std::min(count, from + size_t(every));
            gfx::Pixel* canvas = dest_.row(0);
            platform::ParallelFor(0, bandCount, [&](int b) {
                const std::vector<int>& list = inBand[size_t(b)];
                size_t& at = cursor[size_t(b)];
                const int top = b * kBandRows, bottom = std::min(dest_.height(), top + kBandRows);
                for (; at < list.size() && size_t(list[at]) < to; ++at) {
                    const Stroke& stroke = strokes_[order[list[at]]];
                    draw(stroke, brushes[size_t(stroke.brush)], ink[size_t(stroke.brush)], canvas, stride, width, top,
                         bottom);
                }
            });
            if (to % size_t(every) == 0) {
                progress(platform::Round((done_ + double(to) / double(count) * 24.0) / units_ * 100.0));
                display(false);
            }
        }
        done_ += 24;
        progress(percent());
        display(true);
    }

    // For every band of rows, the indices of the strokes reaching it in
    // stroke order: slices of the strokes are sorted into bands in
    // parallel, then each band joins its slices in order.
    std::vector<std::vector<int>> strokesByBand(const uint32_t* order, size_t count,
                                                const std::vector<SmoothBrush>& brushes, int bandCount) const
    {
        const int slices = 32;
        std::vector<std::vector<std::vector<int>>> part(static_cast<size_t>(slices));
        platform::ParallelFor(0, slices, [&](int p) {
            std::vector<std::vector<int>>& mine = part[size_t(p)];
            mine.resize(size_t(bandCount));
            const size_t lo = count * size_t(p) / slices, hi = count * size_t(p + 1) / slices;
            for (size_t i = lo; i < hi; ++i) {
                const Stroke& stroke = strokes_[order[i]];
                const int size = brushes[size_t(stroke.brush)].size;
                const int first = std::max(0, stroke.y) / kBandRows;
                const int last = std::min(dest_.height() - 1, stroke.y + size - 1) / kBandRows;
                for (int b = first; b <= last; ++b)
                    mine[size_t(b)].push_back(int(i));
            }
        });
        std::vector<std::vector<int>> inBand(static_cast<size_t>(bandCount));
        platform::ParallelFor(0, bandCount, [&](int b) {
            size_t total = 0;
            for (const auto& mine : part)
                total += mine[size_t(b)].size();
            std::vector<int>& list = inBand[size_t(b)];
            list.reserve(total);
            for (const auto& mine : part)
                list.insert(list.end(), mine[size_t(b)].begin(), mine[size_t(b)].end());
        });
        return inBand;
    }

    // dst = colour * alpha + dst * (1 - alpha), at the stroke's integer
    // place, on rows top..bottom - 1 of the canvas at `base`.
    static void draw(const Stroke& s, const SmoothBrush& brush, const InkSpans& ink, gfx::Pixel* base,
                     ptrdiff_t stride, int width, int top, int bottom)
    {
        const int size = brush.size;
        const int u0 = std::max(0, -s.x), u1 = std::min(size, width - s.x);
        const int v0 = std::max(0, top - s.y), v1 = std::min(size, bottom - s.y);
        for (int v = v0; v < v1; ++v) {
            const int from = std::max(u0, ink.first[size_t(v)]), to = std::min(u1 - 1, ink.last[size_t(v)]);
            if (from > to)
                continue;
            gfx::Pixel* row = base + ptrdiff_t(s.y + v) * stride + s.x;
            SmoothBlendSpan(row + from, brush.alpha.data() + size_t(v) * size_t(size) + size_t(from), to - from + 1,
                      s.colour);
        }
    }

    gfx::Surface& dest_;
    const gfx::Image atlas_;
    const SmoothSettings s_;
    const bool preview_;
    const double units_;
    const uint32_t seed_;
    static constexpr int kBandRows = 64;
    std::vector<Match> table_;
    std::vector<Stroke> strokes_;
    std::vector<uint32_t> order_;
    std::vector<uint64_t> keys_;
    std::vector<int64_t> selectKeys_;
    SnapshotBuffers shots_;
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
