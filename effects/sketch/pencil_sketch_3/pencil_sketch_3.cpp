// Pencil Sketch 3 lays its strokes here; the photo planes they follow, the
// contrast boost and the colour pass's tint are photo.

#include "effects/sketch/pencil_sketch_3/pencil_sketch_3.h"

#include "effects/sketch/pencil_sketch_3/photo.h"
#include "effects/sketch/pencil_support.h"

#include "engine/runtime/effect_api.h"
#include "engine/runtime/engine_host.h"
#include "engine/runtime/preview_window.h"
#include "platform/numeric.h"
#include "platform/thread_pool.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace pq {
namespace {

constexpr uint32_t kSeed = 0x9E3779B1u;
constexpr int kMaxSteps = 5000;
constexpr int kLooks = 16;
constexpr double kLookFirst = -1.2;
constexpr double kLookStep = 0.17142857142857143;
// Start places are drawn until one is dark enough. Over the whole run the
// search may use this many attempts per stroke on average; a picture that
// needs more has practically nowhere to start, and its later strokes are
// dropped.
constexpr int64_t kStartAttemptsPerStroke = 256;
constexpr int kAttemptPoll = 4096;
constexpr int64_t kBatch = 4096;  // strokes planned, walked and marked together
constexpr size_t kWalkBlock = 16; // strokes walked by one block of the pool
constexpr size_t kMarkAhead = 16;
constexpr uint16_t kSumMask = 0x3FF;
constexpr uint16_t kEdgeBit = 0x400; // the stroke follows the edge
constexpr uint16_t kLookBit = 0x800; // the look-ahead's turn counts

using pencil::Blue;
using pencil::Green;
using pencil::Prefetch;
using pencil::Red;

// Halves to even, as std::nearbyint in the default rounding mode, for
// |v| < 2^51.
inline int RoundEven(double v)
{
    constexpr double kShift = 6755399441055744.0; // 1.5 * 2^52
    return int((v + kShift) - kShift);
}

int Scaled(int p)
{
    return std::clamp(platform::Round(std::clamp(p * 2.55, -1.0e9, 1.0e9)), 0, 255);
}

struct Settings {
    int a = 0;  // stroke count base
    int l = 0;  // stroke length: pressure decay and darkening divisor
    int bl = 0; // edge threshold and look-ahead tolerance
    int c = 0;  // local contrast boost
    int k = 0;  // colour pass strength
};

class PencilSketch3Run {
public:
    PencilSketch3Run(const gfx::Image& source, gfx::Surface& dest, const Settings& s, bool preview)
        : src_(source), dest_(dest), s_(s), preview_(preview), w_(source.width()), h_(source.height()),
          n_(size_t(w_) * size_t(h_)), tilesW_(size_t((w_ + 7) / 8)), photo_(n_), alpha_(n_),
          start_(tiledSize(w_, h_)), paper_(tiledSize(w_, h_), 255), resetTo_(tiledSize(w_, h_)), rng_(kSeed),
          decay_(s.l / 1500.0 + 0.7), divisor_((255 - s.l) / 8 + 8), tolerance_(s.bl / 3)
    {
        for (int c = 0; c < 256; ++c)
            reset_[size_t(c)] = uint8_t(std::min(255, platform::Round(1.1 * c)));
        for (int n = -765; n <= 765; ++n)
            quotient_[size_t(n + 765)] = int8_t(n / divisor_);
    }

    bool valid() const { return photo_ && alpha_ && start_ && paper_ && resetTo_; }

    void run()
    {
        pencil::BuildPhotoPlanes(src_, photo_, alpha_);
        if (s_.c > 0)
            pencil::EnhanceLocalContrast(photo_, w_, h_, s_.c);
        buildStartPlane();
        strokes();
        output();
    }

private:
    // The photo and alpha planes are stored row by row.
    size_t at(int x, int y) const { return size_t(y) * size_t(w_) + size_t(x); }
    // The planes the strokes read and write (start, paper, reset) are stored
    // in tiles of 8 x 8 pixels, so that a stroke and its look-ahead stay in
    // few lines of memory whichever way they go.
    size_t tileAt(int x, int y) const
    {
        return ((size_t(y >> 3) * tilesW_ + size_t(x >> 3)) << 6) | size_t((y & 7) << 3) | size_t(x & 7);
    }
    static size_t tiledSize(int w, int h) { return size_t((w + 7) / 8) * size_t((h + 7) / 8) * 64; }

