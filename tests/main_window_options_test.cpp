// The effect options and the parameter file as a user drives them through
// the main window: the switches, the contour colour window, the option
// boxes, the LUT selector, and loading and saving .pqk files.
#include "workspace/contour_color_window.h"
#include "app/interface_languages.h"
#include "app/main_window.h"
#include "app/left_panel.h"
#include "app/main_menu.h"
#include "app/panel_host.h"
#include "app/title_bar.h"
#include "app/tool_bar.h"
#include "panels/overlay_host.h"
#include "workspace/canvas_area.h"
#include "workspace/document_actions.h"
#include "workspace/effect_lists.h"
#include "workspace/effect_panel.h"
#include "workspace/preview_panel.h"
#include "ui/widgets/color_panel.h"
#include "ui/widgets/toggle_switch.h"
#include "engine/runtime/effect_runtime.h"
#include "engine/runtime/engine_host.h"
#include "gfx/codec.h"
#include "engine/lut/lut_choice.h"
#include "image_compare.h"
#include "platform/random.h"
#include "platform/ui_bridge.h"
#include "panels/lut_selector.h"
#include "ui/widgets/panel_close_button.h"
#include "workspace/parameter_file.h"
#include "workspace/preview_pane.h"

#include "ui/settings.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "event_loop.h"
#include "main_window_fixture.h"

#include <cmath>
#include <functional>
#include <map>

namespace {

using testloop::ProcessUntil;

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

double MeanLuma(const QImage& image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x)
            sum += qGray(rgb.pixel(x, y));
    return rgb.isNull() ? 0.0 : sum / (double(rgb.width()) * rgb.height());
}

class Options : public testwindow::MainWindowTest {
protected:
    void prepare() override
    {
        window->dialogs().openFile = [this](const QString&, const QString&) { return openName; };
        window->dialogs().saveDataFile = [this](const QString& title, const QString& filter, const QString& suffix) {
            saveDialogs << title + QStringLiteral("|") + filter + QStringLiteral("|") + suffix;
            return saveName;
        };
    }
    void started() override { ASSERT_TRUE(dir.isValid()); }

    void openDocument(const gfx::Image& photo)
    {
        ASSERT_TRUE(doc().replaceDocument(photo, photo));
        doc().history->save(doc().resultImage, doc().sourceImage);
    }

    bool idle() { return window->document().runningEffect.load() == -1 && pq::EffectWorkerCount() == 0; }
    int generation() { return doc().shared->previewGeneration.load(); }

    QTemporaryDir dir;
    QStringList saveDialogs;
    QString openName;
    QString saveName;
};

} // namespace

TEST_F(Options, SavingAndLoadingTheParametersThroughTheIcons)
{
    window->selectListedEffect(3, 2); // Oil pastel
    const pq::ParameterTable saved = doc().params;
    saveName = dir.filePath(QStringLiteral("mine.pqk"));
    window->effectPanel().chooseParametersToSave();
    EXPECT_EQ(saveDialogs, QStringList{QStringLiteral(
                               "Save Parameters|Pastelloquin Parameters (*.pqk);;All Files (*.*)|pqk")});
    EXPECT_EQ(messages, QStringList{QStringLiteral("Parameters saved successfully!")});
    EXPECT_EQ(ReadAll(saveName), pq::ParameterFileBytes(saved));

    // Saving over it asks first; No writes nothing.
    messages.clear();
    pq::ParamsEntry(doc().params, 302)->value1 = 12;
    answerYes = false;
    window->effectPanel().chooseParametersToSave();
    EXPECT_EQ(questions.size(), 1);
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(ReadAll(saveName), pq::ParameterFileBytes(saved));

    // Loading brings the table and the sliders back.
    pq::ParamsEntry(doc().params, 100)->value2 = 3;
    window->effectPanel().sliders()[0]->setValue(12);
    openName = saveName;
    window->effectPanel().chooseParametersToLoad();
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(pq::ParamsEntry(doc().params, 302)->value1, 10);
    EXPECT_EQ(pq::ParamsEntry(doc().params, 100)->value2, saved[1][0].value2);
    EXPECT_EQ(window->effectPanel().sliders()[0]->value(), 10);
}

