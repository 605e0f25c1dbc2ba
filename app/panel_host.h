#pragma once

#include "panels/backdrop.h"

#include <QObject>
#include <QPointer>

#include <functional>

class QWidget;

namespace pq {

class Document;
class OverlayHost;
class PreviewPanel;

// The part of the overlay panels' and the script editor's life the main
// window owns: showing a panel over a blurred snapshot of the window and
// closing it, the LUT selector, and keeping the script editor out of the
// way of dialogs.
class PanelHost : public QObject {
    Q_OBJECT
public:
    PanelHost(Document& document, PreviewPanel& preview, QWidget* frame);

    OverlayHost* overlay() const { return overlay_; }
    // Recolours a panel for the light theme.
    std::function<void(QWidget*)> applyLightTheme;

    // Shows the panel centred over a blurred, darkened picture of the
    // window, made once now. An open manual brush is closed first.
    void showOverlayPanel(QWidget* panel);
    // A panel over the backdrop is open: openers refuse and the window's
    // commands wait.
    bool backdropPanelOpen() const;
    // Hides the overlay and frees its panel. Panels reach it only through
    // requestCloseOverlay, so that a panel is never freed inside one of
    // its own handlers.
    void closeOverlay();
    // Queues closeOverlay; it closes the overlay only while the panel that
    // was open when it was queued is still the open one.
    void requestCloseOverlay();

    // The manual-brush panel while it is open, and whether it applies a
    // stroke.
    QPointer<QWidget> manualBrushPanel;
    bool manualBrushApplying = false;
    void closeManualBrush();
    // Opens the manual brush again after the LUT selector closed it.
    std::function<void()> reopenManualBrush;

    // The script editor window; null until it is first opened, made then
    // by createScriptEditor and kept.
    QPointer<QWidget> scriptEditor;
    std::function<QWidget*()> createScriptEditor;
    // Shows it centred over the main window and above it.
    void showScriptEditor();
    void linkScriptEditor();
    void hideScriptEditorForDialog();
    void unlinkScriptEditor();

    // The LUT selector for effect 404, over the backdrop; not while an
    // effect runs, over another panel, nor without an image. An open
    // manual brush and a shown script editor come back when it closes.
    void chooseLUT();
    void applyChosenLUT(const QString& name, const QByteArray& data, const QString& filePath);

private:
    Document& document_;
    PreviewPanel& preview_;
    QWidget* frame_;
    OverlayHost* overlay_;
    BackdropCache backdrops_;
};

} // namespace pq
