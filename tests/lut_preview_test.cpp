// The LUT selector's preview: its thumbnail, the parse cache keyed by the
// table's text, and previews that arrive after their panel is gone.
#include "cube_test_tables.h"
#include "event_loop.h"
#include "image_compare.h"
#include "stored_zip.h"

#include "engine/lut/lut_choice.h"
#include "panels/lut_selector.h"
#include "panels/lut_preview.h"

#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

using testimg::MakeNoise;
using testimg::MakeSolid;
using testimg::Premul;

namespace {

// A table that maps every colour to one colour.
QByteArray ConstantCube(double r, double g, double b)
{
    return cubetest::CubeText(2, [=](int, int, int) { return cubetest::Entry{r, g, b}; });
}

TEST(LUTPreview, TheThumbnailFitsFiveHundredForty)
{
    EXPECT_EQ(pq::MakeLUTThumbnail(MakeSolid(4000, 3000, Premul(1, 2, 3))).size(), QSize(540, 405));
    const gfx::Image small = MakeSolid(300, 200, Premul(1, 2, 3));
    EXPECT_TRUE(pq::MakeLUTThumbnail(small).sameAs(small));
}

TEST(LUTPreview, TheCacheIsKeyedByTheTextAndParsesOnce)
{
    pq::LUTParseCache cache;
    const QByteArray red = ConstantCube(1, 0, 0);
    const auto first = cache.parse(red);
    ASSERT_TRUE(first->valid());
    EXPECT_EQ(cache.parse(QByteArray(red)), first);
    EXPECT_EQ(cache.parses(), 1);
    // Another text is another table, whatever its name.
    EXPECT_NE(cache.parse(ConstantCube(0, 1, 0)), first);
    EXPECT_EQ(cache.parses(), 2);
    EXPECT_FALSE(cache.parse(QByteArray("LUT_1D_SIZE 2\n0 0 0\n1 1 1\n"))->valid());
}

TEST(LUTPreview, TheListIsTheBuiltInsThenTheImportsOnce)
{
    QTemporaryDir dir;
    const QString zipPath = dir.filePath(QStringLiteral("same names.zip"));
    QFile zip(zipPath);
    ASSERT_TRUE(zip.open(QIODevice::WriteOnly));
    // Named like a built-in: the import keeps its own table.
    zip.write(testzip::StoredZip({{QStringLiteral("Preview Blues Twin.cube"), ConstantCube(0, 0, 1)}}));
    zip.close();

    pq::LUTSelector chooser;
    chooser.setSourcePhoto(MakeNoise(64, 48, 3));
    chooser.initialize(QString(), QByteArray(), QString());
    const QStringList builtIns = pq::EmbeddedLUTNames();
    ASSERT_EQ(builtIns.size(), 18);
    for (int i = 0; i < 18; ++i)
        EXPECT_EQ(chooser.lutList->item(i)->text(), builtIns[i]);
    chooser.getOpenFileNames = [&](const QString&, const QString&) { return QStringList{zipPath}; };
    chooser.loadFromDisk();
    ASSERT_TRUE(testloop::ProcessUntil([&] { return !chooser.isLoading(); }, 10000));
    const int count = chooser.lutList->count();
    EXPECT_EQ(chooser.lutList->currentItem()->text(), QStringLiteral("Preview Blues Twin"));
    chooser.loadFromDisk();
    ASSERT_TRUE(testloop::ProcessUntil([&] { return !chooser.isLoading(); }, 10000));
    EXPECT_EQ(chooser.lutList->count(), count) << "re-importing adds nothing";

    // The preview shows the imported table: every pixel blue.
    chooser.updatePreview();
    ASSERT_TRUE(testloop::ProcessUntil([&] { return !chooser.preview->preview().isNull(); }, 10000));
    EXPECT_EQ(chooser.preview->preview().pixel(10, 10), Premul(0, 0, 255));
}

TEST(LUTPreview, AnInvalidTableShowsThePlaceholder)
{
    pq::LUTSelector chooser;
    chooser.setSourcePhoto(MakeNoise(64, 48, 3));
    chooser.initialize(QStringLiteral("Broken"), QByteArray("LUT_3D_SIZE 2\n0 0 0\n"), QString());
    chooser.updatePreview();
    EXPECT_TRUE(chooser.preview->preview().isNull());
}

TEST(LUTPreview, APreviewPublishedAfterCloseIsDropped)
{
    auto chooser = std::make_unique<pq::LUTSelector>();
    chooser->setSourcePhoto(MakeNoise(540, 400, 3));
    chooser->initialize(QStringLiteral("Red"), ConstantCube(1, 0, 0), QString());
    chooser->updatePreview();
    chooser.reset();
    // Serving the queued publish must not touch the freed chooser.
    for (int i = 0; i < 30; ++i)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    SUCCEED();
}

TEST(LUTPreview, AnOutdatedPreviewIsDropped)
{
    pq::LUTSelector chooser;
    chooser.setSourcePhoto(MakeNoise(64, 48, 3));
    chooser.initialize(QStringLiteral("Red"), ConstantCube(1, 0, 0), QString());
    chooser.updatePreview();
    chooser.selectedLUTData = ConstantCube(0, 1, 0);
    chooser.updatePreview();
    ASSERT_TRUE(testloop::ProcessUntil([&] { return !chooser.preview->preview().isNull(); }, 10000));
    for (int i = 0; i < 20; ++i)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(chooser.preview->preview().pixel(5, 5), Premul(0, 255, 0));
}

TEST(LUTPreview, AnOversizedFileIsRefusedUnread)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("huge.cube"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(file.resize(pq::kMaxLUTTextBytes + 1));
    file.close();
    EXPECT_TRUE(pq::ReadLUTFileBytes(path).isEmpty());
}

} // namespace