TEST_F(Options, AFileThatIsNotAParameterFileChangesNothing)
{
    window->selectListedEffect(3, 2);
    window->effectPanel().sliders()[2]->setValue(44);
    const pq::ParameterTable before = doc().params;
    platform::Random rng(7);
    QByteArray noise(3000, '\0');
    for (char& b : noise)
        b = char(rng.next() >> 24);
    openName = dir.filePath(QStringLiteral("noise.pqk"));
    WriteAll(openName, noise);
    window->effectPanel().chooseParametersToLoad();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("Error loading parameters: "))) << messages[0].toStdString();
    EXPECT_EQ(pq::ParameterFileBytes(doc().params), pq::ParameterFileBytes(before));
    EXPECT_EQ(window->effectPanel().sliders()[2]->value(), 44);

    // An empty file too.
    messages.clear();
    WriteAll(openName, QByteArray());
    window->effectPanel().chooseParametersToLoad();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("Error loading parameters: ")));
    EXPECT_EQ(pq::ParameterFileBytes(doc().params), pq::ParameterFileBytes(before));
}

TEST_F(Options, HandWrittenValuesAndCaptionsReachTheSliders)
{
    window->selectListedEffect(3, 2);
    openName = dir.filePath(QStringLiteral("hand.pqk"));
    WriteAll(openName, "[Effect_3_2]\r\nValue1=250\r\nValue2=-4\r\nName3=\r\nName4=<img src=\"x.png\"><b>bold</b>\r\n");
    window->effectPanel().chooseParametersToLoad();
    EXPECT_TRUE(messages.isEmpty());
    // Stored as read; the sliders show their nearest end.
    EXPECT_EQ(pq::ParamsEntry(doc().params, 302)->value1, 250);
    EXPECT_EQ(window->effectPanel().sliders()[0]->value(), 100);
    EXPECT_EQ(window->effectPanel().sliders()[1]->value(), 0);
    EXPECT_EQ(window->effectPanel().sliderCaptions()[2]->text(), QStringLiteral("iterations")) << "captions change on the next selection";

    window->selectListedEffect(3, 2);
    EXPECT_FALSE(window->effectPanel().sliders()[2]->isEnabled()) << "an empty caption disables its slider";
    EXPECT_EQ(window->effectPanel().sliderCaptions()[3]->textFormat(), Qt::PlainText) << "a caption from a file is never rich text";
}

TEST_F(Options, TheOptionBoxesFollowTheSelectedEffect)
{
    window->selectListedEffect(4, 0); // Orton filter
    EXPECT_FALSE(window->effectPanel().eraseBackgroundSwitch()->isEnabled());
    EXPECT_FALSE(window->effectPanel().eraseBackgroundLabel()->isEnabled());
    EXPECT_TRUE(window->effectPanel().lutBox()->isHidden());
    EXPECT_TRUE(window->effectPanel().customBrushesBox()->isHidden());
    EXPECT_TRUE(window->effectPanel().contourRow()->isHidden());

    window->selectListedEffect(5, 1); // Cartoon
    EXPECT_TRUE(window->effectPanel().eraseBackgroundSwitch()->isEnabled());
    EXPECT_TRUE(window->effectPanel().eraseBackgroundLabel()->isEnabled());
    window->selectListedEffect(2, 2); // Felt-tip pen
    EXPECT_TRUE(window->effectPanel().eraseBackgroundSwitch()->isEnabled());
    window->selectListedEffect(3, 6); // Smooth painting ignores it
    EXPECT_FALSE(window->effectPanel().eraseBackgroundSwitch()->isEnabled());

    window->selectListedEffect(4, 4); // LUTs
    EXPECT_FALSE(window->effectPanel().lutBox()->isHidden());
    window->selectListedEffect(5, 2); // Circles
    EXPECT_TRUE(window->effectPanel().lutBox()->isHidden());
    EXPECT_FALSE(window->effectPanel().contourRow()->isHidden());

    // The brush box: one button, two once the effect paints with its own
    // sheet.
    window->selectListedEffect(3, 4); // Impasto brushstrokes
    EXPECT_FALSE(window->effectPanel().customBrushesBox()->isHidden());
    EXPECT_TRUE(window->effectPanel().resetBrushesButton()->isHidden());
    EXPECT_EQ(window->effectPanel().customBrushesBox()->height(), 64);
    doc().impastoSheet.on = true;
    window->selectListedEffect(3, 3);
    EXPECT_TRUE(window->effectPanel().resetBrushesButton()->isHidden()) << "303 has no sheet of its own";
    window->selectListedEffect(3, 4);
    EXPECT_FALSE(window->effectPanel().resetBrushesButton()->isHidden());
    EXPECT_EQ(window->effectPanel().customBrushesBox()->height(), 120);
    window->effectPanel().resetCustomBrushes();
    EXPECT_FALSE(doc().impastoSheet.on);
    EXPECT_TRUE(window->effectPanel().resetBrushesButton()->isHidden());

    // No brush file readable: a message, nothing switched on.
    window->dialogs().openFiles = [this](const QString&, const QString&) {
        return QStringList{dir.filePath(QStringLiteral("missing.png"))};
    };
    window->effectPanel().loadCustomBrushes();
    EXPECT_EQ(messages, QStringList{QStringLiteral("Error loading custom brushes")});
    EXPECT_FALSE(doc().impastoSheet.on);
}