    // The photo's R + G + B with the two bits of the gradient class above.
    void buildStartPlane()
    {
        const int edge = s_.bl + 1;
        platform::ParallelForRange(0, h_, 32, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y)
                for (int x = 0; x < w_; ++x) {
                    const uint32_t c = photo_[at(x, y)];
                    uint16_t v = uint16_t(Red(c) + Green(c) + Blue(c));
                    if (x >= 1 && y >= 1 && x < w_ - 1 && y < h_ - 1) {
                        int gx = 0, gy = 0;
                        gradient(x, y, gx, gy);
                        const int g = std::abs(gx) + std::abs(gy);
                        v |= uint16_t((g > edge ? kEdgeBit : 0) | (g >= edge ? kLookBit : 0));
                    }
                    start_[tileAt(x, y)] = v;
                    resetTo_[tileAt(x, y)] = reset_[size_t(Red(c))];
                }
        });
        dark_.assign((n_ + 63) / 64, 0);
        for (int y = 1; y < h_ - 1; ++y)
            for (int x = 1; x < w_ - 1; ++x)
                if ((start_[tileAt(x, y)] & kSumMask) / 3 < 254) {
                    const size_t i = at(x, y);
                    dark_[i >> 6] |= uint64_t(1) << (i & 63);
                    startable_ = true;
                }
        for (int k = 0; k <= 12; ++k) {
            double p = k;
            int count = 0;
            while (count < kMaxSteps) {
                ++count;
                p *= decay_;
                if (p < 0.01)
                    break;
            }
            stepsFor_[size_t(k)] = count;
        }
    }

    // ---- Strokes ---------------------------------------------------------
    //
    // A stroke's path depends on the photo and its own draws only, never on
    // the paper, and how many draws a stroke takes is known once its start
    // is found (the pressure fixes the number of steps). So the strokes go
    // in batches: the start searches run in order and the generator jumps
    // over each stroke's draws; the paths are walked in parallel, each from
    // its own place in the sequence; then the marks go onto the paper in
    // stroke order.

    void strokes()
    {
        const double w200 = std::min(35.0, w_ / 200.0), h200 = std::min(35.0, h_ / 200.0);
        const int64_t maxi = platform::Round64((double(s_.a) * 100 + 1000) * w200 * h200);
        const int64_t step = std::max<int64_t>(maxi / 20, 1);
        attemptBudget_ = kStartAttemptsPerStroke * (maxi + 1);
        if (!preview_)
            SyncWithUi([] { UpdateProgressBar(0); });
        int reports = 0;
        // Pictures narrower or lower than 3 pixels have no inner place to start from.
        const bool canWalk = w_ >= 3 && h_ >= 3 && startable_;
        for (int64_t i = 0; i <= maxi;) {
            CheckCancellation();
            const int value = maxi > 0 ? platform::Round(double(i) / double(maxi) * 100) : 100;
            if (!preview_) {
                SyncWithUi([value] { UpdateProgressBar(value); });
                if (++reports % 4 == 0) {
                    copyPaperToDest();
                    const gfx::Image picture = dest_.snapshot();
                    ShowIntermediateImage(picture, -1, Delivery::Synchronous);
                }
            } else if (i % (5 * step) == 0) {
                copyPaperToDest();
                SafeUpdatePreview(dest_, value);
                updatePreviewUI();
            }
            // Up to the next report: the next multiple of step, or the last stroke.
            int64_t end = std::min((i / step + 1) * step, maxi);
            if (end <= i)
                end = maxi + 1;
            if (canWalk)
                strokesBetweenReports(end - i);
            i = end;
        }
    }

    struct Stroke {
        int rx, ry;     // where the walk starts
        int x, y;       // the start place inside the border
        uint32_t seed;  // the generator after the search
        uint16_t start; // the start plane at (x, y)
        int steps;
        size_t first;   // first mark in the batch's marks
    };

    struct Batch {
        std::vector<Stroke> strokes;
        std::vector<int32_t> marks; // the places marked, stroke after stroke
    };

    // The strokes run in batches through three stages: the start searches
    // (in order), the walks (in parallel) and the marks (in order). While
    // the pool walks one batch, one of its blocks marks the batch before and
    // plans the batch after.
    void strokesBetweenReports(int64_t count)
    {
        // At least two batches whenever there are two strokes, so that the
        // stages always overlap.
        const int64_t size = std::max<int64_t>(1, std::min(kBatch, (count + 1) / 2));
        const int64_t batches = (count + size - 1) / size;
        auto strokesIn = [&](int64_t t) { return std::min(size, count - t * size); };
        plan(batches_[0], strokesIn(0));
        for (int64_t t = 0; t < batches; ++t) {
            Batch& cur = batches_[size_t(t % 3)];
            Batch* before = t > 0 ? &batches_[size_t((t + 2) % 3)] : nullptr;
            Batch* after = t + 1 < batches ? &batches_[size_t((t + 1) % 3)] : nullptr;
            const int blocks = int((cur.strokes.size() + kWalkBlock - 1) / kWalkBlock);
            platform::ParallelForRange(0, blocks + 1, 1, [&](int a, int b) {
                for (int k = a; k < b; ++k) {
                    if (IsEffectCancelled())
                        return;
                    if (k == 0) {
                        if (before)
                            mark(*before);
                        if (after)
                            plan(*after, strokesIn(t + 1));
                    } else {
                        const size_t first = size_t(k - 1) * kWalkBlock;
                        const size_t last = std::min(cur.strokes.size(), first + kWalkBlock);
                        for (size_t j = first; j < last; ++j)
                            walk(cur.strokes[j], cur.marks.data() + cur.strokes[j].first);
                    }
                }
            });
            CheckCancellation();
        }
        if (batches > 0)
            mark(batches_[size_t((batches - 1) % 3)]);
    }

    // Finds the start of up to `count` strokes in order and jumps the
    // generator over each stroke's own draws; stops early when the search
    // budget runs out (or the run is cancelled).
    void plan(Batch& batch, int64_t count)
    {
        batch.strokes.clear();
        size_t total = 0;
        for (int64_t k = 0; k < count && attemptBudget_ > 0; ++k) {
            Stroke st{};
            if (!findStart(st))
                break;
            const uint16_t v = st.start;
            st.seed = rng_.seed();
            st.steps = stepsFor_[size_t((768 - (v & kSumMask)) / 64)];
            st.first = total;
            total += size_t(st.steps);
            const int64_t draws = ((v & kEdgeBit) ? 0 : 2) + int64_t(st.steps) * ((v & kLookBit) ? 1 : 2);
            rng_.setSeed(pencil::JumpSeed(st.seed, uint64_t(draws)));
            batch.strokes.push_back(st);
        }
        batch.marks.resize(total);
    }

    bool findStart(Stroke& st)
    {
        for (int64_t attempt = 1;; ++attempt) {
            if (--attemptBudget_ < 0)
                return false;
            if (attempt % kAttemptPoll == 0 && IsEffectCancelled())
                return false;
            st.rx = rng_.random(w_);
            st.ry = rng_.random(h_);
            st.x = std::clamp(st.rx, 1, w_ - 2);
            st.y = std::clamp(st.ry, 1, h_ - 2);
            // The next attempt's place, should this one fail.
            platform::Random next = rng_;
            next.next();
            const int nx = std::clamp(next.random(w_), 1, w_ - 2), ny = std::clamp(next.random(h_), 1, h_ - 2);
            if (darkEnough(nx, ny))
                Prefetch(start_.data() + tileAt(nx, ny));
            const int e = rng_.random(255);
            // A place of grey 254 or more can never be taken (e < 255).
            if (!darkEnough(st.x, st.y))
                continue;
            st.start = start_[tileAt(st.x, st.y)];
            if (e > (st.start & kSumMask) / 3)
                return true;
        }
    }

    // Whether a place's grey is below 254, from a bit plane small enough to
    // stay in the cache: pictures with little dark in them go through many
    // attempts.
    bool darkEnough(int x, int y) const
    {
        const size_t i = at(x, y);
        return (dark_[i >> 6] >> (i & 63)) & 1;
    }

    // The places a stroke marks, one per step.
    void walk(const Stroke& st, int32_t* out) const
    {
        platform::Random rng(st.seed);
        const bool edge = st.start & kEdgeBit;
        const bool looks = st.start & kLookBit;
        float m;
        if (edge) {
            int gx = 0, gy = 0;
            gradient(st.x, st.y, gx, gy);
            m = float(double(float(std::atan2(double(gy), double(gx)))) + 1.5707);
        } else if (rng.random(100) < 27) {
            m = rng.random(100) <= 50 ? 3.81229f : 0.6707f;
        } else {
            m = rng.random(100) <= 50 ? 2.74159f : -0.4f;
        }
        // Below the threshold the look-ahead's turn is replaced by a random one.
        std::array<double, kLooks + 1> cs{}, sn{};
        if (looks) {
            for (int k = 0; k < kLooks; ++k) {
                const double t = double(m) + (kLookFirst + k * kLookStep);
                cs[size_t(k)] = std::cos(t);
                sn[size_t(k)] = std::sin(t);
            }
            cs[kLooks] = std::cos(double(m) + 0.0);
            sn[kLooks] = std::sin(double(m) + 0.0);
        }
        int x = st.x, y = st.y;
        double fx = st.rx, fy = st.ry;
        for (int count = 0; count < st.steps; ++count) {
            out[count] = int32_t(tileAt(x, y));
            if (count + 1 == st.steps)
                break; // the last step's move is never marked
            int turn = kLooks; // straight on
            const int r = rng.random(100);
            if (r >= 25 && looks)
                turn = lookAhead(fx, fy, cs, sn);
            if (!looks) {
                const double d = rng.randomReal() * 0.3 - 0.15;
                fx += std::cos(double(m) + d);
                fy += std::sin(double(m) + d);
            } else {
                fx += cs[size_t(turn)];
                fy += sn[size_t(turn)];
            }
            x = RoundEven(fx);
            y = RoundEven(fy);
            if (x < 1)
                x = 1, fx = 1;
            if (y < 1)
                y = 1, fy = 1;
            if (x >= w_ - 1)
                x = w_ - 2, fx = w_ - 2;
            if (y >= h_ - 1)
                y = h_ - 2, fy = h_ - 2;
        }
    }

    void mark(const Batch& batch)
    {
        const size_t n = batch.marks.size();
        const int32_t* m = batch.marks.data();
        for (size_t k = 0; k < n; ++k) {
            if (k + kMarkAhead < n) {
                Prefetch(paper_.data() + m[k + kMarkAhead]);
                Prefetch(start_.data() + m[k + kMarkAhead]);
            }
            markAt(size_t(m[k]));
        }
    }

    void gradient(int x, int y, int& outX, int& outY) const
    {
        const uint32_t* up = photo_.data() + at(x, y - 1);
        const uint32_t* mid = photo_.data() + at(x, y);
        const uint32_t* down = photo_.data() + at(x, y + 1);
        bool first = true;
        for (int shift = 16; shift >= 0; shift -= 8) {
            auto c = [shift](uint32_t v) { return int((v >> shift) & 0xFF); };
            const int gy = (3 * c(up[-1]) + 10 * c(up[0]) + 3 * c(up[1])) -
                           (3 * c(down[-1]) + 10 * c(down[0]) + 3 * c(down[1]));
            const int gx = (3 * c(up[-1]) + 10 * c(mid[-1]) + 3 * c(down[-1])) -
                           (3 * c(up[1]) + 10 * c(mid[1]) + 3 * c(down[1]));
            outX = first ? gx : std::max(outX, gx);
            outY = first ? gy : std::max(outY, gy);
            first = false;
        }
    }

    // Darkens the paper toward the photo, or resets it where it is clearly
    // darker than the photo.
    void markAt(size_t i)
    {
        const int p = paper_[i];
        int z = quotient_[size_t(3 * p - int(start_[i] & kSumMask) + 765)];
        if (z <= -5) {
            paper_[i] = resetTo_[i];
            return;
        }
        if (z < 0)
            z = 0;
        paper_[i] = uint8_t(p * (255 - z) / 256);
    }

    // The look whose place is darkest within the tolerance (the last such
    // one wins); kLooks (straight on) when none is inside the picture.
    int lookAhead(double fx, double fy, const std::array<double, kLooks + 1>& cs,
                  const std::array<double, kLooks + 1>& sn) const
    {
        // The places first (a loop the compiler can vectorise), then the reads.
        std::array<int, kLooks> px, py;
        for (size_t k = 0; k < size_t(kLooks); ++k) {
            px[k] = RoundEven(fx + cs[k]);
            py[k] = RoundEven(fy + sn[k]);
        }
        int best = 768;
        int turn = kLooks;
        for (int k = 0; k < kLooks; ++k) {
            const int cx = px[size_t(k)], cy = py[size_t(k)];
            if (cx <= 0 || cy <= 0 || cx >= w_ - 1 || cy >= h_ - 1)
                continue;
            const int v = start_[tileAt(cx, cy)] & kSumMask;
            if (v < best + tolerance_) {
                best = v;
                turn = k;
            }
        }
        return turn;
    }

    // ---- Output ----------------------------------------------------------

    void copyPaperToDest()
    {
        platform::ParallelForRange(0, h_, 64, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                gfx::Pixel* out = dest_.row(y);
                for (int x0 = 0; x0 < w_; x0 += 8) {
                    const uint8_t* g = paper_.data() + tileAt(x0, y);
                    for (int k = 0; k < 8 && x0 + k < w_; ++k)
                        out[x0 + k] = 0xFF000000u | gfx::Pixel(g[k]) * 0x010101u;
                }
            }
        });
    }

    // Copies the picture into the preview pane unless a newer preview owns it.
    void updatePreviewUI()
    {
        if (!preview_)
            return;
        const EffectRunContext* run = CurrentRun();
        if (run && run->isSuperseded())
            return;
        const gfx::Image shown = run ? ComposePreviewPane(dest_.snapshot(), run->pane) : dest_.snapshot();
        SyncWithUi([&] {
            EngineHost* host = InstalledEngineHost();
            if (!host || (run && run->isSuperseded()))
                return;
            host->showPreview(shown);
        });
    }

    // Colour pass, then the source alpha (colour scaled by it).
    void output()
    {
        const double u = s_.k / 255.0;
        platform::ParallelForRange(0, h_, 16, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                gfx::Pixel* out = dest_.row(y);
                for (int x = 0; x < w_; ++x) {
                    const size_t i = at(x, y);
                    const int g = paper_[tileAt(x, y)];
                    uint32_t rgb = gfx::Pixel(g) * 0x010101u;
                    if (s_.k > 0 && g <= 200)
                        rgb = pencil::TintedGrey(g, photo_[i], u);
                    const uint32_t a = alpha_[i];
                    auto mul = [a](uint32_t c) { return c * a / 255; };
                    out[x] = (a << 24) | (mul((rgb >> 16) & 0xFF) << 16) | (mul((rgb >> 8) & 0xFF) << 8) |
                             mul(rgb & 0xFF);
                }
            }
        });
        if (preview_) {
            updatePreviewUI();
            gLastProgressTick = 0;
            SafeUpdatePreview(dest_, 101);
        } else {
            SyncWithUi([] { UpdateProgressBar(101); });
        }
    }

    const gfx::Image& src_;
    gfx::Surface& dest_;
    const Settings s_;
    const bool preview_;
    const int w_;
    const int h_;
    const size_t n_;
    const size_t tilesW_;
    pencil::Plane<uint32_t> photo_; // 0x00RRGGBB over white, then boosted
    pencil::Plane<uint8_t> alpha_;
    pencil::Plane<uint16_t> start_; // R + G + B of the photo, and the gradient class
    pencil::Plane<uint8_t> paper_;  // grey of the paper
    pencil::Plane<uint8_t> resetTo_; // what the paper becomes where it is clearly too dark
    std::vector<uint64_t> dark_;     // one bit a place: grey below 254
    platform::Random rng_;
    const double decay_;
    const int divisor_;
    const int tolerance_;
    std::array<uint8_t, 256> reset_{}; // min(255, Round(1.1 c))
    bool startable_ = false;
    int64_t attemptBudget_ = 0;
    std::array<int, 13> stepsFor_{}; // steps of a stroke by its pressure
    std::array<int8_t, 2 * 765 + 1> quotient_{}; // n div divisor for n = -765 .. 765
    std::array<Batch, 3> batches_;
};

} // namespace

void PencilSketch3(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5,
                   bool preview)
{
    CheckCancellation();
    if (source.isNull() || source.width() <= 0 || source.height() <= 0 || dest.isNull() ||
        dest.size() != source.size())
        return;
    Settings s;
    s.a = Scaled(p1);
    s.l = Scaled(p2);
    s.bl = Scaled(p3);
    s.c = Scaled(p4);
    s.k = Scaled(p5);
    PencilSketch3Run run(source, dest, s, preview);
    if (run.valid())
        run.run();
}

} // namespace pq
