#pragma once

// Builders of damaged and hostile image files for the decoder tests, and a
// way to run a step under a memory allowance.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "gfx/image.h"
#include "gfx/surface.h"
#include "stored_zip.h"

namespace damaged {

// A smooth, every-channel picture for encoding and decoding.
inline gfx::Image Gradient(int w, int h)
{
    gfx::Surface s = gfx::Surface::make(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            s.row(y)[x] = qRgb(x * 255 / w, y * 255 / h, (x * 7 + y * 3) & 255);
    return s.snapshot();
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

inline void AppendBe32(QByteArray& out, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.append(char((v >> shift) & 0xFF));
}

inline void AppendLe(QByteArray& out, uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.append(char((v >> (8 * i)) & 0xFF));
}

inline QByteArray PngChunk(const char* type, const QByteArray& data)
{
    QByteArray chunk;
    AppendBe32(chunk, uint32_t(data.size()));
    const QByteArray body = QByteArray(type, 4) + data;
    chunk += body;
    AppendBe32(chunk, testzip::Crc32(body));
    return chunk;
}

// A valid PNG with a text chunk whose header declares `declared` bytes, of
// which only a few follow: right after the header chunk (before the
// picture data) or in place of the end chunk.
inline QByteArray PngWithHugeChunk(const QByteArray& png, uint32_t declared, bool beforeData)
{
    QByteArray chunk;
    AppendBe32(chunk, declared);
    chunk += QByteArray("tEXtComment\0", 12);
    chunk += QByteArray(40, 'x');
    if (beforeData) {
        const qsizetype afterHeader = 8 + 8 + 13 + 4;
        return png.left(afterHeader) + chunk + png.mid(afterHeader);
    }
    return png.left(png.lastIndexOf("IEND") - 4) + chunk;
}

// The virtual memory the process holds now, in bytes; 0 when unknown.
inline int64_t VirtualMemoryBytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmSize:"))
            return line.mid(7).trimmed().split(' ').value(0).toLongLong() * 1024;
    return 0;
}

// Runs `step` in a child process allowed `allowance` bytes of address
// space beyond what the process holds now; the child's exit status, or -1
// when it did not end normally. The step runs on the child's only thread.
inline int RunWithMemoryAllowance(int64_t allowance, const std::function<int()>& step)
{
    const int64_t now = VirtualMemoryBytes();
    const pid_t pid = fork();
    if (pid == 0) {
        const rlimit limit{rlim_t(now + allowance), rlim_t(now + allowance)};
        setrlimit(RLIMIT_AS, &limit);
        _exit(step());
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The bytes of a JPEG's start-of-frame segment that hold its height and
// width; -1 when there is none.
inline qsizetype JpegFrameSizeOffset(const QByteArray& jpeg)
{
    for (qsizetype i = 2; i + 9 < jpeg.size();) {
        if (uint8_t(jpeg[i]) != 0xFF)
            return -1;
        const uint8_t marker = uint8_t(jpeg[i + 1]);
        if (marker == 0xC0 || marker == 0xC1 || marker == 0xC2)
            return i + 5;
        i += 2 + (int(uint8_t(jpeg[i + 2])) << 8 | uint8_t(jpeg[i + 3]));
    }
    return -1;
}

inline QByteArray WithJpegSize(QByteArray jpeg, int width, int height)
{
    const qsizetype at = JpegFrameSizeOffset(jpeg);
    if (at < 0)
        return {};
    jpeg[at] = char(height >> 8);
    jpeg[at + 1] = char(height & 255);
    jpeg[at + 2] = char(width >> 8);
    jpeg[at + 3] = char(width & 255);
    return jpeg;
}

// A GIF whose logical screen is screenW x screenH and whose one frame is
// frameW x frameH, with `pixels` pixels of LZW data (9-bit codes, cleared
// before the code size grows), properly terminated however few they are.
inline QByteArray Gif(int screenW, int screenH, int frameW, int frameH, int pixels)
{
    QByteArray g("GIF89a");
    auto le16 = [&](int v) { g.append(char(v & 255)).append(char(v >> 8)); };
    le16(screenW);
    le16(screenH);
    g.append(char(0xF7)).append(char(0)).append(char(0));
    for (int i = 0; i < 256; ++i)
        g.append(char(i)).append(char(255 - i)).append(char(i / 2));
    g.append(',');
    le16(0);
    le16(0);
    le16(frameW);
    le16(frameH);
    g.append(char(0)).append(char(8));
    QByteArray codes;
    uint32_t acc = 0;
    int bits = 0;
    auto put = [&](int code) {
        acc |= uint32_t(code) << bits;
        for (bits += 9; bits >= 8; bits -= 8, acc >>= 8)
            codes.append(char(acc & 255));
    };
    put(256);
    for (int i = 0; i < pixels; ++i) {
        put((i * 7) & 255);
        if (i % 200 == 199)
            put(256);
    }
    put(257);
    if (bits)
        codes.append(char(acc & 255));
    for (qsizetype i = 0; i < codes.size(); i += 255) {
        const QByteArray part = codes.mid(i, 255);
        g.append(char(part.size())).append(part);
    }
    g.append(char(0)).append(';');
    return g;
}

// An 8-bit run-length BMP of w x h: rows of runs and literals, each row
// ended by an end-of-line escape, the last by the end-of-bitmap escape.
// Returns the file and (in pixelOffset) where its pixel data starts.
inline QByteArray RleBmp(int w, int h, qsizetype& pixelOffset)
{
    QByteArray data;
    for (int y = 0; y < h; ++y) {
        data.append(char(w / 2)).append(char(y * 9));           // a run
        const int literal = w - w / 2;                            // then a literal
        data.append(char(0)).append(char(literal));
        for (int x = 0; x < literal; ++x)
            data.append(char((x * 13 + y) & 255));
        if (literal & 1)
            data.append(char(0));
        data.append(char(0)).append(char(y + 1 == h ? 1 : 0));
    }
    const uint32_t offset = 14 + 40 + 256 * 4;
    QByteArray bmp("BM");
    AppendLe(bmp, offset + uint32_t(data.size()), 4);
    AppendLe(bmp, 0, 4);
    AppendLe(bmp, offset, 4);
    AppendLe(bmp, 40, 4);
    AppendLe(bmp, uint32_t(w), 4);
    AppendLe(bmp, uint32_t(h), 4);
    AppendLe(bmp, 1, 2);
    AppendLe(bmp, 8, 2);
    AppendLe(bmp, 1, 4); // BI_RLE8
    AppendLe(bmp, uint32_t(data.size()), 4);
    AppendLe(bmp, 2835, 4);
    AppendLe(bmp, 2835, 4);
    AppendLe(bmp, 256, 4);
    AppendLe(bmp, 0, 4);
    for (int i = 0; i < 256; ++i)
        AppendLe(bmp, uint32_t(i * 0x010101), 4);
    pixelOffset = bmp.size();
    return bmp + data;
}

} // namespace damaged
