#pragma once

#include "engine/runtime/engine_host.h"

#include <QStringList>

namespace pq {

// An EngineHost without a window, for tools, scripts run headless and tests:
// the document, options and preview pane are plain members; messages are
// collected instead of shown. Its members are used on the UI thread only.
class HeadlessHost : public EngineHost {
public:
    gfx::Image result;
    gfx::Image source;
    ImageHistory* undoHistory = nullptr;
    int effectNumber = -1;
    bool closePending = false;
    int closeCalls = 0;
    bool eraseOn = true;
    bool contoursOn = false;
    QRgb contourRGB = 0xFF000000;
    bool brushPanelOpen = false;

    bool textureOn = false;
    gfx::Image texture;
    float textureStrength = 50.0f;
    float textureScale = 1.0f;

    LUTChoice lut;

    // The user's sheets for the pastel, watercolour and impasto effects.
    CustomBrushSheet pastelSheet, watercolorSheet, impastoSheet;

    float paneZoom = 1.0f;
    QSizeF previewSize;          // empty: no preview pane
    gfx::Image previewBitmap;    // what the pane shows
    int previewLabel = 0;        // last percentLabel value
    int previewBitmapUpdates = 0;

    int lastProgress = -1;
    QStringList messages;

    gfx::Image resultImage() const override { return result; }
    void setResultImage(const gfx::Image& image) override { result = image; }
    gfx::Image sourceImage() const override { return source; }
    ImageHistory* history() override { return undoHistory; }

    int runningEffect() const override { return effectNumber; }
    void setRunningEffect(int number) override { effectNumber = number; }
    bool closeRequested() const override { return closePending; }
    void setCloseRequested(bool value) override { closePending = value; }
    void closeWindow() override { ++closeCalls; }
    void showMessage(const QString& text) override { messages << text; }

    bool eraseBackground() const override { return eraseOn; }
    bool drawContours() const override { return contoursOn; }
    QRgb contourColor() const override { return contourRGB; }
    bool addTexture() const override { return textureOn; }
    gfx::Image storedTexture() const override { return texture; }
    float storedTextureStrength() const override { return textureStrength; }
    float storedTextureScale() const override { return textureScale; }
    CustomBrushSheet customBrushSheet(BrushSheetChoice choice) const override
    {
        switch (choice) {
        case BrushSheetChoice::Pastel: return pastelSheet;
        case BrushSheetChoice::Watercolor: return watercolorSheet;
        case BrushSheetChoice::Impasto: return impastoSheet;
        default: return {};
        }
    }
    bool manualBrushOpen() const override { return brushPanelOpen; }
    LUTChoice lutChoice() const override { return lut; }

    float previewZoom() const override { return paneZoom; }
    QSizeF previewPaneSize() const override { return previewSize; }
    void showPreview(const gfx::Image& bitmap) override
    {
        previewBitmap = bitmap;
        ++previewBitmapUpdates;
    }
    void setPreviewPercent(int value) override { previewLabel = value; }

    void updateProgressBar(int value) override { lastProgress = value; }
};

} // namespace pq
