// The effect options and the parameter file as a user drives them through
// the main window: the switches, the contour colour window, the option
// boxes, the LUT chooser, and loading and saving .pqk files.
#include "workspace/contour_color_window.h"
#include "app/main_window.h"
#include "ui/widgets/color_panel.h"
#include "ui/widgets/toggle_switch.h"
#include "engine/runtime/effect_runtime.h"
#include "engine/lut/lut_choice.h"
#include "image_compare.h"
#include "platform/random.h"
#include "platform/ui_bridge.h"
#include "panels/lut_chooser_dialog.h"
#include "workspace/parameter_file.h"
#include "workspace/preview_pane.h"

#include "ui/settings.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "event_loop.h"

#include <cmath>
#include <functional>
#include <map>

namespace {

using testloop::processUntil;

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

class Options : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::setUiBridge(platform::makeQtUiBridge());
        window = std::make_unique<pq::TForm1>();
        window->FCommandLine = {QStringLiteral("pastelloquin")};
        window->FAskYesNo = [this](const QString& text) {
            questions << text;
            return answerYes;
        };
        window->FShowMessage = [this](const QString& text) { messages << text; };
        window->FGetOpenFileName = [this](const QString&, const QString&) { return openName; };
        window->FGetSaveDataFileName = [this](const QString& title, const QString& filter, const QString& suffix) {
            saveDialogs << title + QStringLiteral("|") + filter + QStringLiteral("|") + suffix;
            return saveName;
        };
        window->show();
        ASSERT_TRUE(processUntil([&] { return window->FInitialized; }));
        ASSERT_TRUE(dir.isValid());
    }

    void TearDown() override
    {
        pq::AbortProcessing();
        EXPECT_TRUE(processUntil([] { return pq::EffectWorkerCount() == 0; }));
        window.reset();
        platform::setUiBridge(nullptr);
    }

    void openDocument(const gfx::Image& photo)
    {
        ASSERT_TRUE(doc().ReplaceDocument(photo, photo));
        doc().FHistory->Save(doc().ZIdImage, doc().ZIdSourceImage);
    }

    bool idle() { return window->FCurrentEffectNumber() == -1 && pq::EffectWorkerCount() == 0; }
    pq::TDocument& doc() { return window->Doc(); }
    int generation() { return doc().Shared->FPreviewGeneration.load(); }

    std::unique_ptr<pq::TForm1> window;
    QTemporaryDir dir;
    QStringList questions;
    QStringList messages;
    QStringList saveDialogs;
    QString openName;
    QString saveName;
    bool answerYes = true;
};

} // namespace

TEST_F(Options, SavingAndLoadingTheParametersThroughTheIcons)
{
    window->ListBoxItemClick(3, 2); // Oil pastel
    const pq::TParameterTable saved = doc().Params;
    saveName = dir.filePath(QStringLiteral("mine.pqk"));
    window->SkSvg45Click();
    EXPECT_EQ(saveDialogs, QStringList{QStringLiteral(
                               "Save Parameters|Pastelloquin Parameters (*.pqk);;All Files (*.*)|pqk")});
    EXPECT_EQ(messages, QStringList{QStringLiteral("Parameters saved successfully!")});
    EXPECT_EQ(readAll(saveName), pq::ParameterFileBytes(saved));

    // Saving over it asks first; No writes nothing.
    messages.clear();
    pq::ParamsEntry(doc().Params, 302)->Value1 = 12;
    answerYes = false;
    window->SkSvg45Click();
    EXPECT_EQ(questions.size(), 1);
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(readAll(saveName), pq::ParameterFileBytes(saved));

    // Loading brings the table and the sliders back.
    pq::ParamsEntry(doc().Params, 100)->Value2 = 3;
    window->TrackBars[0]->setValue(12);
    openName = saveName;
    window->SkSvg44Click();
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(pq::ParamsEntry(doc().Params, 302)->Value1, 10);
    EXPECT_EQ(pq::ParamsEntry(doc().Params, 100)->Value2, saved[1][0].Value2);
    EXPECT_EQ(window->TrackBars[0]->value(), 10);
}

