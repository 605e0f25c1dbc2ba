// Comic Print screens and multiplies its inks here; splitting a row of
// boosted colours into ink bytes is rows, kept apart so its wide path is
// tested against the plain one.

#include "effects/ink/comic_print/comic_print.h"

#include "effects/ink/comic_print/rows.h"

#include "effects/shared/outline_edges.h"
#include "engine/runtime/effect_api.h"
#include "engine/runtime/engine_host.h"
#include "gfx/banded_draw.h"
#include "gfx/filters.h"
#include "gfx/scratch_buffer.h"
#include "platform/numeric.h"
#include "platform/thread_pool.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

namespace pq {
namespace {

struct InkScreen {
    float angle; // screen angle, radians
    int r, g, b;
};

// Inks C, M, Y, K; printed in the order Y, C, M, K.
constexpr std::array<InkScreen, 4> kInks = {
    {{0.2617994f, 0, 200, 255}, {1.308997f, 255, 0, 144}, {0.0f, 255, 247, 0}, {0.7853982f, 20, 20, 20}}};
constexpr std::array<int, 4> kPrintOrder = {2, 0, 1, 3};

// Dot factors beyond this only make every dot cover many cells (and a
// script can pass any value): a factor of 4 already gives dots two cells wide.
constexpr float kMaxDotFactor = 4.0f;
// The rows of a layer band drawn and multiplied together.
constexpr int kBand = 16;

struct Dot {
    float x, y, r;
};

class ComicRun {
public:
    ComicRun(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5, bool preview)
        : source_(source), dest_(dest), p5_(p5), preview_(preview), w_(source.width()), h_(source.height())
    {
        // P1 of -12 or less would give no cell (or a negative one): the
        // smallest cell is the one P1 = 0 gives.
        cell_ = int(std::clamp<int64_t>(platform::Round64(0.36 * p1) + 4, 4, 1 << 24));
        halfCell_ = float(cell_ / 2.0);
        maxFactor_ = std::min(kMaxDotFactor, float(p3 / 100.0));
        minFactor_ = std::min(kMaxDotFactor, float(p2 / 100.0));
        if (minFactor_ > maxFactor_)
            minFactor_ = maxFactor_;
        k_ = float(p4 / 50.0);
    }

    void run()
    {
        const size_t n = size_t(w_) * size_t(h_);
        alpha_ = gfx::ScratchBuffer<uint8_t>(n);
        inks_ = gfx::ScratchBuffer<uint8_t>(4 * n);
        if (!alpha_ || !inks_)
            throw std::bad_alloc();
        CheckCancellation();

        const gfx::Image separation =
            cell_ <= 8 ? source_
                       : gfx::GaussianBlur(source_, float(cell_ / 6.0), float(cell_ / 6.0), gfx::EdgeMode::Clamp);
        if (separation.isNull())
            return;
        CheckCancellation();
        separate(separation);
        CheckCancellation();

        gfx::Surface paper = gfx::Surface::make(w_, h_, 0xFFFFFFFFu);
        if (paper.isNull())
            return;
        for (int slot = 0; slot < 4; ++slot) {
            const int ink = kPrintOrder[size_t(slot)];
            if (k_ < 0.1f && ink != 3)
                continue;
            printInk(slot, ink, paper);
        }
        inks_ = gfx::ScratchBuffer<uint8_t>(0);

        // Soft paper: the halftone buffer is the paper blurred in place.
        gfx::Surface halftone = std::move(paper);
        const bool softened = gfx::GaussianBlur(halftone, 0.4f, 0.4f, gfx::EdgeMode::Clamp);
        CheckCancellation();
        if (!softened)
            return;

        std::vector<uint8_t> contours;
        if (p5_ > 0) {
            contours = contourMask();
            report(95);
        }
        CheckCancellation();
        finish(halftone, contours);

        // The finished picture becomes Dest (a copy when the sizes differ).
        if (halftone.size() == dest_.size()) {
            dest_ = std::move(halftone);
        } else {
            dest_.clearPixel(0);
            dest_.writeImage(halftone.snapshot(), 0, 0);
        }
        ReportFinished(dest_, preview_);
    }

private:
    void report(int value) { ReportProgress(dest_, preview_, value); }
    uint8_t* ink(int c) const { return inks_.data() + size_t(c) * size_t(w_) * size_t(h_); }

