#include "workspace/gallery_store.h"

#include "engine/history/image_history.h"
#include "gfx/resample.h"
#include "workspace/gallery_images.h"
#include "platform/ui_bridge.h"

#include <algorithm>
#include <cmath>

#include <unistd.h>

namespace pq {

uint64_t GalleryStore::DefaultCapBytes()
{
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0)
        return kMaxCapBytes;
    return std::min(kMaxCapBytes, uint64_t(pages) * uint64_t(pageSize) / 4);
}

QImage GalleryThumbnail(const gfx::Image& image, int side)
{
    if (image.isNull() || side <= 0)
        return {};
    const double s = std::min({1.0, double(side) / image.width(), double(side) / image.height()});
    const int w = std::max(1, int(std::lround(image.width() * s)));
    const int h = std::max(1, int(std::lround(image.height() * s)));
    const gfx::Image small = gfx::Resize(image, w, h, gfx::Sampling::Mitchell);
    return small.isNull() ? QImage() : small.toQImage();
}

GalleryStore::GalleryStore(uint64_t capBytes) : capBytes_(capBytes) {}

GalleryStore::~GalleryStore()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        entries_.clear();
        queue_.clear();
    }
    wake_.notify_all();
    if (worker_.joinable())
        worker_.join();
}

void GalleryStore::setThumbnailSide(int pixels)
{
    std::lock_guard lock(mutex_);
    thumbnailSide_ = std::max(1, pixels);
}

void GalleryStore::setBytesLookup(BytesLookup lookup)
{
    std::lock_guard lock(mutex_);
    lookup_ = std::move(lookup);
}

void GalleryStore::setOnTileReady(std::function<void()> handler)
{
    std::lock_guard lock(mutex_);
    onTileReady_ = std::move(handler);
}

int GalleryStore::count() const
{
    std::lock_guard lock(mutex_);
    return int(entries_.size());
}

void GalleryStore::add(const gfx::Image& image, bool isSource, const QString& fileName)
{
    if (image.isNull())
        return;
    auto entry = std::make_shared<Entry>();
    entry->tile.shortName = GalleryShortName(fileName, isSource);
    entry->tile.isSource = isSource;
    entry->tile.width = image.width();
    entry->tile.height = image.height();
    entry->pending = image;
    {
        std::lock_guard lock(mutex_);
        entry->serial = nextSerial_++;
        entry->thumbnailSide = thumbnailSide_;
        entries_.insert(entries_.begin(), entry);
        queue_.push_back(entry);
        if (!worker_.joinable())
            worker_ = std::thread([this] { workerLoop(); });
    }
    wake_.notify_one();
    trim();
}

GalleryStore::Tile GalleryStore::tile(int index) const
{
    std::lock_guard lock(mutex_);
    if (index < 0 || index >= int(entries_.size()))
        return {};
    return entries_[size_t(index)]->tile;
}

QImage GalleryStore::thumbnail(int index) const
{
    std::lock_guard lock(mutex_);
    if (index < 0 || index >= int(entries_.size()))
        return {};
    return entries_[size_t(index)]->thumbnail;
}

bool GalleryStore::isEncoded(int index) const
{
    std::lock_guard lock(mutex_);
    if (index < 0 || index >= int(entries_.size()))
        return false;
    return !entries_[size_t(index)]->data.isEmpty();
}

gfx::Image GalleryStore::image(int index)
{
    QByteArray bytes;
    uint64_t serial = 0;
    {
        std::lock_guard lock(mutex_);
        if (index < 0 || index >= int(entries_.size()))
            return {};
        const Entry& entry = *entries_[size_t(index)];
        if (!entry.pending.isNull())
            return entry.pending;
        if (decodedSerial_ == entry.serial && !decoded_.isNull())
            return decoded_;
        bytes = entry.data;
        serial = entry.serial;
    }
    gfx::Image decoded = ImageHistory::decodeSnapshotImage(bytes);
    std::lock_guard lock(mutex_);
    if (!decoded.isNull()) {
        decodedSerial_ = serial;
        decoded_ = decoded;
    }
    return decoded;
}

uint64_t GalleryStore::entryBytes(const Entry& entry)
{
    uint64_t bytes = uint64_t(entry.data.size());
    // A tile whose encoding failed keeps its pixels: they count.
    if (entry.worked && !entry.pending.isNull())
        bytes += uint64_t(entry.pending.stride()) * uint64_t(entry.pending.height());
    return bytes;
}

uint64_t GalleryStore::storedBytes() const
{
    std::lock_guard lock(mutex_);
    uint64_t total = 0;
    for (const auto& entry : entries_)
        total += entryBytes(*entry);
    return total;
}

int GalleryStore::trim()
{
    std::lock_guard lock(mutex_);
    uint64_t total = 0;
    for (const auto& entry : entries_)
        total += entryBytes(*entry);
    int removed = 0;
    while (total > capBytes_ && entries_.size() > 1) {
        total -= entryBytes(*entries_.back());
        if (entries_.back()->serial == decodedSerial_) {
            decoded_ = {};
            decodedSerial_ = 0;
        }
        entries_.pop_back();
        ++removed;
    }
    return removed;
}

void GalleryStore::waitForWork() const
{
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return (queue_.empty() && busy_ == 0) || stopping_; });
}

void GalleryStore::clear()
{
    std::lock_guard lock(mutex_);
    entries_.clear();
    queue_.clear();
    decoded_ = {};
    decodedSerial_ = 0;
    idle_.notify_all();
}

void GalleryStore::process(const std::shared_ptr<Entry>& entry)
{
    gfx::Image image;
    int side = 0;
    BytesLookup lookup;
    std::function<void()> ready;
    {
        std::lock_guard lock(mutex_);
        image = entry->pending;
        side = entry->thumbnailSide;
        lookup = lookup_;
        ready = onTileReady_;
    }
    QImage thumbnail = GalleryThumbnail(image, side);
    {
        std::lock_guard lock(mutex_);
        entry->thumbnail = std::move(thumbnail);
    }
    if (ready)
        ready();

    QByteArray bytes;
    if (lookup)
        bytes = lookup(image);
    if (bytes.isEmpty())
        bytes = ImageHistory::encodeImage(image, kJpegQuality);
    {
        std::lock_guard lock(mutex_);
        entry->worked = true;
        // A failed encoding keeps the image itself: nothing is lost.
        if (!bytes.isEmpty()) {
            entry->data = std::move(bytes);
            entry->pending = {};
        }
    }
    if (ready)
        ready();
}

void GalleryStore::workerLoop()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (stopping_)
            break;
        std::shared_ptr<Entry> entry = queue_.front().lock();
        queue_.pop_front();
        if (entry) {
            ++busy_;
            lock.unlock();
            try {
                process(entry);
            } catch (const std::exception& e) {
                platform::LogError("gallery encoding", e.what());
            } catch (...) {
                platform::LogError("gallery encoding", "unknown exception");
            }
            entry.reset();
            lock.lock();
            --busy_;
        }
        if (queue_.empty() && busy_ == 0)
            idle_.notify_all();
    }
    idle_.notify_all();
}

} // namespace pq