TEST_F(Options, AFileThatIsNotAParameterFileChangesNothing)
{
    window->ListBoxItemClick(3, 2);
    window->TrackBars[2]->setValue(44);
    const pq::TParameterTable before = doc().Params;
    platform::Random rng(7);
    QByteArray noise(3000, '\0');
    for (char& b : noise)
        b = char(rng.next() >> 24);
    openName = dir.filePath(QStringLiteral("noise.pqk"));
    writeAll(openName, noise);
    window->SkSvg44Click();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("Error loading parameters: "))) << messages[0].toStdString();
    EXPECT_EQ(pq::ParameterFileBytes(doc().Params), pq::ParameterFileBytes(before));
    EXPECT_EQ(window->TrackBars[2]->value(), 44);

    // An empty file too.
    messages.clear();
    writeAll(openName, QByteArray());
    window->SkSvg44Click();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("Error loading parameters: ")));
    EXPECT_EQ(pq::ParameterFileBytes(doc().Params), pq::ParameterFileBytes(before));
}

TEST_F(Options, HandWrittenValuesAndCaptionsReachTheSliders)
{
    window->ListBoxItemClick(3, 2);
    openName = dir.filePath(QStringLiteral("hand.pqk"));
    writeAll(openName, "[Effect_3_2]\r\nValue1=250\r\nValue2=-4\r\nName3=\r\nName4=<img src=\"x.png\"><b>bold</b>\r\n");
    window->SkSvg44Click();
    EXPECT_TRUE(messages.isEmpty());
    // Stored as read; the sliders show their nearest end.
    EXPECT_EQ(pq::ParamsEntry(doc().Params, 302)->Value1, 250);
    EXPECT_EQ(window->TrackBars[0]->value(), 100);
    EXPECT_EQ(window->TrackBars[1]->value(), 0);
    EXPECT_EQ(window->ParamLabels[2]->text(), QStringLiteral("iterations")) << "captions change on the next selection";

    window->ListBoxItemClick(3, 2);
    EXPECT_FALSE(window->TrackBars[2]->isEnabled()) << "an empty caption disables its slider";
    EXPECT_EQ(window->ParamLabels[3]->textFormat(), Qt::PlainText) << "a caption from a file is never rich text";
}

TEST_F(Options, TheOptionBoxesFollowTheSelectedEffect)
{
    window->ListBoxItemClick(4, 0); // Orton filter
    EXPECT_FALSE(window->EraseBdSwitch->isEnabled());
    EXPECT_FALSE(window->Label23->isEnabled());
    EXPECT_TRUE(window->LoadLUTsWindow->isHidden());
    EXPECT_TRUE(window->LoadBrushesWindow->isHidden());
    EXPECT_TRUE(window->ContourRow->isHidden());

    window->ListBoxItemClick(5, 1); // Cartoon
    EXPECT_TRUE(window->EraseBdSwitch->isEnabled());
    EXPECT_TRUE(window->Label23->isEnabled());
    window->ListBoxItemClick(2, 2); // Felt-tip pen
    EXPECT_TRUE(window->EraseBdSwitch->isEnabled());
    window->ListBoxItemClick(3, 6); // Smooth painting ignores it
    EXPECT_FALSE(window->EraseBdSwitch->isEnabled());

    window->ListBoxItemClick(4, 4); // LUTs
    EXPECT_FALSE(window->LoadLUTsWindow->isHidden());
    window->ListBoxItemClick(5, 2); // Circles
    EXPECT_TRUE(window->LoadLUTsWindow->isHidden());
    EXPECT_FALSE(window->ContourRow->isHidden());

    // The brush box: one button, two once the effect paints with its own
    // sheet.
    window->ListBoxItemClick(3, 4); // Impasto brushstrokes
    EXPECT_FALSE(window->LoadBrushesWindow->isHidden());
    EXPECT_TRUE(window->ResetBrushesButton->isHidden());
    EXPECT_EQ(window->LoadBrushesWindow->height(), 64);
    doc().CustomBrushesOn304 = true;
    window->ListBoxItemClick(3, 3);
    EXPECT_TRUE(window->ResetBrushesButton->isHidden()) << "303 has no sheet of its own";
    window->ListBoxItemClick(3, 4);
    EXPECT_FALSE(window->ResetBrushesButton->isHidden());
    EXPECT_EQ(window->LoadBrushesWindow->height(), 120);
    window->ResetBrushesButtonClick();
    EXPECT_FALSE(doc().CustomBrushesOn304);
    EXPECT_TRUE(window->ResetBrushesButton->isHidden());

    // No brush file readable: a message, nothing switched on.
    window->FGetOpenFileNames = [this](const QString&, const QString&) {
        return QStringList{dir.filePath(QStringLiteral("missing.png"))};
    };
    window->TestBrushButtonClick();
    EXPECT_EQ(messages, QStringList{QStringLiteral("Error loading custom brushes")});
    EXPECT_FALSE(doc().CustomBrushesOn304);
}

