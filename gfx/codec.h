#pragma once

#include "gfx/image.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace gfx {

enum class ImageFormat { Unknown, Jpeg, Png, Bmp, WebP, Gif, Tiff };

// Largest picture the decoders open (250 megapixels).
constexpr int64_t kMaxDecodePixels = 250'000'000;
// Largest file DecodeFile reads into memory.
constexpr qint64 kMaxImageFileBytes = qint64(2) << 30;

// True for sizes the decoders open: both sides sane (gfx::IsSaneSize) and at
// most kMaxDecodePixels in all.
bool IsDecodableSize(int64_t width, int64_t height);

// Format named by a file name, a path or a bare extension (".JPG", "png",
// "photo.tiff"), case-insensitive; Unknown for anything else.
ImageFormat FormatFromExtension(const QString& pathOrExt);

// Decodes whatever format the contents are in (the extension is not
// consulted), applies the EXIF orientation and returns kPixelFormat pixels.
// Files that are truncated or corrupt, too large or not images give a null
// image and *error; a damaged file never yields a partly decoded picture.
Image DecodeFile(const QString& path, QString* error = nullptr);
Image DecodeData(const QByteArray& bytes, QString* error = nullptr);

// Encodes as Jpeg, Png, WebP or Bmp; the other formats are refused.
// quality 1..100 (clamped): JPEG and WebP quality (WebP 100 is lossless);
// for PNG it picks the zlib level, (100 - quality) / 10 clamped to 1..9, so
// 80 gives the fast level 2; BMP ignores it.
// Alpha: PNG and WebP keep it. JPEG writes the picture as seen over white
// (as the preview pane shows it); BMP writes 24-bit unpremultiplied
// colours and drops alpha. Callers wanting another backdrop composite first.
// An empty result and *error on failure.
QByteArray Encode(const Image& image, ImageFormat format, int quality, QString* error = nullptr);

// Encodes, then writes through a temporary file that replaces `path` only
// once everything is written: on failure an existing file is left as it was.
bool EncodeToFile(const Image& image, const QString& path, ImageFormat format, int quality,
                  QString* error = nullptr);

} // namespace gfx
