#pragma once

#include "engine/runtime/engine_host.h"

#include <functional>

namespace pq {

class Document;
class PreviewPane;
struct UserDialogs;

// The engine's view of the workspace: the document, its options and the
// preview pane, adapted to the engine's host interface. Everything it
// shows goes through the hooks the window sets; without them it simply
// does not show it.
class DocumentHost final : public EngineHost {
public:
    DocumentHost(Document& document, const UserDialogs& dialogs);

    // The window's parts the engine reaches.
    PreviewPane* previewPane = nullptr;
    std::function<void()> redraw;
    std::function<void()> close;
    std::function<bool()> brushPanelOpen;
    std::function<void(int)> progress;

    gfx::Image resultImage() const override;
    void setResultImage(const gfx::Image& image) override;
    gfx::Image sourceImage() const override;
    ImageHistory* history() override;
    void redrawCanvas() override;

    int runningEffect() const override;
    void setRunningEffect(int number) override;
    bool closeRequested() const override;
    void setCloseRequested(bool value) override;
    void closeWindow() override;
    QString effectName(int number) const override;
    void showMessage(const QString& text) override;

    bool eraseBackground() const override;
    bool drawContours() const override;
    QRgb contourColor() const override;
    bool addTexture() const override;
    gfx::Image storedTexture() const override;
    float storedTextureStrength() const override;
    float storedTextureScale() const override;
    CustomBrushSheet customBrushSheet(BrushSheetChoice choice) const override;
    bool manualBrushOpen() const override;
    LUTChoice lutChoice() const override;

    float previewZoom() const override;
    QSizeF previewPaneSize() const override;
    void showPreview(const gfx::Image& picture) override;
    void setPreviewPercent(int value) override;
    void updateProgressBar(int value) override;

private:
    Document& document_;
    const UserDialogs& dialogs_;
};

// The name messages give an effect number, in the interface language.
QString EffectDisplayName(int number);

} // namespace pq