TEST_F(Options, TheSwitchesTurnTheirOptionsOver)
{
    openDocument(testimg::makeImage(64, 48, [](int x, int y) { return testimg::premul(x * 4, y * 5, 90); }));
    EXPECT_TRUE(doc().FAddTextureChecked.load()) << "on at start";
    EXPECT_TRUE(window->AddTextureSwitch->isChecked());
    window->UpdatePreviewTimer.stop();
    window->AddTextureSwitch->click();
    EXPECT_FALSE(doc().FAddTextureChecked.load());
    EXPECT_FALSE(window->AddTextureSwitch->isChecked());
    EXPECT_TRUE(window->UpdatePreviewTimer.isActive()) << "the preview shows the texture too";

    // A script turned the option off without the switch: a click turns the
    // option over, and the look follows it. No preview is asked for.
    window->ListBoxItemClick(2, 2);
    ASSERT_TRUE(processUntil([&] { return idle(); }));
    window->UpdatePreviewTimer.stop();
    doc().FEraseBdChecked = false;
    EXPECT_TRUE(window->EraseBdSwitch->isChecked());
    const int before = generation();
    window->EraseBdSwitch->click();
    EXPECT_TRUE(doc().FEraseBdChecked.load());
    EXPECT_TRUE(window->EraseBdSwitch->isChecked());
    window->EraseBdSwitch->click();
    EXPECT_FALSE(doc().FEraseBdChecked.load());
    EXPECT_FALSE(window->EraseBdSwitch->isChecked());
    EXPECT_EQ(generation(), before);
    EXPECT_FALSE(window->UpdatePreviewTimer.isActive());
}

