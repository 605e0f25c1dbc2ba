#pragma once

#include "gfx/image.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace pq {

// The gallery's images, newest first, without widgets. A tile keeps a
// small thumbnail for painting and its full image encoded the way the
// history stores snapshots (JPEG 92 when opaque, PNG otherwise), reusing
// the history's bytes for the same image. A background thread makes both,
// so adding a tile costs the caller almost nothing; until then the tile
// keeps the image itself. Full images are decoded on demand and the last
// one decoded is kept.
//
// The encoded bytes are capped (1 GiB, or a quarter of the physical memory
// when that is smaller): past the cap the oldest tiles go, never the
// newest one.
//
// The tile list is changed on one thread (the UI thread); the background
// thread only fills in thumbnails and bytes.
class GalleryStore {
public:
    static constexpr uint64_t kMaxCapBytes = uint64_t(1) << 30;
    static constexpr int kJpegQuality = 92;
    // min(1 GiB, physical memory / 4); 1 GiB when the memory is unknown.
    static uint64_t DefaultCapBytes();

    // Bytes already encoded for the image elsewhere, or empty. Called on
    // the background thread.
    using BytesLookup = std::function<QByteArray(const gfx::Image&)>;

    struct Tile {
        QString shortName;
        bool isSource = false;
        int width = 0;
        int height = 0;
    };

    explicit GalleryStore(uint64_t capBytes = DefaultCapBytes());
    ~GalleryStore();
    GalleryStore(const GalleryStore&) = delete;
    GalleryStore& operator=(const GalleryStore&) = delete;

    // The box thumbnails are fitted into, in device pixels (the tile's size
    // times the screen's pixel ratio). Later tiles use it.
    void setThumbnailSide(int pixels);
    void setBytesLookup(BytesLookup lookup);
    // Runs on the background thread after a tile's thumbnail or bytes are
    // ready.
    void setOnTileReady(std::function<void()> handler);

    int count() const;
    bool isValidIndex(int index) const { return index >= 0 && index < count(); }
    // Adds a tile at index 0 (nothing for a null image) and then drops the
    // oldest tiles past the cap.
    void add(const gfx::Image& image, bool isSource, const QString& fileName);
    Tile tile(int index) const;
    // The thumbnail; null until the background thread has made it.
    QImage thumbnail(int index) const;
    // The full image: the image itself until it is encoded, then decoded
    // from its bytes. Null for an invalid index or bytes that no longer
    // decode.
    gfx::Image image(int index);
    bool isEncoded(int index) const;

    uint64_t capBytes() const { return capBytes_; }
    // Encoded bytes held, plus the pixels of tiles whose encoding failed.
    uint64_t storedBytes() const;
    // Drops the oldest tiles while the stored bytes pass the cap; returns
    // how many went (from the end of the list).
    int trim();
    // Blocks until every tile added so far has its thumbnail and bytes.
    void waitForWork() const;
    void clear();

private:
    struct Entry {
        Tile tile;
        uint64_t serial = 0;
        gfx::Image pending;
        QByteArray data;
        QImage thumbnail;
        bool worked = false;
        int thumbnailSide = 0;
    };

    void workerLoop();
    void process(const std::shared_ptr<Entry>& entry);
    static uint64_t entryBytes(const Entry& entry);

    const uint64_t capBytes_;
    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<Entry>> entries_;
    std::deque<std::weak_ptr<Entry>> queue_;
    int busy_ = 0;
    bool stopping_ = false;
    int thumbnailSide_ = 102;
    uint64_t nextSerial_ = 1;
    BytesLookup lookup_;
    std::function<void()> onTileReady_;
    uint64_t decodedSerial_ = 0;
    gfx::Image decoded_;
    mutable std::condition_variable wake_;
    mutable std::condition_variable idle_;
    std::thread worker_;
};

// The thumbnail of an image fitted into a side x side box, aspect kept,
// never enlarged; Mitchell sampling.
QImage GalleryThumbnail(const gfx::Image& image, int side);

} // namespace pq
