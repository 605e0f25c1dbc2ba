#include "gfx/dpi_marking.h"

#include "gfx/codec.h"
#include "platform/bounded_file.h"
#include "platform/file_write.h"

#include <QFile>

#include <array>

namespace gfx {

namespace {

constexpr unsigned char kJpegSegment[76] = {
    0xFF, 0xE1, 0x00, 0x4A, 0x45, 0x78, 0x69, 0x66, 0x00, 0x00, 0x49, 0x49, 0x2A, 0x00, 0x08, 0x00, 0x00, 0x00, 0x03,
    0x00, 0x1A, 0x01, 0x05, 0x00, 0x01, 0x00, 0x00, 0x00, 0x32, 0x00, 0x00, 0x00, 0x1B, 0x01, 0x05, 0x00, 0x01, 0x00,
    0x00, 0x00, 0x3A, 0x00, 0x00, 0x00, 0x28, 0x01, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x2C, 0x01, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x2C, 0x01, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00};

constexpr unsigned char kPngSignature[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};

constexpr uint32_t kPixelsPerMetre = 11811; // 300 per inch

std::array<uint32_t, 256> MakeCrcTable()
{
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

unsigned ByteAt(const QByteArray& data, qsizetype i)
{
    return static_cast<unsigned char>(data[i]);
}

uint32_t BigEndian16(const QByteArray& data, qsizetype i)
{
    return (ByteAt(data, i) << 8) | ByteAt(data, i + 1);
}

uint32_t BigEndian32(const QByteArray& data, qsizetype i)
{
    return (ByteAt(data, i) << 24) | (ByteAt(data, i + 1) << 16) | (ByteAt(data, i + 2) << 8) | ByteAt(data, i + 3);
}

void AppendBigEndian32(QByteArray& out, uint32_t v)
{
    out.append(char(v >> 24));
    out.append(char((v >> 16) & 0xFF));
    out.append(char((v >> 8) & 0xFF));
    out.append(char(v & 0xFF));
}

bool IsExifHeader(const QByteArray& data, qsizetype i)
{
    return data.mid(i, 6) == QByteArray("Exif\0\0", 6);
}

// Reads the file, applies `mark` and writes the result back through a
// temporary file.
bool MarkFile(const QString& fileName, bool (*mark)(QByteArray&), QString* error)
{
    QByteArray bytes;
    if (!QFile::exists(fileName) || !platform::ReadRegularFile(fileName, kMaxImageFileBytes, bytes))
        return false;
    if (!mark(bytes))
        return false;
    return platform::WriteFileAtomically(fileName, bytes, error);
}

} // namespace

QByteArray JpegDpi300Segment()
{
    return QByteArray(reinterpret_cast<const char*>(kJpegSegment), sizeof kJpegSegment);
}

QByteArray PngDpi300Chunk()
{
    QByteArray chunk;
    AppendBigEndian32(chunk, 9);
    chunk.append("pHYs");
    AppendBigEndian32(chunk, kPixelsPerMetre);
    AppendBigEndian32(chunk, kPixelsPerMetre);
    chunk.append(char(1)); // unit: metre
    AppendBigEndian32(chunk, Crc32(chunk.constData() + 4, 13));
    return chunk;
}

uint32_t Crc32(const char* data, qsizetype size)
{
    if (size <= 0)
        return 0;
    static const std::array<uint32_t, 256> kTable = MakeCrcTable();
    uint32_t c = 0xFFFFFFFFu;
    for (qsizetype i = 0; i < size; ++i)
        c = kTable[(c ^ static_cast<unsigned char>(data[i])) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

bool MarkJpegDpi300(QByteArray& jpeg)
{
    const qsizetype size = jpeg.size();
    if (size < 2 || ByteAt(jpeg, 0) != 0xFF || ByteAt(jpeg, 1) != 0xD8)
        return false;
    const QByteArray segment = JpegDpi300Segment();
    QByteArray out;
    out.reserve(size + segment.size());
    out.append(jpeg.constData(), 2);
    bool inserted = false;
    const auto insert = [&] {
        if (!inserted)
            out.append(segment);
        inserted = true;
    };

    qsizetype pos = 2;
    while (pos + 2 <= size) {
        if (ByteAt(jpeg, pos) != 0xFF)
            return false;
        const unsigned marker = ByteAt(jpeg, pos + 1);
        if (marker == 0xFF) { // fill byte before a marker
            ++pos;
            continue;
        }
        const bool headerSegment = (marker >= 0xE0 && marker <= 0xEF) || marker == 0xFE;
        if (!headerSegment) {
            // Tables, frame or scan: the rest of the file stays as it is.
            insert();
            out.append(jpeg.constData() + pos, size - pos);
            jpeg = out;
            return true;
        }
        if (pos + 4 > size)
            return false;
        const qsizetype length = BigEndian16(jpeg, pos + 2);
        if (length < 2 || pos + 2 + length > size)
            return false;
        const qsizetype end = pos + 2 + length;
        if (marker == 0xE1 && length >= 8 && IsExifHeader(jpeg, pos + 4)) {
            pos = end; // an Exif segment: ours replaces it
            continue;
        }
        if (marker != 0xE0 && marker != 0xE1)
            insert(); // Exif belongs before the other application segments
        out.append(jpeg.constData() + pos, end - pos);
        if (marker == 0xE0)
            insert();
        pos = end;
    }
    // No image data after the header segments.
    return false;
}

bool MarkPngDpi300(QByteArray& png)
{
    const qsizetype size = png.size();
    if (size < 8 + 12 || png.left(8) != QByteArray(reinterpret_cast<const char*>(kPngSignature), 8))
        return false;
    if (png.mid(12, 4) != "IHDR")
        return false;
    QByteArray out;
    out.reserve(size + 21);
    out.append(png.constData(), 8);
    qsizetype pos = 8;
    bool first = true;
    while (pos + 12 <= size) {
        const uint32_t length = BigEndian32(png, pos);
        if (length > 0x7FFFFFFFu || qsizetype(length) > size - pos - 12)
            return false;
        const qsizetype end = pos + 12 + qsizetype(length);
        const QByteArray type = png.mid(pos + 4, 4);
        if (type != "pHYs")
            out.append(png.constData() + pos, end - pos);
        if (first)
            out.append(PngDpi300Chunk());
        first = false;
        pos = end;
        if (type == "IEND") {
            out.append(png.constData() + pos, size - pos);
            png = out;
            return true;
        }
    }
    // Cut short before IEND.
    return false;
}

bool SetJpegDPITo300(const QString& fileName, QString* error)
{
    return MarkFile(fileName, &MarkJpegDpi300, error);
}

bool InsertPngDPI300(const QString& fileName, QString* error)
{
    return MarkFile(fileName, &MarkPngDpi300, error);
}

} // namespace gfx
