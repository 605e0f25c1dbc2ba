// Stochastic painting's pieces: its tries are sampled in samples, its
// atlas marks are made once per process (marks), and the strokes that pass
// are laid tile by tile of the canvas while the run's thread tries the next
// (striped_draws): pool threads claim whichever tile has strokes waiting,
// and the run's thread lays the tiles a try needs itself when no helper has
// got to them, so a helper that lost its processor holds up nothing but
// the tile it is laying. Stamps are laid eight pixels at a time by
// effects/shared/stamp_lay_wide.

#include "effects/painting/stochastic_painting/stochastic_painting.h"

#include "effects/painting/stochastic_painting/marks.h"
#include "effects/painting/stochastic_painting/samples.h"
#include "effects/painting/stochastic_painting/striped_draws.h"
#include "effects/shared/brush_stamps.h"
#include "effects/shared/snapshot_buffers.h"
#include "engine/repository/image_repository.h"
#include "engine/runtime/effect_api.h"
#include "engine/runtime/engine_host.h"
#include "platform/numeric.h"
#include "platform/thread_pool.h"
#include "platform/tick.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <utility>
#include <vector>

namespace pq {
namespace {

constexpr int kMarks = 38;
constexpr int kCell = 250;
constexpr gfx::Pixel kWhite = 0xFFFFFFFFu;
// The side of the square a stroke is drawn in: room for the largest mark
// turned by any angle.
const int kStampSide = 2 * (platform::Ceil(kCell * 0.5 * 1.414) + 3);

// The canvas of a full run: "Erase background" on gives opaque white, or for
// a source with transparency white exactly where the document's photo has
// any alpha; off gives the current result under the new paint.
void PrepareStochasticCanvas(gfx::Surface& dest, bool hasTransparency)
{
    const CanvasBackground background = ReadCanvasBackground();
    if (!background.erase) {
        if (background.under.isNull())
            return;
        dest.clear();
        const int w = std::min(dest.width(), background.under.width());
        const int h = std::min(dest.height(), background.under.height());
        for (int y = 0; y < h; ++y)
            std::copy_n(background.under.row(y), w, dest.row(y));
        return;
    }
    gfx::Image photo;
    if (hasTransparency)
        SyncWithUi([&] {
            if (const EngineHost* host = InstalledEngineHost())
                photo = host->sourceImage();
        });
    if (photo.isNull()) {
        dest.clearPixel(kWhite);
        return;
    }
    dest.clear();
    const int w = std::min(dest.width(), photo.width());
    const int h = std::min(dest.height(), photo.height());
    for (int y = 0; y < h; ++y) {
        const gfx::Pixel* p = photo.row(y);
        gfx::Pixel* d = dest.row(y);
        for (int x = 0; x < w; ++x)
            if ((p[x] >> 24) != 0)
                d[x] = kWhite;
    }
}

// A premultiplied pixel's colour channel as an unpremultiplied byte.
inline int Unpremultiplied(gfx::Pixel p, int shift)
{
    const int a = int(p >> 24);
    if (a == 0)
        return 0;
    return std::min(255, (int((p >> shift) & 255u) * 255 + a / 2) / a);
}

class StochasticPainter {
public:
    StochasticPainter(const gfx::Image& source, gfx::Surface& dest, const StochasticSettings& s, bool preview,
                      bool hasTransparency, std::shared_ptr<const StochasticMarks> marks)
        : src_(source), dest_(dest), s_(s), preview_(preview), transparent_(hasTransparency), w_(source.width()),
          h_(source.height()), held_(std::move(marks)), marks_(held_->marks), weights_(held_->weights),
          map_(BuildGradientMap(source, GradientTone::Red)), rng_(RunRandom()), photo_(source.row(0)),
          photoStride_(source.stride() / qsizetype(sizeof(gfx::Pixel))), canvas_(dest.row(0)),
          stride_(dest.stride() / qsizetype(sizeof(gfx::Pixel)))
    {
    }