TEST_F(Options, CustomBrushSheetsBelongToTheSelectedEffect)
{
    const QString brush = dir.filePath(QStringLiteral("brush.png"));
    ASSERT_TRUE(gfx::EncodeToFile(testimg::MakeSolid(32, 64, 0xFF000000u), brush, gfx::ImageFormat::Png, 80));
    window->dialogs().openFiles = [&](const QString&, const QString&) { return QStringList{brush}; };
    // What the engine's brush-sheet step is told before each effect.
    auto userSheet = [](pq::BrushSheetChoice choice) { return pq::InstalledEngineHost()->customBrushSheet(choice); };

    window->selectListedEffect(3, 2); // Oil pastel
    window->effectPanel().loadCustomBrushes();
    EXPECT_TRUE(messages.isEmpty());
    ASSERT_TRUE(doc().pastelSheet.on);
    EXPECT_EQ(doc().pastelSheet.count, 1);
    EXPECT_EQ(doc().pastelSheet.sheet.size(), QSize(2048, 256));
    EXPECT_FALSE(doc().watercolorSheet.on);
    EXPECT_FALSE(doc().impastoSheet.on);
    EXPECT_FALSE(window->effectPanel().resetBrushesButton()->isHidden());
    EXPECT_TRUE(userSheet(pq::BrushSheetChoice::Pastel).on);
    EXPECT_TRUE(userSheet(pq::BrushSheetChoice::Pastel).sheet.sameAs(doc().pastelSheet.sheet));

    // The other effects keep their built-in sheets.
    window->selectListedEffect(3, 3); // Watercolor splashes
    EXPECT_TRUE(window->effectPanel().resetBrushesButton()->isHidden());
    EXPECT_FALSE(userSheet(pq::BrushSheetChoice::Watercolor).on);
    EXPECT_FALSE(userSheet(pq::BrushSheetChoice::Impasto).on);

    // Reset brings the built-in sheet back; the loaded one stays stored.
    window->selectListedEffect(3, 2);
    window->effectPanel().resetCustomBrushes();
    EXPECT_FALSE(doc().pastelSheet.on);
    EXPECT_FALSE(doc().pastelSheet.sheet.isNull());
    EXPECT_FALSE(userSheet(pq::BrushSheetChoice::Pastel).on);
    EXPECT_EQ(window->effectPanel().customBrushesBox()->height(), 64);
}

