#pragma once

#include "engine/lut/cube_lut.h"

#include <QByteArray>
#include <QString>

#include <memory>

namespace pq {

// What names a parsed table in the LUT filter's cache: the .cube bytes
// themselves, or a file by its absolute path, size and modification time.
// Never a display name or an address, which can name another table.
struct LUTCacheKey {
    QByteArray data;
    QString path;
    qint64 size = -1;
    qint64 modified = 0;

    static LUTCacheKey forData(const QByteArray& bytes);
    static LUTCacheKey forFile(const QString& filePath);
    bool operator==(const LUTCacheKey& other) const;
};

// The LUT filter's one-entry parse cache, guarded by gEffectLock. Only
// valid tables are stored; a store replaces the previous entry.
std::shared_ptr<const CubeLUT> FindCachedLUT(const LUTCacheKey& key);
void StoreCachedLUT(const LUTCacheKey& key, std::shared_ptr<const CubeLUT> table);
void ClearLUTCache();

} // namespace pq
