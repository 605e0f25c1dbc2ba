#include "workspace/document.h"
#include "catalogue/effect_catalogue.h"

#include <QImage>
#include <gtest/gtest.h>

#include <vector>

namespace {

using pq::Document;

gfx::Image SolidImage(int w, int h, QRgb color)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(color);
    return gfx::Image::fromQImage(image);
}

// Moves every field a reset touches away from its start value.
void DirtyEverything(Document& doc)
{
    const gfx::Image photo = SolidImage(8, 6, 0xFF336699);
    doc.replaceDocument(photo, SolidImage(8, 6, 0xFF996633));
    doc.unsavedChanges = true;
    doc.sourceFileName = QStringLiteral("/photos/cat.jpg");
    doc.gallery.add(photo, true, QStringLiteral("cat.jpg"));
    doc.history->save(doc.resultImage, doc.sourceImage);
    doc.initializeEffectChoice();
    doc.params[3][0].value1 = 77;
    doc.params[3][0].name1 = QStringLiteral("changed");
    doc.selectedEffect = 501;
    doc.frame.number = 4;
    doc.frame.name = QStringLiteral("gilt");
    doc.frame.size = 55.0f;
    doc.frame.color = 0xFF123456;
    doc.texture.number = 3;
    doc.texture.strength = 80.0f;
    doc.texture.scale = 2.5f;
    doc.texture.image = photo;
    doc.texture.name = QStringLiteral("Paper");
    doc.lut.data = QByteArray("LUT_3D_SIZE 2");
    doc.lut.name = QStringLiteral("Teal");
    doc.lut.filePath = QStringLiteral("/luts/teal.cube");
    for (pq::CustomBrushSheet* sheet : {&doc.pastelSheet, &doc.watercolorSheet, &doc.impastoSheet})
        *sheet = {true, photo, 12};
    doc.shared->brushCount = 12;
    doc.zoom = 3.0f;
    doc.pan = QPointF(-40, 12);
    doc.eraseBackground = false;
    doc.drawContours = true;
    doc.contourColor = 0x80FF0000;
    doc.shared->previewX = 321;
    doc.shared->previewY = 123;
    doc.previewZoom = 2.0f;
}

TEST(DocumentState, StartsIdleWithTheDesignedDefaults)
{
    Document doc;
    EXPECT_TRUE(doc.resultImage.isNull());
    EXPECT_TRUE(doc.sourceImage.isNull());
    EXPECT_FALSE(doc.unsavedChanges);
    EXPECT_EQ(doc.runningEffect.load(), -1);
    EXPECT_FALSE(doc.isEffectRunning());
    EXPECT_FALSE(doc.isBackgroundWorkRunning());
    EXPECT_EQ(doc.shared->cancel.epoch(), 0u);
    EXPECT_EQ(doc.selectedEffect, 300);
    EXPECT_TRUE(doc.eraseBackground.load());
    EXPECT_FALSE(doc.drawContours.load());
    EXPECT_EQ(doc.contourColor.load(), 0xFF000000u);
    EXPECT_TRUE(doc.addTexture.load());
    EXPECT_EQ(doc.frame.number, 0);
    EXPECT_FLOAT_EQ(doc.frame.size, 20.0f);
    EXPECT_EQ(doc.frame.color, 0xFFFFFFFFu);
    EXPECT_EQ(doc.texture.number, 1);
    EXPECT_FLOAT_EQ(doc.texture.strength, 50.0f);
    EXPECT_FLOAT_EQ(doc.texture.scale, 1.0f);
    EXPECT_FLOAT_EQ(doc.manualBrush.size, 100.0f);
    EXPECT_FLOAT_EQ(doc.manualBrush.softness, 50.0f);
    EXPECT_FLOAT_EQ(doc.manualBrush.opacity, 100.0f);
    EXPECT_FLOAT_EQ(doc.zoom, 1.0f);
    EXPECT_FLOAT_EQ(doc.previewZoom.load(), 1.0f);
    EXPECT_TRUE(doc.textShadow);
    EXPECT_FALSE(doc.printLandscape);
    // The parameter table is filled by the initialisation tick, not before.
    EXPECT_TRUE(doc.params[3][0].name1.isEmpty());
}