TEST_F(Options, TheContourSwitchAndItsColourWindow)
{
    openDocument(testimg::makeImage(64, 48, [](int x, int y) { return testimg::premul(x * 4, y * 5, 90); }));
    window->ListBoxItemClick(5, 0); // Mosaic
    int before = generation();
    window->ContourSwitch->click();
    EXPECT_TRUE(doc().FDrawContourChecked.load());
    ASSERT_NE(window->ContourColorWindow, nullptr);
    pq::TContourColorWindow* box = window->ContourColorWindow;
    EXPECT_TRUE(box->isVisible());
    EXPECT_TRUE(box->shadowEnabled());
    EXPECT_GT(generation(), before) << "a new preview is requested";

    // Beside the right panel at the switch's height, 8 pixels from the
    // window's edges at least.
    const QWidget* host = box->parentWidget();
    const int panelX = window->RightPanelRect->mapTo(host, QPoint(0, 0)).x();
    EXPECT_EQ(box->x(), std::max(8, panelX - 12 - box->width()));
    EXPECT_GE(box->y(), 8);
    EXPECT_LE(box->y() + box->height(), host->height() - 8);

    // The cross hides the window; the contours stay on.
    emit box->closeClicked();
    EXPECT_FALSE(box->isVisible());
    EXPECT_TRUE(doc().FDrawContourChecked.load());
    EXPECT_TRUE(window->ContourSwitch->isChecked());

    // Off and on again; a colour set without a report is caught by the
    // 120 ms poll, and requests a preview.
    window->ContourSwitch->click();
    EXPECT_FALSE(doc().FDrawContourChecked.load());
    window->ContourSwitch->click();
    EXPECT_TRUE(box->isVisible());
    before = generation();
    box->ContourColorPanel->setColor(QColor(200, 40, 40, 128));
    ASSERT_TRUE(processUntil([&] { return doc().FContourColor.load() != 0xFF000000u; }, 2000));
    EXPECT_EQ(doc().FContourColor.load(), window->ReadContourPanelColor());
    EXPECT_EQ(qAlpha(doc().FContourColor.load()), 128);
    EXPECT_GT(generation(), before);
    // The same colour again asks for nothing.
    before = generation();
    window->ContourColorPanelChange();
    EXPECT_EQ(generation(), before);

    // Another effect, or Apply, hides the window.
    window->ListBoxItemClick(5, 2);
    EXPECT_FALSE(box->isVisible());
    window->ContourSwitch->click();
    window->ContourSwitch->click();
    ASSERT_TRUE(box->isVisible());
    window->Button1Click();
    EXPECT_FALSE(box->isVisible());
}

TEST_F(Options, WithEraseBackgroundOffTheFeltTipPaintsOverThePreviousResult)
{
    window->AddTextureSwitch->setChecked(false);
    // Left half white (no strokes there), right half a darker ramp.
    const gfx::Image source = testimg::makeImage(120, 80, [](int x, int y) {
        return x < 60 ? testimg::premul(255, 255, 255) : testimg::premul(60 + y, 90, 40 + x / 2);
    });
    openDocument(source);
    // The previous result, as if taken from the gallery.
    const gfx::Image previous =
        testimg::makeImage(120, 80, [](int x, int y) { return testimg::premul(200, 40 + y, 30 + x / 2); });
    doc().ZIdImage = previous;
    window->ListBoxItemClick(2, 2); // Felt-tip pen
    ASSERT_TRUE(processUntil([&] { return idle(); }));

    window->EraseBdSwitch->click(); // off
    ASSERT_FALSE(doc().FEraseBdChecked.load());
    window->Button1Click();
    ASSERT_TRUE(processUntil([&] { return idle() && !doc().ZIdImage.sameAs(previous); }));
    const gfx::Image over = doc().ZIdImage;
    // Where the source is white the old result shows; where strokes fall
    // they are laid on it.
    int kept = 0, stroked = 0;
    for (int y = 4; y < 76; ++y)
        for (int x = 4; x < 116; ++x) {
            if (x < 56)
                kept += (over.pixel(x, y) & 0xFFFFFFu) == (previous.pixel(x, y) & 0xFFFFFFu);
            else if (x > 64)
                stroked += (over.pixel(x, y) & 0xFFFFFFu) != (previous.pixel(x, y) & 0xFFFFFFu);
        }
    EXPECT_GT(kept, 52 * 72 * 95 / 100);
    EXPECT_GT(stroked, 100);

    // On again: a fresh white canvas.
    doc().ZIdImage = previous;
    window->EraseBdSwitch->click();
    window->Button1Click();
    ASSERT_TRUE(processUntil([&] { return idle() && !doc().ZIdImage.sameAs(previous); }));
    EXPECT_EQ(doc().ZIdImage.pixel(20, 40) & 0xFFFFFFu, 0xFFFFFFu);
}

