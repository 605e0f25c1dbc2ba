#include "cube_test_tables.h"

#include "engine/lut/cube_lut.h"
#include "engine/lut/lut_choice.h"
#include "engine/lut/lut_mapper.h"
#include "image_compare.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <zip.h>

#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

namespace {

const QStringList kBuiltIn = {"Architecture",        "Blues",       "Cinematic saturation", "Cinematic",
                              "Cyan skies",          "Film print",  "Film tone 1",          "Film tone 2",
                              "Golden hour",         "HDR natural", "HDR",                  "Kodachrome",
                              "Monochrome artistic", "Monochrome balanced",                 "Monochrome vintage",
                              "Portrait",            "Rich colors", "Vibrant light"};

// Writes a zip of (entry name, bytes) pairs.
bool WriteZip(const QString& path, const std::vector<std::pair<QByteArray, QByteArray>>& entries)
{
    int error = 0;
    zip_t* zip = zip_open(path.toUtf8().constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!zip)
        return false;
    for (const auto& [name, bytes] : entries) {
        // libzip frees the copy (it takes no ownership of an empty buffer).
        void* copy = bytes.isEmpty() ? nullptr : std::malloc(size_t(bytes.size()));
        if (copy)
            std::memcpy(copy, bytes.constData(), size_t(bytes.size()));
        zip_source_t* src = zip_source_buffer(zip, copy, zip_uint64_t(bytes.size()), copy ? 1 : 0);
        if (!src || zip_file_add(zip, name.constData(), src, ZIP_FL_ENC_UTF_8) < 0) {
            zip_discard(zip);
            return false;
        }
    }
    return zip_close(zip) == 0;
}

} // namespace

TEST(LUTChoice, BuiltInArchiveHoldsTheEighteenLooks)
{
    EXPECT_EQ(pq::EmbeddedLUTNames(), kBuiltIn);
    const gfx::Image ramp = testimg::MakeRamp(64, 64);
    std::vector<gfx::Image> looks;
    for (const QString& name : kBuiltIn) {
        QString error;
        const pq::CubeLUT lut = pq::ParseCubeLUTFromBytes(pq::ReadEmbeddedLUT(name), &error);
        ASSERT_TRUE(lut.valid()) << name.toStdString() << ": " << error.toStdString();
        EXPECT_TRUE(lut.lutSize == 25 || lut.lutSize == 32 || lut.lutSize == 33) << name.toStdString();
        const gfx::Image graded = pq::MapLUTToImage(ramp, lut, 100);
        if (name.startsWith("Monochrome")) {
            // Greys or a gentle tone: channels stay close together.
            for (int y = 0; y < 64; y += 7)
                for (int x = 0; x < 64; x += 7) {
                    const gfx::Pixel p = graded.pixel(x, y);
                    const int r = testimg::Channel(p, 2), g = testimg::Channel(p, 1), b = testimg::Channel(p, 0);
                    EXPECT_LE(std::max({r, g, b}) - std::min({r, g, b}), 24) << name.toStdString();
                }
        }
        for (const gfx::Image& other : looks)
            EXPECT_FALSE(testimg::ImagesNear(other, graded, 2)) << name.toStdString() << " repeats a look";
        looks.push_back(graded);
    }
}

TEST(LUTChoice, DefaultAndNamedBuiltInLooks)
{
    pq::LUTChoice choice;
    EXPECT_FALSE(choice.isChosen());
    choice.filePath = "/some/file.cube";
    EXPECT_TRUE(choice.initEmbeddedLUTs());
    EXPECT_EQ(choice.name, "Architecture");
    EXPECT_EQ(choice.data, pq::ReadEmbeddedLUT("architecture"));
    EXPECT_EQ(choice.filePath, "/some/file.cube"); // left alone

    EXPECT_TRUE(choice.loadEmbeddedLUT("golden HOUR"));
    EXPECT_EQ(choice.name, "Golden hour");
    EXPECT_TRUE(choice.filePath.isEmpty());
    EXPECT_EQ(choice.data, pq::ReadEmbeddedLUT("Golden hour"));

    const pq::LUTChoice before = choice;
    EXPECT_FALSE(choice.loadEmbeddedLUT("Golden"));
    EXPECT_FALSE(choice.loadEmbeddedLUT(""));
    EXPECT_EQ(choice.name, before.name);
    EXPECT_EQ(choice.data, before.data);
    EXPECT_TRUE(pq::ReadEmbeddedLUT("no such look").isEmpty());

    choice.onLUTApplied("Mine", "bytes", "/a/Mine.cube");
    EXPECT_EQ(choice.filePath, "/a/Mine.cube");
    EXPECT_TRUE(choice.data.isEmpty());
    choice.clear();
    EXPECT_FALSE(choice.isChosen());
    EXPECT_TRUE(choice.name.isEmpty());
}

TEST(LUTChoice, EntryNames)
{
    EXPECT_EQ(pq::LUTEntryBaseName("Pastelloquin_LUTs/Film tone 1.cube"), "Film tone 1");
    EXPECT_EQ(pq::LUTEntryBaseName("a\\b/c.d.CUBE"), "c.d");
    EXPECT_TRUE(pq::IsCubeEntry("x/Look.CuBe"));
    EXPECT_FALSE(pq::IsCubeEntry("Pastelloquin_LUTs/"));
    EXPECT_FALSE(pq::IsCubeEntry("look.cube/readme.txt"));
}

