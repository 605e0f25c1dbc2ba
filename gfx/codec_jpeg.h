#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace gfx {

// Decodes JPEG data with libjpeg. The size is checked against the decode
// limits before any pixel memory is taken; data that libjpeg reports as
// corrupt or cut short, and more than a thousand scans, refuse the file.
// The picture comes as RGB32 (colour, CMYK included) or Grayscale8, turned
// upright by its EXIF orientation, with the JFIF density and the ICC
// profile attached. False and *error on failure.
bool DecodeJpeg(const QByteArray& bytes, QImage& image, QString* error);

} // namespace gfx