TEST(DocumentState, FullResetRestoresTheStartChoices)
{
    Document doc;
    DirtyEverything(doc);
    doc.unsavedChanges = false; // nothing to lose: German resets without a question
    const uint64_t before = doc.documentGeneration();
    int questions = 0;
    Document::FullResetSteps steps;
    steps.language = QStringLiteral("de");
    steps.confirm = [&] { ++questions; return true; };

    EXPECT_EQ(doc.fullReset(steps), Document::ResetResult::Done);
    EXPECT_EQ(questions, 0);

    EXPECT_TRUE(doc.resultImage.isNull());
    EXPECT_TRUE(doc.sourceImage.isNull());
    EXPECT_FALSE(doc.unsavedChanges);
    EXPECT_TRUE(doc.sourceFileName.isEmpty());
    EXPECT_EQ(doc.gallery.count(), 0);
    EXPECT_NE(doc.documentGeneration(), before);

    EXPECT_EQ(doc.selectedEffect, 300);
    const pq::EffectParameters& watercolor = doc.params[3][0];
    EXPECT_EQ(watercolor.value1, 30);
    EXPECT_EQ(watercolor.value2, 40);
    EXPECT_EQ(watercolor.value3, 40);
    EXPECT_EQ(watercolor.value4, 100);
    EXPECT_EQ(watercolor.value5, 20);
    EXPECT_EQ(watercolor.name1, QStringLiteral("iterations"));

    EXPECT_EQ(doc.frame.number, 0);
    EXPECT_TRUE(doc.frame.name.isEmpty());
    EXPECT_FLOAT_EQ(doc.frame.size, 20.0f);
    EXPECT_EQ(doc.frame.color, 0xFFFFFFFFu);
    EXPECT_EQ(doc.texture.number, 1);
    EXPECT_FLOAT_EQ(doc.texture.strength, 50.0f);
    EXPECT_FLOAT_EQ(doc.texture.scale, 1.0f);
    EXPECT_TRUE(doc.texture.image.isNull()); // "Add texture" has nothing to lay
    EXPECT_TRUE(doc.lut.data.isEmpty());
    EXPECT_TRUE(doc.lut.name.isEmpty());
    EXPECT_TRUE(doc.lut.filePath.isEmpty());
    for (const pq::CustomBrushSheet* sheet : {&doc.pastelSheet, &doc.watercolorSheet, &doc.impastoSheet}) {
        EXPECT_FALSE(sheet->on);
        EXPECT_TRUE(sheet->sheet.isNull());
        EXPECT_EQ(sheet->count, 0);
    }
    EXPECT_EQ(doc.shared->brushCount.load(), 40);
    EXPECT_FLOAT_EQ(doc.zoom, 1.0f);
    EXPECT_EQ(doc.pan, QPointF(0, 0));
    EXPECT_EQ(doc.history->count(), 0);

    // Left as they were: the switches, the contour colour, the texture's
    // name, the preview window.
    EXPECT_FALSE(doc.eraseBackground.load());
    EXPECT_TRUE(doc.drawContours.load());
    EXPECT_EQ(doc.contourColor.load(), 0x80FF0000u);
    EXPECT_EQ(doc.texture.name, QStringLiteral("Paper"));
    EXPECT_EQ(doc.shared->previewX.load(), 321);
    EXPECT_EQ(doc.shared->previewY.load(), 123);
    EXPECT_FLOAT_EQ(doc.previewZoom.load(), 2.0f);
}

TEST(DocumentState, FullResetRunsItsStepsInOrderWithCancelRaised)
{
    Document doc;
    DirtyEverything(doc);
    std::vector<std::string> order;
    const uint64_t epoch = doc.shared->cancel.epoch();
    Document::FullResetSteps steps;
    steps.confirm = [&] { order.push_back("ask"); return true; };
    steps.closeTools = [&] {
        order.push_back(doc.shared->cancel.epoch() > epoch ? "close tools, cancel set" : "close tools");
        EXPECT_FALSE(doc.resultImage.isNull()); // tools close before the document goes
    };
    steps.resetControls = [&] {
        order.push_back("controls");
        EXPECT_TRUE(doc.resultImage.isNull());
    };
    EXPECT_EQ(doc.fullReset(steps), Document::ResetResult::Done);
    EXPECT_EQ(order, (std::vector<std::string>{"ask", "close tools, cancel set", "controls"}));
}