TEST(LUTChoice, UserFilesAndZipArchives)
{
    QTemporaryDir dir;
    const QString zipPath = dir.filePath("looks.zip");
    ASSERT_TRUE(WriteZip(zipPath, {{"Set/", ""},
                                   {"Set/Warm.cube", cubetest::IdentityCube(2)},
                                   {"Set/notes.txt", "hello"},
                                   {"Set/Empty.cube", ""},
                                   {"Other/WARM.cube", cubetest::CornerCube()},
                                   {"Cold.CUBE", cubetest::CornerCube()}}));
    std::vector<pq::NamedLUT> list;
    EXPECT_EQ(pq::ImportLUTZip(zipPath, list), 2);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].name, "Warm");
    EXPECT_EQ(list[0].data, cubetest::IdentityCube(2));
    EXPECT_EQ(list[1].name, "Cold");
    EXPECT_TRUE(pq::ParseCubeLUTFromBytes(list[1].data).valid());
    // A second import of the same names adds nothing.
    EXPECT_EQ(pq::ImportLUTZip(zipPath, list), 0);
    EXPECT_EQ(list.size(), 2u);

    // Damaged or missing archives import nothing, without a crash.
    const QString broken = dir.filePath("broken.zip");
    QFile f(broken);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("PK\x03\x04 this is not really a zip archive");
    f.close();
    EXPECT_EQ(pq::ImportLUTZip(broken, list), 0);
    EXPECT_EQ(pq::ImportLUTZip(dir.filePath("missing.zip"), list), 0);

    const QString cube = dir.filePath("Disk.cube");
    QFile c(cube);
    ASSERT_TRUE(c.open(QIODevice::WriteOnly));
    c.write(cubetest::CornerCube());
    c.close();
    EXPECT_EQ(pq::ReadLUTFileBytes(cube), cubetest::CornerCube());
    EXPECT_TRUE(pq::ReadLUTFileBytes(dir.filePath("gone.cube")).isEmpty());
    EXPECT_THROW(pq::ParseCubeLUTFromFile(dir.filePath("gone.cube")), std::runtime_error);
}

namespace {

// A zip of `count` deflated members of `size` zero bytes each, named
// Huge1.cube, Huge2.cube, ... (the archive itself is small).
bool WriteZipOfZeros(const QString& path, int count, qsizetype size)
{
    const QByteArray zeros(size, '\0');
    int error = 0;
    zip_t* zip = zip_open(path.toUtf8().constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!zip)
        return false;
    for (int i = 1; i <= count; ++i) {
        zip_source_t* src = zip_source_buffer(zip, zeros.constData(), zip_uint64_t(zeros.size()), 0);
        const QByteArray name = "Huge" + QByteArray::number(i) + ".cube";
        const zip_int64_t index = src ? zip_file_add(zip, name.constData(), src, 0) : -1;
        if (index < 0 || zip_set_file_compression(zip, zip_uint64_t(index), ZIP_CM_DEFLATE, 1) < 0) {
            zip_discard(zip);
            return false;
        }
    }
    return zip_close(zip) == 0;
}

} // namespace

TEST(LUTChoice, ZipImportTakesABoundedNumberOfBytes)
{
    QTemporaryDir dir;
    const QString zipPath = dir.filePath("huge.zip");
    // Members under the single-table cap, more of them than the archive cap allows.
    constexpr qsizetype kMember = qsizetype(48) << 20;
    static_assert(kMember <= pq::kMaxLUTTextBytes);
    ASSERT_TRUE(WriteZipOfZeros(zipPath, 8, kMember));
    ASSERT_LT(QFileInfo(zipPath).size(), 4 << 20);
    std::vector<pq::NamedLUT> list;
    const int added = pq::ImportLUTZip(zipPath, list);
    qint64 held = 0;
    for (const pq::NamedLUT& lut : list)
        held += lut.data.size();
    EXPECT_LE(held, pq::kMaxLUTArchiveBytes);
    EXPECT_EQ(added, int(pq::kMaxLUTArchiveBytes / kMember));
}

TEST(LUTChoice, ZipImportLooksAtABoundedNumberOfMembers)
{
    QTemporaryDir dir;
    const QString zipPath = dir.filePath("many.zip");
    std::vector<std::pair<QByteArray, QByteArray>> entries;
    for (int i = 0; i < pq::kMaxLUTArchiveMembers + 50; ++i)
        entries.emplace_back("Look " + QByteArray::number(i) + ".cube", "0 0 0\n");
    // Names that differ in case only count once.
    entries.insert(entries.begin() + 1, {"LOOK 0.cube", "1 1 1\n"});
    ASSERT_TRUE(WriteZip(zipPath, entries));
    std::vector<pq::NamedLUT> list;
    EXPECT_EQ(pq::ImportLUTZip(zipPath, list), pq::kMaxLUTArchiveMembers - 1);
    ASSERT_FALSE(list.empty());
    EXPECT_EQ(list[0].data, QByteArray("0 0 0\n"));
}