TEST_F(Options, ASheetNoBrushOfWhichCanPaintIsRefusedWithTheReason)
{
    // Eight brushes side by side in one picture: one brush, whose middle
    // column falls between two of them.
    const QString strip = dir.filePath(QStringLiteral("strip.png"));
    ASSERT_TRUE(gfx::EncodeToFile(testimg::MakeImage(2048, 256, [](int x, int y) {
                                      return std::abs(x % 256 - 128) < 90 && std::abs(y - 128) < 60 ? 0xFF202020u
                                                                                                      : 0u;
                                  }),
                                  strip, gfx::ImageFormat::Png, 80));
    const QString clear = dir.filePath(QStringLiteral("clear.png"));
    ASSERT_TRUE(gfx::EncodeToFile(testimg::MakeSolid(64, 64, 0u), clear, gfx::ImageFormat::Png, 80));
    QString chosen;
    window->dialogs().openFiles = [&](const QString&, const QString&) { return QStringList{chosen}; };

    struct Case {
        int list, effect;
        const QString* file;
        pq::CustomBrushSheet pq::Document::*sheet;
        bool usable;
    };
    const Case cases[] = {
        {3, 2, &strip, &pq::Document::pastelSheet, false},     // Oil pastel
        {3, 3, &strip, &pq::Document::watercolorSheet, false}, // Watercolor splashes
        {3, 4, &strip, &pq::Document::impastoSheet, true},     // Impasto takes any paint
        {3, 2, &clear, &pq::Document::pastelSheet, false},
        {3, 4, &clear, &pq::Document::impastoSheet, false},
    };
    for (const Case& c : cases) {
        doc().*c.sheet = {};
        messages.clear();
        chosen = *c.file;
        window->selectListedEffect(c.list, c.effect);
        window->effectPanel().loadCustomBrushes();
        EXPECT_EQ((doc().*c.sheet).on, c.usable) << c.effect << " " << chosen.toStdString();
        if (c.usable) {
            EXPECT_TRUE(messages.isEmpty());
            continue;
        }
        ASSERT_EQ(messages.size(), 1);
        EXPECT_TRUE(messages[0].startsWith(QStringLiteral("Error loading custom brushes: no usable brush")))
            << messages[0].toStdString();
        EXPECT_TRUE(window->effectPanel().resetBrushesButton()->isHidden());
    }
    // The reason speaks the interface language.
    window->languages().switchLanguage(QStringLiteral("fr"));
    messages.clear();
    chosen = clear;
    window->selectListedEffect(3, 4);
    window->effectPanel().loadCustomBrushes();
    window->languages().switchLanguage(QStringLiteral("en"));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0], QStringLiteral("Erreur de chargement des pinceaux personnalisés: aucun pinceau utilisable\u00A0: "
                                          "chaque image de pinceau est entièrement transparente."));
    // The same strip cut into pictures of one brush each paints.
    const QString single = dir.filePath(QStringLiteral("single.png"));
    ASSERT_TRUE(gfx::EncodeToFile(testimg::MakeImage(256, 256, [](int x, int y) {
                                      return std::abs(x - 128) < 90 && std::abs(y - 128) < 60 ? 0xFF202020u : 0u;
                                  }),
                                  single, gfx::ImageFormat::Png, 80));
    messages.clear();
    chosen = single;
    window->selectListedEffect(3, 2);
    window->effectPanel().loadCustomBrushes();
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_TRUE(doc().pastelSheet.on);
}

TEST_F(Options, TheSwitchesTurnTheirOptionsOver)
{
    openDocument(testimg::MakeImage(64, 48, [](int x, int y) { return testimg::Premul(x * 4, y * 5, 90); }));
    EXPECT_TRUE(doc().addTexture.load()) << "on at start";
    EXPECT_TRUE(window->effectPanel().addTextureSwitch()->isChecked());
    window->previewPanel().timer().stop();
    window->effectPanel().addTextureSwitch()->click();
    EXPECT_FALSE(doc().addTexture.load());
    EXPECT_FALSE(window->effectPanel().addTextureSwitch()->isChecked());
    EXPECT_TRUE(window->previewPanel().timer().isActive()) << "the preview shows the texture too";

    // A script turned the option off without the switch: a click turns the
    // option over, and the look follows it. No preview is asked for.
    window->selectListedEffect(2, 2);
    ASSERT_TRUE(ProcessUntil([&] { return idle(); }));
    window->previewPanel().timer().stop();
    doc().eraseBackground = false;
    EXPECT_TRUE(window->effectPanel().eraseBackgroundSwitch()->isChecked());
    const int before = generation();
    window->effectPanel().eraseBackgroundSwitch()->click();
    EXPECT_TRUE(doc().eraseBackground.load());
    EXPECT_TRUE(window->effectPanel().eraseBackgroundSwitch()->isChecked());
    window->effectPanel().eraseBackgroundSwitch()->click();
    EXPECT_FALSE(doc().eraseBackground.load());
    EXPECT_FALSE(window->effectPanel().eraseBackgroundSwitch()->isChecked());
    EXPECT_EQ(generation(), before);
    EXPECT_FALSE(window->previewPanel().timer().isActive());
}

