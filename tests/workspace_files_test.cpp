// Saving with the 300-DPI marks, save-name proposals and the drop choice.
#include "gfx/codec.h"
#include "gfx/dpi_marking.h"
#include "image_compare.h"
#include "workspace/image_files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <vector>

namespace {

const QByteArray kPhys300 = QByteArray::fromHex("000000097048597300002e2300002e230178a53f76");

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct PngChunk {
    QByteArray type;
    qsizetype offset;
};

// The chunks of a PNG in order; empty when the structure is broken.
std::vector<PngChunk> PngChunks(const QByteArray& png)
{
    std::vector<PngChunk> chunks;
    qsizetype pos = 8;
    while (pos + 12 <= png.size()) {
        const auto b = [&](qsizetype i) { return uint32_t(uint8_t(png[i])); };
        const qsizetype length = qsizetype((b(pos) << 24) | (b(pos + 1) << 16) | (b(pos + 2) << 8) | b(pos + 3));
        chunks.push_back({png.mid(pos + 4, 4), pos});
        pos += 12 + length;
    }
    return pos == png.size() ? chunks : std::vector<PngChunk>{};
}

struct JpegSegment {
    int marker;
    QByteArray body; // after the length bytes
};

// The header segments of a JPEG up to the first table, frame or scan; a
// reader that trusts the lengths.
std::vector<JpegSegment> JpegHeader(const QByteArray& jpeg)
{
    std::vector<JpegSegment> segments;
    qsizetype pos = 2;
    while (pos + 4 <= jpeg.size() && uint8_t(jpeg[pos]) == 0xFF) {
        const int marker = uint8_t(jpeg[pos + 1]);
        if (!(marker >= 0xE0 && marker <= 0xEF) && marker != 0xFE)
            break;
        const int length = (uint8_t(jpeg[pos + 2]) << 8) | uint8_t(jpeg[pos + 3]);
        segments.push_back({marker, jpeg.mid(pos + 4, length - 2)});
        pos += 2 + length;
    }
    return segments;
}

int ExifCount(const std::vector<JpegSegment>& segments)
{
    int n = 0;
    for (const JpegSegment& s : segments)
        n += s.marker == 0xE1 && s.body.startsWith(QByteArray("Exif\0\0", 6));
    return n;
}

// An encoder-made JPEG with an XMP APP1 segment after its APP0.
QByteArray JpegWithXmp()
{
    QByteArray jpeg = gfx::Encode(testimg::MakeRamp(40, 30), gfx::ImageFormat::Jpeg, 80);
    const int app0Length = (uint8_t(jpeg[4]) << 8) | uint8_t(jpeg[5]);
    const QByteArray xmpBody = QByteArray("http://ns.adobe.com/xap/1.0/\0<x/>", 34);
    QByteArray xmp("\xFF\xE1", 2);
    xmp.append(char((xmpBody.size() + 2) >> 8));
    xmp.append(char((xmpBody.size() + 2) & 0xFF));
    xmp.append(xmpBody);
    jpeg.insert(2 + 2 + app0Length, xmp);
    return jpeg;
}

TEST(DpiMarking, PngGetsExactlyOnePhysChunkRightAfterIhdr)
{
    EXPECT_EQ(gfx::PngDpi300Chunk(), kPhys300);
    EXPECT_EQ(gfx::Crc32("123456789", 9), 0xCBF43926u); // the standard check value
    EXPECT_EQ(gfx::Crc32("", 0), 0u);

    // Qt's writer puts a pHYs of its own in; ours replaces it.
    QByteArray png = gfx::Encode(testimg::MakeRamp(33, 17), gfx::ImageFormat::Png, 80);
    ASSERT_TRUE(gfx::MarkPngDpi300(png));
    ASSERT_TRUE(gfx::MarkPngDpi300(png)) << "marking twice";
    const std::vector<PngChunk> chunks = PngChunks(png);
    ASSERT_GE(chunks.size(), 4u);
    EXPECT_EQ(chunks[0].type, "IHDR");
    EXPECT_EQ(chunks[1].type, "pHYs");
    EXPECT_EQ(png.mid(chunks[1].offset, 21), kPhys300);
    int phys = 0;
    for (const PngChunk& c : chunks)
        phys += c.type == "pHYs";
    EXPECT_EQ(phys, 1);
    EXPECT_EQ(chunks.back().type, "IEND");
    const gfx::Image decoded = gfx::DecodeData(png);
    EXPECT_TRUE(testimg::ImagesNear(testimg::MakeRamp(33, 17), decoded));
}

TEST(DpiMarking, MalformedFilesAreLeftAlone)
{
    QByteArray png = gfx::Encode(testimg::MakeRamp(8, 8), gfx::ImageFormat::Png, 80);
    QByteArray cut = png.left(png.size() - 20);
    const QByteArray cutBefore = cut;
    EXPECT_FALSE(gfx::MarkPngDpi300(cut));
    EXPECT_EQ(cut, cutBefore);
    QByteArray notPng("GIF89a-------------------");
    EXPECT_FALSE(gfx::MarkPngDpi300(notPng));

    QByteArray jpeg = gfx::Encode(testimg::MakeRamp(8, 8), gfx::ImageFormat::Jpeg, 80);
    QByteArray badLength = jpeg;
    badLength[4] = char(0x7F); // APP0 length far past the end
    const QByteArray badBefore = badLength;
    EXPECT_FALSE(gfx::MarkJpegDpi300(badLength));
    EXPECT_EQ(badLength, badBefore);
    QByteArray notJpeg("\x89PNG", 4);
    EXPECT_FALSE(gfx::MarkJpegDpi300(notJpeg));

    QTemporaryDir dir;
    EXPECT_FALSE(gfx::SetJpegDPITo300(dir.filePath(QStringLiteral("missing.jpg"))));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("missing.jpg"))));
}

