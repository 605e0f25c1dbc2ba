// Pencil Sketch 2's pieces: the photo's fields the lines follow (field) and
// one stream of candidate lines (stream). On large pictures pool threads
// judge the places every generator step would start (chain) and lay out and
// score the candidates (lay, lines) while the run's thread follows the
// draws and strokes; a candidate that read a block a line has been drawn
// over since is drawn or scored again. Batches pass through the ring of
// ring.h. The split keeps the generator's order on one thread and the
// heavy work on the pool, with the same picture at every thread count.
// Helpers hand work back and forth thousands of times a second, which pays
// only while they have processors of their own: each stretch between
// snapshots runs helped or alone, whichever went faster when last tried
// (platform/helped_or_alone.h).

#include "effects/sketch/pencil_sketch_2/pencil_sketch_2.h"

#include "effects/sketch/pencil_sketch_2/field.h"
#include "effects/sketch/pencil_sketch_2/stream.h"

#include "engine/runtime/effect_api.h"
#include "gfx/canvas.h"
#include "gfx/scratch_buffer.h"
#include "platform/helped_or_alone.h"
#include "platform/numeric.h"
#include "platform/thread_pool.h"
#include "platform/tick.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace pq {
namespace {

constexpr uint32_t kSnapshotMs = 200;
// Pool threads that judge places and lay out candidates, on pictures of at
// least kHelpedArea pixels.
constexpr int kMaxHelpers = 3;
constexpr int64_t kHelpedArea = 2000000;
// The values that set how much work a run does (stroke lengths, rounds,
// candidates per stroke) count as at most the sliders' maximum, so a script
// value cannot make the run endless: the rounds of a full run grow with the
// picture's area, and a stroke costs at most what it costs at 100.
constexpr int kMaxWorkValue = 100;

using pencil::Cell;
using pencil::kInked;

// Slider values turned into the run's constants.
struct Settings {
    int64_t q = 0;    // candidates per stroke
    int64_t lmax = 0; // longest line
    int64_t lmin = 0; // base of the shortest line
    int64_t m0 = 0;   // rounds base
    int64_t t3 = 0;   // colour pass opacity in per cent
};

class PencilSketch2Run {
public:
    PencilSketch2Run(const gfx::Image& source, const Settings& s, bool preview)
        : src_(source), s_(s), preview_(preview), w_(source.width()), h_(source.height()), at_(w_, h_),
          cellBuffer_(at_.size()), angleBuffer_(at_.size()), cells_(cellBuffer_.data()), angle_(angleBuffer_.data()),
          rng_(RunRandom()), stream_(cells_, angle_, pencil::LayShape{w_, h_, s.lmin, s.lmax})
    {
    }

    bool valid() const { return cellBuffer_ && angleBuffer_ && stream_.valid(); }

    void run(gfx::Surface& dest)
    {
        transparent_ = pencil::BuildPencilField(src_, at_, cells_, angle_, stream_.codes(), rng_);
        rounds();
        finish(dest);
    }

private:
    // ---- Rounds ----------------------------------------------------------

    // On large pictures the rounds run with pool threads judging places and
    // laying out candidates ahead; they stop for each intermediate picture,
    // which the pool then makes. Each stretch between pictures runs helped
    // or alone, whichever went faster (on a busy machine helpers that keep
    // losing their processors cost more than they save).
    void rounds()
    {
        const int64_t maxi =
            preview_ ? s_.m0 : platform::Round64(double(w_) * double(h_) / 40000.0 * double(s_.m0)) + 1;
        const int64_t divisor = std::max<int64_t>(maxi, 1);
        // Pictures whose planes fit in the shared cache draw fastest alone:
        // handing work between cores costs more than it saves.
        const bool helped = int64_t(w_) * h_ >= kHelpedArea;
        const int helpers = helped ? std::min(platform::ThreadPoolWorkerCount(), kMaxHelpers) : 0;
        stream_.start(rng_.seed());
        platform::HelpedOrAlone pace;
        uint32_t lastSnapshot = platform::TickMs();
        int64_t i = 0;
        while (i <= maxi) {
            bool snapshotDue = false;
            const bool withHelpers = helpers > 0 && pace.helped();
            const uint32_t began = platform::TickMs();
            stream_.takeBatches();
            stream_.withHelpers(
                withHelpers ? helpers : 0,
                [&] {
                    for (; i <= maxi; ++i) {
                        CheckCancellation();
                        if (!preview_ && platform::TickMs() - lastSnapshot > kSnapshotMs) {
                            snapshotDue = true;
                            return;
                        }
                        round(i, divisor);
                    }
                },
                [&] { prepareSnapshots(); });
            if (snapshotDue) {
                // A whole stretch between snapshots: its pace counts.
                pace.ran(withHelpers, double(platform::TickMs() - began), stream_.takeBatches());
                showSnapshot(int(std::min<int64_t>(100, i * 100 / divisor + 1)));
                lastSnapshot = platform::TickMs();
                round(i++, divisor);
            }
        }
        rng_.setSeed(stream_.seed());
    }

    void round(int64_t i, int64_t divisor)
    {
        const int64_t pct = i * 100 / divisor;
        const int64_t strokes = pct <= 5 ? 26 : i * 4 / divisor + 1;
        int64_t tries =
            s_.q <= 127 ? (110 - pct) / ((128 - s_.q) / 25 + 1) : (110 - pct) * ((s_.q - 127) / 15 + 1);
        if (pct < 5)
            tries /= 4;
        stream_.setPhase(int(pct));
        for (int64_t k = 0; k < strokes; ++k)
            stroke(tries);
    }

