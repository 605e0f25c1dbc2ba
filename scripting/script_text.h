#pragma once

#include <QByteArray>
#include <QString>

namespace pq {

// Largest script file read, so that a hostile file cannot exhaust memory.
constexpr qint64 kMaxScriptFileBytes = 16ll * 1024 * 1024;

// The text of script bytes: a byte-order mark chooses UTF-8 or UTF-16
// (little or big endian); without one the bytes are UTF-8 when they are
// valid UTF-8, else Windows-1252. Every reader of scripts goes through it.
QString DecodeScriptBytes(const QByteArray& bytes);

// Reads a script file. False, with *error set, when it cannot be read, is
// no regular file or is larger than kMaxScriptFileBytes.
bool ReadScriptFile(const QString& path, QString& text, QString* error = nullptr);

// The bytes a script file holds: UTF-8 without a byte-order mark, every
// line (a final one included) ended by CR LF.
QByteArray EncodeScriptText(const QString& text);

// Writes a script file through a temporary file and a rename. False, with
// *error set, when it cannot be written.
bool WriteScriptFile(const QString& path, const QString& text, QString* error = nullptr);

} // namespace pq
