#include "cube_test_tables.h"
#include "image_compare.h"

#include "engine/lut/cube_lut.h"
#include "engine/lut/lut_mapper.h"
#include "platform/random.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <sys/stat.h>

namespace {

using cubetest::CubeText;
using cubetest::Entry;
using pq::ParseCubeLUTFromBytes;

bool Accepted(const QByteArray& text)
{
    return ParseCubeLUTFromBytes(text).valid();
}

gfx::Pixel MapOne(const pq::CubeLUT& lut, gfx::Pixel p, float intensity = 1.0f)
{
    gfx::Pixel out = 0;
    pq::LUTMapper(lut, intensity).mapRow(&p, &out, 1);
    return out;
}

QByteArray eightRows = "0 0 0\n1 0 0\n0 1 0\n1 1 0\n0 0 1\n1 0 1\n0 1 1\n1 1 1\n";

} // namespace

TEST(CubeLUTParse, ReadsSizeDomainAndRowsRedFastest)
{
    const pq::CubeLUT lut = ParseCubeLUTFromBytes("\xEF\xBB\xBF# comment\r\nTITLE \"x y\"\r\n"
                                                  "DOMAIN_MIN 0.1 -2 3e-1\r\nDOMAIN_MAX 1 +2 .5\r\n"
                                                  "lut_3d_size 2\r\n" +
                                                  eightRows);
    ASSERT_TRUE(lut.valid());
    EXPECT_EQ(lut.lutSize, 2);
    ASSERT_EQ(lut.lut.size(), 8u);
    EXPECT_FLOAT_EQ(lut.lut[1].r, 1.0f);      // (1, 0, 0)
    EXPECT_FLOAT_EQ(lut.lut[2].g, 1.0f);      // (0, 1, 0)
    EXPECT_FLOAT_EQ(lut.lut[4].b, 1.0f);      // (0, 0, 1)
    EXPECT_FLOAT_EQ(lut.domainMin.r, 0.1f);
    EXPECT_FLOAT_EQ(lut.domainMin.g, -2.0f);
    EXPECT_FLOAT_EQ(lut.domainMin.b, 0.3f);
    EXPECT_FLOAT_EQ(lut.domainMax.g, 2.0f);
    EXPECT_FLOAT_EQ(lut.domainMax.b, 0.5f);
}

TEST(CubeLUTParse, LineEndingsAndTrailingTokens)
{
    QByteArray cr = "LUT_3D_SIZE 2\r" + eightRows;
    cr.replace('\n', '\r');
    EXPECT_TRUE(Accepted(cr));
    QByteArray commented = "LUT_3D_SIZE 2\n";
    for (const QByteArray& row : eightRows.split('\n'))
        if (!row.isEmpty())
            commented += "\t " + row + " # trailing words\n";
    EXPECT_TRUE(Accepted(commented));
    // Data rows before the size are ignored: eight more rows are needed.
    EXPECT_FALSE(Accepted(eightRows + "LUT_3D_SIZE 2\n"));
    // Rows beyond n^3 are ignored.
    EXPECT_TRUE(Accepted("LUT_3D_SIZE 2\n" + eightRows + "0.5 0.5 0.5\n"));
}

TEST(CubeLUTParse, RefusesWhatIsNoUsableTable)
{
    QString error;
    EXPECT_FALSE(ParseCubeLUTFromBytes("LUT_3D_SIZE 2\n" + eightRows.left(eightRows.size() - 6), &error).valid());
    EXPECT_TRUE(error.contains("7 data rows")) << error.toStdString();
    EXPECT_FALSE(Accepted("LUT_3D_SIZE 2\n" + eightRows + "LUT_1D_SIZE 4\n"));
    EXPECT_FALSE(Accepted("LUT_1D_SIZE 4\n0 0 0\n1 1 1\n0 0 0\n1 1 1\n"));
    for (const char* size : {"0", "257", "-5", "abc", "2.5", "99999999999999999999", ""}) {
        EXPECT_FALSE(ParseCubeLUTFromBytes(QByteArray("LUT_3D_SIZE ") + size + "\n" + eightRows, &error).valid())
            << size;
        EXPECT_TRUE(error.contains("LUT_3D_SIZE")) << size;
    }
    // A tab after the keyword makes an ordinary line: no size is known.
    EXPECT_FALSE(Accepted("LUT_3D_SIZE\t2\n" + eightRows));
    EXPECT_FALSE(Accepted(QByteArray()));
    // The largest size is accepted as a size; the missing rows are not
    // reserved up front.
    EXPECT_FALSE(ParseCubeLUTFromBytes("LUT_3D_SIZE 256\n0 0 0\n", &error).valid());
    EXPECT_TRUE(error.contains("16777216")) << error.toStdString();
}

