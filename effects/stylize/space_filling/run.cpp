#include "effects/stylize/space_filling/run.h"

#include "engine/runtime/engine_host.h"
#include "engine/runtime/progress.h"
#include "gfx/banded_draw.h"
#include "gfx/blend.h"
#include "gfx/resample.h"
#include "gfx/shape_paint.h"
#include "platform/numeric.h"
#include "platform/thread_pool.h"
#include "platform/tick.h"

#include <QRectF>
#include <QTransform>

#include <algorithm>
#include <cstring>

namespace pq::stylize {
namespace {

// The share of the picture that, once covered, ends the levels.
constexpr float kCoverageTarget = 0.9998f;
// Milliseconds between the pictures a full run shows, and a preview's.
constexpr uint32_t kSnapshotInterval = 200;
constexpr uint32_t kPreviewInterval = 80;
// Drawn shapes reach this far beyond their size, so neighbours meet.
constexpr float kOverdraw = 0.1f;

// The unit triangle: corners at 0, 120 and 240 degrees on the unit circle.
constexpr QPointF kUnitTriangle[] = {{1.0, 0.0}, {-0.5, 0.8660254}, {-0.5, -0.8660254}};

gfx::Pixel Opaque(uint8_t r, uint8_t g, uint8_t b)
{
    return 0xFF000000u | (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b);
}

double ContourWidth(MosaicShape shape, float half)
{
    return shape == MosaicShape::Disc ? std::max(2.5, double(half) * 0.08) : std::max(0.5, double(half) * 0.08);
}

// The shape's own frame scaled by `scale`: (u, v) to the centre plus the
// rotated (u, v).
QTransform ShapeMatrix(const Candidate& c, double scale)
{
    return QTransform(scale * c.cosR, scale * c.sinR, -scale * c.sinR, scale * c.cosR, c.x, c.y);
}

void FillShapeOf(MosaicShape shape, gfx::BandCanvas& band, const Candidate& c)
{
    const double a = double(c.half + kOverdraw);
    const gfx::Pixel color = Opaque(c.r8, c.g8, c.b8);
    switch (shape) {
    case MosaicShape::Square: gfx::FillRectShape(band, QRectF(-a, -a, 2 * a, 2 * a), ShapeMatrix(c, 1.0), color); break;
    case MosaicShape::Disc: gfx::FillDisc(band, QPointF(c.x, c.y), a, color); break;
    default: gfx::FillShape(band, kUnitTriangle, ShapeMatrix(c, a), color); break;
    }
}

void StrokeShapeOf(MosaicShape shape, gfx::BandCanvas& band, const Candidate& c, gfx::Pixel color)
{
    const double a = double(c.half + kOverdraw);
    const double width = ContourWidth(shape, c.half);
    switch (shape) {
    case MosaicShape::Square:
        gfx::StrokeRectShape(band, QRectF(-a, -a, 2 * a, 2 * a), ShapeMatrix(c, 1.0), width, color);
        break;
    case MosaicShape::Disc: gfx::StrokeCircle(band, QPointF(c.x, c.y), c.half, width, color); break;
    default: gfx::StrokeShape(band, kUnitTriangle, ShapeMatrix(c, a), width / a, color); break;
    }
}

} // namespace

gfx::Image SnapshotInto(const gfx::Surface& canvas, gfx::Image& spare)
{
    QImage pixels = spare.qimage();
    spare = gfx::Image();
    if (!pixels.isDetached() || pixels.size() != canvas.size() || pixels.format() != canvas.qimage().format() ||
        pixels.bytesPerLine() != canvas.stride())
        return canvas.snapshot();
    uchar* const bits = pixels.bits();
    const qsizetype stride = canvas.stride();
    const size_t rowBytes = size_t(canvas.width()) * sizeof(gfx::Pixel);
    platform::ParallelForRange(0, canvas.height(), 64, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y)
            std::memcpy(bits + stride * y, canvas.bits() + stride * y, rowBytes);
    });
    return gfx::Image::adopt(std::move(pixels));
}

MosaicRun::MosaicRun(MosaicShape shape, const gfx::Image& analysis, gfx::Surface& canvas,
                     const MosaicSettings& settings, const MosaicPaintOptions& options)
    : shape_(shape), settings_(settings), options_(options), analysis_(analysis), canvas_(canvas),
      w_(analysis.width()), h_(analysis.height()), totalPixels_(int64_t(w_) * h_),
      coverageGoal_(platform::Round64(double(totalPixels_) * double(kCoverageTarget))),
      edgeMap_(size_t(totalPixels_)), covered_(w_, h_)
{
    rows_.resize(size_t(h_));
    for (int y = 0; y < h_; ++y)
        rows_[size_t(y)] = analysis_.row(y);
    if (options_.drawContours) {
        contours_ = gfx::Surface::make(w_, h_);
        if (contours_.isNull())
            throw std::bad_alloc();
    }
}

