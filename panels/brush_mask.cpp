#include "panels/brush_mask.h"

#include "gfx/image.h"
#include "platform/numeric.h"
#include "platform/thread_pool.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

namespace pq {
namespace {

void ClearBox(QImage& layer, const QRect& box)
{
    const QRect r = box & layer.rect();
    for (int y = r.top(); y <= r.bottom(); ++y)
        std::memset(layer.scanLine(y) + r.left(), 0, size_t(r.width()));
}

// An empty Format_Alpha8 layer. Its bytes come zeroed from calloc, which
// for a large layer maps fresh zero pages instead of writing them: binding
// costs no pass over the image. Null when memory runs out.
QImage EmptyLayer(QSize size)
{
    const qsizetype stride = (qsizetype(size.width()) + 3) & ~qsizetype(3);
    void* bytes = std::calloc(size_t(size.height()), size_t(stride));
    if (!bytes)
        return {};
    QImage layer(static_cast<uchar*>(bytes), size.width(), size.height(), stride, QImage::Format_Alpha8,
                 [](void* data) { std::free(data); }, bytes);
    if (layer.isNull())
        std::free(bytes);
    return layer;
}

// Source-over of one coverage byte onto another.
inline uint8_t Over(uint8_t dst, int src)
{
    return uint8_t(dst + (src * (255 - dst) + 127) / 255);
}

} // namespace

float StampCoverage(double distance, double radius, double softness)
{
    if (radius <= 0.0)
        return 0.0f;
    if (softness <= 0.01) {
        // A hard disc whose rim is smoothed over one pixel.
        return float(std::clamp(radius - distance + 0.5, 0.0, 1.0));
    }
    const double s = std::min(softness, 1.0);
    const double inner = (1.0 - s) * radius;
    if (distance <= inner)
        return 1.0f;
    return float(std::clamp((radius - distance) / (radius - inner), 0.0, 1.0));
}

bool BrushMask::bind(QSize imageSize)
{
    // The same size again: emptying the touched boxes is enough.
    if (!mask_.isNull() && imageSize == mask_.size()) {
        reset();
        dirty_ = QRectF();
        return true;
    }
    live_ = QImage();
    mask_ = QImage();
    frozen_ = QImage();
    liveBox_ = maskBox_ = frozenBox_ = QRect();
    hasLastStamp_ = false;
    dirty_ = QRectF();
    if (!gfx::IsSaneSize(imageSize.width(), imageSize.height()))
        return false;
    QImage live = EmptyLayer(imageSize);
    QImage mask = EmptyLayer(imageSize);
    if (live.isNull() || mask.isNull())
        return false;
    live_ = std::move(live);
    mask_ = std::move(mask);
    return true;
}

void BrushMask::reset()
{
    // Dropped first, so clearing the mask does not copy it.
    frozen_ = QImage();
    ClearBox(live_, liveBox_);
    ClearBox(mask_, maskBox_);
    liveBox_ = maskBox_ = frozenBox_ = QRect();
    hasLastStamp_ = false;
}

void BrushMask::setBrush(float size, float softness)
{
    size_ = std::max(0.0f, size);
    softness_ = std::clamp(softness, 0.0f, 1.0f);
}

QPointF BrushMask::toImage(QPointF screen) const
{
    const double zoom = view_.zoom > 0 ? view_.zoom : 1.0;
    return (screen - view_.pan) / zoom;
}

void BrushMask::stampAt(QPointF screen)
{
    if (live_.isNull() || !(view_.zoom > 0))
        return;
    const double zoom = view_.zoom;
    // The stamp's square is its diameter rounded plus two pixels, scaled by
    // 1 / zoom into the image.
    const int side = std::max(2, platform::Round(size_) + 2);
    const double half = side / zoom / 2.0;
    const QPointF c = toImage(screen);
    const int w = live_.width();
    const int h = live_.height();
    if (c.x() < -half || c.y() < -half || c.x() > w + half || c.y() > h + half)
        return;
    const double radius = size_ / 2.0 / zoom;
    const QRectF screenBox(screen.x() - size_ / 2.0 - 2, screen.y() - size_ / 2.0 - 2, size_ + 4.0, size_ + 4.0);
    dirty_ = dirty_.isNull() ? screenBox : dirty_.united(screenBox);
    if (radius <= 0.0)
        return;
    const int x0 = std::max(0, int(std::floor(c.x() - radius)));
    const int y0 = std::max(0, int(std::floor(c.y() - radius)));
    const int x1 = std::min(w - 1, int(std::ceil(c.x() + radius)));
    const int y1 = std::min(h - 1, int(std::ceil(c.y() + radius)));
    if (x0 > x1 || y0 > y1)
        return;
    const double softness = softness_;
    const double r2 = (radius + 0.5) * (radius + 0.5);
    // Inside this distance the stamp is opaque: those pixels become 255.
    const double inner = softness <= 0.01 ? radius - 0.5 : (1.0 - std::min(softness, 1.0)) * radius;
    for (int y = y0; y <= y1; ++y) {
        const double dy = y + 0.5 - c.y();
        const double dy2 = dy * dy;
        if (dy2 > r2)
            continue;
        uchar* row = live_.scanLine(y);
        int full0 = x1 + 1, full1 = x1;
        if (inner > 0 && dy2 < inner * inner) {
            const double hw = std::sqrt(inner * inner - dy2);
            full0 = std::max(x0, int(std::ceil(c.x() - hw - 0.5)));
            full1 = std::min(x1, int(std::floor(c.x() + hw - 0.5)));
            if (full0 <= full1)
                std::memset(row + full0, 255, size_t(full1 - full0 + 1));
        }
        for (int x = x0; x <= x1; ++x) {
            if (x == full0 && full0 <= full1) {
                x = full1;
                continue;
            }
            if (row[x] == 255)
                continue;
            const double dx = x + 0.5 - c.x();
            const double d2 = dx * dx + dy2;
            if (d2 > r2)
                continue;
            const float a = StampCoverage(std::sqrt(d2), radius, softness);
            const int s = platform::Round(a * 255.0f);
            if (s > 0)
                row[x] = Over(row[x], s);
        }
    }
    liveBox_ |= QRect(QPoint(x0, y0), QPoint(x1, y1));
}

void BrushMask::beginStroke(QPointF screen)
{
    ClearBox(live_, liveBox_);
    liveBox_ = QRect();
    stampAt(screen);
    lastStamp_ = screen;
    hasLastStamp_ = true;
}

void BrushMask::strokeTo(QPointF screen)
{
    if (!hasLastStamp_) {
        stampAt(screen);
        lastStamp_ = screen;
        hasLastStamp_ = true;
        return;
    }
    const QPointF delta = screen - lastStamp_;
    const double d = std::hypot(delta.x(), delta.y());
    const double spacing = std::max(1.0, 0.2 * size_);
    if (d < spacing)
        return;
    const int n = std::max(1, platform::Trunc(d / spacing));
    for (int i = 1; i <= n; ++i)
        stampAt(lastStamp_ + delta * (double(i) / n));
    lastStamp_ = screen;
}

void BrushMask::mergeStroke()
{
    if (live_.isNull() || mask_.isNull())
        return;
    const QRect box = liveBox_ & live_.rect();
    if (!box.isEmpty()) {
        // The frozen snapshot shares the mask's pixels until this write;
        // the rows are found once here, as scanLine may copy.
        uchar* const to = mask_.bits();
        uchar* const from = live_.bits();
        const qsizetype toStride = mask_.bytesPerLine();
        const qsizetype fromStride = live_.bytesPerLine();
        // Rows on their own: the live stroke is laid and emptied in one pass.
        platform::ParallelForRange(box.top(), box.bottom() + 1, 64, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                uchar* in = from + y * fromStride;
                uchar* out = to + y * toStride;
                for (int x = box.left(); x <= box.right(); ++x)
                    if (in[x]) {
                        out[x] = Over(out[x], in[x]);
                        in[x] = 0;
                    }
            }
        });
    }
    maskBox_ |= box;
    liveBox_ = QRect();
    frozen_ = mask_;
    frozenBox_ = maskBox_;
    hasLastStamp_ = false;
}

