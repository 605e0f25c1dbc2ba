#include "workspace/document.h"
#include "catalogue/effect_catalogue.h"

#include <QImage>
#include <gtest/gtest.h>

#include <vector>

namespace {

using pq::TDocument;

gfx::Image solidImage(int w, int h, QRgb color)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(color);
    return gfx::Image::fromQImage(image);
}

// Moves every field a reset touches away from its start value.
void dirtyEverything(TDocument& doc)
{
    const gfx::Image photo = solidImage(8, 6, 0xFF336699);
    doc.ReplaceDocument(photo, solidImage(8, 6, 0xFF996633));
    doc.FImageDirty = true;
    doc.FSourceFileName = QStringLiteral("/photos/cat.jpg");
    doc.FGalleryItems.push_back(photo);
    doc.FHistory->Save(doc.ZIdImage, doc.ZIdSourceImage);
    doc.InitializeEffectChoice();
    doc.Params[3][0].Value1 = 77;
    doc.Params[3][0].Name1 = QStringLiteral("changed");
    doc.SelectedEffectNumber = 501;
    doc.StoredFrameNumber = 4;
    doc.StoredFrameName = QStringLiteral("gilt");
    doc.StoredFrameSize = 55.0f;
    doc.StoredFrameColor = 0xFF123456;
    doc.StoredTextureNumber = 3;
    doc.StoredTextureStrength = 80.0f;
    doc.StoredTextureScale = 2.5f;
    doc.StoredTextureBitmap = photo;
    doc.StoredTextureName = QStringLiteral("Paper");
    doc.FLUTData = QByteArray("LUT_3D_SIZE 2");
    doc.FLUTName = QStringLiteral("Teal");
    doc.FLUTFilePath = QStringLiteral("/luts/teal.cube");
    doc.CustomBrushesOn302 = doc.CustomBrushesOn303 = doc.CustomBrushesOn304 = true;
    doc.CustomBrushBitmap302 = doc.CustomBrushBitmap303 = doc.CustomBrushBitmap304 = photo;
    doc.CustomBrushCount304 = 12;
    doc.Shared->GlobalBrushCount = 12;
    doc.FZoomFactor = 3.0f;
    doc.FPanOffset = QPointF(-40, 12);
    doc.FEraseBdChecked = false;
    doc.FDrawContourChecked = true;
    doc.FContourColor = 0x80FF0000;
    doc.Shared->PreviewStartX = 321;
    doc.Shared->PreviewStartY = 123;
    doc.FPreviewZoomFactor = 2.0f;
}

TEST(DocumentState, StartsIdleWithTheDesignedDefaults)
{
    TDocument doc;
    EXPECT_TRUE(doc.ZIdImage.isNull());
    EXPECT_TRUE(doc.ZIdSourceImage.isNull());
    EXPECT_FALSE(doc.FImageDirty);
    EXPECT_EQ(doc.FCurrentEffectNumber.load(), -1);
    EXPECT_FALSE(doc.IsEffectRunning());
    EXPECT_FALSE(doc.IsBackgroundWorkRunning());
    EXPECT_EQ(doc.Shared->Cancel.epoch(), 0u);
    EXPECT_EQ(doc.SelectedEffectNumber, 300);
    EXPECT_TRUE(doc.FEraseBdChecked.load());
    EXPECT_FALSE(doc.FDrawContourChecked.load());
    EXPECT_EQ(doc.FContourColor.load(), 0xFF000000u);
    EXPECT_TRUE(doc.FAddTextureChecked.load());
    EXPECT_EQ(doc.StoredFrameNumber, 0);
    EXPECT_FLOAT_EQ(doc.StoredFrameSize, 20.0f);
    EXPECT_EQ(doc.StoredFrameColor, 0xFFFFFFFFu);
    EXPECT_EQ(doc.StoredTextureNumber, 1);
    EXPECT_FLOAT_EQ(doc.StoredTextureStrength, 50.0f);
    EXPECT_FLOAT_EQ(doc.StoredTextureScale, 1.0f);
    EXPECT_FLOAT_EQ(doc.FManualBrushSize, 100.0f);
    EXPECT_FLOAT_EQ(doc.FManualBrushSoftness, 50.0f);
    EXPECT_FLOAT_EQ(doc.FManualBrushOpacity, 100.0f);
    EXPECT_FLOAT_EQ(doc.FZoomFactor, 1.0f);
    EXPECT_FLOAT_EQ(doc.FPreviewZoomFactor.load(), 1.0f);
    EXPECT_TRUE(doc.FShadowChecked);
    EXPECT_FALSE(doc.FOrientationLandscape);
    // The parameter table is filled by the initialisation tick, not before.
    EXPECT_TRUE(doc.Params[3][0].Name1.isEmpty());
}

