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
    QRgb contourRgb = 0xFF000000;
    bool brushPanelOpen = false;

    bool textureOn = false;
    gfx::Image texture;
    float textureStrength = 50.0f;
    float textureScale = 1.0f;

    LUTChoice lut;

    bool customOn302 = false, customOn303 = false, customOn304 = false;
    gfx::Image customBitmap302, customBitmap303, customBitmap304;
    int customCount304 = 0;

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
    QRgb contourColor() const override { return contourRgb; }
    bool addTexture() const override { return textureOn; }
    gfx::Image storedTexture() const override { return texture; }
    float storedTextureStrength() const override { return textureStrength; }
    float storedTextureScale() const override { return textureScale; }
    bool customBrushesOn302() const override { return customOn302; }
    bool customBrushesOn303() const override { return customOn303; }
    bool customBrushesOn304() const override { return customOn304; }
    gfx::Image customBrushBitmap302() const override { return customBitmap302; }
    gfx::Image customBrushBitmap303() const override { return customBitmap303; }
    gfx::Image customBrushBitmap304() const override { return customBitmap304; }
    int customBrushCount304() const override { return customCount304; }
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