QRect BrushMask::maskBounds() const
{
    if (frozen_.isNull() || frozenBox_.isEmpty())
        return {};
    const QRect box = frozenBox_ & frozen_.rect();
    // Each row's first and last painted pixel, the rows in parallel blocks.
    std::mutex merge;
    int minX = INT32_MAX, minY = INT32_MAX, maxX = -1, maxY = -1;
    const uchar* const bits = frozen_.constBits();
    const qsizetype stride = frozen_.bytesPerLine();
    platform::ParallelForRange(box.top(), box.bottom() + 1, 64, [&](int y0, int y1) {
        int x0 = INT32_MAX, top = INT32_MAX, x1 = -1, bottom = -1;
        for (int y = y0; y < y1; ++y) {
            const uchar* row = bits + y * stride;
            const uchar* first = std::find_if(row + box.left(), row + box.right() + 1, [](uchar a) { return a != 0; });
            if (first == row + box.right() + 1)
                continue;
            int last = box.right();
            while (!row[last])
                --last;
            x0 = std::min(x0, int(first - row));
            x1 = std::max(x1, last);
            top = std::min(top, y);
            bottom = y;
        }
        if (x1 < 0)
            return;
        std::lock_guard lock(merge);
        minX = std::min(minX, x0);
        maxX = std::max(maxX, x1);
        minY = std::min(minY, top);
        maxY = std::max(maxY, bottom);
    });
    if (maxX < 0)
        return {};
    return QRect(QPoint(minX, minY), QPoint(maxX, maxY));
}