TEST(DocumentState, FullResetRestoresTheStartChoices)
{
    TDocument doc;
    dirtyEverything(doc);
    doc.FImageDirty = false; // nothing to lose: German resets without a question
    const uint64_t before = doc.DocumentGeneration();
    int questions = 0;
    TDocument::TFullResetSteps steps;
    steps.language = QStringLiteral("de");
    steps.confirm = [&] { ++questions; return true; };

    EXPECT_EQ(doc.FullReset(steps), TDocument::TResetResult::Done);
    EXPECT_EQ(questions, 0);

    EXPECT_TRUE(doc.ZIdImage.isNull());
    EXPECT_TRUE(doc.ZIdSourceImage.isNull());
    EXPECT_FALSE(doc.FImageDirty);
    EXPECT_TRUE(doc.FSourceFileName.isEmpty());
    EXPECT_TRUE(doc.FGalleryItems.empty());
    EXPECT_NE(doc.DocumentGeneration(), before);

    EXPECT_EQ(doc.SelectedEffectNumber, 300);
    const pq::TParameters& watercolor = doc.Params[3][0];
    EXPECT_EQ(watercolor.Value1, 30);
    EXPECT_EQ(watercolor.Value2, 40);
    EXPECT_EQ(watercolor.Value3, 40);
    EXPECT_EQ(watercolor.Value4, 100);
    EXPECT_EQ(watercolor.Value5, 20);
    EXPECT_EQ(watercolor.Name1, QStringLiteral("iterations"));

    EXPECT_EQ(doc.StoredFrameNumber, 0);
    EXPECT_TRUE(doc.StoredFrameName.isEmpty());
    EXPECT_FLOAT_EQ(doc.StoredFrameSize, 20.0f);
    EXPECT_EQ(doc.StoredFrameColor, 0xFFFFFFFFu);
    EXPECT_EQ(doc.StoredTextureNumber, 1);
    EXPECT_FLOAT_EQ(doc.StoredTextureStrength, 50.0f);
    EXPECT_FLOAT_EQ(doc.StoredTextureScale, 1.0f);
    EXPECT_TRUE(doc.StoredTextureBitmap.isNull()); // "Add texture" has nothing to lay
    EXPECT_TRUE(doc.FLUTData.isEmpty());
    EXPECT_TRUE(doc.FLUTName.isEmpty());
    EXPECT_TRUE(doc.FLUTFilePath.isEmpty());
    EXPECT_FALSE(doc.CustomBrushesOn302 || doc.CustomBrushesOn303 || doc.CustomBrushesOn304);
    EXPECT_TRUE(doc.CustomBrushBitmap302.isNull() && doc.CustomBrushBitmap303.isNull()
                && doc.CustomBrushBitmap304.isNull());
    EXPECT_EQ(doc.CustomBrushCount304, 0);
    EXPECT_EQ(doc.Shared->GlobalBrushCount.load(), 40);
    EXPECT_FLOAT_EQ(doc.FZoomFactor, 1.0f);
    EXPECT_EQ(doc.FPanOffset, QPointF(0, 0));
    EXPECT_EQ(doc.FHistory->Count(), 0);

    // Left as they were: the switches, the contour colour, the texture's
    // name, the preview window.
    EXPECT_FALSE(doc.FEraseBdChecked.load());
    EXPECT_TRUE(doc.FDrawContourChecked.load());
    EXPECT_EQ(doc.FContourColor.load(), 0x80FF0000u);
    EXPECT_EQ(doc.StoredTextureName, QStringLiteral("Paper"));
    EXPECT_EQ(doc.Shared->PreviewStartX.load(), 321);
    EXPECT_EQ(doc.Shared->PreviewStartY.load(), 123);
    EXPECT_FLOAT_EQ(doc.FPreviewZoomFactor.load(), 2.0f);
}

