#include "gfx/codec_png.h"

#include "gfx/codec.h"
#include "gfx/image.h"
#include "platform/run_context.h"

#include <QColorSpace>

#include <png.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace gfx {
namespace {

// Larger ancillary chunks (ICC profiles, mostly) are dropped.
constexpr png_alloc_size_t kMaxChunkBytes = png_alloc_size_t(16) << 20;
// Chunks we never read: their data is skipped, not held.
constexpr png_byte kSkippedChunks[] = "tEXt\0zTXt\0iTXt\0sPLT\0eXIf";
constexpr int kSkippedChunkCount = 5;

// Everything one decode needs. libpng leaves through longjmp, so the frame
// that calls it holds nothing with a destructor.
struct PngRead {
    png_structp png = nullptr;
    png_infop info = nullptr;
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t pos = 0;
    char message[160] = {};
    bool ownMessage = false;
    QImage* image = nullptr;
    QColorSpace* colorSpace = nullptr;
    // One pointer per row of the picture, owned by the caller.
    std::vector<png_bytep>* rows = nullptr;
};

void ErrorFn(png_structp png, png_const_charp text)
{
    auto* read = static_cast<PngRead*>(png_get_error_ptr(png));
    if (read->message[0] == 0)
        std::snprintf(read->message, sizeof read->message, "%s", text);
    png_longjmp(png, 1);
}

void WarningFn(png_structp, png_const_charp) {}

void ReadFn(png_structp png, png_bytep out, size_t length)
{
    auto* read = static_cast<PngRead*>(png_get_io_ptr(png));
    if (length > read->size - read->pos)
        png_error(png, "the file ends early");
    std::memcpy(out, read->data + read->pos, length);
    read->pos += length;
}

[[noreturn]] void Refuse(PngRead& read, const char* text)
{
    std::snprintf(read.message, sizeof read.message, "%s", text);
    read.ownMessage = true;
    png_longjmp(read.png, 1);
}

// Sets up libpng's transformations for the layout the pixels go to and
// allocates the picture. The layouts are those Qt's own reader picks, so
// the converted pixels match it.
void Allocate(PngRead& read, png_uint_32 width, png_uint_32 height)
{
    png_structp png = read.png;
    png_infop info = read.info;
    const int depth = png_get_bit_depth(png, info);
    const int type = png_get_color_type(png, info);
    const bool hasTrns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    constexpr bool kLittle = Q_BYTE_ORDER == Q_LITTLE_ENDIAN;
    QImage::Format format = QImage::Format_ARGB32;
    png_colorp palette = nullptr;
    int paletteSize = 0;

    png_set_interlace_handling(png);
    if (type == PNG_COLOR_TYPE_PALETTE) {
        if (!png_get_PLTE(png, info, &palette, &paletteSize) || paletteSize > 256)
            Refuse(read, "the palette is missing or damaged");
        png_set_packing(png);
        format = QImage::Format_Indexed8;
    } else if (depth == 16) {
        const bool alpha = (type & PNG_COLOR_MASK_ALPHA) || hasTrns;
        if (type == PNG_COLOR_TYPE_GRAY && !hasTrns) {
            format = QImage::Format_Grayscale16;
        } else {
            if (hasTrns)
                png_set_tRNS_to_alpha(png);
            else if (!alpha)
                png_set_filler(png, 0xffff, PNG_FILLER_AFTER);
            if (!(type & PNG_COLOR_MASK_COLOR))
                png_set_gray_to_rgb(png);
            format = alpha ? QImage::Format_RGBA64 : QImage::Format_RGBX64;
        }
        if (kLittle)
            png_set_swap(png);
    } else if (type == PNG_COLOR_TYPE_GRAY && !hasTrns) {
        png_set_expand_gray_1_2_4_to_8(png);
        format = QImage::Format_Grayscale8;
    } else {
        png_set_expand(png);
        if (!(type & PNG_COLOR_MASK_COLOR))
            png_set_gray_to_rgb(png);
        if (!(type & PNG_COLOR_MASK_ALPHA) && !hasTrns) {
            png_set_filler(png, 0xff, kLittle ? PNG_FILLER_AFTER : PNG_FILLER_BEFORE);
            format = QImage::Format_RGB32;
        } else if (!kLittle) {
            png_set_swap_alpha(png);
        }
        if (kLittle)
            png_set_bgr(png);
    }
    png_read_update_info(png, info);

    // Not cleared: rows are only kept once every one of them is decoded.
    *read.image = QImage(int(width), int(height), format);
    if (read.image->isNull()) {
        platform::NoteOutOfMemory();
        Refuse(read, "not enough memory for the image");
    }
    if (format == QImage::Format_Indexed8) {
        png_bytep alphas = nullptr;
        int alphaCount = 0;
        png_color_16p unused = nullptr;
        png_get_tRNS(png, info, &alphas, &alphaCount, &unused);
        read.image->setColorCount(paletteSize);
        for (int i = 0; i < paletteSize; ++i)
            read.image->setColor(i, qRgba(palette[i].red, palette[i].green, palette[i].blue,
                                          alphas && i < alphaCount ? alphas[i] : 0xff));
    }
}

// An index beyond the palette shows its first colour.
void ClampIndexes(QImage& image)
{
    const int count = image.colorCount();
    for (int y = 0; y < image.height(); ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < image.width(); ++x)
            if (row[x] >= count)
                row[x] = 0;
    }
}

