// The print window: opening and closing with Ctrl+P's command, its
// preview, and printing without a printer.
#include "app/main_window.h"
#include "engine/runtime/effect_runtime.h"
#include "image_compare.h"
#include "platform/ui_bridge.h"
#include "workspace/document_actions.h"
#include "workspace/print_window.h"

#include <QComboBox>
#include <QSpinBox>
#include <gtest/gtest.h>

#include "event_loop.h"

namespace {

using testimg::Premul;
using testloop::ProcessUntil;

class Printing : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::SetUiBridge(platform::MakeQtUiBridge());
        window = std::make_unique<pq::MainWindow>();
        window->commandLine = {QStringLiteral("pastelloquin")};
        window->dialogs().showMessage = [this](const QString& text) { messages << text; };
        window->show();
        ASSERT_TRUE(ProcessUntil([&] { return window->initialized; }));
    }

    void TearDown() override
    {
        window.reset();
        platform::SetUiBridge(nullptr);
    }

    pq::PrintWindow& print() { return window->printWindow(); }

    std::unique_ptr<pq::MainWindow> window;
    QStringList messages;
};

TEST_F(Printing, OpensOnlyWithAResultAndWhenIdle)
{
    window->documentActions().showAsNewDocument(testimg::MakeSolid(8, 8, Premul(1, 1, 1)), 100);
    window->document().runningEffect = 300;
    window->commands().run(QStringLiteral("print"));
    EXPECT_FALSE(print().isVisible()) << "not while an effect runs";
    window->document().runningEffect = -1;
    window->commands().run(QStringLiteral("print"));
    EXPECT_TRUE(print().isVisible());
    EXPECT_EQ(print().scaleModeBox->count(), 3);
    EXPECT_EQ(print().scaleModeBox->itemText(2), QStringLiteral("Original Size"));
    EXPECT_FALSE(print().imageDpiBox->isEnabled());
    print().scaleModeBox->setCurrentIndex(2);
    EXPECT_TRUE(print().imageDpiBox->isEnabled());
    window->commands().run(QStringLiteral("print"));
    EXPECT_FALSE(print().isVisible());
    window->commands().run(QStringLiteral("print"));
    EXPECT_EQ(print().scaleModeBox->currentIndex(), 2) << "the mode is kept";
}

TEST_F(Printing, PreviewShowsThePageAndOrientationSwapsIt)
{
    window->documentActions().showAsNewDocument(testimg::MakeSolid(400, 300, Premul(200, 0, 0)), 100);
    window->commands().run(QStringLiteral("print"));
    if (print().printerBox->count() > 0)
        GTEST_SKIP() << "a printer is installed; the A4 fallback is not shown";
    const QImage portrait = print().renderPreview(QSize(309, 323));
    // A4 portrait: 269 / 210 vs 283 / 297, the page is 283 high.
    EXPECT_EQ(portrait.pixel(154, 30), qRgb(255, 255, 255)) << "page above the image";
    EXPECT_EQ(portrait.pixel(154, 161), qRgb(200, 0, 0)) << "the image in the middle";
    print().setLandscape(true);
    EXPECT_TRUE(window->document().printLandscape);
    const QImage landscape = print().renderPreview(QSize(309, 323));
    EXPECT_NE(qAlpha(landscape.pixel(154, 30)), 255) << "a landscape page leaves the top free";
}

TEST_F(Printing, PrintingWithoutAPrinterSaysSo)
{
    window->documentActions().showAsNewDocument(testimg::MakeSolid(40, 30, Premul(200, 0, 0)), 100);
    window->commands().run(QStringLiteral("print"));
    if (print().printerBox->count() > 0)
        GTEST_SKIP() << "a printer is installed";
    print().print();
    EXPECT_FALSE(print().isVisible());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0], QStringLiteral("No printer is installed."));
}

} // namespace