TEST(DocumentState, FullResetRunsItsStepsInOrderWithCancelRaised)
{
    TDocument doc;
    dirtyEverything(doc);
    std::vector<std::string> order;
    const uint64_t epoch = doc.Shared->Cancel.epoch();
    TDocument::TFullResetSteps steps;
    steps.confirm = [&] { order.push_back("ask"); return true; };
    steps.closeTools = [&] {
        order.push_back(doc.Shared->Cancel.epoch() > epoch ? "close tools, cancel set" : "close tools");
        EXPECT_FALSE(doc.ZIdImage.isNull()); // tools close before the document goes
    };
    steps.resetControls = [&] {
        order.push_back("controls");
        EXPECT_TRUE(doc.ZIdImage.isNull());
    };
    EXPECT_EQ(doc.FullReset(steps), TDocument::TResetResult::Done);
    EXPECT_EQ(order, (std::vector<std::string>{"ask", "close tools, cancel set", "controls"}));
}

TEST(DocumentState, FullResetIsRefusedWhileAnyWorkRuns)
{
    const auto busyCases = std::vector<std::function<void(TDocument&)>>{
        [](TDocument& d) { d.FCurrentEffectNumber = 300; },
        [](TDocument& d) { d.FScriptRunning = true; },
        [](TDocument& d) { d.BeginBackgroundWorker(); },
    };
    for (const auto& makeBusy : busyCases) {
        TDocument doc;
        dirtyEverything(doc);
        makeBusy(doc);
        int questions = 0;
        TDocument::TFullResetSteps steps;
        steps.confirm = [&] { ++questions; return true; };
        EXPECT_EQ(doc.FullReset(steps), TDocument::TResetResult::Busy);
        EXPECT_EQ(questions, 0) << "not even the question";
        EXPECT_FALSE(doc.ZIdImage.isNull());
        EXPECT_EQ(doc.StoredFrameNumber, 4);
        EXPECT_EQ(doc.Shared->Cancel.epoch(), 0u);
    }
}

TEST(DocumentState, FullResetAsksInEnglishAndWheneverWorkWouldBeLost)
{
    TDocument doc;
    EXPECT_TRUE(doc.FullResetAsks(QStringLiteral("en")));
    EXPECT_FALSE(doc.FullResetAsks(QStringLiteral("de")));
    dirtyEverything(doc); // unsaved result
    EXPECT_TRUE(doc.FullResetAsks(QStringLiteral("de")));
    // Unsaved flag without a result: nothing to lose.
    doc.ZIdImage = {};
    EXPECT_FALSE(doc.FullResetAsks(QStringLiteral("de")));

    TDocument declined;
    dirtyEverything(declined);
    TDocument::TFullResetSteps steps;
    steps.language = QStringLiteral("de");
    bool closed = false;
    steps.confirm = [] { return false; };
    steps.closeTools = [&] { closed = true; };
    EXPECT_EQ(declined.FullReset(steps), TDocument::TResetResult::Declined);
    EXPECT_FALSE(closed);
    EXPECT_FALSE(declined.ZIdImage.isNull());
    EXPECT_EQ(declined.FSourceFileName, QStringLiteral("/photos/cat.jpg"));
    EXPECT_EQ(declined.Shared->Cancel.epoch(), 0u);
}

TEST(DocumentState, EveryHistorySaveMarksTheResultUnsaved)
{
    TDocument doc;
    int events = 0;
    bool sourceChanged = false;
    doc.OnImageSaved = [&](const gfx::Image&, const gfx::Image&, bool changed) {
        ++events;
        sourceChanged = changed;
    };
    const gfx::Image photo = solidImage(6, 6, 0xFF204060);
    doc.ReplaceDocument(photo, photo);
    doc.FHistory->Save(doc.ZIdImage, doc.ZIdSourceImage);
    EXPECT_TRUE(doc.FImageDirty);
    EXPECT_EQ(events, 1);
    EXPECT_TRUE(sourceChanged);
    // Opening clears the flag after its first save; the next save sets it.
    doc.FImageDirty = false;
    doc.ZIdImage = solidImage(6, 6, 0xFF000000);
    doc.FHistory->Save(doc.ZIdImage, doc.ZIdSourceImage);
    EXPECT_TRUE(doc.FImageDirty);
    EXPECT_EQ(events, 2);
    EXPECT_FALSE(sourceChanged);
}

TEST(DocumentState, SharesTheEngineFieldsItIsGiven)
{
    auto fields = std::make_shared<pq::EngineFields>();
    TDocument doc(fields);
    EXPECT_EQ(doc.Shared.get(), fields.get());
    doc.InitializeEffectChoice();
    EXPECT_EQ(fields->GlobalBrushCount.load(), 40);
}