void ReadColorSpace(const PngRead& read)
{
    png_structp png = read.png;
    png_infop info = read.info;
    png_charp name = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 profileSize = 0;
    int intent = -1;
    double gamma = 0.0;
    if (png_get_iCCP(png, info, &name, &compression, &profile, &profileSize) && profile && profileSize > 0) {
        *read.colorSpace = QColorSpace::fromIccProfile(
            QByteArray(reinterpret_cast<const char*>(profile), qsizetype(profileSize)));
    } else if (png_get_sRGB(png, info, &intent) && intent >= 0 && intent <= 3) {
        *read.colorSpace = QColorSpace::SRgb;
    } else if (png_get_gAMA(png, info, &gamma) && gamma > 0.0) {
        double wx = 0, wy = 0, rx = 0, ry = 0, gx = 0, gy = 0, bx = 0, by = 0;
        const bool chromaticities = png_get_cHRM(png, info, &wx, &wy, &rx, &ry, &gx, &gy, &bx, &by) != 0;
        const QColorSpace withPrimaries(QPointF(wx, wy), QPointF(rx, ry), QPointF(gx, gy), QPointF(bx, by),
                                        QColorSpace::TransferFunction::Gamma, float(gamma));
        *read.colorSpace = chromaticities && withPrimaries.isValid()
                               ? withPrimaries
                               : QColorSpace(QColorSpace::Primaries::SRgb, QColorSpace::TransferFunction::Gamma,
                                             float(gamma));
    }
}

// The libpng part; false with read.message set on failure.
bool RunLibpng(PngRead& read)
{
    if (setjmp(png_jmpbuf(read.png)))
        return false;
    png_set_read_fn(read.png, &read, ReadFn);
    // Sides are checked below, against our own limits and with our words.
    png_set_user_limits(read.png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    png_set_chunk_malloc_max(read.png, kMaxChunkBytes);
    png_set_keep_unknown_chunks(read.png, PNG_HANDLE_CHUNK_NEVER, kSkippedChunks, kSkippedChunkCount);
    // Accepts streams whose zlib header understates the window, as most
    // readers do.
    png_set_option(read.png, PNG_MAXIMUM_INFLATE_WINDOW, PNG_OPTION_ON);
    png_read_info(read.png, read.info);

    const png_uint_32 width = png_get_image_width(read.png, read.info);
    const png_uint_32 height = png_get_image_height(read.png, read.info);
    if (!IsDecodableSize(width, height)) {
        std::snprintf(read.message, sizeof read.message, "the image is too large (%u x %u pixels)", width, height);
        read.ownMessage = true;
        return false;
    }
    Allocate(read, width, height);
    read.rows->resize(height);
    for (png_uint_32 y = 0; y < height; ++y)
        (*read.rows)[y] = read.image->scanLine(int(y));
    // Every row, every interlace pass.
    png_read_image(read.png, read.rows->data());
    // The chunks after the image, up to the end chunk.
    png_read_end(read.png, nullptr);

    png_uint_32 resX = 0, resY = 0;
    int unit = 0;
    if (png_get_pHYs(read.png, read.info, &resX, &resY, &unit) && unit == PNG_RESOLUTION_METER) {
        read.image->setDotsPerMeterX(int(std::min<png_uint_32>(resX, INT32_MAX)));
        read.image->setDotsPerMeterY(int(std::min<png_uint_32>(resY, INT32_MAX)));
    }
    ReadColorSpace(read);
    return true;
}

} // namespace

bool DecodePng(const QByteArray& bytes, QImage& image, QString* error)
{
    QColorSpace colorSpace;
    std::vector<png_bytep> rows;
    PngRead read;
    read.rows = &rows;
    read.data = reinterpret_cast<const uint8_t*>(bytes.constData());
    read.size = size_t(bytes.size());
    read.image = &image;
    read.colorSpace = &colorSpace;
    read.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &read, ErrorFn, WarningFn);
    if (read.png)
        read.info = png_create_info_struct(read.png);
    const bool created = read.info != nullptr;
    const bool ok = created && RunLibpng(read);
    png_destroy_read_struct(&read.png, read.info ? &read.info : nullptr, nullptr);
    if (!ok) {
        image = QImage();
        if (error) {
            const QString text = QString::fromLocal8Bit(read.message);
            *error = !created         ? QStringLiteral("not enough memory")
                     : read.ownMessage ? text
                                       : QStringLiteral("the PNG file is damaged (%1)").arg(text);
        }
        return false;
    }
    if (image.format() == QImage::Format_Indexed8)
        ClampIndexes(image);
    if (colorSpace.isValid())
        image.setColorSpace(colorSpace);
    return true;
}

} // namespace gfx
