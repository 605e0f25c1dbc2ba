#include "engine/history/image_history.h"

#include "platform/ui_bridge.h"

namespace pq {

ImageHistory::ImageHistory() = default;

ImageHistory::~ImageHistory()
{
    Clear();
    {
        std::lock_guard lock(FCritical);
        stopping_ = true;
    }
    encoderWake_.notify_all();
    if (encoder_.joinable())
        encoder_.join();
}

void ImageHistory::SetOnImageSaved(ImageSavedEvent handler)
{
    std::lock_guard lock(FCritical);
    FOnImageSaved = std::move(handler);
}

int ImageHistory::Count() const
{
    std::lock_guard lock(FCritical);
    return FCount;
}

void ImageHistory::releaseSlot(int i)
{
    FBuffer[i] = Snapshot();
}

int ImageHistory::sourceSlotFor(int i) const
{
    if (FCount <= 0 || i < 0)
        return -1;
    const int steps = (i - OldestIndex() + kCapacity) % kCapacity;
    for (int n = 0; n <= steps; ++n) {
        const int k = (i - n + kCapacity) % kCapacity;
        if (FBuffer[k].type == SnapshotType::SourceChange && FBuffer[k].Source)
            return k;
    }
    return -1;
}

void ImageHistory::Save(const gfx::Image& DisplayImg, const gfx::Image& SourceImg)
{
    if (DisplayImg.isNull() || DisplayImg.width() <= 0 || DisplayImg.height() <= 0)
        return;
    if (!SourceImg.isNull() && (SourceImg.width() <= 0 || SourceImg.height() <= 0))
        return;
    const uint64_t id = SourceImg.isNull() ? 0 : SourceImg.id();

    bool isSourceChange = false;
    ImageSavedEvent handler;
    {
        std::lock_guard lock(FCritical);
        if (FCount > 0 && FCursor != FSaveIndex) {
            // Steps were undone: the redo branch goes.
            const int newCount = ((FCursor - OldestIndex() + kCapacity) % kCapacity) + 1;
            for (int i = nextSlot(FCursor);; i = nextSlot(i)) {
                releaseSlot(i);
                if (i == FSaveIndex)
                    break;
            }
            FSaveIndex = FCursor;
            FCount = newCount;
            FCachedSourceImg = {};
            FCachedSourceIndex = -1;
        }

        // The last source stored is the one the newest live step was made
        // from; a source only dropped with released steps is forgotten.
        const int lastSourceSlot = sourceSlotFor(FSaveIndex);
        const uint64_t lastSourceHash = lastSourceSlot >= 0 ? FBuffer[lastSourceSlot].SourceId : 0;
        isSourceChange = !(id == lastSourceHash && FCount > 0);

        const int slot = nextSlot(FSaveIndex);
        if (FCount == kCapacity) {
            // The ring overwrites its oldest step. Its source still belongs
            // to the steps after it: it moves into the next one.
            Snapshot& oldest = FBuffer[slot];
            Snapshot& next = FBuffer[nextSlot(slot)];
            if (oldest.type == SnapshotType::SourceChange && oldest.Source &&
                next.type != SnapshotType::SourceChange) {
                next.Source = std::move(oldest.Source);
                next.SourceId = oldest.SourceId;
                next.type = SnapshotType::SourceChange;
                if (FCachedSourceIndex == slot)
                    FCachedSourceIndex = nextSlot(slot);
            }
        }
        if (FCachedSourceIndex == slot) {
            FCachedSourceImg = {};
            FCachedSourceIndex = -1;
        }
        releaseSlot(slot);

        Snapshot& snap = FBuffer[slot];
        snap.Timestamp = QDateTime::currentDateTime();
        snap.Display = std::make_shared<Blob>();
        snap.Display->pending = DisplayImg;
        enqueue(snap.Display);
        if (isSourceChange && !SourceImg.isNull()) {
            snap.Source = std::make_shared<Blob>();
            snap.Source->pending = SourceImg;
            snap.SourceId = id;
            snap.type = SnapshotType::SourceChange;
            enqueue(snap.Source);
        } else {
            isSourceChange = false;
            snap.type = SnapshotType::EffectChange;
        }
        FSaveIndex = slot;
        FCursor = slot;
        if (FCount < kCapacity)
            ++FCount;
        handler = FOnImageSaved;
    }
    encoderWake_.notify_one();

    if (handler) {
        try {
            handler(DisplayImg, SourceImg, isSourceChange);
        } catch (const std::exception& e) {
            platform::logError("history saved event", e.what());
        } catch (...) {
            platform::logError("history saved event", "unknown exception");
        }
    }
}

gfx::Image ImageHistory::blobImage(const Blob& blob)
{
    if (!blob.pending.isNull())
        return blob.pending;
    return DecodeSnapshotImage(blob.data);
}

uint64_t ImageHistory::blobBytes(const Blob& blob)
{
    uint64_t bytes = uint64_t(blob.data.size());
    if (!blob.pending.isNull())
        bytes += uint64_t(blob.pending.stride()) * uint64_t(blob.pending.height());
    return bytes;
}

bool ImageHistory::readCursor(gfx::Image& DisplayImg, gfx::Image& SourceImg)
{
    const Snapshot& snap = FBuffer[FCursor];
    if (snap.Display)
        DisplayImg = blobImage(*snap.Display);
    if (DisplayImg.isNull())
        return false;
    const int k = sourceSlotFor(FCursor);
    if (k < 0) {
        SourceImg = gfx::Image::fromQImage(DisplayImg.qimage());
        FCachedSourceImg = SourceImg;
        FCachedSourceIndex = -1;
    } else if (FCachedSourceIndex == k && !FCachedSourceImg.isNull()) {
        SourceImg = FCachedSourceImg;
    } else {
        SourceImg = blobImage(*FBuffer[k].Source);
        FCachedSourceImg = SourceImg;
        FCachedSourceIndex = SourceImg.isNull() ? -1 : k;
    }
    return true;
}

bool ImageHistory::Undo(gfx::Image& DisplayImg, gfx::Image& SourceImg)
{
    DisplayImg = {};
    SourceImg = {};
    std::lock_guard lock(FCritical);
    if (FCount <= 1)
        return false;
    if (FCursor != OldestIndex())
        FCursor = prevSlot(FCursor);
    return readCursor(DisplayImg, SourceImg);
}

bool ImageHistory::Redo(gfx::Image& DisplayImg, gfx::Image& SourceImg)
{
    DisplayImg = {};
    SourceImg = {};
    std::lock_guard lock(FCritical);
    if (FCount <= 1)
        return false;
    if (FCursor != FSaveIndex)
        FCursor = nextSlot(FCursor);
    return readCursor(DisplayImg, SourceImg);
}

void ImageHistory::Clear()
{
    std::lock_guard lock(FCritical);
    for (int i = 0; i < kCapacity; ++i)
        releaseSlot(i);
    FSaveIndex = -1;
    FCursor = -1;
    FCount = 0;
    FCachedSourceImg = {};
    FCachedSourceIndex = -1;
}

uint64_t ImageHistory::MemoryUsedBytes() const
{
    std::lock_guard lock(FCritical);
    uint64_t total = 0;
    for (int n = 0, i = OldestIndex(); n < FCount; ++n, i = nextSlot(i)) {
        if (FBuffer[i].Display)
            total += blobBytes(*FBuffer[i].Display);
        if (FBuffer[i].Source)
            total += blobBytes(*FBuffer[i].Source);
    }
    return total;
}

std::optional<ImageHistory::SnapshotInfo> ImageHistory::SnapshotAt(int age) const
{
    std::lock_guard lock(FCritical);
    if (age < 0 || age >= FCount)
        return std::nullopt;
    const Snapshot& snap = FBuffer[(FSaveIndex - age + kCapacity) % kCapacity];
    SnapshotInfo info;
    info.type = snap.type;
    info.Encoded = true;
    if (snap.Display) {
        info.DisplayData = snap.Display->data;
        info.Encoded = snap.Display->pending.isNull();
    }
    if (snap.Source) {
        info.SourceData = snap.Source->data;
        info.Encoded = info.Encoded && snap.Source->pending.isNull();
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

void ImageHistory::WaitForEncoding() const
{
    std::unique_lock lock(FCritical);
    encoderIdle_.wait(lock, [this] { return (encodeQueue_.empty() && !encoding_) || stopping_; });
}

void ImageHistory::encoderLoop()
{
    std::unique_lock lock(FCritical);
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
        lock.unlock();
        QByteArray bytes = EncodeImage(image, kJpegQuality);
        lock.lock();
        encoding_ = false;
        // A failed encoding keeps the image itself: nothing is lost.
        if (!bytes.isEmpty() && blob->pending.sameAs(image)) {
            blob->data = std::move(bytes);
            blob->pending = {};
        }
        lock.unlock();
        blob.reset();
        lock.lock();
        if (encodeQueue_.empty())
            encoderIdle_.notify_all();
    }
    encoderIdle_.notify_all();
}

} // namespace pq
