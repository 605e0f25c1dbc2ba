#include "effects/sketch/pencil_sketch_2.h"

#include "effects/sketch/pencil_sketch_2_field.h"
#include "effects/sketch/pencil_support.h"

#include "engine/runtime/effect_api.h"
#include "gfx/canvas.h"
#include "gfx/scratch_buffer.h"
#include "platform/numeric.h"
#include "platform/thread_pool.h"
#include "platform/tick.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>

namespace pq {
namespace {

constexpr int kMaxExtent = 2000;        // longer lines are skipped
constexpr double kBorderAngle = 2.641592653589793;
constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;
constexpr uint32_t kSnapshotMs = 200;
constexpr int kPrefetchPicks = 3;
// Candidates placed and laid out ahead of the one being scored.
constexpr int kPlaceAhead = 2;
constexpr int kLayAhead = 1;
constexpr int kRing = kPlaceAhead + 1;
// The values that set how much work a run does (stroke lengths, rounds,
// candidates per stroke) count as at most the sliders' maximum, so a script
// value cannot make the run endless: the rounds of a full run grow with the
// picture's area, and a stroke costs at most what it costs at 100.
constexpr int kMaxWorkValue = 100;

using pencil::Cell;
using pencil::kFlat;
using pencil::kHatchA;
using pencil::kHatchB;
using pencil::kInked;
using pencil::kRangeMask;
using pencil::Prefetch;

// Jumps over up to 16 draws.
constexpr auto kJumps = [] {
    std::array<pencil::Jump, 17> t{};
    for (size_t n = 0; n < t.size(); ++n)
        t[n] = pencil::JumpOf(n);
    return t;
}();
static_assert(3 * (kPrefetchPicks + 1) + 2 < int(kJumps.size()));

int ToInt(int64_t v)
{
    return int(std::clamp<int64_t>(v, INT_MIN, INT_MAX));
}

// Slider values turned into the run's constants.
struct Settings {
    int64_t q = 0;    // candidates per stroke
    int64_t lmax = 0; // longest line
    int64_t lmin = 0; // base of the shortest line
    int64_t m0 = 0;   // rounds base
    int64_t t3 = 0;   // colour pass opacity in per cent
};

// One rasterised line: the indices of its pixels in the tiled planes, both
// ends included.
struct Line {
    std::vector<int32_t> idx;
    Line() { idx.reserve(kMaxExtent + 1); }
};

// The fade along a line of np points, strongest in the middle:
// min(384 * |k - np div 2| div (np - 1), 255) for the k-th point (0 for a
// single point). Made once per length.
class FadeTables {
public:
    const uint8_t* forLength(int np)
    {
        if (size_t(np) >= tables_.size())
            tables_.resize(size_t(np) + 1);
        std::vector<uint8_t>& t = tables_[size_t(np)];
        if (t.empty()) {
            t.resize(size_t(np));
            for (int k = 0; k < np; ++k)
                t[size_t(k)] = uint8_t(np == 1 ? 0 : std::min(384 * std::abs(k - np / 2) / (np - 1), 255));
        }
        return t.data();
    }

private:
    std::vector<std::vector<uint8_t>> tables_;
};

class PencilSketch2Run {
public:
    PencilSketch2Run(const gfx::Image& source, const Settings& s, bool preview)
        : src_(source), s_(s), preview_(preview), w_(source.width()), h_(source.height()),
          at_(w_, h_), cellBuffer_(at_.size()), angleBuffer_(at_.size()),
          cells_(cellBuffer_.data()), angle_(angleBuffer_.data()), rng_(RunRandom())
    {
        cosA_ = std::cos(double(kHatchA)) / 2;
        sinA_ = std::sin(double(kHatchA)) / 2;
        cosB_ = std::cos(double(kHatchB)) / 2;
        sinB_ = std::sin(double(kHatchB)) / 2;
        cosBorder_ = std::cos(kBorderAngle) / 2;
        sinBorder_ = std::sin(kBorderAngle) / 2;
    }

