#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

namespace pq {

// One table entry or one domain bound.
struct LUTColor {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
};

// A parsed 3D look-up table. The entry for grid point (r, g, b) sits at
// r + n g + n^2 b (red fastest, the file's row order).
struct CubeLUT {
    int lutSize = 0; // edge length n; 0: no usable table
    std::vector<LUTColor> lut;
    LUTColor domainMin{0.0f, 0.0f, 0.0f};
    LUTColor domainMax{1.0f, 1.0f, 1.0f};
    // Refused for a LUT_3D_SIZE no table can be made for (negative, or
    // beyond kMaxCubeLUTSize): a fault of the file, unlike a text that just
    // holds no table.
    bool sizeOutOfRange = false;

    bool valid() const { return lutSize > 0; }
};

// Largest edge length we accept (256^3 entries are 200 MB of floats).
constexpr int kMaxCubeLUTSize = 256;

// Reads .cube text: a UTF-8 byte-order mark is skipped, lines end in LF,
// CR LF or CR and are trimmed of blanks and control characters; "#" starts
// a comment line. Keywords (the text before the first space, any case):
// TITLE is ignored; LUT_3D_SIZE n sets the edge length (outside 1..256 the
// text is refused); LUT_1D_SIZE refuses the text; DOMAIN_MIN / DOMAIN_MAX
// with three numbers set the input range. Once a size is known, any other
// line of at least three tokens is the next data row, an unknown keyword's
// included, and a token that is no number counts as 0; rows beyond n^3 are
// ignored. Numbers use "." as decimal separator; infinities, NaN and values
// beyond the float range are not numbers. The text yields a table only with at least n^3 rows; a line
// longer than 1 MiB refuses it. Without a table, *error (when given) says
// why.
CubeLUT ParseCubeLUTFromBytes(const QByteArray& bytes, QString* error = nullptr);

// Largest .cube file read from disk.
constexpr qint64 kMaxCubeFileBytes = qint64(1) << 30;

// The file's bytes. Returns false with *error set when the file cannot be
// opened or read, or is larger than kMaxCubeFileBytes.
bool ReadCubeFile(const QString& path, QByteArray& bytes, QString* error = nullptr);

// The file parsed as it is read, 128 KiB at a time; raises
// std::runtime_error when it cannot be opened or read, or is larger than
// kMaxCubeFileBytes.
CubeLUT ParseCubeLUTFromFile(const QString& path, QString* error = nullptr);

} // namespace pq
