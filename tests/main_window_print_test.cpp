// The print window: opening and closing with Ctrl+P's command, its
// preview, and printing to a PDF file, the same page as pq-edit's.
#include "app/interface_languages.h"
#include "app/main_window.h"
#include "engine/runtime/effect_runtime.h"
#include "gfx/codec.h"
#include "image_compare.h"
#include "platform/ui_bridge.h"
#include "workspace/document_actions.h"
#include "ui/dictionary.h"
#include "workspace/print_window.h"
#include "ui/widgets/icon_button.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
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
        pq::ClearTranslations();
        pq::SetCurrentLanguage(QStringLiteral("en"));
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
    print().installedPrinters = [] { return QStringList(); };
    window->commands().run(QStringLiteral("print"));
    ASSERT_TRUE(print().printsToPdf());
    const QImage portrait = print().renderPreview(QSize(309, 323));
    // A4 portrait: 269 / 210 vs 283 / 297, the page is 283 high.
    EXPECT_EQ(portrait.pixel(154, 30), qRgb(255, 255, 255)) << "page above the image";
    EXPECT_EQ(portrait.pixel(154, 161), qRgb(200, 0, 0)) << "the image in the middle";
    print().setLandscape(true);
    EXPECT_TRUE(window->document().printLandscape);
    const QImage landscape = print().renderPreview(QSize(309, 323));
    EXPECT_NE(qAlpha(landscape.pixel(154, 30)), 255) << "a landscape page leaves the top free";
}

// A PDF file with its creation time blanked: the rest of two files of the
// same page is the same, byte for byte.
QByteArray PdfWithoutDate(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray bytes = file.readAll();
    static const QRegularExpression kDate(QStringLiteral("/CreationDate \\(D:[^)]*\\)"));
    const QRegularExpressionMatch date = kDate.match(QString::fromLatin1(bytes));
    if (date.hasMatch())
        bytes.replace(date.capturedStart(), date.capturedLength(), QByteArray(date.capturedLength(), ' '));
    return bytes;
}

int EditTool(const QStringList& args)
{
    QProcess p;
    p.start(QCoreApplication::applicationDirPath() + QStringLiteral("/pq-edit"), args);
    if (!p.waitForFinished(60000))
        return -1;
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
}

TEST_F(Printing, WithoutAPrinterThePdfFileIsThePrinter)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString photo = dir.filePath(QStringLiteral("photo.png"));
    ASSERT_TRUE(gfx::EncodeToFile(testimg::MakeNoise(90, 60, 5), photo, gfx::ImageFormat::Png, 80));
    ASSERT_TRUE(window->documentActions().showAsNewDocument(gfx::DecodeFile(photo), 100));
    print().installedPrinters = [] { return QStringList(); };
    window->commands().run(QStringLiteral("print"));
    ASSERT_EQ(print().printerBox->count(), 1);
    EXPECT_EQ(print().printerBox->currentText(), QString::fromLatin1(pq::PrintWindow::kPdfPrinterName));
    EXPECT_TRUE(print().printsToPdf());

    struct Case {
        bool landscape;
        int mode;
        int dpi;
        int margin;
        QStringList editArgs;
    };
    const Case cases[] = {
        {false, 0, 300, 10, {}},
        {true, 2, 150, 0, {"--landscape", "--mode", "original", "--image-dpi", "150", "--margin", "0"}},
        {false, 1, 300, 25, {"--mode", "stretch", "--margin", "25"}},
    };
    int n = 0;
    for (const Case& c : cases) {
        window->commands().run(QStringLiteral("print"));
        if (!print().isVisible())
            window->commands().run(QStringLiteral("print"));
        print().setLandscape(c.landscape);
        print().scaleModeBox->setCurrentIndex(c.mode);
        print().imageDpiBox->setValue(c.dpi);
        print().marginBox->setValue(c.margin);
        const QString fromWindow = dir.filePath(QStringLiteral("window%1.pdf").arg(n));
        const QString fromTool = dir.filePath(QStringLiteral("tool%1.pdf").arg(n++));
        window->dialogs().saveDataFile = [&](const QString&, const QString& filter, const QString&) {
            EXPECT_TRUE(filter.contains(QStringLiteral("*.pdf")));
            return fromWindow;
        };
        print().print();
        EXPECT_TRUE(messages.isEmpty()) << messages.join(' ').toStdString();
        ASSERT_EQ(EditTool(QStringList(c.editArgs) << photo << fromTool << QStringLiteral("print")), 0);
        const QByteArray a = PdfWithoutDate(fromWindow);
        ASSERT_TRUE(a.startsWith("%PDF")) << "the window wrote its page";
        EXPECT_TRUE(a == PdfWithoutDate(fromTool)) << "case " << n;
        EXPECT_FALSE(QFileInfo::exists(fromWindow + QStringLiteral(".part")));
    }
}