TEST_F(Options, TheLUTChooserStoresItsAnswer)
{
    // Not without an image.
    bool ran = false;
    window->FRunLUTChooser = [&](pq::TLUTChooserDialog&) { ran = true; };
    window->SelectLUTButtonClick();
    EXPECT_FALSE(ran);

    openDocument(testimg::makeImage(32, 32, [](int x, int y) { return testimg::premul(x * 8, y * 8, 128); }));
    window->ListBoxItemClick(4, 4); // LUTs: the first built-in table
    const QStringList names = pq::EmbeddedLUTNames();
    ASSERT_EQ(names.size(), 18);
    EXPECT_EQ(doc().FLUTName, names[0]);

    // A built-in look chosen in the list.
    window->FRunLUTChooser = [&](pq::TLUTChooserDialog& chooser) {
        ran = true;
        EXPECT_EQ(chooser.LstLUTs->count(), 18 + pq::ImportedLUTNames().size());
        EXPECT_EQ(chooser.LstLUTs->currentItem()->text(), names[0]);
        chooser.LstLUTs->setCurrentRow(8);
        EXPECT_EQ(chooser.LblCurrentLUT->text(), QStringLiteral("Golden hour"));
        chooser.BtnApplyClick();
    };
    window->UpdatePreviewTimer.stop();
    window->SelectLUTButtonClick();
    EXPECT_TRUE(ran);
    EXPECT_EQ(doc().FLUTName, QStringLiteral("Golden hour"));
    EXPECT_EQ(doc().FLUTData, pq::ReadEmbeddedLUT(QStringLiteral("Golden hour")));
    EXPECT_TRUE(doc().FLUTFilePath.isEmpty());
    EXPECT_TRUE(window->UpdatePreviewTimer.isActive());

    // A .cube file from disk: the path is kept, the bytes are not.
    const QString cube = dir.filePath(QStringLiteral("Warm.cube"));
    writeAll(cube, pq::ReadEmbeddedLUT(QStringLiteral("Blues")));
    window->FRunLUTChooser = [&](pq::TLUTChooserDialog& chooser) {
        chooser.FGetOpenFileNames = [&](const QString&, const QString&) { return QStringList{cube}; };
        chooser.BtnLoadDiskClick();
        EXPECT_EQ(chooser.LstLUTs->currentItem()->text(), QStringLiteral("Warm"));
        chooser.BtnApplyClick();
    };
    window->SelectLUTButtonClick();
    EXPECT_EQ(doc().FLUTName, QStringLiteral("Warm"));
    EXPECT_EQ(doc().FLUTFilePath, QFileInfo(cube).absoluteFilePath());
    EXPECT_TRUE(doc().FLUTData.isEmpty());

    // Selecting "LUTs" again keeps the file; the chooser shows it although
    // no item has its name, and Cancel changes nothing.
    window->ListBoxItemClick(4, 4);
    EXPECT_EQ(doc().FLUTFilePath, QFileInfo(cube).absoluteFilePath());
    window->FRunLUTChooser = [&](pq::TLUTChooserDialog& chooser) {
        EXPECT_EQ(chooser.LblCurrentLUT->text(), QStringLiteral("Warm"));
        EXPECT_FALSE(chooser.FSelectedLUTData.isEmpty()) << "read from the file";
        chooser.reject();
    };
    window->SelectLUTButtonClick();
    EXPECT_EQ(doc().FLUTName, QStringLiteral("Warm"));

    // By name, as scripts do: any case, the archive's spelling.
    EXPECT_TRUE(window->LoadEmbeddedLUT(QStringLiteral("golden HOUR")));
    EXPECT_EQ(doc().FLUTName, QStringLiteral("Golden hour"));
    EXPECT_TRUE(doc().FLUTFilePath.isEmpty());
    EXPECT_FALSE(window->LoadEmbeddedLUT(QStringLiteral("No such look")));
    EXPECT_EQ(doc().FLUTName, QStringLiteral("Golden hour"));

    // Not while an effect is applied.
    ran = false;
    window->FRunLUTChooser = [&](pq::TLUTChooserDialog&) { ran = true; };
    doc().FCurrentEffectNumber = 404;
    window->SelectLUTButtonClick();
    EXPECT_FALSE(ran);
    doc().FCurrentEffectNumber = -1;
}

