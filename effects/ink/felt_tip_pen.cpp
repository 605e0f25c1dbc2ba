#include "effects/ink/felt_tip_pen.h"

#include "engine/runtime/effect_api.h"
#include "gfx/banded_draw.h"
#include "gfx/luma.h"
#include "platform/numeric.h"
#include "platform/thread_pool.h"
#include "platform/tick.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace pq {
namespace {

// Strokes are drawn in batches, each a strip of about a sixteenth of the
// picture's rows or this many strokes, whichever comes first: large enough
// to keep every thread busy, small enough that progress, intermediate
// pictures and cancellation keep pace with the drawing.
constexpr size_t kBatch = 1u << 18;
constexpr int kStripsPerPicture = 16;
constexpr uint32_t kIntermediateMs = 250;
constexpr int kMaxLengthBase = 400;

inline int Red(gfx::Pixel p)
{
    return int((p >> 16) & 255);
}
inline int Green(gfx::Pixel p)
{
    return int((p >> 8) & 255);
}
inline int Blue(gfx::Pixel p)
{
    return int(p & 255);
}

// Grey of stored bytes, as this effect uses it everywhere.
inline int GreyOf(gfx::Pixel p)
{
    return gfx::Luma601Hundredths(Red(p), Green(p), Blue(p));
}

gfx::Pixel Premultiplied(int a, int r, int g, int b)
{
    auto mul = [a](int c) { return gfx::Pixel((c * a + 127) / 255); };
    return gfx::Pixel(a) << 24 | mul(r) << 16 | mul(g) << 8 | mul(b);
}

// Channels at the largest value gain up to 40, those at the smallest lose
// half as much, once the spread reaches 35.
void BoostSaturation(int& r, int& g, int& b)
{
    const int mx = std::max({r, g, b}), mn = std::min({r, g, b});
    if (mx - mn < 35)
        return;
    const int boost = std::clamp(2 * (mx - mn - 35), 0, 40);
    const int r0 = r, g0 = g, b0 = b;
    auto lift = [&](int& c, int before) {
        if (before == mx)
            c = std::min(255, c + boost);
        else if (before == mn)
            c = std::max(0, c - boost / 2);
    };
    lift(r, r0);
    lift(g, g0);
    lift(b, b0);
}

struct Marker {
    float x[4], y[4];
    gfx::Pixel color;
};

struct Hatch {
    float x0, y0, cx, cy, x1, y1;
    float width;
    gfx::Pixel color;
};

class FeltTipRun {
public:
    FeltTipRun(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5, bool preview)
        : source_(source), dest_(dest), preview_(preview), w_(source.width()), h_(source.height()), rng_(RunRandom())
    {
        const int density = std::clamp(p1, 0, 100), opacity = std::clamp(p2, 0, 100);
        p5_ = std::clamp(p5, 0, 100);
        step_ = std::max(1, platform::Round((20.0 - 0.19 * density) / 1.5));
        alpha_ = platform::Round(double(float(opacity / 100.0)) * 255.0);
        // Longer than the slider allows is fine for scripts, up to where a
        // stroke could cross the whole picture.
        lengthBase_ = std::clamp(p3, 2, kMaxLengthBase);
        widthBase_ = std::clamp(float(p4 / 4.0), 1.0f, 25.0f);
        edgeThreshold_ = std::max(5, 100 - p5_);
        hatchCount_ = std::max(1, platform::Round(p5_ / 20.0));
        edgePass_ = p5_ > 2;
        total_ = std::max(1, (h_ - 2) / 10 + ((h_ - 1) / step_ + 1) + (edgePass_ ? (h_ - 3) / 20 : 0));
    }

    void run()
    {
        lastPicture_ = platform::TickMs(); // the first intermediate picture comes 250 ms in
        computeGradients();
        CheckCancellation();
        drawMarkerPass();
        if (preview_)
            ReportFinished(dest_, true);
        CheckCancellation();
        if (edgePass_) {
            drawEdgePass();
            if (preview_)
                ReportFinished(dest_, true);
        }
        CheckCancellation();
        applySourceAlpha();
        if (!preview_)
            UpdateProgressBar(101);
    }

private:
    size_t at(int x, int y) const { return size_t(y) * size_t(w_) + size_t(x); }
    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < w_ && y < h_; }

