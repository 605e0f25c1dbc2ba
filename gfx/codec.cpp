#include "gfx/codec.h"

#include "gfx/codec_check.h"
#include "gfx/codec_jpeg.h"
#include "gfx/codec_png.h"
#include "platform/bounded_file.h"
#include "platform/file_write.h"
#include "platform/run_context.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>

#include <algorithm>
#include <mutex>

namespace gfx {

namespace {

void SetError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

// Qt refuses decodes above 128 MiB by default, which a 50-megapixel photo
// exceeds. Our own pixel cap is checked before decoding; this limit stays as
// a backstop for readers that cannot tell their size in advance (250 MP at
// 8 bytes a pixel for 16-bit images).
void RaiseAllocationLimit()
{
    static std::once_flag once;
    std::call_once(once, [] { QImageReader::setAllocationLimit(2048); });
}

QString SizeText(const QSize& size)
{
    return QStringLiteral("%1 x %2").arg(size.width()).arg(size.height());
}

bool AcceptableSize(const QSize& size)
{
    return IsDecodableSize(size.width(), size.height());
}

const char* WriterFormat(ImageFormat format)
{
    switch (format) {
    case ImageFormat::Jpeg: return "jpeg";
    case ImageFormat::Png: return "png";
    case ImageFormat::WebP: return "webp";
    case ImageFormat::Bmp: return "bmp";
    default: return nullptr;
    }
}

// Qt's PNG writer turns quality q into zlib level (100 - q) * 9 / 91, so 90
// and above would store the pixels uncompressed. Returns the Qt quality that
// yields `level`.
int QtPngQualityForLevel(int level)
{
    return 100 - (level * 91 + 8) / 9;
}

int PngLevelForQuality(int quality)
{
    return std::clamp((100 - quality) / 10, 1, 9);
}

// Readers that hand out premultiplied pixels (TIFF with associated alpha)
// pass on whatever the file holds, colour above alpha included.
void ClampColourToAlpha(QImage& image)
{
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<Pixel*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const Pixel p = row[x];
            const Pixel a = p >> 24;
            const Pixel r = std::min((p >> 16) & 0xffu, a);
            const Pixel g = std::min((p >> 8) & 0xffu, a);
            const Pixel b = std::min(p & 0xffu, a);
            row[x] = (a << 24) | (r << 16) | (g << 8) | b;
        }
    }
}

// The decoders' usual layouts brought to kPixelFormat on the calling
// thread, with Qt's results. Qt's own conversion of a large picture waits
// on helper threads, and one that cannot be started (little memory left)
// leaves it waiting for ever. False for other layouts.
bool ConvertOnThisThread(QImage& image)
{
    const QImage::Format from = image.format();
    if (from == QImage::Format_RGB32) {
        // Opaque: the same words, alpha made sure of, in place.
        for (int y = 0; y < image.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                row[x] |= 0xFF000000u;
        }
        image.reinterpretAsFormat(kPixelFormat);
        return true;
    }
    if (from != QImage::Format_ARGB32 && from != QImage::Format_Grayscale8)
        return false;
    QImage out(image.size(), kPixelFormat);
    if (out.isNull()) {
        image = QImage();
        return true;
    }
    for (int y = 0; y < image.height(); ++y) {
        auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
        if (from == QImage::Format_Grayscale8) {
            const uchar* src = image.constScanLine(y);
            for (int x = 0; x < image.width(); ++x)
                dst[x] = 0xFF000000u | uint32_t(src[x]) * 0x010101u;
        } else {
            const auto* src = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x)
                dst[x] = qPremultiply(src[x]);
        }
    }
    out.setDotsPerMeterX(image.dotsPerMeterX());
    out.setDotsPerMeterY(image.dotsPerMeterY());
    out.setColorSpace(image.colorSpace());
    for (const QString& key : image.textKeys())
        out.setText(key, image.text(key));
    image = std::move(out);
    return true;
}

bool IsJpeg(const QByteArray& bytes)
{
    return bytes.startsWith("\xFF\xD8\xFF");
}

bool IsPng(const QByteArray& bytes)
{
    return bytes.startsWith("\x89PNG\r\n\x1A\n");
}

// The other formats, through Qt's readers.
bool DecodeWithQt(const QByteArray& bytes, QImage& image, QString* error)
{
    RaiseAllocationLimit();
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    if (!reader.canRead()) {
        SetError(error, QStringLiteral("not an image in a known format"));
        return false;
    }
    const QSize declared = reader.size();
    if (declared.isValid() && !AcceptableSize(declared)) {
        SetError(error, QStringLiteral("the image is too large (%1 pixels)").arg(SizeText(declared)));
        return false;
    }
    image = reader.read();
    if (image.isNull()) {
        SetError(error, QStringLiteral("cannot decode the image: %1").arg(reader.errorString()));
        return false;
    }
    return true;
}

