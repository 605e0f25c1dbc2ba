#pragma once

#include <QByteArray>
#include <QString>

namespace gfx {

// Structural checks for the formats whose Qt readers accept damaged files
// and fill what is missing with grey or black: JPEG (a scan without its end
// marker), GIF (image data cut short, or yielding fewer pixels than its
// frame holds), uncompressed BMP (fewer pixel bytes than the header
// declares) and run-length BMP (a stream that stops before its end). True for intact files and for other formats,
// which their readers reject themselves; false and *error otherwise.
bool CheckImageStructure(const QByteArray& bytes, QString* error);

bool CheckJpegStructure(const QByteArray& bytes, QString* error);
bool CheckGifStructure(const QByteArray& bytes, QString* error);
bool CheckBmpStructure(const QByteArray& bytes, QString* error);

} // namespace gfx