TEST(DpiMarking, JpegKeepsOneExifSegmentAndItsXmp)
{
    QByteArray jpeg = JpegWithXmp();
    ASSERT_TRUE(gfx::MarkJpegDpi300(jpeg));
    ASSERT_TRUE(gfx::MarkJpegDpi300(jpeg)) << "marking twice";
    const std::vector<JpegSegment> header = JpegHeader(jpeg);
    ASSERT_EQ(header.size(), 3u);
    EXPECT_EQ(header[0].marker, 0xE0);
    EXPECT_EQ(header[1].marker, 0xE1);
    EXPECT_EQ(QByteArray("\xFF\xE1\x00\x4A", 4) + header[1].body, gfx::JpegDpi300Segment());
    EXPECT_EQ(header[2].marker, 0xE1);
    EXPECT_TRUE(header[2].body.startsWith("http://ns.adobe.com/xap/1.0/"));
    EXPECT_EQ(ExifCount(header), 1);
    EXPECT_FALSE(gfx::DecodeData(jpeg).isNull());

    // An Exif segment ahead of the APP0 goes too.
    QByteArray exifFirst = gfx::Encode(testimg::MakeRamp(8, 8), gfx::ImageFormat::Jpeg, 80);
    exifFirst.insert(2, gfx::JpegDpi300Segment());
    ASSERT_TRUE(gfx::MarkJpegDpi300(exifFirst));
    const std::vector<JpegSegment> marked = JpegHeader(exifFirst);
    ASSERT_EQ(marked.size(), 2u);
    EXPECT_EQ(marked[0].marker, 0xE0);
    EXPECT_EQ(ExifCount(marked), 1);
}