TEST_F(Printing, CancellingTheFileNamePrintsNothing)
{
    window->documentActions().showAsNewDocument(testimg::MakeSolid(40, 30, Premul(200, 0, 0)), 100);
    print().installedPrinters = [] { return QStringList(); };
    window->commands().run(QStringLiteral("print"));
    window->dialogs().saveDataFile = [](const QString&, const QString&, const QString&) { return QString(); };
    print().print();
    EXPECT_FALSE(print().isVisible());
    EXPECT_TRUE(messages.isEmpty());
    // The system's printer setup has nothing to set up.
    print().setupButton->click();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0], QStringLiteral("No printer is installed."));
}

TEST_F(Printing, InstalledPrintersComeFirstAndThePdfFileLast)
{
    window->documentActions().showAsNewDocument(testimg::MakeSolid(40, 30, Premul(200, 0, 0)), 100);
    print().installedPrinters = [] { return QStringList{QStringLiteral("Office"), QStringLiteral("Hall")}; };
    window->commands().run(QStringLiteral("print"));
    ASSERT_EQ(print().printerBox->count(), 3);
    EXPECT_EQ(print().printerBox->itemText(0), QStringLiteral("Office"));
    EXPECT_EQ(print().printerBox->itemText(2), QString::fromLatin1(pq::PrintWindow::kPdfPrinterName));
    EXPECT_FALSE(print().printsToPdf()) << "an installed printer is taken first";
    print().printerBox->setCurrentIndex(2);
    EXPECT_TRUE(print().printsToPdf());
    print().printerBox->setCurrentIndex(1);
    EXPECT_FALSE(print().printsToPdf());
}

TEST_F(Printing, ThePdfPrinterAndTheMessagesSpeakTheInterfaceLanguage)
{
    window->documentActions().showAsNewDocument(testimg::MakeSolid(40, 30, Premul(200, 0, 0)), 100);
    print().installedPrinters = [] { return QStringList{QStringLiteral("Office")}; };
    window->languages().switchLanguage(QStringLiteral("fr"));
    window->commands().run(QStringLiteral("print"));
    ASSERT_EQ(print().printerBox->count(), 2);
    EXPECT_EQ(print().printerBox->itemText(1), QStringLiteral("Fichier PDF"));
    // A switch while the window is open relabels the entry, not the printer.
    window->languages().switchLanguage(QStringLiteral("pl"));
    EXPECT_EQ(print().printerBox->itemText(0), QStringLiteral("Office"));
    EXPECT_EQ(print().printerBox->itemText(1), QStringLiteral("Drukuj do PDF"));
    window->languages().switchLanguage(QStringLiteral("en"));
    EXPECT_EQ(print().printerBox->itemText(1), QString::fromLatin1(pq::PrintWindow::kPdfPrinterName));
    window->commands().run(QStringLiteral("print"));

    print().installedPrinters = [] { return QStringList(); };
    window->languages().switchLanguage(QStringLiteral("de"));
    window->commands().run(QStringLiteral("print"));
    print().setupButton->click();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0], QStringLiteral("Es ist kein Drucker installiert."));
}

TEST_F(Printing, TheCloseButtonIsTheOneThePanelsUse)
{
    window->documentActions().showAsNewDocument(testimg::MakeSolid(40, 30, Premul(200, 0, 0)), 100);
    window->commands().run(QStringLiteral("print"));
    ASSERT_TRUE(print().isVisible());
    EXPECT_EQ(print().closeButton->size(), QSize(26, 26));
    // The cross is drawn across the button, not a sliver of it.
    const QImage look = print().closeButton->grab().toImage();
    int inked = 0;
    for (int y = 0; y < look.height(); ++y)
        for (int x = 0; x < look.width(); ++x)
            inked += qGray(look.pixel(x, y)) > 160 && qAlpha(look.pixel(x, y)) > 128;
    EXPECT_GT(inked, 20);
    print().closeButton->click();
    EXPECT_FALSE(print().isVisible());
}

} // namespace