    // The strokes are tried in order on the calling thread; pool threads,
    // when there are any, lay those that pass while the next are tried.
    void paint()
    {
        const int workers = platform::ThreadPoolWorkerCount();
        if (workers == 0) {
            strokes();
            return;
        }
        queued_.resize(StripedDraws::kRing);
        StripedDraws lanes(w_, h_, [this](int64_t n, const QRect& clip) {
            const Queued& q = queued_[size_t(n % StripedDraws::kRing)];
            draw(q.tr, q.x, q.y, q.size, q.reach, q.colour, clip);
        });
        platform::RunWithHelpers(
            workers, [&](int) { lanes.serve(); },
            [&] {
                const struct Stop {
                    StripedDraws& lanes;
                    ~Stop() { lanes.stop(); }
                } stop{lanes};
                lanes_ = &lanes;
                strokes();
                if (!lanes.awaitAll())
                    stopped_ = true;
                lanes_ = nullptr;
            });
    }

private:
    struct Try {
        int mark = 0;
        double angle = 0.0;
    };

    // A stroke that passed, waiting to be laid.
    struct Queued {
        Try tr;
        int x = 0, y = 0, reach = 0;
        float size = 0.0f;
        gfx::Pixel colour = 0;
    };

    void strokes()
    {
        const int64_t reportEvery = std::max<int64_t>(100, s_.total / 100);
        lastTick_ = platform::TickMs();
        for (int64_t i = 0; i < s_.total && !stopped_; ++i) {
            if (i % 500 == 0)
                CheckCancellation();
            stroke(i);
            if (i % reportEvery == 0)
                report(i);
        }
    }

    // Hands the stroke to the helpers.
    void queue(const Try& tr, int x, int y, float size, int reach, gfx::Pixel colour)
    {
        // What the stamp may change: its clip on the canvas.
        const QRect area = QRect(x - reach - 1, y - reach - 1, 2 * reach + 3, 2 * reach + 3) & QRect(0, 0, w_, h_);
        if (area.isEmpty())
            return;
        const int64_t n = lanes_->reserve();
        if (n < 0) {
            stopped_ = true;
            return;
        }
        queued_[size_t(n % StripedDraws::kRing)] = Queued{tr, x, y, reach, size, colour};
        lanes_->push(area);
    }

    void stroke(int64_t i)
    {
        const float size = sizeOf(i);
        const int x = rng_.random(w_);
        const int y = rng_.random(h_);
        const gfx::Pixel c = src_.pixel(x, y);
        if (transparent_ && (c >> 24) < 10)
            return;
        const GradientInfo& cell = map_.cellOf(x, y, w_, h_);
        const double base = cell.magnitude > 15 ? double(cell.angle) + std::numbers::pi / 2.0
                                                : rng_.randomReal() * 2.0 * std::numbers::pi;
        Try tr;
        tr.mark = rng_.random(kMarks);
        tr.angle = base - marks_[size_t(tr.mark)].angle + (rng_.randomReal() - 0.5) * 0.2;

        const float half = size * 0.5f;
        const int reach = platform::Ceil(half * 1.414);
        const QRect box(QPoint(std::max(0, x - reach), std::max(0, y - reach)),
                        QPoint(std::min(w_ - 1, x + reach), std::min(h_ - 1, y + reach)));
        const int step = size > 20.0f ? s_.sampleStep : 1;
        const double scale = double(kCell) / double(size);
        const int colour[3] = {Unpremultiplied(c, 16), Unpremultiplied(c, 8), Unpremultiplied(c, 0)};
        if (lanes_ && !lanes_->await(box)) {
            stopped_ = true;
            return;
        }

        int64_t gain = 0;
        for (int a = 1; a <= s_.attempts; ++a) {
            if (a > 1) {
                tr.mark = rng_.random(kMarks);
                tr.angle = base - marks_[size_t(tr.mark)].angle + (rng_.randomReal() - 0.5) * 0.3;
            }
            gain = simulate(tr, x, y, box, step, scale, colour);
            if (gain > 0)
                break;
        }
        if (i + 1 < s_.total)
            prefetch(i + 1);
        if (gain <= 0)
            return;
        if (lanes_)
            queue(tr, x, y, size, reach, c);
        else
            draw(tr, x, y, size, reach, c, QRect(x - reach - 1, y - reach - 1, 2 * reach + 3, 2 * reach + 3));
    }

