#include "workspace/display_cache.h"

#include "gfx/resample.h"
#include "platform/numeric.h"

#include <QTransform>

#include <chrono>
#include <cmath>

namespace pq {

namespace {

// A burst of requests (panning, resizing) is given this long to settle
// before the newest one is rendered.
constexpr auto kSettle = std::chrono::milliseconds(30);

} // namespace

DisplayCache::DisplayCache(QObject* parent) : QObject(parent), worker_([this] { run(); }) {}

DisplayCache::~DisplayCache()
{
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
        pending_.reset();
    }
    wake_.notify_all();
    worker_.join();
}

DisplayCache::CacheKey DisplayCache::keyFor(const CanvasPicture& view)
{
    CacheKey key;
    key.imageId = view.image.id();
    key.scale = view.scale;
    const double scaledPixels = double(view.image.width()) * view.image.height() * view.scale * view.scale;
    key.whole = view.scale < 1.0 && scaledPixels <= double(kMaxWholePixels);
    if (!key.whole) {
        key.origin = view.origin;
        key.device = view.device;
    }
    return key;
}

QImage DisplayCache::picture(const CanvasPicture& view, QPoint* at)
{
    if (view.image.isNull() || !(view.scale > 0.0) || !std::isfinite(view.scale))
        return {};
    const CacheKey key = keyFor(view);
    std::lock_guard lock(mutex_);
    if (!shown_.isNull() && shownKey_ == key) {
        *at = key.whole ? QPoint(platform::Round(view.origin.x()), platform::Round(view.origin.y())) : shownAt_;
        return shown_;
    }
    const bool queued = (pending_ && pending_->key == key) || (working_ && *working_ == key);
    if (!queued) {
        pending_ = RenderJob{key, view.image, ++serial_};
        wake_.notify_all();
    }
    return {};
}

void DisplayCache::clear()
{
    std::lock_guard lock(mutex_);
    pending_.reset();
    shown_ = QImage();
    shownKey_ = CacheKey{};
}

QImage DisplayCache::render(const RenderJob& job, QPoint* at)
{
    const gfx::Image& image = job.image;
    if (job.key.whole) {
        const int w = std::max(1, platform::Round(image.width() * job.key.scale));
        const int h = std::max(1, platform::Round(image.height() * job.key.scale));
        *at = QPoint(0, 0);
        return gfx::Resize(image, w, h, gfx::Sampling::Mitchell).qimage();
    }
    QTransform toDevice;
    toDevice.translate(job.key.origin.x(), job.key.origin.y());
    toDevice.scale(job.key.scale, job.key.scale);
    const gfx::Image drawn = gfx::TransformImage(image, QRectF(image.rect()), toDevice, gfx::Sampling::Mitchell, at,
                                                 QRect(QPoint(0, 0), job.key.device));
    return drawn.isNull() ? QImage() : drawn.qimage();
}

void DisplayCache::run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || pending_.has_value(); });
        if (stop_)
            return;
        // Wait for the newest of a burst of requests.
        uint64_t serial = pending_->serial;
        while (wake_.wait_for(lock, kSettle, [&] { return stop_ || !pending_ || pending_->serial != serial; })) {
            if (stop_)
                return;
            if (!pending_)
                break;
            serial = pending_->serial;
        }
        if (!pending_)
            continue;
        const RenderJob job = std::move(*pending_);
        pending_.reset();
        working_ = job.key;
        lock.unlock();

        QPoint at;
        QImage picture;
        try {
            picture = render(job, &at);
        } catch (...) {
            picture = QImage(); // out of memory: painting keeps its fast path
        }

        lock.lock();
        working_.reset();
        if (stop_)
            return;
        if (!picture.isNull()) {
            shown_ = picture;
            shownKey_ = job.key;
            shownAt_ = at;
            QMetaObject::invokeMethod(this, &DisplayCache::ready, Qt::QueuedConnection);
        }
    }
}

} // namespace pq
