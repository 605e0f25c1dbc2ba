#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace gfx {

// Marks encoded JPEG and PNG files with a resolution of 300 dots per inch.

// The 76-byte APP1 (Exif) segment with XResolution = YResolution = 300/1
// and ResolutionUnit = inches.
QByteArray JpegDpi300Segment();
// The 21-byte pHYs chunk: 11811 pixels per metre on both axes.
QByteArray PngDpi300Chunk();

// Standard reflected CRC-32 of PNG and zlib; 0 for an empty buffer.
uint32_t Crc32(const char* data, qsizetype size);

// In memory. Every Exif APP1 segment in the file's header segments is
// dropped and the 300-DPI segment goes right after the APP0 (JFIF) segment,
// or first when there is none; other segments, non-Exif APP1 (XMP) among
// them, keep their place. False, with the bytes untouched, when the data is
// not a JPEG or a segment length runs past the end.
bool MarkJpegDpi300(QByteArray& jpeg);

// In memory. Every pHYs chunk is removed and the 300-DPI chunk goes right
// after IHDR. False, with the bytes untouched, when the data is not a PNG
// whose chunks all lie inside it.
bool MarkPngDpi300(QByteArray& png);

// The same on files: read, mark, then replace the file through a temporary
// file. A missing or malformed file is left as it is (false); a file that
// cannot be rewritten gives false and *error.
bool SetJpegDPITo300(const QString& fileName, QString* error = nullptr);
bool InsertPngDPI300(const QString& fileName, QString* error = nullptr);

} // namespace gfx
