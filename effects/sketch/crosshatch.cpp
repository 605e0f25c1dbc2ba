#include "effects/sketch/crosshatch.h"

#include "effects/shared/outline_mask.h"
#include "engine/runtime/effect_api.h"
#include "gfx/banded_draw.h"
#include "gfx/filters.h"
#include "gfx/luma.h"
#include "platform/numeric.h"
#include "platform/thread_pool.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace pq {
namespace {

constexpr float kIrregularity = 0.2f; // J: scales all jitter
constexpr std::array<float, 6> kAngleOffset = {0.0f, 90.0f, 45.0f, 135.0f, 20.0f, 110.0f};
constexpr std::array<float, 6> kThreshold = {0.84f, 0.60f, 0.43f, 0.28f, 0.15f, 0.06f};
constexpr std::array<float, 6> kSpacing = {1.0f, 1.0f, 1.05f, 0.92f, 0.80f, 0.72f};
constexpr int kStrokeRed = 18; // strokes and contours are grey 18
constexpr size_t kStrokesPerBatch = 1u << 19;
constexpr int kMaxLength = 200;     // stroke length slider
constexpr float kMaxWeight = 12.0f; // width base

// The run's own generator: the same source and sliders give the same picture.
class HatchRandom {
public:
    HatchRandom() = default;
    explicit HatchRandom(uint32_t state) : state_(state) {}
    uint32_t state() const { return state_; }

    float next()
    {
        state_ = state_ * 1664525u + 1013904223u;
        return float(double(state_ >> 8) * (1.0 / 16777216.0));
    }

private:
    uint32_t state_ = 0x9E3779B1u;
};

// A plane of singles, row by row. Not cleared: every user writes it whole
// (in parallel) before reading it.
struct Grid {
    int w = 0, h = 0;
    std::unique_ptr<float[]> v;
    Grid(int width, int height)
        : w(width), h(height), v(std::make_unique_for_overwrite<float[]>(size_t(width) * size_t(height)))
    {}
    float at(int x, int y) const { return v[size_t(y) * w + x]; }
    float* row(int y) { return v.get() + size_t(y) * w; }
    float* data() { return v.get(); }
};

// Box mean of one line of n values read from `in` (stride apart), written
// to `out`: the window of `radius` either side is clipped at the ends and
// its running sum kept in single precision. `in` must not alias `out`.
void BoxMeanLine(const float* in, size_t inStride, float* out, size_t outStride, int n, int radius)
{
    float sum = 0.0f;
    int count = 0;
    for (int i = 0; i <= std::min(radius, n - 1); ++i) {
        sum += in[size_t(i) * inStride];
        ++count;
    }
    out[0] = sum / float(count);
    for (int i = 1; i < n; ++i) {
        if (i + radius < n) {
            sum += in[size_t(i + radius) * inStride];
            ++count;
        }
        if (i - radius - 1 >= 0) {
            sum -= in[size_t(i - radius - 1) * inStride];
            --count;
        }
        out[size_t(i) * outStride] = sum / float(count);
    }
}

// Separable box mean, rows then columns. Each line is read from a copy, so
// the sums never see values the pass has already replaced.
void BoxMean(Grid& g, int radius)
{
    platform::ParallelForRange(0, g.h, 16, [&](int y0, int y1) {
        std::vector<float> line(size_t(g.w));
        for (int y = y0; y < y1; ++y) {
            std::copy(g.row(y), g.row(y) + g.w, line.begin());
            BoxMeanLine(line.data(), 1, g.row(y), 1, g.w, radius);
        }
    });
    constexpr int kColumns = 32;
    const int blocks = (g.w + kColumns - 1) / kColumns;
    platform::ParallelForRange(0, blocks, 1, [&](int b0, int b1) {
        std::vector<float> copy(size_t(g.h) * kColumns);
        for (int b = b0; b < b1; ++b) {
            const int x0 = b * kColumns, n = std::min(kColumns, g.w - x0);
            for (int y = 0; y < g.h; ++y)
                std::copy(g.row(y) + x0, g.row(y) + x0 + n, copy.begin() + size_t(y) * kColumns);
            for (int i = 0; i < n; ++i)
                BoxMeanLine(copy.data() + i, kColumns, g.data() + x0 + i, size_t(g.w), g.h, radius);
        }
    });
}

// One stroke: an open two-segment polyline, its width and opacity.
struct Stroke {
    float x0, y0, x1, y1, x2, y2;
    float width;
    uint8_t alpha;
};

class CrosshatchRun {
public:
    CrosshatchRun(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5, bool preview)
        : source_(source), dest_(dest), p2_(p2), p5_(p5), preview_(preview), w_(source.width()), h_(source.height()),
          tone_(w_, h_), theta_(w_, h_)
    {
        s_ = float(30.0 - p1 / 100.0 * 28.0);
        if (s_ < 1.6f)
            s_ = 1.6f;
        t_ = float((p3 - 50) / 50.0);
        // Script values: a negative line weight draws hairlines; lengths and
        // weights far beyond the sliders' range are held where the work per
        // stroke stays bounded.
        lb_ = float(std::min(p4, kMaxLength) / 100.0 * 147.0 + 3.0);
        wb_ = std::clamp(float(p5 / 100.0 * 3.2 + 0.3), 0.0f, kMaxWeight);
    }