    bool valid() const { return cellBuffer_ && angleBuffer_; }

    void run(gfx::Surface& dest)
    {
        transparent_ = pencil::BuildPencilField(src_, at_, cells_, angle_, rng_);
        rounds();
        darkenEdges();
        finish(dest);
    }

private:
    // cos(angle) / 2 and sin(angle) / 2 of a place.
    void halfDirection(uint8_t flags, float angle, double& cx, double& cy) const
    {
        if (flags & kFlat) {
            cx = cosBorder_;
            cy = sinBorder_;
        } else if (angle == kHatchA) {
            cx = cosA_;
            cy = sinA_;
        } else if (angle == kHatchB) {
            cx = cosB_;
            cy = sinB_;
        } else {
            cx = std::cos(double(angle)) / 2;
            cy = std::sin(double(angle)) / 2;
        }
    }

    // ---- Rounds ----------------------------------------------------------

    void rounds()
    {
        const int64_t maxi =
            preview_ ? s_.m0 : platform::Round64(double(w_) * double(h_) / 40000.0 * double(s_.m0)) + 1;
        const int64_t divisor = std::max<int64_t>(maxi, 1);
        uint32_t lastSnapshot = platform::TickMs();
        for (int64_t i = 0; i <= maxi; ++i) {
            CheckCancellation();
            if (!preview_ && platform::TickMs() - lastSnapshot > kSnapshotMs) {
                showSnapshot(int(std::min<int64_t>(100, i * 100 / divisor + 1)));
                lastSnapshot = platform::TickMs();
            }
            const int64_t pct = i * 100 / divisor;
            const int64_t strokes = pct <= 5 ? 26 : i * 4 / divisor + 1;
            int64_t tries =
                s_.q <= 127 ? (110 - pct) / ((128 - s_.q) / 25 + 1) : (110 - pct) * ((s_.q - 127) / 15 + 1);
            if (pct < 5)
                tries /= 4;
            for (int64_t k = 0; k < strokes; ++k)
                stroke(int(pct), tries);
        }
    }

    // One candidate line on its way through the stroke's pipeline.
    struct Candidate {
        int x = 0, y = 0;
        int tone = 0;
        int64_t d = 0;
        double cx = 0, cy = 0;
        float angle = 0;
        size_t probe = 0;
        uint32_t seedAfter = 0; // the generator after this candidate's draws
        bool drawable = false;
        Line line;
    };

    // The candidates of a stroke read a sheet that only the stroke's commit
    // changes, so each one is placed (all its draws) and laid out a little
    // before it is scored, while the memory it reads next is on its way.
    // When the stroke stops early, the generator goes back to where the last
    // scored candidate left it.
    void stroke(int pct, int64_t tries)
    {
        const int lengthRange = ToInt(s_.lmax / 2 - pct + 100);
        const int64_t staleLimit = tries / 20 + 5;
        int64_t best = 0, stale = 0;
        int bestTone = 0;
        int64_t placed = 0, laid = 0;
        for (int64_t c = 0; c <= tries; ++c) {
            for (; placed <= tries && placed <= c + kPlaceAhead; ++placed)
                place(pct, lengthRange, ring_[size_t(placed % kRing)]);
            for (; laid < placed && laid <= c + kLayAhead; ++laid)
                layLine(ring_[size_t(laid % kRing)]);
            Candidate& cur = ring_[size_t(c % kRing)];
            if (!cur.drawable)
                continue;
            const int64_t score = scoreOf(cur.line, cur.tone);
            if (score < best) {
                best = score;
                bestTone = cur.tone;
                std::swap(cur.line, bestLine_);
                stale = 0;
            }
            if (++stale >= staleLimit) {
                if (best < 0) {
                    rng_.setSeed(cur.seedAfter);
                    break;
                }
                stale = 0;
            }
        }
        if (best < 0)
            commit(bestLine_, bestTone);
    }

