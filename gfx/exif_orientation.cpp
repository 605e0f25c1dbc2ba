#include "gfx/exif_orientation.h"

#include <QTransform>

#include <cstring>

namespace gfx {
namespace {

class TiffReader {
public:
    TiffReader(const uint8_t* data, size_t size, bool bigEndian) : d_(data), n_(size), big_(bigEndian) {}

    bool fits(size_t at, size_t bytes) const { return at <= n_ && bytes <= n_ - at; }

    uint16_t u16(size_t at) const
    {
        return big_ ? uint16_t(d_[at] << 8 | d_[at + 1]) : uint16_t(d_[at] | d_[at + 1] << 8);
    }

    uint32_t u32(size_t at) const
    {
        return big_ ? uint32_t(u16(at)) << 16 | u16(at + 2) : uint32_t(u16(at + 2)) << 16 | u16(at);
    }

private:
    const uint8_t* d_;
    size_t n_;
    bool big_;
};

constexpr uint16_t kOrientationTag = 0x0112;
constexpr uint16_t kShortType = 3;
// EXIF has a handful of directories; the chain is followed no further.
constexpr int kMaxDirectories = 10;

} // namespace

int ExifOrientation(const uint8_t* data, size_t size)
{
    if (!data || size < 6 + 8 || std::memcmp(data, "Exif\0\0", 6) != 0)
        return 0;
    const uint8_t* tiff = data + 6;
    const size_t n = size - 6;
    bool big = false;
    if (tiff[0] == 'M' && tiff[1] == 'M')
        big = true;
    else if (!(tiff[0] == 'I' && tiff[1] == 'I'))
        return 0;
    const TiffReader r(tiff, n, big);
    if (r.u16(2) != 42)
        return 0;
    size_t offset = r.u32(4);
    for (int directory = 0; directory < kMaxDirectories; ++directory) {
        // Directories only move forward, so a loop cannot form.
        if (offset < 8 || !r.fits(offset, 2))
            return 0;
        const size_t count = r.u16(offset);
        const size_t entries = offset + 2;
        if (!r.fits(entries, count * 12 + 4))
            return 0;
        for (size_t i = 0; i < count; ++i) {
            const size_t e = entries + i * 12;
            if (r.u16(e) != kOrientationTag)
                continue;
            const uint16_t value = r.u16(e + 8);
            if (r.u16(e + 2) != kShortType || r.u32(e + 4) != 1 || value < 1 || value > 8)
                return 0;
            return value;
        }
        const size_t next = r.u32(entries + count * 12);
        if (next == 0 || next <= offset)
            return 0;
        offset = next;
    }
    return 0;
}

void ApplyExifOrientation(QImage& image, int orientation)
{
    // 2 mirrors left to right, 4 top to bottom, 3 turns half round; 5..8
    // also need a quarter turn (6 clockwise, 8 anticlockwise).
    bool mirror = false;
    bool flip = false;
    int turn = 0;
    switch (orientation) {
    case 2: mirror = true; break;
    case 3: mirror = flip = true; break;
    case 4: flip = true; break;
    case 5: flip = true; turn = 90; break;
    case 6: turn = 90; break;
    case 7: mirror = true; turn = 90; break;
    case 8: turn = 270; break;
    default: return;
    }
    if (mirror || flip)
        image = image.mirrored(mirror, flip);
    if (turn != 0)
        image = image.transformed(QTransform().rotate(turn));
}

} // namespace gfx