    // The size of stroke i: large first, small last.
    float sizeOf(int64_t i) const
    {
        const float t = float(double(i) / double(s_.total));
        const float u = 1.0f - t;
        return float(s_.minSize) + float(s_.maxSize - s_.minSize) * (u * u * u);
    }

    // Asks for the photo and canvas rows stroke i will sample, while this
    // stroke is drawn: its position is the generator's next two draws.
    void prefetch(int64_t i) const
    {
        platform::Random ahead = rng_;
        const int x = ahead.random(w_);
        const int y = ahead.random(h_);
        const float size = sizeOf(i);
        const int reach = platform::Ceil(size * 0.5f * 1.414);
        const int step = size > 20.0f ? s_.sampleStep : 1;
        const int left = std::max(0, x - reach), right = std::min(w_ - 1, x + reach);
        const int bottom = std::min(h_ - 1, y + reach);
        for (int py = (std::max(0, y - reach) + step - 1) / step * step; py <= bottom; py += step) {
            const gfx::Pixel* srow = photo_ + py * photoStride_;
            const gfx::Pixel* drow = canvas_ + py * stride_;
            for (int px = left; px <= right + 15; px += 16) {
                __builtin_prefetch(srow + std::min(px, right));
                __builtin_prefetch(drow + std::min(px, right));
            }
        }
    }

    // How much closer to the photo the sampled box gets with the mark.
    int64_t simulate(const Try& tr, int x, int y, const QRect& box, int step, double scale, const int colour[3]) const
    {
        const QRect& strong = marks_[size_t(tr.mark)].strong;
        if (strong.isEmpty())
            return 0;
        SampleBox b;
        b.photo = photo_;
        b.canvas = canvas_;
        b.photoStride = photoStride_;
        b.canvasStride = stride_;
        b.mark = &weights_[size_t(tr.mark)];
        b.side = kCell;
        b.x = x;
        b.y = y;
        b.left = box.left();
        b.top = box.top();
        b.right = box.right();
        b.bottom = box.bottom();
        b.step = step;
        b.cs = std::cos(-tr.angle);
        b.sn = std::sin(-tr.angle);
        b.scale = scale;
        // Samples whose rounded mark position can fall inside the strong
        // box (with half a texel and more to spare); the rest add nothing.
        b.uLo = strong.left() - 1.5 - 125.0;
        b.uHi = strong.right() + 1.5 - 125.0;
        b.vLo = strong.top() - 1.5 - 125.0;
        b.vHi = strong.bottom() + 1.5 - 125.0;
        b.colour = colour;
        b.transparent = transparent_;
        return SampleBoxGain(b);
    }

    // Over the canvas rows top..bottom.
    // Over the canvas pixels of clip.
    void draw(const Try& tr, int x, int y, float size, int reach, gfx::Pixel colour, const QRect& clip) const
    {
        Stamp stamp;
        stamp.cell = &marks_[size_t(tr.mark)].cell;
        stamp.colour = colour;
        stamp.opacity = float(s_.opacity) / 255.0f;
        stamp.angle = tr.angle;
        stamp.width = stamp.height = size;
        stamp.sampling = StampSampling::Linear;
        stamp.trimToInk = true;
        const int c = kStampSide / 2;
        // Canvas pixel (u, v) is the stamp's (u - x + c, v - y + c).
        const QRect region =
            QRect(c - reach - 1, c - reach - 1, 2 * reach + 3, 2 * reach + 3) & clip.translated(c - x, c - y);
        if (!region.isEmpty())
            DrawStampOver(stamp, kStampSide, region, canvas_, stride_, dest_.size(), x, y);
    }