TEST(CubeLUTParse, NonNumbersAndOtherKeywords)
{
    // An unknown keyword line of three tokens or more is a data row.
    const pq::CubeLUT keywords =
        ParseCubeLUTFromBytes("LUT_3D_SIZE 2\nLUT_3D_INPUT_RANGE 0 1\nKEYWORD a b c\n" + eightRows);
    ASSERT_TRUE(keywords.valid());
    EXPECT_EQ(keywords.lut[0].r, 0.0f);
    EXPECT_EQ(keywords.lut[0].b, 1.0f);
    EXPECT_EQ(keywords.lut[1].b, 0.0f);
    EXPECT_EQ(keywords.lut[3].r, 1.0f); // the file's second row
    // Not-a-number, infinities, overflow and a decimal comma read as 0 in
    // any column; the row still counts.
    for (const char* bad : {"nan", "NaN", "inf", "-inf", "1e999", "1e39", "0x1p3", "0,000000", "--1"}) {
        const pq::CubeLUT lut = ParseCubeLUTFromBytes("LUT_3D_SIZE 2\n" + eightRows.left(eightRows.size() - 6) +
                                                      bad + " " + bad + " " + bad + "\n");
        ASSERT_TRUE(lut.valid()) << bad;
        EXPECT_EQ(lut.lut[7].r, 0.0f) << bad;
        EXPECT_EQ(lut.lut[7].g, 0.0f) << bad;
        EXPECT_EQ(lut.lut[7].b, 0.0f) << bad;
    }
    const pq::CubeLUT lut = ParseCubeLUTFromBytes("LUT_3D_SIZE 1\n0.5 nan 1e999\n");
    ASSERT_TRUE(lut.valid());
    EXPECT_EQ(lut.lut[0].r, 0.5f);
    EXPECT_EQ(lut.lut[0].g, 0.0f);
    EXPECT_EQ(lut.lut[0].b, 0.0f);
    // Domain lines need three numbers; non-numbers take the defaults.
    const pq::CubeLUT domain =
        ParseCubeLUTFromBytes("DOMAIN_MIN 0.2 0.3\nDOMAIN_MAX x nan 0.5\nLUT_3D_SIZE 1\n0 0 0\n");
    ASSERT_TRUE(domain.valid());
    EXPECT_EQ(domain.domainMin.r, 0.0f);
    EXPECT_EQ(domain.domainMax.r, 1.0f);
    EXPECT_EQ(domain.domainMax.g, 1.0f);
    EXPECT_FLOAT_EQ(domain.domainMax.b, 0.5f);
}

TEST(CubeLUTParse, ALineOfTwoNumbersIsNoDataRow)
{
    // Between rows it is passed over: the next full row is the next entry.
    const pq::CubeLUT lut = ParseCubeLUTFromBytes("LUT_3D_SIZE 2\n0 0 0\n0.5 0.25\n" + eightRows.mid(6));
    ASSERT_TRUE(lut.valid());
    ASSERT_EQ(lut.lut.size(), 8u);
    EXPECT_FLOAT_EQ(lut.lut[1].r, 1.0f);
    EXPECT_FLOAT_EQ(lut.lut[1].g, 0.0f);
    EXPECT_FLOAT_EQ(lut.lut[7].b, 1.0f);

    // In place of the last row it leaves the table short, and the error
    // counts the rows without it.
    QString error;
    EXPECT_FALSE(
        ParseCubeLUTFromBytes("LUT_3D_SIZE 2\n" + eightRows.left(eightRows.size() - 6) + "1 1\n", &error).valid());
    EXPECT_EQ(error.toStdString(), "7 data rows where LUT_3D_SIZE 2 needs 8");
}

TEST(CubeLUTParse, RandomBytesNeverCrash)
{
    platform::Random rng(77);
    for (int round = 0; round < 40; ++round) {
        QByteArray bytes(1 + rng.random(20000), '\0');
        for (char& c : bytes)
            c = char(rng.random(256));
        if (round % 2)
            bytes.prepend("LUT_3D_SIZE 3\n");
        const pq::CubeLUT lut = ParseCubeLUTFromBytes(bytes);
        EXPECT_TRUE(!lut.valid() || lut.lut.size() == 27u);
    }
}

