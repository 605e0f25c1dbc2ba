#pragma once

#include <QImage>

#include <cstddef>
#include <cstdint>

namespace gfx {

// The orientation (1..8) recorded in an APP1 segment's payload ("Exif\0\0"
// and a TIFF structure); 0 when there is none or the structure is damaged.
// Reads only inside [data, data + size).
int ExifOrientation(const uint8_t* data, size_t size);

// Turns a picture stored in the given EXIF orientation upright (an exact
// permutation of its pixels); 0, 1 and unknown values leave it as it is.
void ApplyExifOrientation(QImage& image, int orientation);

} // namespace gfx
