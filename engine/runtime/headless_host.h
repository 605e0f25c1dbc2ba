#pragma once

#include "engine/runtime/engine_host.h"

#include <QStringList>

namespace pq {

// An EngineHost without a window, for tools, scripts run headless and tests:
// the document, options and preview pane are plain members; messages are
// collected instead of shown. Its members are used on the UI thread only.
class HeadlessHost : public EngineHost {
public:
    gfx::Image Image;        // resultImage
    gfx::Image SourceImage;  // sourceImage
    ImageHistory* History = nullptr;
    int CurrentEffectNumber = -1;
    bool CloseRequested = false;
    int CloseCalls = 0;
    bool EraseBackground = true;
    bool DrawContours = false;
    QRgb ContourColor = 0xFF000000;
    bool ManualBrushOpen = false;

    bool AddTexture = false;
    gfx::Image Texture;
    float TextureStrength = 50.0f;
    float TextureScale = 1.0f;

    LUTChoice LUT;

    bool CustomOn302 = false, CustomOn303 = false, CustomOn304 = false;
    gfx::Image CustomBitmap302, CustomBitmap303, CustomBitmap304;
    int CustomCount304 = 0;

    float PreviewZoom = 1.0f;
    QSizeF PreviewSize;          // empty: no preview pane
    gfx::Image PreviewBitmap;    // what the pane shows
    int PreviewLabel = 0;        // last percentLabel value
    int PreviewBitmapUpdates = 0;

    int LastProgress = -1;
    QStringList Messages;

    gfx::Image resultImage() const override { return Image; }
    void setResultImage(const gfx::Image& image) override { Image = image; }
    gfx::Image sourceImage() const override { return SourceImage; }
    ImageHistory* history() override { return History; }

    int runningEffect() const override { return CurrentEffectNumber; }
    void setRunningEffect(int number) override { CurrentEffectNumber = number; }
    bool closeRequested() const override { return CloseRequested; }
    void setCloseRequested(bool value) override { CloseRequested = value; }
    void Close() override { ++CloseCalls; }
    void ShowMessage(const QString& text) override { Messages << text; }

    bool eraseBackground() const override { return EraseBackground; }
    bool drawContours() const override { return DrawContours; }
    QRgb contourColor() const override { return ContourColor; }
    bool addTexture() const override { return AddTexture; }
    gfx::Image storedTexture() const override { return Texture; }
    float storedTextureStrength() const override { return TextureStrength; }
    float storedTextureScale() const override { return TextureScale; }
    bool CustomBrushesOn302() const override { return CustomOn302; }
    bool CustomBrushesOn303() const override { return CustomOn303; }
    bool CustomBrushesOn304() const override { return CustomOn304; }
    gfx::Image CustomBrushBitmap302() const override { return CustomBitmap302; }
    gfx::Image CustomBrushBitmap303() const override { return CustomBitmap303; }
    gfx::Image CustomBrushBitmap304() const override { return CustomBitmap304; }
    int CustomBrushCount304() const override { return CustomCount304; }
    bool manualBrushOpen() const override { return ManualBrushOpen; }
    LUTChoice lutChoice() const override { return LUT; }

    float previewZoom() const override { return PreviewZoom; }
    QSizeF previewPaneSize() const override { return PreviewSize; }
    void showPreview(const gfx::Image& bitmap) override
    {
        PreviewBitmap = bitmap;
        ++PreviewBitmapUpdates;
    }
    void setPreviewPercent(int value) override { PreviewLabel = value; }

    void UpdateProgressBar(int value) override { LastProgress = value; }
};

} // namespace pq
