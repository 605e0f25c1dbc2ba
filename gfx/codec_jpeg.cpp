#include "gfx/codec_jpeg.h"

#include "gfx/codec.h"
#include "gfx/exif_orientation.h"
#include "platform/run_context.h"

#include <QColorSpace>

#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE
#include <cstdlib>
#include <cstring>

extern "C" {
#include <jpeglib.h> // before jerror.h, whose messages depend on its configuration
#include <jerror.h>
}

namespace gfx {
namespace {

// A legitimate progressive file has about ten scans; each scan walks the
// whole picture, so a small file of endless scans would take minutes.
constexpr int kMaxScans = 1000;

// Everything one decode needs, set up before libjpeg runs. libjpeg leaves
// through longjmp, so the frame that calls it holds nothing with a
// destructor; the caller owns this record and releases what it holds.
struct JpegRead {
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr errorManager{};
    jpeg_progress_mgr progress{};
    std::jmp_buf jump{};
    bool created = false;
    bool headerRead = false;
    // libjpeg's words, or (ownMessage) ours.
    char message[JMSG_LENGTH_MAX] = {};
    bool ownMessage = false;
    QImage* image = nullptr;
    JOCTET* icc = nullptr;
    unsigned int iccSize = 0;
    int orientation = 0;
};

JpegRead& ReadOf(j_common_ptr cinfo)
{
    return *static_cast<JpegRead*>(cinfo->client_data);
}

[[noreturn]] void Fail(j_common_ptr cinfo)
{
    JpegRead& read = ReadOf(cinfo);
    if (cinfo->err->msg_code == JERR_OUT_OF_MEMORY)
        platform::NoteOutOfMemory();
    if (read.message[0] == 0)
        cinfo->err->format_message(cinfo, read.message);
    std::longjmp(read.jump, 1);
}

// Warnings that mean pixels are missing or wrong. Bytes between segments of
// the header harm no pixel; between or after scans they mean the scan data
// did not decode as it was written.
bool IsDamage(int code, bool inScans)
{
    switch (code) {
    case JWRN_HIT_MARKER:
    case JWRN_JPEG_EOF:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_MUST_RESYNC:
    case JWRN_BOGUS_PROGRESSION: return true;
    case JWRN_EXTRANEOUS_DATA: return inScans;
    default: return false;
    }
}

void EmitMessage(j_common_ptr cinfo, int level)
{
    // Levels 0 and up are trace output.
    if (level < 0 && IsDamage(cinfo->err->msg_code, ReadOf(cinfo).headerRead))
        Fail(cinfo);
}

void Progress(j_common_ptr cinfo)
{
    const auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number > kMaxScans) {
        std::snprintf(ReadOf(cinfo).message, JMSG_LENGTH_MAX, "more than %d scans", kMaxScans);
        Fail(cinfo);
    }
}

void FindOrientation(JpegRead& read)
{
    for (jpeg_saved_marker_ptr m = read.cinfo.marker_list; m; m = m->next) {
        if (m->marker == JPEG_APP0 + 1 && m->data_length >= 6 && std::memcmp(m->data, "Exif\0\0", 6) == 0) {
            read.orientation = ExifOrientation(m->data, m->data_length);
            return;
        }
    }
}

void StoreDensity(const jpeg_decompress_struct& cinfo, QImage& image)
{
    if (cinfo.density_unit == 1) { // dots per inch
        image.setDotsPerMeterX(int(100.0 * cinfo.X_density / 2.54));
        image.setDotsPerMeterY(int(100.0 * cinfo.Y_density / 2.54));
    } else if (cinfo.density_unit == 2) { // dots per centimetre
        image.setDotsPerMeterX(int(100.0 * cinfo.X_density));
        image.setDotsPerMeterY(int(100.0 * cinfo.Y_density));
    }
}

// Adobe CMYK as libjpeg hands it out (inverted ink), brought to RGB.
void CmykRow(const JSAMPLE* in, QRgb* out, JDIMENSION width)
{
    for (JDIMENSION i = 0; i < width; ++i, in += 4) {
        const int k = in[3];
        out[i] = qRgb(k * in[0] / 255, k * in[1] / 255, k * in[2] / 255);
    }
}

// The libjpeg part. Returns false with read.message set; the caller destroys
// the decompressor either way.
bool RunLibjpeg(JpegRead& read, const uint8_t* data, size_t size)
{
    jpeg_decompress_struct& cinfo = read.cinfo;
    if (setjmp(read.jump))
        return false;
    cinfo.err = jpeg_std_error(&read.errorManager);
    read.errorManager.error_exit = Fail;
    read.errorManager.emit_message = EmitMessage;
    cinfo.client_data = &read; // kept by jpeg_create_decompress
    jpeg_create_decompress(&cinfo);
    read.created = true;
    read.progress.progress_monitor = Progress;
    cinfo.progress = &read.progress;
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 0xFFFF); // Exif
    jpeg_save_markers(&cinfo, JPEG_APP0 + 2, 0xFFFF); // ICC profile
    jpeg_read_header(&cinfo, TRUE);
    read.headerRead = true;

