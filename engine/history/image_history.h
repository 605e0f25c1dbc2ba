#pragma once

#include "gfx/image.h"

#include <QByteArray>
#include <QDateTime>

#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace pq {

enum class SnapshotType { EffectChange, SourceChange };

// Raised after every Save with the images saved and whether the source was
// stored with them.
using ImageSavedEvent =
    std::function<void(const gfx::Image& displayImg, const gfx::Image& sourceImg, bool isSourceChange)>;

// The undo history: a ring of 100 snapshots. Each holds the result image and,
// when the source photo differs from the one the previous step was made
// from, that source too; undo and redo return both images of a step, the
// source being the nearest one stored at or before it.
//
// Snapshots are kept encoded: PNG when at least max(1, w*h div 1000) pixels
// have alpha below 255, else JPEG quality 92. Save stores the images at once
// and a background thread of the history encodes them, so the caller is not
// held up; until then (or if encoding fails) the snapshot keeps the image.
//
// Thread-safe: one mutex guards the ring. The saved event runs on the
// thread that called Save; the main window's handler touches controls, so
// the window calls Save on the UI thread.
class ImageHistory {
public:
    static constexpr int kCapacity = 100;
    static constexpr int kJpegQuality = 92;

    ImageHistory();
    ~ImageHistory();
    ImageHistory(const ImageHistory&) = delete;
    ImageHistory& operator=(const ImageHistory&) = delete;

    // Adds a step after the one shown (dropping any steps that were undone).
    // Ignored unless DisplayImg is set; SourceImg may be null.
    void save(const gfx::Image& displayImg, const gfx::Image& sourceImg);

    // Moves one step back (forward) and returns that step's images. At the
    // oldest (newest) step the same step is returned again. False with both
    // images null when fewer than two steps exist (Undo; Redo needs one) or
    // the step cannot be decoded.
    bool undo(gfx::Image& displayImg, gfx::Image& sourceImg);
    bool redo(gfx::Image& displayImg, gfx::Image& sourceImg);

    void clear();

    // Bytes held by the live snapshots (encoded bytes, or the pixels of a
    // snapshot not yet encoded).
    uint64_t memoryUsedBytes() const;

    // onImageSaved. Set it before saving from several threads.
    void setOnImageSaved(ImageSavedEvent handler);

    // Number of live steps (count_).
    int count() const;

    // Blocks until every snapshot saved so far is encoded.
    void waitForEncoding() const;

    // One live step, `age` steps before the newest (0 = newest).
    struct SnapshotInfo {
        QByteArray displayData; // empty until encoded
        QByteArray sourceData;
        SnapshotType type = SnapshotType::EffectChange;
        bool encoded = false; // every image of the step is encoded
    };
    std::optional<SnapshotInfo> snapshotAt(int age) const;

    // The stored form of an image: PNG when HasTransparency, else JPEG at
    // quality; empty for a null image or a failed encoding.
    static QByteArray encodeImage(const gfx::Image& image, int quality);
    // At least max(1, w*h div 1000) pixels with alpha below 255.
    static bool hasTransparency(const gfx::Image& image);
    // A raster image of encoded bytes; null when they do not decode.
    static gfx::Image decodeSnapshotImage(const QByteArray& bytes);

    // The stored bytes of the image with this id when a live step holds
    // it, waiting first while it is queued or being encoded; empty when no
    // step holds it or its encoding failed. Lets the gallery share bytes
    // with the history.
    QByteArray encodedBytesOf(uint64_t imageId) const;

private:
    // One stored image: the image itself until the encoder replaces it by
    // its bytes.
    struct Blob {
        gfx::Image pending;
        QByteArray data;
        uint64_t imageId = 0;
    };
    struct Snapshot {
        std::shared_ptr<Blob> display;
        std::shared_ptr<Blob> source; // set in SourceChange steps
        uint64_t sourceId = 0;        // the source image's unique id
        SnapshotType type = SnapshotType::EffectChange;
        QDateTime timestamp;
    };

    int oldestIndex() const { return (saveIndex_ - count_ + 101) % kCapacity; }
    static int nextSlot(int i) { return (i + 1) % kCapacity; }
    static int prevSlot(int i) { return (i + kCapacity - 1) % kCapacity; }
    void releaseSlot(int i);
    // The slot holding the source of step i (nearest at or before it), or -1.
    int sourceSlotFor(int i) const;
    // Both images of the step at the cursor (lock held).
    bool readCursor(gfx::Image& displayImg, gfx::Image& sourceImg);
    static gfx::Image blobImage(const Blob& blob);
    static uint64_t blobBytes(const Blob& blob);
    // The live blob holding the image with this id, or null (lock held).
    std::shared_ptr<Blob> findBlob(uint64_t imageId) const;
    bool isQueued(const Blob& blob) const;
    void enqueue(const std::shared_ptr<Blob>& blob);
    void encoderLoop();

    mutable std::mutex mutex_;
    std::array<Snapshot, kCapacity> buffer_;
    int saveIndex_ = -1;
    int cursor_ = -1;
    int count_ = 0;
    gfx::Image cachedSource_;
    int cachedSourceIndex_ = -1;
    ImageSavedEvent onImageSaved_;

    // Background encoder.
    mutable std::condition_variable encoderWake_;
    mutable std::condition_variable encoderIdle_;
    std::deque<std::weak_ptr<Blob>> encodeQueue_;
    bool encoding_ = false;
    uint64_t encodingId_ = 0;
    bool stopping_ = false;
    std::thread encoder_;
};

} // namespace pq