TEST(CubeLUTMap, TetrahedralValuesComputedByHand)
{
    const pq::CubeLUT lut = ParseCubeLUTFromBytes(cubetest::CornerCube());
    ASSERT_TRUE(lut.valid());
    // Fractions 0.2, 0.4, 0.6 in each order select each tetrahedron; red
    // worked out from the corners T = 0, .9, .3, .1, .5, .2, .8, 1.
    struct Case {
        int r, g, b;
        int red;
    };
    const Case cases[] = {
        {153, 102, 51, 102},  // fx >= fy >= fz: .6 * .9 + .4 * (.1 - .9) + .2 * (1 - .1) = .40
        {153, 51, 102, 107},  // fx >= fz > fy: .54 + .4 * (.2 - .9) + .2 * (1 - .2) = .42
        {102, 51, 153, 87},   // fz > fx >= fy: .6 * .5 + .4 * (.2 - .5) + .2 * (1 - .2) = .34
        {51, 102, 153, 117},  // fz >= fy > fx: .6 * .5 + .4 * (.8 - .5) + .2 * (1 - .8) = .46
        {51, 153, 102, 107},  // fy > fz >= fx: .6 * .3 + .4 * (.8 - .3) + .2 * (1 - .8) = .42
        {102, 153, 51, 71},   // fy > fx > fz: .18 + .4 * (.1 - .3) + .2 * (1 - .1) = .28
        {255, 255, 255, 255}, // the far corner
        {0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        const gfx::Pixel out = MapOne(lut, testimg::Premul(c.r, c.g, c.b));
        EXPECT_EQ(testimg::Channel(out, 2), c.red) << c.r << " " << c.g << " " << c.b;
        EXPECT_EQ(testimg::Channel(out, 1), 255 - c.red) << c.r << " " << c.g << " " << c.b;
        EXPECT_EQ(testimg::Channel(out, 0), 64);
        EXPECT_EQ(testimg::Channel(out, 3), 255);
    }
}

TEST(CubeLUTMap, DomainIntensityAndAlpha)
{
    const pq::CubeLUT half =
        ParseCubeLUTFromBytes("DOMAIN_MAX 0.5 1 0.2\nDOMAIN_MIN 0 1 0.2\n" + cubetest::IdentityCube(2));
    ASSERT_TRUE(half.valid());
    // Red over 0..0.5: 51 (0.2) reads 0.4; 200 is past the domain. Green and
    // blue have empty domains: factor 1, offset by the minimum.
    const gfx::Pixel out = MapOne(half, testimg::Premul(51, 255, 102));
    EXPECT_EQ(testimg::Channel(out, 2), 102);
    EXPECT_EQ(testimg::Channel(out, 1), 0);  // (1 - 1) * 1
    EXPECT_EQ(testimg::Channel(out, 0), 51); // (0.4 - 0.2) * 1
    EXPECT_EQ(testimg::Channel(MapOne(half, testimg::Premul(200, 0, 0)), 2), 255);

    const pq::CubeLUT invert = ParseCubeLUTFromBytes(CubeText(2, [](int i, int j, int k) {
        return Entry{1.0 - i, 1.0 - j, 1.0 - k};
    }));
    // Intensity mixes the colours: at 0.25, red 100 -> 155 gives 113.75.
    EXPECT_EQ(MapOne(invert, testimg::Premul(100, 0, 255), 0.25f), testimg::Premul(114, 64, 191));
    // Semi-transparent: un-premultiplied as c 255 div a, premultiplied as
    // c a div 255; transparent pixels keep their bytes.
    const gfx::Pixel semi = 0x80402010u; // a 128: r 64 -> 127, g 32 -> 63, b 16 -> 31
    EXPECT_EQ(MapOne(invert, semi), 0x80406070u);
    EXPECT_EQ(MapOne(invert, 0x00123456u), 0x00123456u);
}

TEST(CubeLUTMap, IdentityTablesKeepOpaquePixels)
{
    const gfx::Image src = testimg::MakeNoise(64, 48, 5);
    for (int n : {2, 17, 33}) {
        const pq::CubeLUT lut = ParseCubeLUTFromBytes(cubetest::IdentityCube(n));
        ASSERT_TRUE(lut.valid()) << n;
        EXPECT_TRUE(testimg::ImagesNear(src, pq::MapLUTToImage(src, lut, 100))) << n;
    }
}

TEST(CubeLUTParse, FilesAreReadInPiecesLikeBytes)
{
    QTemporaryDir dir;
    QByteArray text = "\xEF\xBB\xBF" + cubetest::IdentityCube(33); // about 1 MB
    text.replace("\n", "\r\n");
    const QString path = dir.filePath("big.cube");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
    f.close();
    const pq::CubeLUT fromFile = pq::ParseCubeLUTFromFile(path);
    const pq::CubeLUT fromBytes = ParseCubeLUTFromBytes(text);
    ASSERT_TRUE(fromFile.valid());
    ASSERT_EQ(fromFile.lut.size(), fromBytes.lut.size());
    for (size_t i = 0; i < fromFile.lut.size(); ++i)
        ASSERT_TRUE(fromFile.lut[i].r == fromBytes.lut[i].r && fromFile.lut[i].g == fromBytes.lut[i].g &&
                    fromFile.lut[i].b == fromBytes.lut[i].b)
            << i;

    // One endless line is refused, not gathered.
    QByteArray endless = "LUT_3D_SIZE 1\n0 0 0";
    endless.append(QByteArray(3 << 20, '0'));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(endless);
    f.close();
    QString error;
    EXPECT_FALSE(pq::ParseCubeLUTFromFile(path, &error).valid());
    EXPECT_TRUE(error.contains("longer")) << error.toStdString();
    EXPECT_THROW(pq::ParseCubeLUTFromFile(dir.filePath("missing.cube")), std::runtime_error);
}

TEST(CubeLUTParse, DevicesAndPipesAreNeverRead)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath("looks.cube");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& path : {QStringLiteral("/dev/zero"), fifo, dir.path()}) {
        QByteArray bytes;
        QString error;
        EXPECT_FALSE(pq::ReadCubeFile(path, bytes, &error)) << path.toStdString();
        EXPECT_TRUE(bytes.isEmpty());
        EXPECT_THROW(pq::ParseCubeLUTFromFile(path), std::runtime_error) << path.toStdString();
    }
}
