#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace gfx {

// Decodes PNG data with libpng. The size is checked against the decode
// limits before any pixel memory is taken; no chunk may take more than
// 16 MiB, text chunks are skipped unread, and a file that ends early, a
// chunk whose checksum fails or image data that libpng finds damaged
// refuse the file. The picture comes in the layout of the file's pixels
// (grey, indexed, 8 or 16 bits a channel, with or without alpha), with the
// resolution and colour space the file records. False and *error on
// failure.
bool DecodePng(const QByteArray& bytes, QImage& image, QString* error);

} // namespace gfx