TEST(DocumentBusy, DeferredCloseHappensWhenTheLastWorkerEnds)
{
    TDocument doc;
    int closes = 0;
    doc.OnDeferredClose = [&] { ++closes; };
    doc.BeginBackgroundWorker();
    doc.BeginBackgroundWorker();
    doc.FCloseRequested = true;

    doc.EndBackgroundWorker();
    EXPECT_EQ(closes, 0);
    EXPECT_TRUE(doc.FCloseRequested);

    // An effect still running keeps the close waiting too.
    doc.FCurrentEffectNumber = 402;
    doc.EndBackgroundWorker();
    EXPECT_EQ(closes, 0);
    doc.FCurrentEffectNumber = -1;
    doc.HonorDeferredClose();
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(doc.FCloseRequested);

    // Honoured once only.
    doc.HonorDeferredClose();
    EXPECT_EQ(closes, 1);
}

TEST(DocumentBusy, EndBackgroundWorkerNeverGoesBelowZero)
{
    TDocument doc;
    int closes = 0;
    doc.OnDeferredClose = [&] { ++closes; };
    doc.EndBackgroundWorker();
    EXPECT_EQ(doc.FBackgroundWorkers.load(), 0);
    EXPECT_EQ(closes, 0);
    // At 0 it still performs a pending close when nothing else runs.
    doc.FCloseRequested = true;
    doc.EndBackgroundWorker();
    EXPECT_EQ(doc.FBackgroundWorkers.load(), 0);
    EXPECT_EQ(closes, 1);
    // A script blocks the close until its own end step honours it.
    doc.FCloseRequested = true;
    doc.FScriptRunning = true;
    doc.EndBackgroundWorker();
    EXPECT_EQ(closes, 1);
    doc.FScriptRunning = false;
    doc.HonorDeferredClose();
    EXPECT_EQ(closes, 2);
}

TEST(DocumentIdentity, ReplacingTheDocumentIsRefusedWhileAnEffectRuns)
{
    TDocument doc;
    const gfx::Image a = solidImage(4, 4, 0xFF000000);
    const gfx::Image b = solidImage(4, 4, 0xFFFFFFFF);
    ASSERT_TRUE(doc.ReplaceDocument(a, a));
    doc.FCurrentEffectNumber = 300;
    const uint64_t generation = doc.DocumentGeneration();
    EXPECT_FALSE(doc.CanReplaceDocument());
    EXPECT_FALSE(doc.ReplaceDocument(b, b));
    EXPECT_TRUE(doc.ZIdImage.sameAs(a));
    EXPECT_EQ(doc.DocumentGeneration(), generation);
    // Other work does not block it: their results are dropped instead.
    doc.FCurrentEffectNumber = -1;
    doc.FScriptRunning = true;
    EXPECT_TRUE(doc.ReplaceDocument(b, b));
}

TEST(DocumentIdentity, AWorkerResultBelongsToTheDocumentItStartedOn)
{
    TDocument doc;
    const gfx::Image a = solidImage(4, 4, 0xFF102030);
    doc.ReplaceDocument(a, a);
    const uint64_t frameWorker = doc.BeginBackgroundWorker();
    EXPECT_TRUE(doc.IsCurrentDocument(frameWorker));
    doc.ReplaceDocument(solidImage(5, 5, 0xFF405060), solidImage(5, 5, 0xFF405060));
    EXPECT_FALSE(doc.IsCurrentDocument(frameWorker));

    const uint64_t strokeWorker = doc.BeginBackgroundWorker();
    doc.EndBackgroundWorker();
    doc.EndBackgroundWorker();
    TDocument::TFullResetSteps steps;
    steps.language = QStringLiteral("de");
    ASSERT_EQ(doc.FullReset(steps), TDocument::TResetResult::Done);
    EXPECT_FALSE(doc.IsCurrentDocument(strokeWorker));
}

TEST(EffectCatalogue, TablesEveryEffectWithItsSliders)
{
    EXPECT_EQ(pq::EffectCatalogue().size(), 26u);
    pq::TParameterTable params{};
    params[9][0].Value1 = 7; // entries outside the catalogue keep their contents
    pq::InitializeParameters(params);
    EXPECT_EQ(params[9][0].Value1, 7);
    // Stippling has one slider.
    const pq::TParameters& stippling = *pq::ParamsEntry(params, 201);
    EXPECT_EQ(stippling.Name1, QStringLiteral("darkening"));
    EXPECT_TRUE(stippling.Name2.isEmpty() && stippling.Name5.isEmpty());
    EXPECT_EQ(pq::ParamsEntry(params, 308)->Name1, QStringLiteral("wetness"));
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