    void run()
    {
        std::vector<uint8_t> alpha(size_t(w_) * size_t(h_));
        platform::ParallelForRange(0, h_, 64, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                const gfx::Pixel* src = source_.row(y);
                for (int x = 0; x < w_; ++x)
                    alpha[size_t(y) * w_ + x] = uint8_t(src[x] >> 24);
            }
        });
        CheckCancellation();

        if (!computeTone())
            return;
        report(15);
        CheckCancellation();
        computeOrientation();
        report(30);
        CheckCancellation();

        gfx::Surface sheet = gfx::Surface::make(w_, h_);
        if (sheet.isNull())
            return;
        sheet.clearPixel(0xFFFFFFFFu);
        hatch(sheet);

        std::vector<uint8_t> mask;
        if (p2_ > 0)
            ComputeOutlineMask(source_, w_, h_, p2_, p5_, mask);
        compose(sheet, alpha, mask);
        tone_ = Grid(0, 0);
        theta_ = Grid(0, 0);
        if (!preview_)
            SafeUpdateProgress(95);
        CheckCancellation();

        // The finished picture becomes Dest (a copy when the sizes differ).
        if (sheet.size() == dest_.size()) {
            dest_ = std::move(sheet);
        } else {
            dest_.clearPixel(0);
            dest_.writeImage(sheet.snapshot(), 0, 0);
        }
        if (preview_) {
            gLastProgressTick = 0;
            SafeUpdatePreview(dest_, 101);
        } else {
            SafeUpdateProgress(100);
            UpdateProgressBar(101);
        }
    }

