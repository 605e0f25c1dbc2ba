#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// Writes bytes to a file so that it is either the new contents or left as
// it was: a temporary file beside it is written, synced and renamed over
// it (through a symbolic link, the link's target is replaced). A character
// device (/dev/null, /dev/full) is written in place, as renaming over it
// would replace the device; folders, pipes, sockets and block devices are
// refused. On failure *error holds the system's own words ("No space left
// on device") and no temporary file is left behind.
bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr);

} // namespace platform