QRectF BrushMask::takeDirtyScreenRect()
{
    const QRectF r = dirty_;
    dirty_ = QRectF();
    return r;
}

QImage RenderTrail(const QImage& live, const QRect& liveBounds, const BrushView& view, const QRect& screenRect)
{
    if (live.isNull() || liveBounds.isEmpty() || !(view.zoom > 0))
        return {};
    const double zoom = view.zoom;
    // The stroke's box on screen, cut to the rectangle asked for.
    const QRectF onScreen(view.pan.x() + liveBounds.left() * zoom, view.pan.y() + liveBounds.top() * zoom,
                          liveBounds.width() * zoom, liveBounds.height() * zoom);
    const QRect area = onScreen.toAlignedRect() & screenRect;
    if (area.isEmpty())
        return {};
    QImage out(area.size(), QImage::Format_ARGB32_Premultiplied);
    if (out.isNull())
        return {};
    out.fill(0);
    const QRect box = liveBounds & live.rect();
    // Image column of every screen column, -1 outside the stroke's box.
    std::vector<int> columns(size_t(area.width()));
    for (int i = 0; i < area.width(); ++i) {
        const int x = int(std::floor((area.left() + i + 0.5 - view.pan.x()) / zoom));
        columns[size_t(i)] = x >= box.left() && x <= box.right() ? x : -1;
    }
    for (int j = 0; j < area.height(); ++j) {
        const int y = int(std::floor((area.top() + j + 0.5 - view.pan.y()) / zoom));
        if (y < box.top() || y > box.bottom())
            continue;
        const uchar* from = live.constScanLine(y);
        auto* to = reinterpret_cast<QRgb*>(out.scanLine(j));
        for (int i = 0; i < area.width(); ++i) {
            const int x = columns[size_t(i)];
            if (x < 0 || !from[x])
                continue;
            // Magenta at 0xC0 of the coverage, premultiplied.
            const int a = (from[x] * 0xC0 + 127) / 255;
            to[i] = qRgba(a, 0, a, a);
        }
    }
    return out;
}

} // namespace pq