private:
    void report(int value) { ReportProgress(dest_, preview_, value); }

    // Tone 0 (black) .. 1 (white) of the blurred source, through the
    // contrast curve.
    bool computeTone()
    {
        const gfx::Image blurred = gfx::GaussianBlur(source_, 1.0f, 1.0f, gfx::EdgeMode::Clamp);
        if (blurred.isNull())
            return false;
        const double t = t_;
        const double pull = 0.45 * t + 0.5, gain = 0.5 * t + 1.2;
        platform::ParallelForRange(0, h_, 16, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                const gfx::Pixel* src = blurred.row(y);
                float* out = tone_.row(y);
                for (int x = 0; x < w_; ++x) {
                    const gfx::Pixel p = src[x];
                    const double u = float(gfx::Luma601((p >> 16) & 255, (p >> 8) & 255, p & 255) / 255.0);
                    const double v = float(u + pull * (u * u * (3.0 - 2.0 * u) - u));
                    const float tone = float((v - 0.5) * gain + 0.5);
                    out[x] = tone < 0.0f ? 0.0f : (tone > 1.0f ? 1.0f : tone);
                }
            }
        });
        return true;
    }

    // Orientation along the tone edges from the smoothed structure tensor.
    void computeOrientation()
    {
        {
            Grid jxx(w_, h_), jxy(w_, h_), jyy(w_, h_);
            platform::ParallelForRange(0, h_, 16, [&](int y0, int y1) {
                for (int y = y0; y < y1; ++y)
                    for (int x = 0; x < w_; ++x) {
                        const float gx = tone_.at(std::min(x + 1, w_ - 1), y) - tone_.at(std::max(x - 1, 0), y);
                        const float gy = tone_.at(x, std::min(y + 1, h_ - 1)) - tone_.at(x, std::max(y - 1, 0));
                        const size_t i = size_t(y) * w_ + x;
                        jxx.v[i] = gx * gx;
                        jxy.v[i] = gx * gy;
                        jyy.v[i] = gy * gy;
                    }
            });
            const int radius = std::clamp(platform::Round(s_), 2, 24);
            BoxMean(jxx, radius);
            BoxMean(jxy, radius);
            BoxMean(jyy, radius);
            CheckCancellation();

            const double a = float(0.7853982);
            const float bx = float(0.0007 * std::cos(2.0 * a)), by = float(0.0007 * std::sin(2.0 * a));
            platform::ParallelForRange(0, h_, 16, [&](int y0, int y1) {
                for (int y = y0; y < y1; ++y)
                    for (int x = 0; x < w_; ++x) {
                        const size_t i = size_t(y) * w_ + x;
                        theta_.v[i] = float(0.5 * std::atan2(2.0 * jxy.v[i] + by, (double(jxx.v[i]) - jyy.v[i]) + bx) +
                                            1.5707963);
                    }
            });
        }
    }

    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < w_ && y < h_; }

    // How far a stroke may run from (cx, cy) along (dx, dy) before it
    // leaves the picture or its tone band.
    // With maxSteps > 0 the trace gives up after that many steps (returning
    // how far it got so far).
    float traceStroke(float cx, float cy, float dx, float dy, float maxLength, float referenceTone, int maxSteps) const
    {
        for (int i = 1;; ++i) {
            if (maxSteps > 0 && i > maxSteps)
                return float(1.5 * maxSteps);
            const double d = 1.5 * i;
            if (d > maxLength)
                return maxLength;
            const int x = platform::Round(float(cx + dx * d));
            const int y = platform::Round(float(cy + dy * d));
            if (!inside(x, y) || std::abs(double(tone_.at(x, y)) - referenceTone) > 0.16)
                return float(d - 1.5);
        }
    }

    // One candidate stroke of layer k at grid point (x, y), spacing s. The
    // generator draws in a fixed order and only as far as the candidate
    // gets. With `out` null only the outcome is worked out: whether the
    // first step of each trace leaves the tone band decides whether the
    // stroke is drawn (a trace that gets past its first step runs 1.5 or
    // more), so the generator is advanced exactly as the full work would.
    bool candidate(int k, float x, float y, float s, HatchRandom& rng, Stroke* out) const
    {
        const double irregularity = kIrregularity;
        const double jitter = 0.9 * irregularity + 0.7, turn = 0.55 * irregularity + 0.1, spread = 0.6 * irregularity + 0.85, sway = irregularity + 0.4;
        const float threshold = kThreshold[size_t(k)];
        const double offset = kAngleOffset[size_t(k)];
        const float px = float(x + (rng.next() - 0.5) * s * jitter);
        const float py = float(y + (rng.next() - 0.5) * s * jitter);
        const int ix = platform::Round(px), iy = platform::Round(py);
        if (!inside(ix, iy))
            return false;
        const float tone = tone_.at(ix, iy);
        if (!(threshold + (rng.next() - 0.5) * 0.07 > tone))
            return false;
        const float m = float(offset * 0.0174533 + 0.2 * std::sin(0.012 * px + 0.015 * py + k));
        const float th = float(theta_.at(ix, iy) + double(m) + (rng.next() - 0.5) * turn);
        const float half = float(float(lb_ * (rng.next() * spread + 0.28)) * 0.5);
        const float c = float(std::cos(double(th))), n = float(std::sin(double(th)));
        float back, forward;
        if (out) {
            back = traceStroke(px, py, -c, -n, half, tone, 0);
            forward = traceStroke(px, py, c, n, half, tone, 0);
        } else {
            back = traceStroke(px, py, -c, -n, half, tone, 1);
            forward = traceStroke(px, py, c, n, half, tone, 1);
        }
        if (double(back) + forward < 1.5)
            return false;
        const float width = float(wb_ * (rng.next() * 0.6 + 0.8));
        const float bend = float((rng.next() - 0.5) * (wb_ + 0.09 * (double(back) + forward)) * sway);
        if (out) {
            const float wgt = float(float((double(threshold) - tone) / (threshold + 0.001)) * 0.46 + 0.28);
            const int alpha = std::clamp(platform::Round(wgt * 255.0), 0, 255);
            *out = {float(px - c * back),    float(py - n * back),    float(px - n * bend),  float(py + c * bend),
                    float(px + c * forward), float(py + n * forward), std::max(width, 0.0f), uint8_t(alpha)};
        }
        return true;
    }

    struct Start {
        float x, y;
        uint32_t state; // the generator before the candidate's first draw
    };

    void hatch(gfx::Surface& sheet)
    {
        HatchRandom rng;
        std::vector<Start> starts;
        std::vector<Stroke> strokes;
        for (int k = 0; k < 6; ++k) {
            float s = float(double(s_) * kSpacing[size_t(k)]);
            if (s < 1.6f)
                s = 1.6f;
            for (float y = s / 2; y < float(h_); y += s) {
                for (float x = s / 2; x < float(w_); x += s) {
                    const uint32_t state = rng.state();
                    if (candidate(k, x, y, s, rng, nullptr))
                        starts.push_back({x, y, state});
                }
                if (starts.size() >= kStrokesPerBatch) {
                    build(k, s, starts, strokes);
                    draw(sheet, strokes);
                    CheckCancellation();
                }
            }
            build(k, s, starts, strokes);
            draw(sheet, strokes);
            if (preview_) {
                SafeUpdatePreview(sheet, 40 + 10 * k);
            } else {
                ShowIntermediateImage(sheet.snapshot(), 40 + 10 * k, Delivery::Queued);
            }
            CheckCancellation();
        }
    }

    // The strokes of the recorded candidates, worked out in parallel.
    void build(int k, float s, std::vector<Start>& starts, std::vector<Stroke>& strokes) const
    {
        strokes.resize(starts.size());
        platform::ParallelForRange(0, int(starts.size()), 256, [&](int i0, int i1) {
            for (int i = i0; i < i1; ++i) {
                const Start& st = starts[size_t(i)];
                HatchRandom local(st.state);
                candidate(k, st.x, st.y, s, local, &strokes[size_t(i)]);
            }
        });
        starts.clear();
    }

    // Multiplies the strokes onto the sheet in list order, then empties the list.
    static void draw(gfx::Surface& sheet, std::vector<Stroke>& strokes)
    {
        std::vector<gfx::RowSpan> rows(strokes.size());
        for (size_t i = 0; i < strokes.size(); ++i) {
            const Stroke& s = strokes[i];
            const double margin = std::max(0.5, double(s.width) / 2.0) + 1.0;
            rows[i] = gfx::RowSpanOf(std::min({s.y0, s.y1, s.y2}), std::max({s.y0, s.y1, s.y2}), margin);
        }
        gfx::DrawInBands(sheet, rows, [&](gfx::BandCanvas& canvas, int i) {
            const Stroke& s = strokes[size_t(i)];
            const uint32_t a = s.alpha;
            const uint32_t grey = (kStrokeRed * a + 127) / 255;
            const gfx::Pixel color = (a << 24) | (grey << 16) | (grey << 8) | grey;
            const QPointF line[3] = {{s.x0, s.y0}, {s.x1, s.y1}, {s.x2, s.y2}};
            canvas.strokePolyline(line, s.width, color, gfx::ShapeBlend::Multiply);
        });
        strokes.clear();
    }

    // Grey of the hatching, darkened by the contours; opaque where the
    // source has alpha 10 or more, transparent elsewhere.
    void compose(gfx::Surface& sheet, const std::vector<uint8_t>& alpha, const std::vector<uint8_t>& mask) const
    {
        const bool withMask = mask.size() == size_t(w_) * size_t(h_);
        uchar* const bits = sheet.bits();
        const qsizetype stride = sheet.stride();
        platform::ParallelForRange(0, h_, 16, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                auto* px = reinterpret_cast<gfx::Pixel*>(bits + y * stride);
                for (int x = 0; x < w_; ++x) {
                    const size_t i = size_t(y) * w_ + x;
                    if (alpha[i] < 10) {
                        px[x] = 0;
                        continue;
                    }
                    const gfx::Pixel p = px[x];
                    int v = int(((p >> 16) & 255) + ((p >> 8) & 255) + (p & 255)) / 3;
                    if (withMask && mask[i] > 0)
                        v = (v * (255 - mask[i]) + kStrokeRed * mask[i]) / 255;
                    px[x] = 0xFF000000u | gfx::Pixel(v) * 0x010101u;
                }
            }
        });
    }

    const gfx::Image& source_;
    gfx::Surface& dest_;
    const int p2_, p5_;
    const bool preview_;
    const int w_, h_;
    float s_ = 0, t_ = 0, lb_ = 0, wb_ = 0;
    Grid tone_, theta_;
};

} // namespace

void Crosshatch(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5, bool preview)
{
    if (source.isNull() || dest.isNull())
        return;
    CheckCancellation();
    if (source.width() < 2 || source.height() < 2)
        return;
    CrosshatchRun(source, dest, p1, p2, p3, p4, p5, preview).run();
}

} // namespace pq
