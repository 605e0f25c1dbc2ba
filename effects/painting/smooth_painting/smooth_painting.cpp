// Smooth painting's pieces: the steps that read the working picture
// (match: oriented brushes, contrast map, per-pixel match, blank fill,
// speck removal); the brush sums and errors (fit, each orientation fitted
// at eight neighbouring pixels at once by lanes); the window scan that
// picks where strokes go and in which order (select); the stroke blend
// (blend.h), laid eight pixels at a time (draw). scratch.h is the space a
// run keeps from pass to pass. The wide
// paths sit in files of their own so each is tested against the plain
// loop it replaces.

#include "effects/painting/smooth_painting/smooth_painting.h"

#include "effects/painting/smooth_painting/draw.h"
#include "effects/painting/smooth_painting/fit.h"
#include "effects/painting/smooth_painting/lanes.h"
#include "effects/painting/smooth_painting/match.h"
#include "effects/painting/smooth_painting/scratch.h"
#include "effects/painting/smooth_painting/select.h"
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
            sums_.build(work, s_.brushSize + kSmoothLanes);
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
                if (pass <= 2) {
                    brushes = MakeSmoothBrushes(atlas_, pass == 1 ? 5 : 7, s_.brushSize);
                    ink_.clear();
                    for (const SmoothBrush& brush : brushes)
                        ink_.push_back(MakeSmoothStrokeInk(brush));
                }
                runPass(work, brushes, it, pass);
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
        const int w = dest_.width(), h = dest_.height();
        for (int y = 0; y < h; ++y) {
            const gfx::Pixel* s = work.row(y);
            gfx::Pixel* d = dest_.row(y);
            for (int x = 0; x < w; ++x) {
                const gfx::Pixel a = s[x] >> 24;
                d[x] = a << 24 | a << 16 | a << 8 | a;
            }
        }
    }

    // The working picture stays for the four passes of an iteration and the
    // brushes for the last three, so the first pass makes the contrast map
    // for all and, on pictures whose kept tables take up to kKeptTableBytes, the
    // second matches the pixels for itself and the two after it and places
    // the three passes' strokes side by side, one serial scan a thread.
    void runPass(const gfx::Image& work, const std::vector<SmoothBrush>& brushes, int it, int pass)
    {
        const auto seed = [&](int p) { return seed_ * 2654435761u + uint32_t(it * 8 + p); };
        if (pass == 1)
            contrast_ = BuildContrastMap(work);
        done_ += 8;
        progress(percent());
        CheckCancellation();
        const size_t cells = size_t(work.width()) * size_t(work.height());
        // Two more tables, select keys and stroke lists (at most one
        // stroke a pixel) held for the passes to come.
        const bool kept = 2 * cells * (sizeof(Match) + sizeof(int64_t) + sizeof(SmoothStroke)) <= kKeptTableBytes;
        const size_t slot = kept ? size_t(std::max(0, pass - 2)) : 0;
        Match* table = tables_[slot].reserve(cells);
        if (pass == 2 && kept) {
            const uint32_t seeds[] = {seed(2), seed(3), seed(4)};
            Match* const tables[] = {table, tables_[1].reserve(cells), tables_[2].reserve(cells)};
            MatchPixels(work, sums_, contrast_, brushes, seeds, tables);
        } else if (pass <= 2 || !kept) {
            MatchPixels(work, sums_, contrast_, brushes, seed(pass), table);
        }
        done_ += 40;
        progress(percent());
        CheckCancellation();
        const auto select = [&](size_t i) {
            SelectSmoothStrokes({tables_[i].data(), cells}, work.width(), work.height(), s_.brushSize, strokes_[i],
                                selectKeys_[i]);
        };
        if (pass == 2 && kept) {
            platform::ParallelFor(0, 3, [&](int i) { select(size_t(i)); });
        } else if (pass <= 2 || !kept) {
            select(slot);
        }
        const std::vector<SmoothStroke>& strokes = strokes_[slot];
        done_ += 20;
        progress(percent());
        // Worst first; equal scores keep their grid order.
        SmoothStrokeOrder(strokes, order_, keys_);
        done_ += 8;
        progress(percent());
        // The best 95 % are drawn: strokes order[skip, size).
        const size_t skip = strokes.size() - size_t(SmoothStrokesKept(int(strokes.size())));
        const size_t count = strokes.size() - skip;
        const uint32_t* order = order_.data() + skip;
        SmoothDrawn* drawn = drawn_.reserve(count);
        // Bands of rows are drawn in parallel, each going through the strokes
        // in order and drawing those that reach it, so every pixel sees the
        // same sequence. The strokes go in tenths between progress reports,
        // a tenth no less than kDrawChunk: a small picture draws a pass in
        // one go.
        const int every = std::max(kDrawChunk, int(count) / 10);
        // Two bands a thread or more, so that they share out evenly.
        const int threads = platform::ThreadPoolWorkerCount() + 1;
        const int bandRows = std::max(kMinBandRows, (dest_.height() + 2 * threads - 1) / (2 * threads));
        const int bandCount = (dest_.height() + bandRows - 1) / bandRows;
        layOut(strokes.data(), order, drawn, count);
        const ptrdiff_t stride = ptrdiff_t(dest_.stride() / qsizetype(sizeof(gfx::Pixel)));
        const int width = dest_.width(), height = dest_.height();
        for (size_t from = 0; from < count; from += size_t(every)) {
            CheckCancellation();
            const size_t to = std::min(count, from + size_t(every));
            gfx::Pixel* canvas = dest_.row(0);
            platform::ParallelFor(0, bandCount, [&](int b) {
                const int top = b * bandRows, bottom = std::min(height, top + bandRows);
                for (size_t i = from; i < to; ++i) {
                    const SmoothDrawn& stroke = drawn[i];
                    const SmoothStrokeInk& tip = ink_[size_t(stroke.brush)];
                    if (stroke.y < bottom && stroke.y + tip.size > top)
                        DrawSmoothStroke(stroke, tip, canvas, stride, width, top, bottom);
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

    // The strokes in drawing order, drawn[i] from strokes[order[i]], laid
    // out by slices in parallel.
    static void layOut(const SmoothStroke* strokes, const uint32_t* order, SmoothDrawn* drawn, size_t count)
    {
        constexpr int kSlices = 64;
        platform::ParallelFor(0, kSlices, [&](int p) {
            const size_t end = count * size_t(p + 1) / kSlices;
            for (size_t i = count * size_t(p) / kSlices; i < end; ++i) {
                const SmoothStroke& stroke = strokes[order[i]];
                drawn[i] = {stroke.x, stroke.y, stroke.colour, stroke.brush};
            }
        });
    }

    gfx::Surface& dest_;
    const gfx::Image atlas_;
    const SmoothSettings s_;
    const bool preview_;
    const double units_;
    const uint32_t seed_;
    static constexpr int kMinBandRows = 16;
    static constexpr int kDrawChunk = 1 << 20;
    SmoothRowSums sums_;
    std::vector<uint8_t> contrast_;
    SmoothScratch<Match> tables_[3]; // pass 1 and 2, 3, 4
    static constexpr size_t kKeptTableBytes = size_t(64) << 20;
    std::vector<SmoothStroke> strokes_[3]; // as the tables
    std::vector<uint32_t> order_;
    SmoothScratch<uint64_t> keys_;
    SmoothScratch<int64_t> selectKeys_[3];
    SmoothScratch<SmoothDrawn> drawn_;
    std::vector<SmoothStrokeInk> ink_; // the brushes'
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
    SyncWithUi([&] { atlas = Repository().sharedImage(&ImageRepository::templateMatchingBrushes); });
    if (atlas.isNull() || atlas.width() < 500 || atlas.height() < 2000)
        return;
    SmoothPainter(dest, atlas, SmoothSettingsFor(p1, p2), preview).paint(source);
}

} // namespace pq