    // Boosted colours split into C, M, Y (with partial under-colour removal)
    // and K, as ink bytes; the source's alpha kept alongside.
    void separate(const gfx::Image& separation)
    {
        const double k = k_;
        const float u = float(std::clamp(0.65 - 0.15 * k, 0.25, 0.75));
        const size_t plane = size_t(w_) * size_t(h_);
        platform::ParallelForRange(0, h_, 16, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                const size_t i = size_t(y) * size_t(w_);
                const gfx::Pixel* src = source_.row(y);
                for (int x = 0; x < w_; ++x)
                    alpha_.data()[i + size_t(x)] = uint8_t(src[x] >> 24);
                comic::SeparateRow(separation.row(y), w_, k, u, inks_.data() + i, plane);
            }
        });
    }

    // One ink: dots on its rotated screen onto a white layer, multiplied
    // onto the paper.
    void printInk(int slot, int ink, gfx::Surface& paper)
    {
        CheckCancellation();
        const InkScreen& screen = kInks[size_t(ink)];
        const gfx::Pixel color =
            0xFF000000u | gfx::Pixel(screen.r) << 16 | gfx::Pixel(screen.g) << 8 | gfx::Pixel(screen.b);
        const uint8_t* const amount = this->ink(ink);

        const float sn = float(std::sin(double(screen.angle))), cs = float(std::cos(double(screen.angle)));
        const double cell = cell_;
        double uLo = 1e300, uHi = -1e300, vLo = 1e300, vHi = -1e300;
        for (const auto& [X, Y] :
             {std::pair{0.0, 0.0}, {double(w_), 0.0}, {0.0, double(h_)}, {double(w_), double(h_)}}) {
            const float u = float((X * cs + Y * sn) / cell), v = float((-X * sn + Y * cs) / cell);
            uLo = std::min(uLo, double(u));
            uHi = std::max(uHi, double(u));
            vLo = std::min(vLo, double(v));
            vHi = std::max(vHi, double(v));
        }
        const int64_t uMin = int64_t(std::floor(uLo)) - 1, uMax = int64_t(std::ceil(uHi)) + 1;
        const int64_t vMin = int64_t(std::floor(vLo)) - 1, vMax = int64_t(std::ceil(vHi)) + 1;
        const double total = std::max(1.0, double(uMax - uMin + 1) * double(vMax - vMin + 1));

        // The dot radius depends on the ink byte alone.
        std::array<float, 256> radius{};
        for (int ink8 = 0; ink8 < 256; ++ink8) {
            float a = float(ink8 / 255.0);
            if (a > 0.0f)
                a = float(std::pow(double(a), 0.75));
            const float r = float(halfCell_ * double(maxFactor_) * std::pow(double(a), 0.75));
            radius[size_t(ink8)] = float(std::max(double(r), double(halfCell_) * minFactor_));
        }

        std::vector<Dot> dots;
        int64_t visited = 0;
        for (int64_t v = vMin; v <= vMax; ++v) {
            for (int64_t u = uMin; u <= uMax; ++u) {
                ++visited;
                const double uc = double(u * cell_), vc = double(v * cell_);
                const float x = float(uc * cs - vc * sn), y = float(uc * sn + vc * cs);
                const int64_t ix = platform::Round64(x), iy = platform::Round64(y);
                if (ix < -cell_ || ix >= w_ + cell_ || iy < -cell_ || iy >= h_ + cell_)
                    continue;
                const size_t i =
                    size_t(std::clamp<int64_t>(iy, 0, h_ - 1)) * w_ + size_t(std::clamp<int64_t>(ix, 0, w_ - 1));
                if (alpha_.data()[i] == 0)
                    continue;
                const float r = radius[amount[i]];
                if (r < 0.4f)
                    continue;
                dots.push_back({x, y, r});
            }
            if (v % 16 == 0) {
                report(std::min(88, platform::Round(22.0 * slot + 22.0 * double(visited) / total)));
                CheckCancellation();
            }
        }
        // Full runs show the paper after each ink (when there is a window to
        // show it): its rows are copied out as they are printed.
        const bool show = !preview_ && EngineHostInstalled();
        QImage shown = show ? gfx::NewPixelImage(w_, h_) : QImage();
        printDots(paper, dots, color, shown);
        if (show)
            ShowIntermediateImage(shown.isNull() ? paper.snapshot() : gfx::Image::adopt(std::move(shown)), -1,
                                  Delivery::Queued);
    }