    // The candidates of a stroke read a sheet that only the stroke's commit
    // changes; the stroke keeps the best and stops once enough in a row have
    // not beaten it.
    void stroke(int64_t tries)
    {
        const int64_t staleLimit = tries / 20 + 5;
        int64_t best = 0, stale = 0;
        for (int64_t c = 0; c <= tries; ++c) {
            const pencil::Outcome& cur = stream_.next();
            if (!cur.drawable)
                continue;
            if (cur.score < best) {
                best = cur.score;
                stream_.keep();
                stale = 0;
            }
            if (++stale >= staleLimit) {
                if (best < 0)
                    break;
                stale = 0;
            }
        }
        if (best < 0)
            stream_.commitKept();
    }

    // ---- Output ----------------------------------------------------------

    // Faults in the snapshot buffers while the strokes go on: a fresh
    // 12-megapixel buffer costs tens of milliseconds to fault in.
    void prepareSnapshots()
    {
        if (preview_)
            return;
        for (QImage& b : snapshots_) {
            if (!b.isNull())
                continue;
            QImage image = gfx::NewPixelImage(w_, h_);
            if (image.isNull())
                return;
            uchar* const bits = image.bits();
            const size_t bytes = size_t(image.sizeInBytes());
            for (size_t k = 0; k < bytes; k += 4096)
                bits[k] = 0;
            b = image;
        }
    }

    // The sheet as a picture, in the first snapshot buffer the window has
    // let go of (a fresh 12-megapixel buffer costs more to fault in than
    // to fill), else in a new one.
    gfx::Image sheetImage()
    {
        QImage* buffer = nullptr;
        for (QImage& b : snapshots_)
            if (!buffer && (b.isNull() || b.isDetached()))
                buffer = &b;
        QImage fresh;
        if (!buffer)
            buffer = &fresh;
        if (buffer->isNull())
            *buffer = gfx::NewPixelImage(w_, h_);
        QImage& image = *buffer;
        if (image.isNull())
            return {};
        uchar* const bits = image.bits();
        const qsizetype stride = image.bytesPerLine();
        platform::ParallelForRange(0, h_, 32, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y)
                writeSheetRow(y, reinterpret_cast<gfx::Pixel*>(bits + stride * y), false);
        });
        return gfx::Image::adopt(image);
    }

    // A row of the sheet; the finished sheet darkens its inked cells that
    // are dark enough by their edge darkening.
    void writeSheetRow(int y, gfx::Pixel* out, bool finished) const
    {
        // Four cells of a tile at a time.
        for (int x0 = 0; x0 < w_; x0 += 4) {
            const Cell* c = cells_ + at_(x0, y);
            for (int k = 0; k < 4 && x0 + k < w_; ++k) {
                const bool inked = c[k].flags & kInked;
                int sheet = c[k].sheet;
                if (finished && inked && 3 * sheet < 540)
                    sheet = std::max(0, sheet - int(c[k].darken));
                out[x0 + k] = transparent_ && !inked ? 0u : 0xFF000000u | gfx::Pixel(sheet) * 0x010101u;
            }
        }
    }

    void showSnapshot(int progress)
    {
        const gfx::Image picture = sheetImage();
        if (!picture.isNull())
            ShowIntermediateImage(picture, progress, Delivery::Queued);
    }

    void finish(gfx::Surface& dest)
    {
        platform::ParallelForRange(0, h_, 32, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y)
                writeSheetRow(y, dest.row(y), true);
        });
        if (s_.t3 > 0) {
            gfx::Paint paint;
            paint.blend = gfx::BlendMode::Color;
            paint.color = QColor(0, 0, 0, int(std::min<int64_t>(255, platform::Round64(s_.t3 / 100.0 * 255))));
            gfx::Canvas canvas(dest);
            canvas.drawImage(src_, 0, 0, gfx::Sampling::Mitchell, &paint);
        }
        if (!preview_) {
            ShowIntermediateImage(dest.snapshotReusing(snapshots_), -1, Delivery::Synchronous);
            UpdateProgressBar(101);
        }
    }

    const gfx::Image& src_;
    const Settings s_;
    const bool preview_;
    const int w_;
    const int h_;
    const pencil::TiledIndex at_;
    bool transparent_ = false;
    gfx::ScratchBuffer<Cell> cellBuffer_;
    gfx::ScratchBuffer<float> angleBuffer_;
    Cell* const cells_;
    float* const angle_; // line angle, 0..pi
    platform::Random& rng_;
    pencil::CandidateStream stream_;
    std::array<QImage, 2> snapshots_;
};

} // namespace

void PencilSketch2(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5, bool preview)
{
    CheckCancellation();
    if (source.isNull() || source.width() <= 0 || source.height() <= 0 || dest.isNull() ||
        dest.size() != source.size())
        return;
    Settings s;
    s.q = platform::Round64(std::min(p5, kMaxWorkValue) * 2.5);
    s.lmax = int64_t(std::min(p2, kMaxWorkValue)) + 5;
    s.lmin = std::min<int64_t>(std::min(p1, kMaxWorkValue), s.lmax);
    s.m0 = int64_t(std::min(p3, kMaxWorkValue)) * 20 + 100;
    s.t3 = p4;
    PencilSketch2Run run(source, s, preview);
    if (run.valid())
        run.run(dest);
}

} // namespace pq
