#include "cube_test_tables.h"
#include "event_loop.h"
#include "stored_zip.h"

#include "engine/lut/lut_choice.h"
#include "panels/lut_chooser_dialog.h"

#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>


TEST(LUTChooser, ArchivesAreReadOffTheUiThread)
{
    QTemporaryDir dir;
    const QString zipPath = dir.filePath(QStringLiteral("looks.zip"));
    QFile zip(zipPath);
    ASSERT_TRUE(zip.open(QIODevice::WriteOnly));
    zip.write(testzip::StoredZip({{QStringLiteral("Chooser Async Look.cube"), cubetest::IdentityCube(2)}}));
    zip.close();

    pq::LUTChooserDialog chooser;
    chooser.initialize(QString(), QByteArray(), QString());
    chooser.getOpenFileNames = [&](const QString&, const QString&) { return QStringList{zipPath}; };
    chooser.loadFromDisk();
    // The archive is read on a worker: the button waits, the item comes later.
    EXPECT_TRUE(chooser.isLoading());
    EXPECT_FALSE(chooser.loadFromDiskButton->isEnabled());
    ASSERT_TRUE(testloop::ProcessUntil([&] { return !chooser.isLoading(); }, 10000));
    EXPECT_TRUE(chooser.loadFromDiskButton->isEnabled());
    ASSERT_NE(chooser.lutList->currentItem(), nullptr);
    EXPECT_EQ(chooser.lutList->currentItem()->text(), QStringLiteral("Chooser Async Look"));

    // It joins the run's imported tables.
    EXPECT_TRUE(pq::ImportedLUTNames().contains(QStringLiteral("Chooser Async Look")));
}