TEST(DocumentState, FullResetIsRefusedWhileAnyWorkRuns)
{
    const auto busyCases = std::vector<std::function<void(Document&)>>{
        [](Document& d) { d.runningEffect = 300; },
        [](Document& d) { d.scriptRunning = true; },
        [](Document& d) { d.beginBackgroundWorker(); },
    };
    for (const auto& makeBusy : busyCases) {
        Document doc;
        DirtyEverything(doc);
        makeBusy(doc);
        int questions = 0;
        Document::FullResetSteps steps;
        steps.confirm = [&] { ++questions; return true; };
        EXPECT_EQ(doc.fullReset(steps), Document::ResetResult::Busy);
        EXPECT_EQ(questions, 0) << "not even the question";
        EXPECT_FALSE(doc.resultImage.isNull());
        EXPECT_EQ(doc.frame.number, 4);
        EXPECT_EQ(doc.shared->cancel.epoch(), 0u);
    }
}

TEST(DocumentState, FullResetAsksInEnglishAndWheneverWorkWouldBeLost)
{
    Document doc;
    EXPECT_TRUE(doc.fullResetAsks(QStringLiteral("en")));
    EXPECT_FALSE(doc.fullResetAsks(QStringLiteral("de")));
    DirtyEverything(doc); // unsaved result
    EXPECT_TRUE(doc.fullResetAsks(QStringLiteral("de")));
    // Unsaved flag without a result: nothing to lose.
    doc.resultImage = {};
    EXPECT_FALSE(doc.fullResetAsks(QStringLiteral("de")));

    Document declined;
    DirtyEverything(declined);
    Document::FullResetSteps steps;
    steps.language = QStringLiteral("de");
    bool closed = false;
    steps.confirm = [] { return false; };
    steps.closeTools = [&] { closed = true; };
    EXPECT_EQ(declined.fullReset(steps), Document::ResetResult::Declined);
    EXPECT_FALSE(closed);
    EXPECT_FALSE(declined.resultImage.isNull());
    EXPECT_EQ(declined.sourceFileName, QStringLiteral("/photos/cat.jpg"));
    EXPECT_EQ(declined.shared->cancel.epoch(), 0u);
}

TEST(DocumentState, EveryHistorySaveMarksTheResultUnsaved)
{
    Document doc;
    int events = 0;
    bool sourceChanged = false;
    doc.onImageSaved = [&](const gfx::Image&, const gfx::Image&, bool changed) {
        ++events;
        sourceChanged = changed;
    };
    const gfx::Image photo = SolidImage(6, 6, 0xFF204060);
    doc.replaceDocument(photo, photo);
    doc.history->save(doc.resultImage, doc.sourceImage);
    EXPECT_TRUE(doc.unsavedChanges);
    EXPECT_EQ(events, 1);
    EXPECT_TRUE(sourceChanged);
    // Opening clears the flag after its first save; the next save sets it.
    doc.unsavedChanges = false;
    doc.resultImage = SolidImage(6, 6, 0xFF000000);
    doc.history->save(doc.resultImage, doc.sourceImage);
    EXPECT_TRUE(doc.unsavedChanges);
    EXPECT_EQ(events, 2);
    EXPECT_FALSE(sourceChanged);
}

TEST(DocumentState, SharesTheEngineFieldsItIsGiven)
{
    auto fields = std::make_shared<pq::EngineFields>();
    Document doc(fields);
    EXPECT_EQ(doc.shared.get(), fields.get());
    doc.initializeEffectChoice();
    EXPECT_EQ(fields->brushCount.load(), 40);
}

TEST(DocumentBusy, DeferredCloseHappensWhenTheLastWorkerEnds)
{
    Document doc;
    int closes = 0;
    doc.onDeferredClose = [&] { ++closes; };
    doc.beginBackgroundWorker();
    doc.beginBackgroundWorker();
    doc.closeRequested = true;

    doc.endBackgroundWorker();
    EXPECT_EQ(closes, 0);
    EXPECT_TRUE(doc.closeRequested);

    // An effect still running keeps the close waiting too.
    doc.runningEffect = 402;
    doc.endBackgroundWorker();
    EXPECT_EQ(closes, 0);
    doc.runningEffect = -1;
    doc.honorDeferredClose();
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(doc.closeRequested);

    // Honoured once only.
    doc.honorDeferredClose();
    EXPECT_EQ(closes, 1);
}

