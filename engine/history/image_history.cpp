#include "engine/history/image_history.h"

#include "platform/ui_bridge.h"

namespace pq {

ImageHistory::ImageHistory() = default;

ImageHistory::~ImageHistory()
{
    clear();
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    encoderWake_.notify_all();
    if (encoder_.joinable())
        encoder_.join();
}

void ImageHistory::setOnImageSaved(ImageSavedEvent handler)
{
    std::lock_guard lock(mutex_);
    onImageSaved_ = std::move(handler);
}

int ImageHistory::count() const
{
    std::lock_guard lock(mutex_);
    return count_;
}

void ImageHistory::releaseSlot(int i)
{
    buffer_[i] = Snapshot();
}

int ImageHistory::sourceSlotFor(int i) const
{
    if (count_ <= 0 || i < 0)
        return -1;
    const int steps = (i - oldestIndex() + kCapacity) % kCapacity;
    for (int n = 0; n <= steps; ++n) {
        const int k = (i - n + kCapacity) % kCapacity;
        if (buffer_[k].type == SnapshotType::SourceChange && buffer_[k].source)
            return k;
    }
    return -1;
}

void ImageHistory::save(const gfx::Image& displayImg, const gfx::Image& sourceImg)
{
    if (displayImg.isNull() || displayImg.width() <= 0 || displayImg.height() <= 0)
        return;
    if (!sourceImg.isNull() && (sourceImg.width() <= 0 || sourceImg.height() <= 0))
        return;
    const uint64_t id = sourceImg.isNull() ? 0 : sourceImg.id();

    bool isSourceChange = false;
    ImageSavedEvent handler;
    {
        std::lock_guard lock(mutex_);
        if (count_ > 0 && cursor_ != saveIndex_) {
            // Steps were undone: the redo branch goes.
            const int newCount = ((cursor_ - oldestIndex() + kCapacity) % kCapacity) + 1;
            for (int i = nextSlot(cursor_);; i = nextSlot(i)) {
                releaseSlot(i);
                if (i == saveIndex_)
                    break;
            }
            saveIndex_ = cursor_;
            count_ = newCount;
            cachedSource_ = {};
            cachedSourceIndex_ = -1;
        }

        // The last source stored is the one the newest live step was made
        // from; a source only dropped with released steps is forgotten.
        const int lastSourceSlot = sourceSlotFor(saveIndex_);
        const uint64_t lastSourceHash = lastSourceSlot >= 0 ? buffer_[lastSourceSlot].sourceId : 0;
        isSourceChange = !(id == lastSourceHash && count_ > 0);

        const int slot = nextSlot(saveIndex_);
        if (count_ == kCapacity) {
            // The ring overwrites its oldest step. Its source still belongs
            // to the steps after it: it moves into the next one.
            Snapshot& oldest = buffer_[slot];
            Snapshot& next = buffer_[nextSlot(slot)];
            if (oldest.type == SnapshotType::SourceChange && oldest.source &&
                next.type != SnapshotType::SourceChange) {
                next.source = std::move(oldest.source);
                next.sourceId = oldest.sourceId;
                next.type = SnapshotType::SourceChange;
                if (cachedSourceIndex_ == slot)
                    cachedSourceIndex_ = nextSlot(slot);
            }
        }
        if (cachedSourceIndex_ == slot) {
            cachedSource_ = {};
            cachedSourceIndex_ = -1;
        }
        releaseSlot(slot);

        Snapshot& snap = buffer_[slot];
        snap.timestamp = QDateTime::currentDateTime();
        snap.display = std::make_shared<Blob>();
        snap.display->pending = displayImg;
        snap.display->imageId = displayImg.id();
        enqueue(snap.display);
        if (isSourceChange && !sourceImg.isNull()) {
            snap.source = std::make_shared<Blob>();
            snap.source->pending = sourceImg;
            snap.source->imageId = id;
            snap.sourceId = id;
            snap.type = SnapshotType::SourceChange;
            enqueue(snap.source);
        } else {
            isSourceChange = false;
            snap.type = SnapshotType::EffectChange;
        }
        saveIndex_ = slot;
        cursor_ = slot;
        if (count_ < kCapacity)
            ++count_;
        handler = onImageSaved_;
    }
    encoderWake_.notify_one();

    if (handler) {
        try {
            handler(displayImg, sourceImg, isSourceChange);
        } catch (const std::exception& e) {
            platform::LogError("history saved event", e.what());
        } catch (...) {
            platform::LogError("history saved event", "unknown exception");
        }
    }
}

gfx::Image ImageHistory::blobImage(const Blob& blob)
{
    if (!blob.pending.isNull())
        return blob.pending;
    return decodeSnapshotImage(blob.data);
}

uint64_t ImageHistory::blobBytes(const Blob& blob)
{
    uint64_t bytes = uint64_t(blob.data.size());
    if (!blob.pending.isNull())
        bytes += uint64_t(blob.pending.stride()) * uint64_t(blob.pending.height());
    return bytes;
}

bool ImageHistory::readCursor(gfx::Image& displayImg, gfx::Image& sourceImg)
{
    const Snapshot& snap = buffer_[cursor_];
    if (snap.display)
        displayImg = blobImage(*snap.display);
    if (displayImg.isNull())
        return false;
    const int k = sourceSlotFor(cursor_);
    if (k < 0) {
        sourceImg = gfx::Image::fromQImage(displayImg.qimage());
        cachedSource_ = sourceImg;
        cachedSourceIndex_ = -1;
    } else if (cachedSourceIndex_ == k && !cachedSource_.isNull()) {
        sourceImg = cachedSource_;
    } else {
        sourceImg = blobImage(*buffer_[k].source);
        cachedSource_ = sourceImg;
        cachedSourceIndex_ = sourceImg.isNull() ? -1 : k;
    }
    return true;
}

bool ImageHistory::undo(gfx::Image& displayImg, gfx::Image& sourceImg)
{
    displayImg = {};
    sourceImg = {};
    std::lock_guard lock(mutex_);
    if (count_ <= 1)
        return false;
    if (cursor_ != oldestIndex())
        cursor_ = prevSlot(cursor_);
    return readCursor(displayImg, sourceImg);
}

bool ImageHistory::redo(gfx::Image& displayImg, gfx::Image& sourceImg)
{
    displayImg = {};
    sourceImg = {};
    std::lock_guard lock(mutex_);
    if (count_ <= 1)
        return false;
    if (cursor_ != saveIndex_)
        cursor_ = nextSlot(cursor_);
    return readCursor(displayImg, sourceImg);
}

void ImageHistory::clear()
{
    std::lock_guard lock(mutex_);
    for (int i = 0; i < kCapacity; ++i)
        releaseSlot(i);
    saveIndex_ = -1;
    cursor_ = -1;
    count_ = 0;
    cachedSource_ = {};
    cachedSourceIndex_ = -1;
}

uint64_t ImageHistory::memoryUsedBytes() const
{
    std::lock_guard lock(mutex_);
    uint64_t total = 0;
    for (int n = 0, i = oldestIndex(); n < count_; ++n, i = nextSlot(i)) {
        if (buffer_[i].display)
            total += blobBytes(*buffer_[i].display);
        if (buffer_[i].source)
            total += blobBytes(*buffer_[i].source);
    }
    return total;
}

std::optional<ImageHistory::SnapshotInfo> ImageHistory::snapshotAt(int age) const
{
    std::lock_guard lock(mutex_);
    if (age < 0 || age >= count_)
        return std::nullopt;
    const Snapshot& snap = buffer_[(saveIndex_ - age + kCapacity) % kCapacity];
    SnapshotInfo info;
    info.type = snap.type;
    info.encoded = true;
    if (snap.display) {
        info.displayData = snap.display->data;
        info.encoded = snap.display->pending.isNull();
    }
    if (snap.source) {
        info.sourceData = snap.source->data;
        info.encoded = info.encoded && snap.source->pending.isNull();
    }
    return info;
}

// ---- Background encoding ----

void ImageHistory::enqueue(const std::shared_ptr<Blob>& blob)
{
    encodeQueue_.push_back(blob);
    if (!encoder_.joinable())
        encoder_ = std::thread([this] { encoderLoop(); });
}

std::shared_ptr<ImageHistory::Blob> ImageHistory::findBlob(uint64_t imageId) const
{
    if (imageId == 0)
        return nullptr;
    for (int n = 0, i = oldestIndex(); n < count_; ++n, i = nextSlot(i)) {
        for (const auto& blob : {buffer_[i].display, buffer_[i].source})
            if (blob && blob->imageId == imageId)
                return blob;
    }
    return nullptr;
}

bool ImageHistory::isQueued(const Blob& blob) const
{
    if (encoding_ && encodingId_ == blob.imageId)
        return true;
    for (const auto& queued : encodeQueue_)
        if (queued.lock().get() == &blob)
            return true;
    return false;
}

QByteArray ImageHistory::encodedBytesOf(uint64_t imageId) const
{
    std::unique_lock lock(mutex_);
    for (;;) {
        const std::shared_ptr<Blob> blob = findBlob(imageId);
        if (!blob)
            return {};
        if (blob->pending.isNull())
            return blob->data;
        if (stopping_ || !isQueued(*blob))
            return {};
        encoderIdle_.wait(lock);
    }
}

void ImageHistory::waitForEncoding() const
{
    std::unique_lock lock(mutex_);
    encoderIdle_.wait(lock, [this] { return (encodeQueue_.empty() && !encoding_) || stopping_; });
}

void ImageHistory::encoderLoop()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        encoderWake_.wait(lock, [this] { return stopping_ || !encodeQueue_.empty(); });
        if (stopping_)
            break;
        std::shared_ptr<Blob> blob = encodeQueue_.front().lock();
        encodeQueue_.pop_front();
        if (!blob || blob->pending.isNull()) {
            if (encodeQueue_.empty())
                encoderIdle_.notify_all();
            continue;
        }
        const gfx::Image image = blob->pending;
        encoding_ = true;
        encodingId_ = blob->imageId;
        lock.unlock();
        QByteArray bytes = encodeImage(image, kJpegQuality);
        lock.lock();
        encoding_ = false;
        encodingId_ = 0;
        // A failed encoding keeps the image itself: nothing is lost.
        if (!bytes.isEmpty() && blob->pending.sameAs(image)) {
            blob->data = std::move(bytes);
            blob->pending = {};
        }
        lock.unlock();
        blob.reset();
        lock.lock();
        // Waiters for one image's bytes look again after every blob.
        encoderIdle_.notify_all();
    }
    encoderIdle_.notify_all();
}

} // namespace pq