    if (!IsDecodableSize(cinfo.image_width, cinfo.image_height)) {
        std::snprintf(read.message, JMSG_LENGTH_MAX, "the image is too large (%u x %u pixels)", cinfo.image_width,
                      cinfo.image_height);
        read.ownMessage = true;
        return false;
    }
    QImage::Format format = QImage::Format_RGB32;
    switch (cinfo.num_components) {
    case 1:
        cinfo.out_color_space = JCS_GRAYSCALE;
        format = QImage::Format_Grayscale8;
        break;
    case 3:
        cinfo.out_color_space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;
        break;
    case 4: cinfo.out_color_space = JCS_CMYK; break;
    default:
        std::snprintf(read.message, JMSG_LENGTH_MAX, "JPEG images of %d colour components are not supported",
                      cinfo.num_components);
        read.ownMessage = true;
        return false;
    }
    FindOrientation(read);
    jpeg_read_icc_profile(&cinfo, &read.icc, &read.iccSize);

    jpeg_calc_output_dimensions(&cinfo);
    // Not cleared: rows are only kept once every one of them is decoded.
    *read.image = QImage(int(cinfo.output_width), int(cinfo.output_height), format);
    if (read.image->isNull()) {
        platform::NoteOutOfMemory();
        std::snprintf(read.message, JMSG_LENGTH_MAX, "not enough memory for the image");
        read.ownMessage = true;
        return false;
    }
    JSAMPARRAY cmyk = nullptr;
    if (cinfo.out_color_space == JCS_CMYK)
        cmyk = cinfo.mem->alloc_sarray(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                       cinfo.output_width * 4, 1);
    jpeg_start_decompress(&cinfo);
    while (cinfo.output_scanline < cinfo.output_height) {
        uchar* row = read.image->scanLine(int(cinfo.output_scanline));
        if (cmyk) {
            jpeg_read_scanlines(&cinfo, cmyk, 1);
            CmykRow(cmyk[0], reinterpret_cast<QRgb*>(row), cinfo.output_width);
        } else {
            JSAMPROW rows[1] = {row};
            jpeg_read_scanlines(&cinfo, rows, 1);
        }
    }
    // Reads up to the end marker, so damage after the last row counts too.
    jpeg_finish_decompress(&cinfo);
    StoreDensity(cinfo, *read.image);
    return true;
}

} // namespace

bool DecodeJpeg(const QByteArray& bytes, QImage& image, QString* error)
{
    JpegRead read;
    read.image = &image;
    const bool ok = RunLibjpeg(read, reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
    if (read.created)
        jpeg_destroy_decompress(&read.cinfo);
    if (ok && read.icc && read.iccSize > 0)
        image.setColorSpace(QColorSpace::fromIccProfile(
            QByteArray(reinterpret_cast<const char*>(read.icc), qsizetype(read.iccSize))));
    std::free(read.icc);
    if (!ok) {
        image = QImage();
        if (error) {
            const QString text = QString::fromLocal8Bit(read.message);
            *error = read.ownMessage ? text : QStringLiteral("the JPEG file is damaged (%1)").arg(text);
        }
        return false;
    }
    ApplyExifOrientation(image, read.orientation);
    return true;
}

} // namespace gfx