    // Draws a place and the line's length, and finds the probe point the
    // direction check compares with.
    void place(int pct, int lengthRange, Candidate& c)
    {
        // The places are random, so each one is a trip to memory. The draws
        // to come are known, though: the place a few rejections ahead is
        // fetched with each place, and once a place is taken, the first
        // place of the next candidate.
        const int ownDraw = pct * 5 > 0 ? 1 : 0;
        size_t i;
        Cell cell;
        for (;;) {
            c.x = std::min(rng_.random(w_ - 2) + 1, w_ - 1);
            c.y = std::min(rng_.random(h_ - 2) + 1, h_ - 1);
            prefetchPlaceAfter(rng_.seed(), ownDraw + kPrefetchPicks * (2 + ownDraw));
            // A distance is at most 255: a larger r turns the place down
            // without reading it.
            const int r = rng_.random(pct * 5);
            if (pct > 4 && r > 255)
                continue;
            i = at_(c.x, c.y);
            Prefetch(angle_ + i);
            cell = cells_[i];
            const int d = (cell.flags & kInked) ? std::abs(int(cell.target) - int(cell.sheet)) : 0;
            if (!(d < r && pct > 4))
                break;
        }
        const int range = cell.flags & kRangeMask;
        prefetchPlaceAfter(rng_.seed(), (lengthRange > 0 ? 1 : 0) + (range > 0 ? 1 : 0));
        c.tone = (2 * int(cell.sheet) + int(cell.target)) / 3;
        const int64_t a = rng_.random(lengthRange) / 3;
        const int64_t b = rng_.random(range);
        c.seedAfter = rng_.seed();
        c.d = std::min(s_.lmax, a + b + s_.lmin + 3);
        c.angle = angle_[i];
        halfDirection(cell.flags, c.angle, c.cx, c.cy);
        const int64_t px = std::clamp<int64_t>(c.x + platform::Round64(double(c.d) * c.cx), 0, w_ - 1);
        const int64_t py = std::clamp<int64_t>(c.y + platform::Round64(double(c.d) * c.cy), 0, h_ - 1);
        c.probe = at_(int(px), int(py));
        Prefetch(angle_ + c.probe);
    }

    // Shortens a line that would cross a turn of the field, then rasterises
    // it; not drawable when it is too long.
    void layLine(Candidate& c)
    {
        int64_t d = c.d;
        double turn = std::fabs(double(c.angle) - double(angle_[c.probe]));
        if (turn > kPi)
            turn = kTwoPi - turn;
        if (turn > 1.05)
            d = std::max<int64_t>(d / 3, 1);
        const int64_t ox = platform::Round64(double(d) * c.cx);
        const int64_t oy = platform::Round64(double(d) * c.cy);
        const int x0 = int(std::clamp<int64_t>(c.x - ox, 0, w_ - 1));
        const int y0 = int(std::clamp<int64_t>(c.y - oy, 0, h_ - 1));
        const int x1 = int(std::clamp<int64_t>(c.x + ox, 0, w_ - 1));
        const int y1 = int(std::clamp<int64_t>(c.y + oy, 0, h_ - 1));
        c.drawable = rasterise(x0, y0, x1, y1, c.line);
        if (c.drawable)
            prefetchLine(c.line);
    }

    void prefetchLine(const Line& line) const
    {
        size_t lastTile = SIZE_MAX;
        for (const int32_t i : line.idx) {
            const size_t tile = size_t(i) >> 4;
            if (tile != lastTile)
                Prefetch(cells_ + i);
            lastTile = tile;
        }
    }

    // The place drawn right after `skip` more draws from seed s.
    void prefetchPlaceAfter(uint32_t s, int skip) const
    {
        const uint32_t sx = kJumps[size_t(skip + 1)](s), sy = kJumps[size_t(skip + 2)](s);
        const int x = std::min(int((uint64_t(sx) * uint64_t(std::max(w_ - 2, 1))) >> 32) + 1, w_ - 1);
        const int y = std::min(int((uint64_t(sy) * uint64_t(std::max(h_ - 2, 1))) >> 32) + 1, h_ - 1);
        const size_t i = at_(x, y);
        Prefetch(cells_ + i);
        Prefetch(angle_ + i);
    }