TEST_F(Options, APreviewPaneShowsOnlyTheCurrentPreviewsProgress)
{
    openDocument(testimg::makeImage(64, 48, [](int x, int y) { return testimg::premul(x * 4, y * 5, 90); }));
    doc().Shared->StorePreviewProgress(generation(), 40);
    window->SetPreviewPC(40);
    ASSERT_FALSE(window->Image1->PreviewPC->isHidden());
    window->SupersedePreview();
    EXPECT_TRUE(window->Image1->PreviewPC->isHidden());
    EXPECT_EQ(doc().Shared->CurrentPreviewProgress(), 0);
}

namespace {

double luminance(QRgb c)
{
    const auto lin = [](int v) {
        const double s = v / 255.0;
        return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * lin(qRed(c)) + 0.7152 * lin(qGreen(c)) + 0.0722 * lin(qBlue(c));
}

// Contrast ratio between the most common colour of a widget as its window
// shows it (its background) and the colour farthest from it in luminance
// (its text).
double textContrast(QWidget* widget)
{
    QWidget* top = widget->window();
    const QRect area(widget->mapTo(top, QPoint(0, 0)), widget->size());
    const QImage image = top->grab().toImage().convertToFormat(QImage::Format_RGB32).copy(area);
    std::map<QRgb, int> counts;
    // Inside the frame.
    for (int y = 4; y < image.height() - 4; ++y)
        for (int x = 4; x < image.width() - 4; ++x)
            ++counts[image.pixel(x, y) & 0xFFFFFFu];
    QRgb background = 0;
    int most = -1;
    for (const auto& [c, n] : counts)
        if (n > most) {
            most = n;
            background = c;
        }
    const double lb = luminance(background);
    double best = 1.0;
    for (const auto& [c, n] : counts) {
        const double lc = luminance(c);
        best = std::max(best, (std::max(lb, lc) + 0.05) / (std::min(lb, lc) + 0.05));
    }
    return best;
}

} // namespace

TEST_F(Options, DialogsAreReadableInBothThemes)
{
    const QString previous = pq::SettingsFolder();
    pq::SetSettingsFolder(dir.path());
    for (const pq::TThemeMode mode : {pq::tmDark, pq::tmLight}) {
        window->ApplyTheme(mode);
        QFileDialog files(window.get(), QStringLiteral("Select image file"));
        files.setOption(QFileDialog::DontUseNativeDialog);
        files.setNameFilters({QStringLiteral("Image Files (*.jpg *.png)")});
        files.show();
        auto* name = files.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setText(QStringLiteral("holiday photo"));
        auto* type = files.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        auto* lookIn = files.findChild<QLabel*>(QStringLiteral("lookInLabel"));
        ASSERT_NE(type, nullptr);
        ASSERT_NE(lookIn, nullptr);
        QApplication::processEvents();
        const char* theme = mode == pq::tmDark ? "dark" : "light";
        EXPECT_GT(textContrast(name), 4.5) << theme;
        EXPECT_GT(textContrast(type), 4.5) << theme;
        EXPECT_GT(textContrast(lookIn), 4.5) << theme;

        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Pastelloquin"),
                        QStringLiteral("Parameters saved successfully!"), QMessageBox::Ok, window.get());
        box.show();
        QApplication::processEvents();
        auto* text = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        ASSERT_NE(text, nullptr);
        EXPECT_GT(textContrast(text), 4.5) << theme;

        pq::TLUTChooserDialog chooser(window.get());
        chooser.Initialize(QString(), QByteArray(), QString());
        chooser.show();
        QApplication::processEvents();
        chooser.LstLUTs->setCurrentRow(-1);
        EXPECT_GT(textContrast(chooser.LstLUTs->viewport()), 4.5) << theme;
    }
    window->ApplyTheme(pq::tmDark);
    pq::SetSettingsFolder(previous);
}