    void updateProgress()
    {
        ++counter_;
        const int percent = std::min(100, platform::Round(double(counter_) / total_ * 100.0));
        if (preview_) {
            SafeUpdatePreview(dest_, percent);
            return;
        }
        SafeUpdateProgress(percent);
        const uint32_t now = platform::TickMs();
        if (now - lastPicture_ > kIntermediateMs) {
            lastPicture_ = now;
            ShowIntermediateImage(dest_.snapshot(), -1, Delivery::Queued);
        }
    }

    // Sobel on the grey, left minus right and top minus bottom; the angle
    // runs along the edge. The outer border keeps 0.
    void computeGradients()
    {
        const size_t n = size_t(w_) * size_t(h_);
        magnitude_.assign(n, 0);
        angle_.assign(n, 0.0f);
        std::vector<uint8_t> grey(n);
        platform::ParallelForRange(0, h_, 16, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                const gfx::Pixel* src = source_.row(y);
                for (int x = 0; x < w_; ++x)
                    grey[at(x, y)] = uint8_t(GreyOf(src[x]));
            }
        });
        platform::ParallelForRange(1, std::max(1, h_ - 1), 16, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                const uint8_t* up = grey.data() + at(0, y - 1);
                const uint8_t* mid = up + w_;
                const uint8_t* down = mid + w_;
                for (int x = 1; x < w_ - 1; ++x) {
                    const int gx =
                        (up[x - 1] + 2 * mid[x - 1] + down[x - 1]) - (up[x + 1] + 2 * mid[x + 1] + down[x + 1]);
                    const int gy = (up[x - 1] + 2 * up[x] + up[x + 1]) - (down[x - 1] + 2 * down[x] + down[x + 1]);
                    magnitude_[at(x, y)] = uint16_t(std::abs(gx) + std::abs(gy));
                    if (gx != 0 || gy != 0)
                        angle_[at(x, y)] = float(std::atan2(double(gy), double(gx)) + 1.5707);
                }
            }
        });
        for (int y = 1; y <= h_ - 2; ++y) {
            if (y % 10 == 0) {
                CheckCancellation();
                updateProgress();
            }
        }
    }

    // Steps from (x, y) along +-(c, s) until the picture's edge, a strong
    // edge (when the stroke stops at edges) or, past the first fifth of the
    // stroke, a colour too far from the stroke's.
    int walk(int x, int y, double c, double s, int steps, double len, bool stopAtEdges, int limit, int r, int g,
             int b) const
    {
        int count = 0;
        for (int i = 1; i <= steps; ++i) {
            const int sx = x + platform::Round(i * c), sy = y + platform::Round(i * s);
            if (!inside(sx, sy))
                break;
            if (stopAtEdges && magnitude_[at(sx, sy)] > limit)
                break;
            if (i > 0.2 * len) {
                const gfx::Pixel q = source_.pixel(sx, sy);
                if (std::abs(r - Red(q)) + std::abs(g - Green(q)) + std::abs(b - Blue(q)) > 90)
                    break;
            }
            ++count;
        }
        return count;
    }

    // The marker stroke started at (x, y), from the generator as it stands
    // after the placement draw.
    Marker buildMarker(int x, int y, platform::Random& rng) const
    {
        const gfx::Pixel p = source_.pixel(x, y);
        int r = Red(p), g = Green(p), b = Blue(p);
        BoostSaturation(r, g, b);
        r = std::min(255, r + 20);
        g = std::min(255, g + 20);
        b = std::min(255, b + 20);

        float theta;
        const bool onEdge = magnitude_[at(x, y)] > 40;
        if (onEdge)
            theta = angle_[at(x, y)];
        else
            theta = float(((rng.randomReal() - 0.5) * 40.0 - 45.0) * 0.01745329252);
        const float len = float(std::max(4.0, lengthBase_ * (rng.randomReal() * 1.2 + 0.8)));
        // A walk never gets further than the picture is wide or high.
        const int steps = int(std::min<int64_t>(int64_t(w_) + h_ + 2, platform::Round64(len * 0.5)));
        const double c = std::cos(double(theta)), s = std::sin(double(theta));
        const int edgeLimit = std::max(50, edgeThreshold_);
        int forward = walk(x, y, c, s, steps, len, !onEdge, edgeLimit, r, g, b);
        int backward = walk(x, y, -c, -s, steps, len, !onEdge, edgeLimit, r, g, b);
        if (forward + backward < 2)
            forward = backward = 2;
        const float wd = float(std::max(1.5, widthBase_ * (rng.randomReal() * 0.4 + 0.8)));
        const float jx = float((rng.randomReal() - 0.5) * step_ * 0.5);
        const float jy = float((rng.randomReal() - 0.5) * step_ * 0.5);
        const double tx = float(double(x) + jx), ty = float(double(y) + jy);
        const double u[4] = {-double(backward), double(forward), double(forward), -double(backward)};
        const double v[4] = {-wd / 2.0, -wd / 2.0, wd / 2.0, wd / 2.0};
        Marker m{};
        for (int k = 0; k < 4; ++k) {
            m.x[k] = float(tx + u[k] * c - v[k] * s);
            m.y[k] = float(ty + u[k] * s + v[k] * c);
        }
        m.color = Premultiplied(alpha_, r, g, b);
        return m;
    }

    // White paper whatever the source's alpha (the last pass cuts the
    // picture to it); a full run with "Erase background" off paints over the
    // current result instead.
    void prepareCanvas()
    {
        if (!preview_) {
            const CanvasBackground background = ReadCanvasBackground();
            if (!background.erase) {
                dest_.clearPixel(0);
                if (!background.under.isNull())
                    dest_.writeImage(background.under, 0, 0);
                return;
            }
        }
        dest_.clearPixel(0xFFFFFFFFu);
    }

    struct Start {
        int x, y;
        uint32_t seed; // the generator where this start's draws begin
        int first = 0; // edge pass: index of its first curve
    };

    // Which candidates get a stroke is decided here, in order, together
    // with how many draws each one takes (the walks take none), so the
    // strokes themselves can be worked out in parallel, each from its own
    // point of the generator's sequence.
    void drawMarkerPass()
    {
        prepareCanvas();
        std::vector<Start> starts;
        int pendingRows = 0;
        const int strip = std::max(1, h_ / kStripsPerPicture);
        int stripStart = 0;
        for (int y = 0; y < h_; ++y) {
            if (y % step_ != 0)
                continue;
            CheckCancellation();
            ++pendingRows;
            for (int x = 0; x < w_; x += step_) {
                const int l = GreyOf(source_.pixel(x, y));
                if (l > 250)
                    continue;
                if (rng_.randomReal() > 1.0 - l / 400.0)
                    continue;
                starts.push_back({x, y, rng_.seed()});
                const int draws = magnitude_[at(x, y)] > 40 ? 4 : 5;
                for (int k = 0; k < draws; ++k)
                    rng_.next();
            }
            if (starts.size() >= kBatch || y - stripStart >= strip) {
                flushMarkers(starts, pendingRows);
                stripStart = y;
            }
        }
        flushMarkers(starts, pendingRows);
    }

    void flushMarkers(std::vector<Start>& starts, int& pendingRows)
    {
        std::vector<Marker> batch(starts.size());
        std::vector<gfx::RowSpan> spans(starts.size());
        platform::ParallelForRange(0, int(starts.size()), 256, [&](int i0, int i1) {
            for (int i = i0; i < i1; ++i) {
                platform::Random rng(starts[size_t(i)].seed);
                const Marker m = buildMarker(starts[size_t(i)].x, starts[size_t(i)].y, rng);
                batch[size_t(i)] = m;
                spans[size_t(i)] = gfx::RowSpanOf(std::min({m.y[0], m.y[1], m.y[2], m.y[3]}),
                                                  std::max({m.y[0], m.y[1], m.y[2], m.y[3]}), 1.0);
            }
        });
        gfx::DrawInBands(dest_, spans, [&](gfx::BandCanvas& canvas, int i) {
            const Marker& m = batch[size_t(i)];
            const QPointF quad[4] = {{m.x[0], m.y[0]}, {m.x[1], m.y[1]}, {m.x[2], m.y[2]}, {m.x[3], m.y[3]}};
            canvas.fillPolygon(quad, m.color, gfx::ShapeBlend::Multiply);
        });
        starts.clear();
        for (; pendingRows > 0; --pendingRows)
            updateProgress();
    }

    // Strength of the edge at a magnitude above the threshold, 0..1.
    float edgeStrength(int m) const { return std::min(1.0f, float((m - edgeThreshold_) / 250.0)); }
    int hatchCountAt(float s) const { return platform::Round(hatchCount_ * double(s)) + 1; }
    float hatchLength(float s) const { return float(std::max(3.0, (0.7 * s + 0.3) * 15.0)); }

    // The curves of the edge pixel (x, y) into out[0 .. count), from the
    // generator as it stands before the grey's draw.
    void buildHatches(int x, int y, platform::Random& rng, Hatch* out) const
    {
        const float s = edgeStrength(magnitude_[at(x, y)]);
        const int v = std::clamp(platform::Round(0.4 * GreyOf(source_.pixel(x, y))) + rng.random(40) - 20, 10, 110);
        const int a = std::clamp(platform::Round(8.0 * s) + platform::Round(0.45 * p5_) + 2, 3, 100);
        const gfx::Pixel color = Premultiplied(a, v, v, v);
        const float width = float(0.5 * s + 0.5);
        const float theta = angle_[at(x, y)];
        const float lh = hatchLength(s);
        for (int k = 0, count = hatchCountAt(s); k < count; ++k) {
            const float jx = float((rng.randomReal() - 0.5) * 1.5);
            const float jy = float((rng.randomReal() - 0.5) * 1.5);
            const float lk = float(lh * (0.3 * rng.randomReal() + 0.7));
            const float da = float((rng.randomReal() - 0.5) * 0.2);
            const float hx = float(std::cos(double(theta) + da) * lk * 0.5);
            const float hy = float(std::sin(double(theta) + da) * lk * 0.5);
            const float x0 = float(double(x) - hx + jx), y0 = float(double(y) - hy + jy);
            const float x1 = float(double(x) + hx + jx), y1 = float(double(y) + hy + jy);
            const float b = float((rng.randomReal() - 0.5) * 3.0);
            const float cx = float((double(x0) + x1) / 2.0 - b * (double(y1) - y0) * 0.1);
            const float cy = float((double(y0) + y1) / 2.0 + b * (double(x1) - x0) * 0.1);
            out[k] = {x0, y0, cx, cy, x1, y1, width, color};
        }
    }

    // Whether the edge runs on far enough in its own direction for hatching.
    bool edgeContinues(int x, int y, float s) const
    {
        const float theta = angle_[at(x, y)];
        const float lh = hatchLength(s);
        const int ex = x + platform::Round(std::cos(double(theta)) * lh * 0.5);
        const int ey = y + platform::Round(std::sin(double(theta)) * lh * 0.5);
        if (ex < 2 || ex > w_ - 3 || ey < 2 || ey > h_ - 3)
            return false;
        float d = float(std::abs(double(theta) - angle_[at(ex, ey)]));
        if (d > 3.141592654)
            d = float(6.283185307 - d);
        return !(d > 0.8);
    }

    void drawEdgePass()
    {
        std::vector<Start> starts;
        int curves = 0;
        int pendingReports = 0;
        const int strip = std::max(1, h_ / kStripsPerPicture);
        int stripStart = 0;
        for (int y = 2; y <= h_ - 3; y += 2) {
            CheckCancellation();
            if (y % 20 == 0)
                ++pendingReports;
            for (int x = 2; x <= w_ - 3; x += 2) {
                const int m = magnitude_[at(x, y)];
                if (m <= edgeThreshold_)
                    continue;
                const uint32_t seed = rng_.seed();
                rng_.next(); // the ink grey's draw
                const float s = edgeStrength(m);
                if (!edgeContinues(x, y, s))
                    continue;
                const int count = hatchCountAt(s);
                starts.push_back({x, y, seed, curves});
                curves += count;
                for (int k = 0; k < 5 * count; ++k)
                    rng_.next();
            }
            if (size_t(curves) >= kBatch || y - stripStart >= strip) {
                flushHatches(starts, curves);
                stripStart = y;
                for (; pendingReports > 0; --pendingReports)
                    updateProgress();
            }
        }
        flushHatches(starts, curves);
        for (; pendingReports > 0; --pendingReports)
            updateProgress();
    }

    void flushHatches(std::vector<Start>& starts, int& curves)
    {
        std::vector<Hatch> batch(static_cast<size_t>(curves));
        std::vector<gfx::RowSpan> spans(static_cast<size_t>(curves));
        platform::ParallelForRange(0, int(starts.size()), 256, [&](int i0, int i1) {
            for (int i = i0; i < i1; ++i) {
                const Start& st = starts[size_t(i)];
                platform::Random rng(st.seed);
                const int end = i + 1 < int(starts.size()) ? starts[size_t(i) + 1].first : curves;
                buildHatches(st.x, st.y, rng, batch.data() + st.first);
                for (int k = st.first; k < end; ++k) {
                    const Hatch& h = batch[size_t(k)];
                    spans[size_t(k)] = gfx::RowSpanOf(std::min({h.y0, h.cy, h.y1}), std::max({h.y0, h.cy, h.y1}), 2.0);
                }
            }
        });
        starts.clear();
        curves = 0;
        gfx::DrawInBands(dest_, spans, [&](gfx::BandCanvas& canvas, int i) {
            const Hatch& h = batch[size_t(i)];
            // The quadratic curve as a polyline fine enough for its length.
            const double chord = std::hypot(double(h.x1) - h.x0, double(h.y1) - h.y0);
            const double bulge = std::hypot(double(h.cx) - (h.x0 + h.x1) / 2.0, double(h.cy) - (h.y0 + h.y1) / 2.0);
            const int segments = std::clamp(int(std::ceil((chord + 4.0 * bulge) / 3.0)), 2, 16);
            QPointF points[17];
            for (int k = 0; k <= segments; ++k) {
                const double t = double(k) / segments, u = 1.0 - t;
                points[k] = QPointF(u * u * h.x0 + 2.0 * u * t * h.cx + t * t * h.x1,
                                    u * u * h.y0 + 2.0 * u * t * h.cy + t * t * h.y1);
            }
            canvas.strokePolyline(std::span<const QPointF>(points, size_t(segments) + 1), h.width, h.color,
                                  gfx::ShapeBlend::Multiply);
        });
        batch.clear();
    }

    // Every pixel times the source pixel's alpha.
    void applySourceAlpha()
    {
        uchar* const bits = dest_.bits();
        const qsizetype stride = dest_.stride();
        const int w = std::min(w_, dest_.width()), h = std::min(h_, dest_.height());
        platform::ParallelForRange(0, h, 16, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                const gfx::Pixel* src = source_.row(y);
                auto* px = reinterpret_cast<gfx::Pixel*>(bits + y * stride);
                for (int x = 0; x < w; ++x) {
                    const uint32_t a = src[x] >> 24;
                    if (a == 255)
                        continue;
                    const gfx::Pixel p = px[x];
                    auto mul = [a](uint32_t c) {
                        const uint32_t v = c * a + 128;
                        return (v + (v >> 8)) >> 8;
                    };
                    px[x] = mul(p >> 24) << 24 | mul((p >> 16) & 255) << 16 | mul((p >> 8) & 255) << 8 | mul(p & 255);
                }
            }
        });
    }

    const gfx::Image& source_;
    gfx::Surface& dest_;
    const bool preview_;
    const int w_, h_;
    platform::Random& rng_;
    int p5_ = 0, step_ = 1, alpha_ = 0, lengthBase_ = 2, edgeThreshold_ = 5, hatchCount_ = 1;
    float widthBase_ = 1.0f;
    bool edgePass_ = false;
    int total_ = 1, counter_ = 0;
    uint32_t lastPicture_ = 0;
    std::vector<uint16_t> magnitude_;
    std::vector<float> angle_;
};

} // namespace

void FeltTipPen(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5,
                           bool preview)
{
    if (source.isNull() || dest.isNull() || source.width() <= 0 || source.height() <= 0)
        return;
    FeltTipRun(source, dest, p1, p2, p3, p4, p5, preview).run();
}

} // namespace pq
