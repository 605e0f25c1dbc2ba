#pragma once

#include "gfx/image.h"

#include <QImage>
#include <QObject>
#include <QPoint>
#include <QPointF>
#include <QSize>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>

namespace pq {

// A scaled picture of an image for the screen, resampled with Mitchell
// sampling on a thread of its own so that painting never waits for it.
// Reduced views keep the whole image at the display scale (panning costs
// nothing); enlarged views keep only the visible part. UI thread, except
// the background work.
class DisplayCache : public QObject {
    Q_OBJECT
public:
    explicit DisplayCache(QObject* parent = nullptr);
    ~DisplayCache() override;

    struct CanvasPicture {
        gfx::Image image;
        double scale = 1.0; // device pixels per image pixel
        QPointF origin;     // device position of the image's top-left corner
        QSize device;       // device size of the area painted
    };

    // The picture for the view, to be drawn unscaled with its top-left
    // corner at *at (device pixels). Null while none is ready: one is then
    // prepared and ready() follows.
    QImage picture(const CanvasPicture& view, QPoint* at);

    // Forgets the picture (and any work not yet started).
    void clear();

    // Largest scaled picture kept of a whole image.
    static constexpr int64_t kMaxWholePixels = 24'000'000;

signals:
    void ready();

private:
    struct CacheKey {
        uint64_t imageId = 0;
        double scale = 0;
        bool whole = false;
        QPointF origin; // region views only
        QSize device;   // region views only
        bool operator==(const CacheKey&) const = default;
    };
    struct RenderJob {
        CacheKey key;
        gfx::Image image;
        uint64_t serial = 0;
    };

    static CacheKey keyFor(const CanvasPicture& view);
    static QImage render(const RenderJob& job, QPoint* at);
    void run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<RenderJob> pending_;
    std::optional<CacheKey> working_;
    CacheKey shownKey_;
    QImage shown_;
    QPoint shownAt_;
    uint64_t serial_ = 0;
    bool stop_ = false;
    std::thread worker_;
};

} // namespace pq
