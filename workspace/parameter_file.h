#pragma once

#include "catalogue/parameter_table.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace pq {

// The parameter file (.pqk): the whole parameter table as UTF-8 text with a
// byte-order mark and CR LF lines:
//   # Pastelloquin Parameters File
//   # Format: [Effect_Category_Index]
//   (empty line)
// then for every entry [0,0] .. [9,19] the header "[Effect_C_I]", Name1..5,
// Value1..5 and an empty line.

inline constexpr const char* kParameterFileTitle = "# Pastelloquin Parameters File";

// Larger files are refused unread: a program-written file is about 40 KB.
inline constexpr qint64 kMaxParameterFileBytes = 1 << 20;

// The file's bytes for the table.
QByteArray ParameterFileBytes(const ParameterTable& params);

// Writes the table to fileName through a temporary file that replaces the
// old one only once it is complete. Throws std::runtime_error with the
// system's reason when it cannot.
void WriteParameterFile(const ParameterTable& params, const QString& fileName);

// What reading a parameter file did.
struct ParameterFileLoad {
    // Name and value lines that were stored.
    int stored = 0;
    // Why the file, or a part of it, was not read; empty when it was read
    // whole. The table is unchanged unless `stored` is positive.
    QString problem;
};

// Reads a parameter file into params by the reader rules: headers
// "[Effect_C_I]" select an entry (C in 0..9, I in 0..19; out of range or
// not numbers: no entry, so the following lines are ignored), the keys
// Name1..Name5 and Value1..Value5 (compared exactly) store their trimmed
// value, a value that is not an integer stores 0, and everything else is
// skipped. Values are stored as read, without clamping.
// A missing file changes nothing and is no problem. Files that are not a
// parameter file (empty, binary, not UTF-8, too large, unreadable, without
// any parameter) change nothing and say why. A file that begins with the
// program's title line but stops in the middle of its last line is read
// without that line, and says so.
ParameterFileLoad ReadParameterFile(const QString& fileName, ParameterTable& params);

// The same for bytes already read.
ParameterFileLoad ReadParameterBytes(const QByteArray& bytes, ParameterTable& params);

// A decimal integer: an optional sign and digits only, within int's range.
std::optional<int> ParseParameterInt(const QString& text);

} // namespace pq
