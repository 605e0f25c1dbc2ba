#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace platform {

// Opens a regular file for reading, never waiting on it: devices, pipes,
// sockets and folders are refused, as is a file larger than maxBytes.
// Returns false with *error set; on success `file` is open and its size is
// known to be at most maxBytes (a reader still stops at its own cap, for
// the file may grow meanwhile).
bool OpenRegularFile(const QString& path, qint64 maxBytes, QFile& file, QString* error = nullptr);

// The whole of a regular file of at most maxBytes, read through
// OpenRegularFile: no more than its size when opened, plus one byte that
// finds a file that grew meanwhile (refused).
bool ReadRegularFile(const QString& path, qint64 maxBytes, QByteArray& bytes, QString* error = nullptr);

} // namespace platform