// The picture as seen over white, opaque (premultiplied colour plus the
// white that shows through), with the image's resolution.
QImage OverWhite(const Image& image)
{
    QImage out(image.width(), image.height(), QImage::Format_RGB32);
    if (out.isNull())
        return out;
    for (int y = 0; y < image.height(); ++y) {
        const Pixel* src = image.row(y);
        auto* dst = reinterpret_cast<Pixel*>(out.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const Pixel p = src[x];
            const Pixel white = 255 - (p >> 24);
            dst[x] = 0xFF000000u | (((p >> 16) & 0xFF) + white) << 16 | (((p >> 8) & 0xFF) + white) << 8 |
                     ((p & 0xFF) + white);
        }
    }
    out.setDotsPerMeterX(image.qimage().dotsPerMeterX());
    out.setDotsPerMeterY(image.qimage().dotsPerMeterY());
    return out;
}

} // namespace

bool IsDecodableSize(int64_t width, int64_t height)
{
    return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide &&
           IsSaneSize(int(width), int(height)) && width * height <= kMaxDecodePixels;
}

ImageFormat FormatFromExtension(const QString& pathOrExt)
{
    const qsizetype slash = std::max(pathOrExt.lastIndexOf(QLatin1Char('/')), pathOrExt.lastIndexOf(QLatin1Char('\\')));
    const QString name = pathOrExt.mid(slash + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString ext = (dot >= 0 ? name.mid(dot + 1) : name).toLower();
    if (ext == QLatin1String("jpg") || ext == QLatin1String("jpeg") || ext == QLatin1String("jpe"))
        return ImageFormat::Jpeg;
    if (ext == QLatin1String("png"))
        return ImageFormat::Png;
    if (ext == QLatin1String("bmp"))
        return ImageFormat::Bmp;
    if (ext == QLatin1String("webp"))
        return ImageFormat::WebP;
    if (ext == QLatin1String("gif"))
        return ImageFormat::Gif;
    if (ext == QLatin1String("tif") || ext == QLatin1String("tiff"))
        return ImageFormat::Tiff;
    return ImageFormat::Unknown;
}

Image DecodeData(const QByteArray& bytes, QString* error)
{
    if (bytes.isEmpty()) {
        SetError(error, QStringLiteral("the file is empty"));
        return {};
    }
    if (!CheckImageStructure(bytes, error))
        return {};
    QImage image;
    if (IsJpeg(bytes)) {
        if (!DecodeJpeg(bytes, image, error))
            return {};
    } else if (IsPng(bytes)) {
        if (!DecodePng(bytes, image, error))
            return {};
    } else if (!DecodeWithQt(bytes, image, error)) {
        return {};
    }
    if (!AcceptableSize(image.size())) {
        SetError(error, QStringLiteral("the image is too large (%1 pixels)").arg(SizeText(image.size())));
        return {};
    }
    const bool premultipliedSource = image.pixelFormat().premultiplied() == QPixelFormat::Premultiplied;
    if (image.format() != kPixelFormat && !ConvertOnThisThread(image))
        image.convertTo(kPixelFormat);
    if (premultipliedSource && image.format() == kPixelFormat)
        ClampColourToAlpha(image);
    Image result = Image::adopt(std::move(image));
    if (result.isNull()) {
        platform::NoteOutOfMemory();
        SetError(error, QStringLiteral("not enough memory for the image"));
    }
    return result;
}

Image DecodeFile(const QString& path, QString* error)
{
    QByteArray bytes;
    if (!platform::ReadRegularFile(path, kMaxImageFileBytes, bytes, error))
        return {};
    return DecodeData(bytes, error);
}

QByteArray Encode(const Image& image, ImageFormat format, int quality, QString* error)
{
    if (image.isNull()) {
        SetError(error, QStringLiteral("there is no image to encode"));
        return {};
    }
    const char* name = WriterFormat(format);
    if (!name) {
        SetError(error, QStringLiteral("this image format cannot be written"));
        return {};
    }
    quality = std::clamp(quality, 1, 100);

    // An opaque image goes out without an alpha channel (smaller and faster
    // PNG, lossy WebP without alpha): the same pixels seen as RGB32. JPEG
    // has no alpha: a picture with transparency is laid on white first.
    QImage source = image.qimage();
    if (format == ImageFormat::Jpeg && !image.isOpaque()) {
        source = OverWhite(image);
        if (source.isNull()) {
            SetError(error, QStringLiteral("not enough memory to encode the image"));
            return {};
        }
    } else if (image.isOpaque()) {
        source = QImage(image.bits(), image.width(), image.height(), image.stride(), QImage::Format_RGB32);
        // The resolution the writers record (JFIF density, pHYs).
        source.setDotsPerMeterX(image.qimage().dotsPerMeterX());
        source.setDotsPerMeterY(image.qimage().dotsPerMeterY());
    }

    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, name);
    switch (format) {
    case ImageFormat::Png: writer.setQuality(QtPngQualityForLevel(PngLevelForQuality(quality))); break;
    case ImageFormat::Jpeg:
    case ImageFormat::WebP: writer.setQuality(quality); break;
    default: break;
    }
    if (!writer.write(source)) {
        SetError(error, QStringLiteral("cannot encode the image: %1").arg(writer.errorString()));
        return {};
    }
    return out;
}

bool EncodeToFile(const Image& image, const QString& path, ImageFormat format, int quality, QString* error)
{
    const QByteArray bytes = Encode(image, format, quality, error);
    if (bytes.isEmpty())
        return false;
    return platform::WriteFileAtomically(path, bytes, error);
}

} // namespace gfx