TEST_F(Options, TheContourSwitchAndItsColourWindow)
{
    openDocument(testimg::MakeImage(64, 48, [](int x, int y) { return testimg::Premul(x * 4, y * 5, 90); }));
    window->selectListedEffect(5, 0); // Mosaic
    int before = generation();
    window->effectPanel().contourSwitch()->click();
    EXPECT_TRUE(doc().drawContours.load());
    ASSERT_NE(window->effectPanel().contourColorWindow(), nullptr);
    pq::ContourColorWindow* box = window->effectPanel().contourColorWindow();
    EXPECT_TRUE(box->isVisible());
    EXPECT_TRUE(box->shadowEnabled());
    EXPECT_GT(generation(), before) << "a new preview is requested";

    // Beside the right panel at the switch's height, 8 pixels from the
    // window's edges at least.
    const QWidget* host = box->parentWidget();
    const int panelX = window->findChild<QWidget*>(QStringLiteral("rightPanel"))->mapTo(host, QPoint(0, 0)).x();
    EXPECT_EQ(box->x(), std::max(8, panelX - 12 - box->width()));
    EXPECT_GE(box->y(), 8);
    EXPECT_LE(box->y() + box->height(), host->height() - 8);

    // The cross hides the window; the contours stay on.
    emit box->closeClicked();
    EXPECT_FALSE(box->isVisible());
    EXPECT_TRUE(doc().drawContours.load());
    EXPECT_TRUE(window->effectPanel().contourSwitch()->isChecked());

    // Off and on again; a colour set without a report is caught by the
    // 120 ms poll, and requests a preview.
    window->effectPanel().contourSwitch()->click();
    EXPECT_FALSE(doc().drawContours.load());
    window->effectPanel().contourSwitch()->click();
    EXPECT_TRUE(box->isVisible());
    before = generation();
    box->colorPanel->setColor(QColor(200, 40, 40, 128));
    ASSERT_TRUE(ProcessUntil([&] { return doc().contourColor.load() != 0xFF000000u; }, 2000));
    EXPECT_EQ(doc().contourColor.load(), window->effectPanel().contourPanelColor());
    EXPECT_EQ(qAlpha(doc().contourColor.load()), 128);
    EXPECT_GT(generation(), before);
    // The same colour again asks for nothing.
    before = generation();
    window->effectPanel().contourColorChanged();
    EXPECT_EQ(generation(), before);

    // Another effect, or Apply, hides the window.
    window->selectListedEffect(5, 2);
    EXPECT_FALSE(box->isVisible());
    window->effectPanel().contourSwitch()->click();
    window->effectPanel().contourSwitch()->click();
    ASSERT_TRUE(box->isVisible());
    window->effectPanel().applyEffect();
    EXPECT_FALSE(box->isVisible());
}

TEST_F(Options, WithEraseBackgroundOffTheFeltTipPaintsOverThePreviousResult)
{
    // The same strokes on every run, so that the counts below do not hang
    // on the clock that seeds the window's runs.
    struct FixedSeed {
        FixedSeed() { pq::SetFixedRunSeed(11); }
        ~FixedSeed() { pq::SetFixedRunSeed(-1); }
    } fixedSeed;
    window->effectPanel().addTextureSwitch()->setChecked(false);
    // Left half white (no strokes there), right half a darker ramp.
    const gfx::Image source = testimg::MakeImage(120, 80, [](int x, int y) {
        return x < 60 ? testimg::Premul(255, 255, 255) : testimg::Premul(60 + y, 90, 40 + x / 2);
    });
    openDocument(source);
    // The previous result, as if taken from the gallery.
    const gfx::Image previous =
        testimg::MakeImage(120, 80, [](int x, int y) { return testimg::Premul(200, 40 + y, 30 + x / 2); });
    doc().resultImage = previous;
    window->selectListedEffect(2, 2); // Felt-tip pen
    ASSERT_TRUE(ProcessUntil([&] { return idle(); }));

    window->effectPanel().eraseBackgroundSwitch()->click(); // off
    ASSERT_FALSE(doc().eraseBackground.load());
    window->effectPanel().applyEffect();
    ASSERT_TRUE(ProcessUntil([&] { return idle() && !doc().resultImage.sameAs(previous); }));
    const gfx::Image over = doc().resultImage;
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
    doc().resultImage = previous;
    window->effectPanel().eraseBackgroundSwitch()->click();
    window->effectPanel().applyEffect();
    ASSERT_TRUE(ProcessUntil([&] { return idle() && !doc().resultImage.sameAs(previous); }));
    EXPECT_EQ(doc().resultImage.pixel(20, 40) & 0xFFFFFFu, 0xFFFFFFu);
}