    bool rasterise(int x0, int y0, int x1, int y1, Line& line) const
    {
        line.idx.clear();
        const int dx = std::abs(x1 - x0), dy = std::abs(y1 - y0);
        if (dx > kMaxExtent || dy > kMaxExtent)
            return false;
        const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
        int err = dx - dy;
        for (;;) {
            line.idx.push_back(int32_t(at_(x0, y0)));
            if (x0 == x1 && y0 == y1)
                break;
            const int e2 = 2 * err;
            if (e2 > -dy) {
                err -= dy;
                x0 += sx;
            }
            if (e2 < dx) {
                err += dx;
                y0 += sy;
            }
        }
        return true;
    }

    // How much the faded line of this tone changes the distance to the
    // target along its points (negative: closer).
    int64_t scoreOf(const Line& line, int tone)
    {
        const int np = int(line.idx.size());
        const uint8_t* fade = fades_.forLength(np);
        int64_t score = 0;
        for (int k = 0; k < np; ++k) {
            const Cell c = cells_[size_t(line.idx[size_t(k)])];
            if (!(c.flags & kInked))
                continue;
            const int f = fade[k];
            const int trial = ((255 - f) * tone + f * c.sheet) / 255;
            score += std::abs(trial - c.target) - std::abs(c.sheet - c.target);
        }
        return score;
    }

    void commit(const Line& line, int tone)
    {
        const int np = int(line.idx.size());
        const uint8_t* fade = fades_.forLength(np);
        for (int k = 0; k < np; ++k) {
            Cell& c = cells_[size_t(line.idx[size_t(k)])];
            if (!(c.flags & kInked))
                continue;
            const int f = std::min(fade[k] + 64, 255);
            c.sheet = uint8_t(((255 - f) * tone + f * int(c.sheet)) / 255);
        }
    }

    // ---- Output ----------------------------------------------------------

    void darkenEdges()
    {
        platform::ParallelForRange(0, h_, 32, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y)
                for (int x = 0; x < w_; ++x) {
                    const size_t i = at_(x, y);
                    Cell& c = cells_[i];
                    if ((c.flags & kInked) && 3 * int(c.sheet) < 540)
                        c.sheet = uint8_t(std::max(0, int(c.sheet) - int(c.darken)));
                }
        });
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
                writeSheetRow(y, reinterpret_cast<gfx::Pixel*>(bits + stride * y));
        });
        return gfx::Image::adopt(image);
    }

    void writeSheetRow(int y, gfx::Pixel* out) const
    {
        // Four cells of a tile at a time.
        for (int x0 = 0; x0 < w_; x0 += 4) {
            const Cell* c = cells_ + at_(x0, y);
            for (int k = 0; k < 4 && x0 + k < w_; ++k) {
                const bool clear = transparent_ && !(c[k].flags & kInked);
                out[x0 + k] = clear ? 0u : 0xFF000000u | gfx::Pixel(c[k].sheet) * 0x010101u;
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
                writeSheetRow(y, dest.row(y));
        });
        if (s_.t3 > 0) {
            gfx::Paint paint;
            paint.blend = gfx::BlendMode::Color;
            paint.color = QColor(0, 0, 0, int(std::min<int64_t>(255, platform::Round64(s_.t3 / 100.0 * 255))));
            gfx::Canvas canvas(dest);
            canvas.drawImage(src_, 0, 0, gfx::Sampling::Mitchell, &paint);
        }
        if (!preview_) {
            ShowIntermediateImage(dest.snapshot(), -1, Delivery::Synchronous);
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
    double cosA_, sinA_, cosB_, sinB_, cosBorder_, sinBorder_;
    std::array<Candidate, kRing> ring_;
    Line bestLine_;
    FadeTables fades_;
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
