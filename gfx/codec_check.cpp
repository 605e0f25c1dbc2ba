#include "gfx/codec_check.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace gfx {

namespace {

bool Fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

QString TruncatedText(const char* format)
{
    return QStringLiteral("the %1 file is truncated or damaged").arg(QLatin1String(format));
}

uint32_t ReadLe32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t ReadLe16(const uint8_t* p)
{
    return uint16_t(p[0] | p[1] << 8);
}

bool IsRestartMarker(uint8_t m)
{
    return m >= 0xD0 && m <= 0xD7;
}

// Bits of a GIF image's LZW stream, least significant first, read across
// its data sub-blocks.
class SubBlockBits {
public:
    SubBlockBits(const uint8_t* d, qsizetype n, qsizetype pos) : d_(d), n_(n), pos_(pos) {}

    // The next `bits` bits; false when the data ends first.
    bool read(int bits, int& value)
    {
        while (held_ < bits) {
            if (left_ == 0) {
                if (pos_ >= n_ || d_[pos_] == 0)
                    return false;
                left_ = d_[pos_++];
            }
            if (pos_ >= n_)
                return false;
            buffer_ |= uint32_t(d_[pos_++]) << held_;
            held_ += 8;
            --left_;
        }
        value = int(buffer_ & ((1u << bits) - 1));
        buffer_ >>= bits;
        held_ -= bits;
        return true;
    }

private:
    const uint8_t* d_;
    qsizetype n_;
    qsizetype pos_;
    int left_ = 0; // bytes left in the current sub-block
    uint32_t buffer_ = 0;
    int held_ = 0;
};

// Counts the pixels an LZW stream yields, up to `wanted`, without keeping
// them: each code stands for a string whose length is all that matters.
// False when the stream ends short of `wanted` or holds an impossible code.
bool LzwFillsFrame(const uint8_t* d, qsizetype n, qsizetype pos, int minCodeSize, int64_t wanted)
{
    if (minCodeSize < 1 || minCodeSize > 11)
        return false;
    constexpr int kMaxCodes = 4096;
    std::vector<uint16_t> length(kMaxCodes, 1);
    const int clear = 1 << minCodeSize;
    const int end = clear + 1;
    int codeSize = minCodeSize + 1;
    int next = end + 1;
    int previous = -1;
    int64_t pixels = 0;
    SubBlockBits bits(d, n, pos);
    while (pixels < wanted) {
        int code = 0;
        if (!bits.read(codeSize, code))
            return false;
        if (code == clear) {
            codeSize = minCodeSize + 1;
            next = end + 1;
            previous = -1;
            continue;
        }
        if (code == end)
            return false;
        if (previous < 0) {
            if (code > clear)
                return false;
            pixels += 1;
            previous = code;
            continue;
        }
        if (code > next)
            return false;
        const int grown = length[size_t(previous)] + 1;
        pixels += code == next ? grown : length[size_t(code)];
        if (next < kMaxCodes) {
            length[size_t(next++)] = uint16_t(std::min(grown, 65535));
            if (next == (1 << codeSize) && codeSize < 12)
                ++codeSize;
        }
        previous = code;
    }
    return true;
}

// Walks an RLE8 or RLE4 stream: true once it reaches its end-of-bitmap
// escape or has ended every row, false when the data stops before.
bool RleIsComplete(const uint8_t* d, qsizetype n, qsizetype pos, int64_t height, bool fourBits)
{
    int64_t row = 0;
    while (pos + 2 <= n) {
        const uint8_t count = d[pos];
        const uint8_t code = d[pos + 1];
        pos += 2;
        if (count > 0)
            continue; // a run of one value
        if (code == 0) { // end of line
            if (++row >= height)
                return true;
        } else if (code == 1) { // end of bitmap
            return true;
        } else if (code == 2) { // move by (dx, dy)
            if (pos + 2 > n)
                return false;
            row += d[pos + 1];
            pos += 2;
        } else { // `code` literal pixels, padded to an even byte count
            const qsizetype bytes = fourBits ? (code + 1) / 2 : code;
            pos += bytes + (bytes & 1);
        }
    }
    return false;
}

} // namespace

bool CheckJpegStructure(const QByteArray& bytes, QString* error)
{
    const auto* d = reinterpret_cast<const uint8_t*>(bytes.constData());
    const qsizetype n = bytes.size();
    if (n < 4 || d[0] != 0xFF || d[1] != 0xD8)
        return Fail(error, QStringLiteral("not a JPEG file"));

    qsizetype pos = 2;
    bool sawScan = false;
    for (;;) {
        // Extraneous bytes before a marker are tolerated, as libjpeg does.
        while (pos < n && d[pos] != 0xFF)
            ++pos;
        while (pos < n && d[pos] == 0xFF)
            ++pos;
        if (pos >= n)
            return Fail(error, TruncatedText("JPEG"));
        const uint8_t marker = d[pos++];
        if (marker == 0xD9) {
            if (!sawScan)
                return Fail(error, QStringLiteral("the JPEG file holds no image data"));
            return true;
        }
        if (marker == 0x01 || IsRestartMarker(marker))
            continue;
        if (marker == 0x00 || marker == 0xD8)
            return Fail(error, QStringLiteral("the JPEG file is damaged"));
        // A segment: its length counts the two length bytes. Segments such as
        // an Exif APP1 are skipped whole, so a thumbnail's end marker inside
        // them does not count.
        if (pos + 2 > n)
            return Fail(error, TruncatedText("JPEG"));
        const int length = d[pos] << 8 | d[pos + 1];
        if (length < 2)
            return Fail(error, QStringLiteral("the JPEG file is damaged"));
        if (pos + length > n)
            return Fail(error, TruncatedText("JPEG"));
        pos += length;
        if (marker != 0xDA)
            continue;
        // Entropy-coded data follows the scan header. In it 0xFF is always
        // followed by 0x00 (a stuffed byte), a restart marker or fill bytes;
        // anything else is the next marker.
        sawScan = true;
        for (;;) {
            const void* hit = std::memchr(d + pos, 0xFF, size_t(n - pos));
            if (!hit)
                return Fail(error, TruncatedText("JPEG"));
            pos = static_cast<const uint8_t*>(hit) - d;
            if (pos + 1 >= n)
                return Fail(error, TruncatedText("JPEG"));
            const uint8_t next = d[pos + 1];
            if (next == 0x00 || IsRestartMarker(next))
                pos += 2;
            else if (next == 0xFF)
                pos += 1;
            else
                break; // the outer loop reads this marker
        }
    }
}

