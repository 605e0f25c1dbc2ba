#include "zip_writer.h"

#include <zip.h>

#include <QFile>

namespace gen {

bool WriteStoredZip(const QString& path, const std::vector<std::pair<QString, QByteArray>>& members, QString* error)
{
    const QString temp = path + QStringLiteral(".part");
    QFile::remove(temp);
    int code = 0;
    zip_t* archive = zip_open(QFile::encodeName(temp).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!archive) {
        *error = QStringLiteral("cannot create %1 (libzip error %2)").arg(temp).arg(code);
        return false;
    }
    // 1 January 2024, 12:00 UTC: a fixed stamp keeps the archive reproducible.
    const time_t stamp = 1704110400;
    for (const auto& [name, bytes] : members) {
        zip_source_t* src = zip_source_buffer(archive, bytes.constData(), zip_uint64_t(bytes.size()), 0);
        if (!src) {
            *error = QStringLiteral("cannot add %1: %2").arg(name, QString::fromUtf8(zip_strerror(archive)));
            zip_discard(archive);
            return false;
        }
        const zip_int64_t index = zip_file_add(archive, name.toUtf8().constData(), src, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(src);
            *error = QStringLiteral("cannot add %1: %2").arg(name, QString::fromUtf8(zip_strerror(archive)));
            zip_discard(archive);
            return false;
        }
        if (zip_set_file_compression(archive, zip_uint64_t(index), ZIP_CM_STORE, 0) != 0 ||
            zip_file_set_mtime(archive, zip_uint64_t(index), stamp, 0) != 0) {
            *error = QStringLiteral("cannot store %1: %2").arg(name, QString::fromUtf8(zip_strerror(archive)));
            zip_discard(archive);
            return false;
        }
    }
    if (zip_close(archive) != 0) {
        *error = QStringLiteral("cannot write %1: %2").arg(temp, QString::fromUtf8(zip_strerror(archive)));
        zip_discard(archive);
        return false;
    }
    QFile::remove(path);
    if (!QFile::rename(temp, path)) {
        *error = QStringLiteral("cannot rename %1 to %2").arg(temp, path);
        return false;
    }
    return true;
}

} // namespace gen