void MosaicRun::readColorsFrom(const gfx::Image& coarse)
{
    coarse_ = coarse;
    const std::vector<int> rows = gfx::NearestIndices(h_, coarse.height());
    coarseRows_.resize(size_t(h_));
    for (int y = 0; y < h_; ++y)
        coarseRows_[size_t(y)] = coarse_.row(rows[size_t(y)]);
    coarseCols_ = gfx::NearestIndices(w_, coarse.width());
}

void MosaicRun::paint()
{
    ctx_.w = w_;
    ctx_.h = h_;
    ctx_.srcRows = rows_.data();
    if (!coarseCols_.empty()) {
        ctx_.colorRows = coarseRows_.data();
        ctx_.colorCols = coarseCols_.data();
    }
    ctx_.edgeMap = edgeMap_.data();
    ctx_.covered = &covered_;
    ctx_.tileCoveredCount = tileCovered_.data();
    ctx_.tilesX = tilesX_;
    ctx_.contourPts = contourPts_.data();
    ctx_.contourCount = int(contourPts_.size());
    ctx_.openTiles = openTiles_.data();
    ctx_.openTilesCount = openCount_;
    ctx_.sat = nullptr;
    lastFeedbackTick_ = platform::TickMs();

    computeUniformIslands();
    runLevels();
    fillGaps();
    flushShapes();
    spareSnapshot_ = gfx::Image();
    shownSnapshot_ = gfx::Image();
    compositeContours();
}

void MosaicRun::flushShapes()
{
    if (pending_.empty())
        return;
    std::vector<gfx::RowSpan> rows(pending_.size());
    for (size_t i = 0; i < pending_.size(); ++i) {
        const Candidate& c = pending_[i];
        // Corners lie within 1.5 sizes of the centre, miters within a stroke
        // width of the corners; one pixel more for antialiasing.
        const double reach = 1.5 * double(c.half + kOverdraw) + ContourWidth(shape_, c.half) + 1.0;
        rows[i] = gfx::RowSpanOf(c.y - reach, c.y + reach, 0.0);
    }
    gfx::DrawInBands(canvas_, rows, [&](gfx::BandCanvas& band, int i) { FillShapeOf(shape_, band, pending_[size_t(i)]); });
    if (!contours_.isNull()) {
        const gfx::Pixel stroke = 0xFF000000u | (options_.contourColor & 0x00FFFFFFu);
        gfx::DrawInBands(contours_, rows,
                         [&](gfx::BandCanvas& band, int i) { StrokeShapeOf(shape_, band, pending_[size_t(i)], stroke); });
    }
    pending_.clear();
}

void MosaicRun::compositeContours()
{
    if (contours_.isNull())
        return;
    const gfx::Image layer = gfx::Image::adopt(std::move(contours_.qimage()));
    contours_ = gfx::Surface();
    gfx::CompositeLayer(canvas_, layer, int(options_.contourColor >> 24));
}

void MosaicRun::feedback(int progress)
{
    CheckCancellation();
    const uint32_t now = platform::TickMs();
    // The shapes accepted so far are painted when a picture is shown: in
    // list order, as one painting of the whole list gives them.
    if (!options_.preview) {
        SafeUpdateProgress(progress);
        // A snapshot costs a copy of the canvas: none without a host to show it.
        if (now - lastFeedbackTick_ > kSnapshotInterval && EngineHostInstalled()) {
            lastFeedbackTick_ = now;
            flushShapes();
            // The host lets go of a snapshot once it shows the next, so
            // the one before the last is free to take the next copy.
            const gfx::Image shot = SnapshotInto(canvas_, spareSnapshot_);
            spareSnapshot_ = shownSnapshot_;
            shownSnapshot_ = shot;
            ShowIntermediateImage(shot, -1, Delivery::Synchronous);
        }
    } else if (now - lastFeedbackTick_ >= kPreviewInterval) {
        lastFeedbackTick_ = now;
        flushShapes();
        SafeUpdatePreview(canvas_, progress);
    }
}

} // namespace pq::stylize