TEST_F(Options, TheLUTSelectorOpensOverTheBackdropAndStoresItsAnswer)
{
    pq::OverlayHost* overlay = window->panels().overlay();
    const auto openSelector = [&] {
        window->panels().chooseLUT();
        return qobject_cast<pq::LUTSelector*>(overlay->panel());
    };
    const auto closed = [&] { return ProcessUntil([&] { return !overlay->isVisible(); }, 5000); };

    // Not without an image.
    EXPECT_EQ(openSelector(), nullptr);
    EXPECT_FALSE(overlay->isVisible());

    openDocument(testimg::MakeImage(32, 32, [](int x, int y) { return testimg::Premul(x * 8, y * 8, 128); }));
    window->selectListedEffect(4, 4); // LUTs: the first built-in table
    const QStringList names = pq::EmbeddedLUTNames();
    ASSERT_EQ(names.size(), 18);
    EXPECT_EQ(doc().lut.name, names[0]);

    // A built-in look chosen in the list: the panel sits centred over the
    // backdrop the resize panel gets, with the current table's preview
    // before any choice.
    window->commands().run(QStringLiteral("resize"));
    ASSERT_TRUE(window->panels().backdropPanelOpen());
    const double resizeBackdrop = MeanLuma(overlay->backdrop());
    window->panels().closeOverlay();
    pq::LUTSelector* selector = openSelector();
    ASSERT_NE(selector, nullptr);
    EXPECT_TRUE(window->panels().backdropPanelOpen());
    EXPECT_NEAR(MeanLuma(overlay->backdrop()), resizeBackdrop, 0.5);
    EXPECT_EQ(selector->geometry().center(), overlay->rect().center());
    EXPECT_TRUE(selector->previewCaption->isVisible());
    EXPECT_TRUE(selector->closeButton->isVisible());
    EXPECT_TRUE(selector->selectButton->hasFocus());
    EXPECT_EQ(selector->lutList->count(), 18 + pq::ImportedLUTNames().size());
    EXPECT_EQ(selector->lutList->currentItem()->text(), names[0]);
    ASSERT_TRUE(ProcessUntil([&] { return !selector->previewPending(); }));
    EXPECT_FALSE(selector->preview->preview().isNull());
    selector->lutList->setCurrentRow(8);
    EXPECT_EQ(selector->currentLUTLabel->text(), QStringLiteral("Golden hour"));
    window->previewPanel().timer().stop();
    selector->selectButton->click();
    ASSERT_TRUE(closed());
    EXPECT_EQ(doc().lut.name, QStringLiteral("Golden hour"));
    EXPECT_EQ(doc().lut.data, pq::ReadEmbeddedLUT(QStringLiteral("Golden hour")));
    EXPECT_TRUE(doc().lut.filePath.isEmpty());
    EXPECT_TRUE(window->previewPanel().timer().isActive());

    // A .cube file from disk: the path is kept, the bytes are not.
    const QString cube = dir.filePath(QStringLiteral("Warm.cube"));
    WriteAll(cube, pq::ReadEmbeddedLUT(QStringLiteral("Blues")));
    selector = openSelector();
    ASSERT_NE(selector, nullptr);
    selector->getOpenFileNames = [&](const QString&, const QString&) { return QStringList{cube}; };
    selector->loadFromDisk();
    EXPECT_EQ(selector->lutList->currentItem()->text(), QStringLiteral("Warm"));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(selector->lutList, &enter);
    ASSERT_TRUE(closed());
    EXPECT_EQ(doc().lut.name, QStringLiteral("Warm"));
    EXPECT_EQ(doc().lut.filePath, QFileInfo(cube).absoluteFilePath());
    EXPECT_TRUE(doc().lut.data.isEmpty());

    // Selecting "LUTs" again keeps the file; the panel shows it although
    // no item has its name, and Esc and the close button change nothing.
    window->selectListedEffect(4, 4);
    EXPECT_EQ(doc().lut.filePath, QFileInfo(cube).absoluteFilePath());
    selector = openSelector();
    ASSERT_NE(selector, nullptr);
    EXPECT_EQ(selector->currentLUTLabel->text(), QStringLiteral("Warm"));
    EXPECT_FALSE(selector->selectedLUTData.isEmpty()) << "read from the file";
    selector->lutList->setCurrentRow(3);
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(selector, &escape);
    ASSERT_TRUE(closed());
    EXPECT_EQ(doc().lut.name, QStringLiteral("Warm"));
    selector = openSelector();
    ASSERT_NE(selector, nullptr);
    selector->lutList->setCurrentRow(3);
    selector->closeButton->click();
    ASSERT_TRUE(closed());
    EXPECT_EQ(doc().lut.name, QStringLiteral("Warm"));

    // By name, as scripts do: any case, the archive's spelling.
    EXPECT_TRUE(window->document().lut.loadEmbeddedLUT(QStringLiteral("golden HOUR")));
    EXPECT_EQ(doc().lut.name, QStringLiteral("Golden hour"));
    EXPECT_TRUE(doc().lut.filePath.isEmpty());
    EXPECT_FALSE(window->document().lut.loadEmbeddedLUT(QStringLiteral("No such look")));
    EXPECT_EQ(doc().lut.name, QStringLiteral("Golden hour"));

    // Not while an effect is applied.
    doc().runningEffect = 404;
    EXPECT_EQ(openSelector(), nullptr);
    doc().runningEffect = -1;
}

