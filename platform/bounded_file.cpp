#include "platform/bounded_file.h"

#include "platform/system_error.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

bool OpenRegularFile(const QString& path, qint64 maxBytes, QFile& file, QString* error)
{
    const QByteArray native = QFile::encodeName(path);
    // Non-blocking, so that opening a pipe with no writer cannot hang; the
    // type is then checked on what was opened, not on the name.
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return Fail(error, QStringLiteral("cannot open %1: %2").arg(path, SystemError(errno)));
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int code = errno;
        ::close(fd);
        return Fail(error, QStringLiteral("cannot open %1: %2").arg(path, SystemError(code)));
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return Fail(error, QStringLiteral("%1 is not a regular file").arg(path));
    }
    if (qint64(st.st_size) > maxBytes) {
        ::close(fd);
        return Fail(error, QStringLiteral("%1 is too large (%2 bytes, at most %3)")
                               .arg(path)
                               .arg(qint64(st.st_size))
                               .arg(maxBytes));
    }
    // Regular files ignore O_NONBLOCK; clear it all the same.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return Fail(error, QStringLiteral("cannot open %1: %2").arg(path, file.errorString()));
    }
    return true;
}

bool ReadRegularFile(const QString& path, qint64 maxBytes, QByteArray& bytes, QString* error)
{
    bytes.clear();
    QFile file;
    if (!OpenRegularFile(path, maxBytes, file, error))
        return false;
    bytes.resize(qsizetype(file.size()));
    qint64 total = 0;
    while (total < bytes.size()) {
        const qint64 got = file.read(bytes.data() + total, bytes.size() - total);
        if (got < 0) {
            bytes.clear();
            return Fail(error, QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
        }
        if (got == 0)
            break; // the file shrank meanwhile
        total += got;
    }
    bytes.resize(qsizetype(total));
    // A file that grew while it was read is not taken half-way.
    char probe = 0;
    if (file.read(&probe, 1) != 0) {
        bytes.clear();
        return Fail(error, QStringLiteral("%1 changed while it was read").arg(path));
    }
    return true;
}

} // namespace platform
