#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

namespace platform {

// Read-only zip archive (libzip). Entries above the size limit are refused,
// and a corrupt archive or entry gives an error instead of a crash.
class ZipArchive {
public:
    static constexpr qint64 kDefaultEntryLimit = 512ll * 1024 * 1024;
    // Largest archive file openFile reads (it is held in memory whole).
    static constexpr qint64 kDefaultFileLimit = 4ll * 1024 * 1024 * 1024;

    ZipArchive();
    ~ZipArchive();
    ZipArchive(ZipArchive&&) noexcept;
    ZipArchive& operator=(ZipArchive&&) noexcept;

    // A regular file of at most maxBytes; others are refused (*error).
    static ZipArchive openFile(const QString& path, QString* error = nullptr, qint64 maxBytes = kDefaultFileLimit);
    // The bytes are copied; the archive does not depend on the caller's buffer.
    static ZipArchive openBytes(const QByteArray& bytes, QString* error = nullptr);

    bool isOpen() const;
    // Entry names in archive order (folder entries included, ending in '/').
    QStringList names() const;
    int count() const;
    // The name of one entry; empty for a bad index.
    QString nameAt(int index) const;
    // Uncompressed size, or -1 when unknown.
    qint64 entrySize(const QString& name) const;
    // Reads one entry; an empty result with *error set on failure, also
    // when memory runs short (noted on the calling thread's run).
    QByteArray read(const QString& name, QString* error = nullptr, qint64 limit = kDefaultEntryLimit) const;
    QByteArray readIndex(int index, QString* error = nullptr, qint64 limit = kDefaultEntryLimit) const;

private:
    QByteArray readIndexOrThrow(int index, QString* error, qint64 limit) const;

    struct Impl;
    std::unique_ptr<Impl> d_;
};

} // namespace platform