    // The dots, in order, on a white layer multiplied onto the paper. The
    // layer is drawn band by band into a buffer of the band's rows, which
    // are multiplied and copied to `copy` (unless null) while in the cache.
    void printDots(gfx::Surface& paper, const std::vector<Dot>& dots, gfx::Pixel color, QImage& copy) const
    {
        const int bands = (h_ + kBand - 1) / kBand;
        // Dot indices per band, in list order (counted, then filled).
        std::vector<int64_t> start(size_t(bands) + 1, 0);
        auto bandRange = [&](const Dot& d, int& b0, int& b1) {
            const gfx::RowSpan r = gfx::RowSpanOf(d.y, d.y, double(d.r) + 1.5);
            const int top = std::max(r.top, 0), bottom = std::min(r.bottom, h_ - 1);
            b0 = top / kBand;
            b1 = bottom / kBand;
            return top <= bottom;
        };
        for (const Dot& d : dots) {
            int b0 = 0, b1 = 0;
            if (bandRange(d, b0, b1))
                for (int b = b0; b <= b1; ++b)
                    ++start[size_t(b) + 1];
        }
        for (int b = 0; b < bands; ++b)
            start[size_t(b) + 1] += start[size_t(b)];
        std::vector<int> members(size_t(start.back()));
        std::vector<int64_t> fill(start.begin(), start.end() - 1);
        for (size_t i = 0; i < dots.size(); ++i) {
            int b0 = 0, b1 = 0;
            if (bandRange(dots[i], b0, b1))
                for (int b = b0; b <= b1; ++b)
                    members[size_t(fill[size_t(b)]++)] = int(i);
        }

        uchar* const pb = paper.bits();
        const qsizetype ps = paper.stride();
        uchar* const cb = copy.isNull() ? nullptr : copy.bits();
        const qsizetype cs = copy.bytesPerLine();
        const qsizetype ls = qsizetype(w_) * qsizetype(sizeof(gfx::Pixel));
        platform::ParallelForRange(0, bands, 1, [&](int lo, int hi) {
            thread_local std::vector<gfx::Pixel> layer;
            layer.resize(size_t(kBand) * size_t(w_));
            for (int b = lo; b < hi; ++b) {
                const int top = b * kBand, bottom = std::min(h_, top + kBand);
                if (start[size_t(b)] < start[size_t(b) + 1]) {
                    std::fill_n(layer.data(), size_t(bottom - top) * size_t(w_), 0xFFFFFFFFu);
                    auto canvas = gfx::BandCanvas::overBand(reinterpret_cast<uchar*>(layer.data()), ls, w_, h_,
                                                            top, bottom);
                    for (int64_t k = start[size_t(b)]; k < start[size_t(b) + 1]; ++k) {
                        const Dot& d = dots[size_t(members[size_t(k)])];
                        canvas.fillCircle(QPointF(d.x, d.y), d.r, color, gfx::ShapeBlend::SrcOver);
                    }
                    for (int y = top; y < bottom; ++y)
                        comic::MultiplyRow(reinterpret_cast<gfx::Pixel*>(pb + y * ps),
                                    layer.data() + size_t(y - top) * size_t(w_), w_);
                }
                if (cb)
                    for (int y = top; y < bottom; ++y)
                        std::memcpy(cb + y * cs, pb + y * ps, size_t(w_) * sizeof(gfx::Pixel));
            }
        });
    }