TEST(SaveImage, SavingTwiceLeavesOneMarkAndOtherExtensionsAreRefused)
{
    QTemporaryDir dir;
    const gfx::Image image = testimg::MakeNoise(64, 48, 7);
    const QString jpg = dir.filePath(QStringLiteral("out.JPG"));
    ASSERT_TRUE(pq::SaveImageTo(image, jpg));
    ASSERT_TRUE(pq::SaveImageTo(image, jpg));
    EXPECT_EQ(ExifCount(JpegHeader(ReadAll(jpg))), 1);
    // The JFIF header agrees: 300 dots per inch.
    const QByteArray app0 = JpegHeader(ReadAll(jpg)).at(0).body;
    ASSERT_TRUE(app0.startsWith(QByteArray("JFIF\0", 5)));
    EXPECT_EQ(app0.mid(7, 5), QByteArray::fromHex("01012c012c"));
    EXPECT_TRUE(gfx::SetJpegDPITo300(jpg)) << "the file routine on a marked file";
    EXPECT_EQ(ExifCount(JpegHeader(ReadAll(jpg))), 1);

    const QString png = dir.filePath(QStringLiteral("out.png"));
    ASSERT_TRUE(pq::SaveImageTo(image, png));
    const QByteArray pngBytes = ReadAll(png);
    EXPECT_EQ(pngBytes.mid(8 + 25, 21), kPhys300);
    EXPECT_TRUE(testimg::ImagesNear(image, gfx::DecodeData(pngBytes)));

    QString error;
    const QString bmp = dir.filePath(QStringLiteral("x.bmp"));
    EXPECT_FALSE(pq::SaveImageTo(image, bmp, &error));
    EXPECT_EQ(error, QStringLiteral("Invalid extension"));
    EXPECT_FALSE(QFile::exists(bmp));
    EXPECT_FALSE(pq::SaveImageTo(image, dir.filePath(QStringLiteral("noextension")), &error));
    EXPECT_EQ(error, QStringLiteral("Invalid extension"));

    // A failed write leaves the file that was there.
    EXPECT_FALSE(pq::SaveImageTo(image, dir.filePath(QStringLiteral("no/such/folder/out.png")), &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(SaveImage, JpegExtensionSavesAMarkedJpegLikeJpg)
{
    QTemporaryDir dir;
    const gfx::Image image = testimg::MakeRamp(64, 48);
    for (const char* name : {"out.jpeg", "OUT.JPEG"}) {
        SCOPED_TRACE(name);
        const QString path = dir.filePath(QString::fromLatin1(name));
        QString error;
        ASSERT_TRUE(pq::SaveImageTo(image, path, &error)) << error.toStdString();
        const QByteArray bytes = ReadAll(path);
        ASSERT_TRUE(bytes.startsWith(QByteArray("\xFF\xD8\xFF", 3))) << "a JPEG file";
        const std::vector<JpegSegment> header = JpegHeader(bytes);
        ASSERT_GE(header.size(), 2u);
        EXPECT_EQ(header[0].marker, 0xE0);
        EXPECT_EQ(header[0].body.mid(7, 5), QByteArray::fromHex("01012c012c")) << "JFIF at 300 DPI";
        EXPECT_EQ(QByteArray("\xFF\xE1\x00\x4A", 4) + header[1].body, gfx::JpegDpi300Segment());
        EXPECT_EQ(ExifCount(header), 1);
        EXPECT_TRUE(testimg::ImagesNear(image, gfx::DecodeData(bytes), 16));
    }
}

TEST(SaveImage, NameProposals)
{
    const pq::SaveProposal bmp = pq::ProposeSaveName(QStringLiteral("/photos/photo.BMP"));
    EXPECT_EQ(bmp.fileName, QStringLiteral("/photos/photo_PQ.png"));
    EXPECT_EQ(bmp.filterIndex, 2);
    const pq::SaveProposal jpeg = pq::ProposeSaveName(QStringLiteral("/photos/photo.jpeg"));
    EXPECT_EQ(jpeg.fileName, QStringLiteral("/photos/photo_PQ.jpeg"));
    EXPECT_EQ(jpeg.filterIndex, 1);
    const pq::SaveProposal webp = pq::ProposeSaveName(QStringLiteral("/photos/holiday.2024.WebP"));
    EXPECT_EQ(webp.fileName, QStringLiteral("/photos/holiday.2024_PQ.webp"));
    EXPECT_EQ(webp.filterIndex, 2);
    const pq::SaveProposal none = pq::ProposeSaveName(QString());
    EXPECT_EQ(none.fileName, QStringLiteral("Pastelloquin_image.png"));
    EXPECT_EQ(none.filterIndex, 2);
}

TEST(DropChoice, FirstAcceptedExistingFileIsOpened)
{
    const QStringList existing{QStringLiteral("/d/x.txt"), QStringLiteral("/d/y.PNG"), QStringLiteral("/d/z.jpg")};
    const auto exists = [&](const QString& name) { return existing.contains(name); };
    EXPECT_EQ(pq::FirstDroppableFile(existing, exists), QStringLiteral("/d/y.PNG"));
    EXPECT_EQ(pq::FirstDroppableFile({QStringLiteral("/d/gone.png"), QStringLiteral("/d/z.jpg")}, exists),
              QStringLiteral("/d/z.jpg"));
    EXPECT_TRUE(pq::FirstDroppableFile({QStringLiteral("/d/a.webp"), QStringLiteral("/d/x.txt")},
                                       [](const QString&) { return true; })
                    .isEmpty());
    for (const char* name : {"a.gif", "b.TIFF", "c.jpeg", "d.bmp"})
        EXPECT_TRUE(pq::IsDroppableImageName(QString::fromLatin1(name))) << name;
    for (const char* name : {"a.webp", "b.tif", "jpg", "c.jpg.txt"})
        EXPECT_FALSE(pq::IsDroppableImageName(QString::fromLatin1(name))) << name;
}

} // namespace