TEST_F(Options, APreviewPaneShowsOnlyTheCurrentPreviewsProgress)
{
    openDocument(testimg::MakeImage(64, 48, [](int x, int y) { return testimg::Premul(x * 4, y * 5, 90); }));
    doc().shared->storePreviewProgress(generation(), 40);
    window->engineHost().setPreviewPercent(40);
    ASSERT_FALSE(window->previewPanel().pane()->percentLabel->isHidden());
    window->previewPanel().supersede();
    EXPECT_TRUE(window->previewPanel().pane()->percentLabel->isHidden());
    EXPECT_EQ(doc().shared->currentPreviewProgress(), 0);
}

namespace {

double Luminance(QRgb c)
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
double TextContrast(QWidget* widget)
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
    const double lb = Luminance(background);
    double best = 1.0;
    for (const auto& [c, n] : counts) {
        const double lc = Luminance(c);
        best = std::max(best, (std::max(lb, lc) + 0.05) / (std::min(lb, lc) + 0.05));
    }
    return best;
}

} // namespace

TEST_F(Options, DialogsAreReadableInBothThemes)
{
    const QString previous = pq::SettingsFolder();
    pq::SetSettingsFolder(dir.path());
    openDocument(testimg::MakeSolid(40, 30, testimg::Premul(90, 120, 150)));
    for (const pq::ThemeMode mode : {pq::ThemeMode::Dark, pq::ThemeMode::Light}) {
        window->applyTheme(mode);
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
        const char* theme = mode == pq::ThemeMode::Dark ? "dark" : "light";
        EXPECT_GT(TextContrast(name), 4.5) << theme;
        EXPECT_GT(TextContrast(type), 4.5) << theme;
        EXPECT_GT(TextContrast(lookIn), 4.5) << theme;

        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Pastelloquin"),
                        QStringLiteral("Parameters saved successfully!"), QMessageBox::Ok, window.get());
        box.show();
        QApplication::processEvents();
        auto* text = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        ASSERT_NE(text, nullptr);
        EXPECT_GT(TextContrast(text), 4.5) << theme;

        // The LUT selector over the backdrop, walked for the theme.
        window->panels().chooseLUT();
        auto* selector = qobject_cast<pq::LUTSelector*>(window->panels().overlay()->panel());
        ASSERT_NE(selector, nullptr) << theme;
        QApplication::processEvents();
        selector->lutList->setCurrentRow(-1);
        EXPECT_GT(TextContrast(selector->lutList->viewport()), 4.5) << theme;
        EXPECT_GT(TextContrast(selector->currentLUTLabel), 3.0) << theme;
        window->panels().closeOverlay();
    }
    window->applyTheme(pq::ThemeMode::Dark);
    pq::SetSettingsFolder(previous);
}
