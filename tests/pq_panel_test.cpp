// pq-panel drives the open panel's controls before the window's: the
// texture selector's "applyButton" is its own, not the effect panel's.
#include "gfx/codec.h"
#include "image_compare.h"

#include <QCoreApplication>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

int Panel(const QStringList& args)
{
    QProcess p;
    p.start(QCoreApplication::applicationDirPath() + "/pq-panel", args);
    if (!p.waitForFinished(120000))
        return -1;
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
}

TEST(PqPanel, ClickFindsTheOpenPanelsControlFirst)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString input = dir.filePath("in.png");
    ASSERT_TRUE(gfx::EncodeToFile(testimg::MakeNoise(96, 64, 5, false), input, gfx::ImageFormat::Png, 80));
    const QString grabbed = dir.filePath("panel.png");

    // The texture selector is open: its own button applies and closes it,
    // so the panel is gone when the grab asks for it.
    EXPECT_EQ(Panel({"texture", input, "--grab", "textureSelector", grabbed}), 0);
    EXPECT_EQ(Panel({"texture", input, "--click", "applyButton", "--grab", "textureSelector", grabbed}), 2);
}

TEST(PqPanel, TheLUTSelectorOpensWithItsCaptionCloseButtonAndPreview)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString input = dir.filePath("grey.png");
    ASSERT_TRUE(gfx::EncodeToFile(testimg::MakeSolid(96, 64, testimg::Premul(120, 120, 120)), input,
                                  gfx::ImageFormat::Png, 80));
    const QString preview = dir.filePath("preview.png");
    ASSERT_EQ(Panel({"lut", input, "--grab", "window", dir.filePath("window.png"), "--grab", "lutPreview", preview,
                     "--grab", "previewCaption", dir.filePath("caption.png"), "--grab", "closeButton",
                     dir.filePath("close.png")}),
              0);
    // The current table's preview, not the empty plate.
    const QImage shown(preview);
    ASSERT_FALSE(shown.isNull());
    EXPECT_NE(shown.pixel(shown.width() / 2, shown.height() / 2) & 0xFFFFFFu, 0x263045u);
}

} // namespace
