#include "engine/lut/lut_cache.h"

#include "engine/runtime/effect_lock.h"

#include <QDateTime>
#include <QFileInfo>

#include <mutex>

namespace pq {
namespace {

struct CacheEntry {
    LUTCacheKey key;
    std::shared_ptr<const CubeLUT> table;
};

CacheEntry& Cache()
{
    static CacheEntry entry;
    return entry;
}

} // namespace

LUTCacheKey LUTCacheKey::forData(const QByteArray& bytes)
{
    LUTCacheKey key;
    key.data = bytes;
    return key;
}

LUTCacheKey LUTCacheKey::forFile(const QString& filePath)
{
    const QFileInfo info(filePath);
    LUTCacheKey key;
    key.path = info.absoluteFilePath();
    key.size = info.size();
    key.modified = info.lastModified().toMSecsSinceEpoch();
    return key;
}

bool LUTCacheKey::operator==(const LUTCacheKey& other) const
{
    return path == other.path && size == other.size && modified == other.modified && data == other.data;
}

std::shared_ptr<const CubeLUT> FindCachedLUT(const LUTCacheKey& key)
{
    std::lock_guard lock(gEffectLock);
    const CacheEntry& entry = Cache();
    if (entry.table && entry.key == key)
        return entry.table;
    return nullptr;
}

void StoreCachedLUT(const LUTCacheKey& key, std::shared_ptr<const CubeLUT> table)
{
    if (!table || !table->valid())
        return;
    CacheEntry fresh{key, std::move(table)};
    std::lock_guard lock(gEffectLock);
    std::swap(Cache(), fresh);
    // The old entry (now in `fresh`) is freed after the lock is released.
}

void ClearLUTCache()
{
    CacheEntry old;
    {
        std::lock_guard lock(gEffectLock);
        std::swap(Cache(), old);
    }
}

} // namespace pq