    // Black contours found by the outline detector's scheme, sized by the
    // cell: how much each pixel is darkened (empty when there are none).
    std::vector<uint8_t> contourMask() const
    {
        EdgeDetectionSettings settings;
        settings.blurSigma = float(p5_ / 100.0 + 1.0);
        settings.strength = p5_;
        settings.windowRadius = std::max(6, cell_);
        settings.minChainLength = int(std::max<int64_t>(5, platform::Round64(0.6 * cell_)));
        settings.checkCancellation = false;
        const EdgeMap edges = DetectEdges(source_, w_, h_, settings);
        if (!edges.hasEdges)
            return {};
        DotStyle style;
        const int h = std::max(1, edges.high);
        for (int n = 0; n <= 2040; ++n)
            style.opacity[size_t(n)] = int(std::min<int64_t>(255, int64_t(p5_ / 5) + (n * 150) / h + 30));
        const int b = p5_ > 25 ? int(std::min<int64_t>(12, platform::Round64((p5_ - 20.0) / 20.0 * cell_ / 9.0))) : 0;
        style.baseRadius = b;
        style.largestRadius = b + std::max(1, b / 2);
        style.shiftAgainstGradient = false;
        style.fringe = 1.0;
        style.edgeShare = 0.65;
        style.cornerShare = 0.3;
        std::vector<uint8_t> mask(size_t(w_) * size_t(h_), 0);
        StampEdges(edges, style, mask);
        return mask;
    }

    // The contours (unless `contours` is empty) darken the halftone, then
    // the source's alpha is restored: transparent stays transparent,
    // semi-transparent pixels keep their alpha with premultiplied colour.
    void finish(gfx::Surface& halftone, const std::vector<uint8_t>& contours) const
    {
        uchar* const bits = halftone.bits();
        const qsizetype stride = halftone.stride();
        platform::ParallelForRange(0, h_, 16, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                auto* px = reinterpret_cast<gfx::Pixel*>(bits + y * stride);
                const uint8_t* alpha = alpha_.data() + size_t(y) * size_t(w_);
                if (!contours.empty())
                    comic::DarkenRow(px, contours.data() + size_t(y) * size_t(w_), alpha, w_);
                for (int x = 0; x < w_; ++x) {
                    const uint32_t a = alpha[x];
                    if (a == 0) {
                        px[x] = 0;
                    } else if (a < 255) {
                        const gfx::Pixel p = px[x];
                        px[x] = a << 24 | (((p >> 16) & 255) * a / 255) << 16 | (((p >> 8) & 255) * a / 255) << 8 |
                                ((p & 255) * a / 255);
                    }
                }
            }
        });
    }

    const gfx::Image& source_;
    gfx::Surface& dest_;
    const int p5_;
    const bool preview_;
    const int w_, h_;
    int cell_ = 8;
    float halfCell_ = 4, maxFactor_ = 1, minFactor_ = 0, k_ = 1;
    // The source's alpha, and the C, M, Y, K ink bytes plane after plane.
    gfx::ScratchBuffer<uint8_t> alpha_{0};
    gfx::ScratchBuffer<uint8_t> inks_{0};
};

} // namespace

void ComicPrint(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5,
                        bool preview)
{
    if (source.isNull() || dest.isNull() || source.width() < 2 || source.height() < 2)
        return;
    CheckCancellation();
    ComicRun(source, dest, p1, p2, p3, p4, p5, preview).run();
}

} // namespace pq