bool CheckGifStructure(const QByteArray& bytes, QString* error)
{
    const auto* d = reinterpret_cast<const uint8_t*>(bytes.constData());
    const qsizetype n = bytes.size();
    if (n < 13 || std::memcmp(d, "GIF8", 4) != 0)
        return Fail(error, QStringLiteral("not a GIF file"));

    qsizetype pos = 13;
    if (d[10] & 0x80)
        pos += 3 * (qsizetype(2) << (d[10] & 7));

    // Skips a chain of data sub-blocks ending in an empty one.
    auto skipSubBlocks = [&]() {
        for (;;) {
            if (pos >= n)
                return false;
            const int length = d[pos++];
            if (length == 0)
                return true;
            pos += length;
        }
    };

    // Only the first image is decoded: its data has to be complete and
    // yield as many pixels as its frame (which may be smaller than the
    // screen) holds.
    for (;;) {
        if (pos >= n)
            return Fail(error, TruncatedText("GIF"));
        const uint8_t block = d[pos++];
        if (block == 0x21) { // extension: label, then sub-blocks
            ++pos;
            if (!skipSubBlocks())
                return Fail(error, TruncatedText("GIF"));
        } else if (block == 0x2C) { // image descriptor
            if (pos + 9 > n)
                return Fail(error, TruncatedText("GIF"));
            const int64_t frameWidth = ReadLe16(d + pos + 4);
            const int64_t frameHeight = ReadLe16(d + pos + 6);
            const uint8_t flags = d[pos + 8];
            pos += 9;
            if (flags & 0x80)
                pos += 3 * (qsizetype(2) << (flags & 7));
            if (pos >= n)
                return Fail(error, TruncatedText("GIF"));
            const int minCodeSize = d[pos++];
            const qsizetype data = pos;
            if (!skipSubBlocks() || !LzwFillsFrame(d, n, data, minCodeSize, frameWidth * frameHeight))
                return Fail(error, TruncatedText("GIF"));
            return true;
        } else {
            // The trailer or an unknown block: the reader decides.
            return true;
        }
    }
}

bool CheckBmpStructure(const QByteArray& bytes, QString* error)
{
    const auto* d = reinterpret_cast<const uint8_t*>(bytes.constData());
    const qsizetype n = bytes.size();
    if (n < 26 || d[0] != 'B' || d[1] != 'M')
        return Fail(error, QStringLiteral("not a BMP file"));

    const int64_t pixelOffset = ReadLe32(d + 10);
    const uint32_t headerSize = ReadLe32(d + 14);
    int64_t width = 0;
    int64_t height = 0;
    int bitsPerPixel = 0;
    uint32_t compression = 0;
    if (headerSize == 12) {
        width = ReadLe16(d + 18);
        height = ReadLe16(d + 20);
        bitsPerPixel = ReadLe16(d + 24);
    } else if (headerSize >= 40 && n >= 34) {
        width = int32_t(ReadLe32(d + 18));
        height = int32_t(ReadLe32(d + 22));
        bitsPerPixel = ReadLe16(d + 28);
        compression = ReadLe32(d + 30);
    } else {
        return true; // unusual header: the reader decides
    }
    if (height < 0)
        height = -height;
    // Run-length data must reach its end; absurd dimensions are refused
    // later by the size check.
    const bool rle = (compression == 1 && bitsPerPixel == 8) || (compression == 2 && bitsPerPixel == 4);
    if (rle && width > 0 && height > 0) {
        if (pixelOffset >= n || !RleIsComplete(d, n, qsizetype(pixelOffset), height, compression == 2))
            return Fail(error, TruncatedText("BMP"));
        return true;
    }
    // Only uncompressed layouts (plain or bit fields) have a known size.
    const bool uncompressed = compression == 0 || compression == 3 || compression == 6;
    if (!uncompressed || width <= 0 || height <= 0 || width > 65535 || height > 65535 || bitsPerPixel <= 0 ||
        bitsPerPixel > 64)
        return true;
    const int64_t rowBytes = (width * bitsPerPixel + 31) / 32 * 4;
    if (pixelOffset + rowBytes * height > n)
        return Fail(error, TruncatedText("BMP"));
    return true;
}

bool CheckImageStructure(const QByteArray& bytes, QString* error)
{
    const auto* d = reinterpret_cast<const uint8_t*>(bytes.constData());
    const qsizetype n = bytes.size();
    if (n >= 3 && d[0] == 0xFF && d[1] == 0xD8 && d[2] == 0xFF)
        return CheckJpegStructure(bytes, error);
    if (n >= 4 && std::memcmp(d, "GIF8", 4) == 0)
        return CheckGifStructure(bytes, error);
    if (n >= 2 && d[0] == 'B' && d[1] == 'M')
        return CheckBmpStructure(bytes, error);
    return true;
}

} // namespace gfx