    void report(int64_t i)
    {
        const uint32_t now = platform::TickMs();
        if (now - lastTick_ <= (preview_ ? 100u : 200u))
            return;
        lastTick_ = now;
        if (lanes_ && !lanes_->awaitAll()) {
            stopped_ = true;
            return;
        }
        const int pct = platform::Round(double(i) / double(s_.total) * 100.0);
        if (preview_) {
            SafeUpdatePreview(dest_, pct);
            return;
        }
        ShowIntermediateImage(shots_.take(dest_), pct, Delivery::Queued);
    }

    const gfx::Image& src_;
    gfx::Surface& dest_;
    const StochasticSettings s_;
    const bool preview_;
    const bool transparent_;
    const int w_, h_;
    const std::shared_ptr<const StochasticMarks> held_;
    const std::vector<StochasticMark>& marks_;
    const std::vector<MarkWeights>& weights_; // of each mark
    const GradientMap map_;
    platform::Random& rng_;
    const gfx::Pixel* const photo_; // the photo's rows, as the canvas's
    const qsizetype photoStride_;   // in pixels
    // The canvas's rows, found once: asking the surface for a row costs a
    // call into the image each time.
    gfx::Pixel* const canvas_;
    const qsizetype stride_; // in pixels
    uint32_t lastTick_ = 0;
    SnapshotBuffers shots_;
    StripedDraws* lanes_ = nullptr; // while pool threads lay the strokes
    std::vector<Queued> queued_;     // by ring slot
    bool stopped_ = false;           // a helper failed
};

} // namespace

StochasticSettings StochasticSettingsFor(int width, int height, int p1, int p2, int p3, int p4, int p5)
{
    StochasticSettings s;
    s.minSize = std::clamp(2 * std::clamp(p1, -1000, 1000), 5, 250);
    s.maxSize = std::clamp(2 * std::clamp(p2, -1000, 1000), 10, 250);
    if (s.minSize > s.maxSize)
        std::swap(s.minSize, s.maxSize);
    s.density = std::clamp(p4, 1, 100);
    s.opacity = std::clamp(platform::Round(std::clamp(p5, -1000, 1000) * 2.55), 20, 255);
    // Thousands of per cent would throw hundreds of millions of strokes.
    p3 = std::clamp(p3, 0, 100);
    const int64_t base = int64_t(std::max(width, 0)) * int64_t(std::max(height, 0)) / 400;
    double f = p3 / 100.0 * 150.0 + 5.0;
    if (s.density > 80)
        f *= 0.75;
    s.total = platform::Round64(double(base) * f);
    s.sampleStep = std::max(1, 10 - s.density / 10);
    if (p3 > 60)
        s.sampleStep = std::max(s.sampleStep, 2);
    if (p3 > 85)
        s.sampleStep = std::max(s.sampleStep, 3);
    s.attempts = s.density / 10 + 1;
    if (p3 > 50)
        s.attempts = std::min(s.attempts, 5);
    if (p3 > 80)
        s.attempts = std::min(s.attempts, 2);
    return s;
}

void StochasticPainting(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5,
                        bool preview)
{
    if (source.isNull() || dest.isNull() || dest.size() != source.size())
        return;
    CheckCancellation();
    const StochasticSettings s = StochasticSettingsFor(source.width(), source.height(), p1, p2, p3, p4, p5);
    const bool transparent = !source.isOpaque();
    if (preview)
        dest.clearPixel(kWhite);
    else
        PrepareStochasticCanvas(dest, transparent);
    CheckCancellation();

    gfx::Image atlas;
    SyncWithUi([&] { atlas = Repository().sharedImage(&ImageRepository::templateMatchingBrushes); });
    std::shared_ptr<const StochasticMarks> marks = CutStochasticMarks(atlas, s.opacity);
    if (marks->marks.empty())
        return;
    CheckCancellation();
    if (s.total > 0)
        StochasticPainter(source, dest, s, preview, transparent, std::move(marks)).paint();
    ReportFinished(dest, preview);
}

} // namespace pq
