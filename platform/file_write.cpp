#include "platform/file_write.h"

#include "platform/system_error.h"

#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

// Every byte, across short writes and interrupted calls; errno on failure.
bool WriteAll(int fd, const QByteArray& bytes)
{
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, size_t(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (written == 0) {
            errno = ENOSPC;
            return false;
        }
        data += written;
        left -= written;
    }
    return true;
}

bool WriteInPlace(const QByteArray& native, const QByteArray& bytes, QString* error)
{
    const int fd = ::open(native.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return Fail(error, SystemError(errno));
    const bool written = WriteAll(fd, bytes);
    const int code = errno;
    ::close(fd);
    return written || Fail(error, SystemError(code));
}

} // namespace

bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString* error)
{
    // The file the name stands for, through any links.
    QString target = path;
    const QFileInfo info(path);
    if (info.isSymLink()) {
        const QString resolved = info.canonicalFilePath();
        target = resolved.isEmpty() ? info.symLinkTarget() : resolved;
    }
    const QByteArray native = QFile::encodeName(target);
    struct stat st {};
    if (::stat(native.constData(), &st) == 0) {
        if (S_ISCHR(st.st_mode))
            return WriteInPlace(native, bytes, error);
        if (!S_ISREG(st.st_mode))
            return Fail(error, QStringLiteral("%1 is not a regular file").arg(path));
    }

    QByteArray temporary = native + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return Fail(error, SystemError(errno));
    // mkstemp makes the file private; a new file gets the usual mode.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, S_ISREG(st.st_mode) ? (st.st_mode & 07777) : (0666 & ~mask));
    bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    int code = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        code = errno;
    }
    if (ok && ::rename(temporary.constData(), native.constData()) != 0) {
        ok = false;
        code = errno;
    }
    if (!ok) {
        ::unlink(temporary.constData());
        return Fail(error, SystemError(code));
    }
    return true;
}

} // namespace platform