TEST(DocumentBusy, EndBackgroundWorkerNeverGoesBelowZero)
{
    Document doc;
    int closes = 0;
    doc.onDeferredClose = [&] { ++closes; };
    doc.endBackgroundWorker();
    EXPECT_EQ(doc.backgroundWorkers.load(), 0);
    EXPECT_EQ(closes, 0);
    // At 0 it still performs a pending close when nothing else runs.
    doc.closeRequested = true;
    doc.endBackgroundWorker();
    EXPECT_EQ(doc.backgroundWorkers.load(), 0);
    EXPECT_EQ(closes, 1);
    // A script blocks the close until its own end step honours it.
    doc.closeRequested = true;
    doc.scriptRunning = true;
    doc.endBackgroundWorker();
    EXPECT_EQ(closes, 1);
    doc.scriptRunning = false;
    doc.honorDeferredClose();
    EXPECT_EQ(closes, 2);
}

TEST(DocumentIdentity, ReplacingTheDocumentIsRefusedWhileAnEffectRuns)
{
    Document doc;
    const gfx::Image a = SolidImage(4, 4, 0xFF000000);
    const gfx::Image b = SolidImage(4, 4, 0xFFFFFFFF);
    ASSERT_TRUE(doc.replaceDocument(a, a));
    doc.runningEffect = 300;
    const uint64_t generation = doc.documentGeneration();
    EXPECT_FALSE(doc.canReplaceDocument());
    EXPECT_FALSE(doc.replaceDocument(b, b));
    EXPECT_TRUE(doc.resultImage.sameAs(a));
    EXPECT_EQ(doc.documentGeneration(), generation);
    // Other work does not block it: their results are dropped instead.
    doc.runningEffect = -1;
    doc.scriptRunning = true;
    EXPECT_TRUE(doc.replaceDocument(b, b));
}

TEST(DocumentIdentity, AWorkerResultBelongsToTheDocumentItStartedOn)
{
    Document doc;
    const gfx::Image a = SolidImage(4, 4, 0xFF102030);
    doc.replaceDocument(a, a);
    const uint64_t frameWorker = doc.beginBackgroundWorker();
    EXPECT_TRUE(doc.isCurrentDocument(frameWorker));
    doc.replaceDocument(SolidImage(5, 5, 0xFF405060), SolidImage(5, 5, 0xFF405060));
    EXPECT_FALSE(doc.isCurrentDocument(frameWorker));

    const uint64_t strokeWorker = doc.beginBackgroundWorker();
    doc.endBackgroundWorker();
    doc.endBackgroundWorker();
    Document::FullResetSteps steps;
    steps.language = QStringLiteral("de");
    ASSERT_EQ(doc.fullReset(steps), Document::ResetResult::Done);
    EXPECT_FALSE(doc.isCurrentDocument(strokeWorker));
}

TEST(EffectCatalogue, TablesEveryEffectWithItsSliders)
{
    EXPECT_EQ(pq::EffectCatalogue().size(), 26u);
    pq::ParameterTable params{};
    params[9][0].value1 = 7; // entries outside the catalogue keep their contents
    pq::InitializeParameters(params);
    EXPECT_EQ(params[9][0].value1, 7);
    // Stippling has one slider.
    const pq::EffectParameters& stippling = *pq::ParamsEntry(params, 201);
    EXPECT_EQ(stippling.name1, QStringLiteral("darkening"));
    EXPECT_TRUE(stippling.name2.isEmpty() && stippling.name5.isEmpty());
    EXPECT_EQ(pq::ParamsEntry(params, 308)->name1, QStringLiteral("wetness"));
    EXPECT_EQ(pq::ParamsEntry(params, -1), nullptr);
    EXPECT_EQ(pq::ParamsEntry(params, 1000), nullptr);
    EXPECT_EQ(pq::ParamsEntry(params, 120), nullptr);

    // Watercolor flow is reached by number only: eight painting entries.
    const QStringList painting = pq::FamilyListCaptions(3);
    ASSERT_EQ(painting.size(), 8);
    EXPECT_EQ(painting.first(), QStringLiteral("Watercolor"));
    EXPECT_EQ(painting.last(), QStringLiteral("Stochastic painting"));
    EXPECT_EQ(pq::FamilyListCaptions(4).at(1), QStringLiteral("Adjustments"));
    EXPECT_EQ(pq::FamilyListCaptions(5).size(), 4);
}

} // namespace
