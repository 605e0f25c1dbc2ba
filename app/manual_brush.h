#pragma once

#include "gfx/image.h"

#include <QObject>
#include <QPointer>

#include <cstdint>
#include <functional>
#include <optional>

class QWidget;

namespace pq {

class BrushPanel;
class CanvasArea;
class Document;
class DocumentActions;
class EffectPanel;
class EngineHost;
class PanelHost;

// The main window's side of the manual brush: opening and closing the
// panel, keeping it bound to the document and the view, and applying each
// released stroke on a worker of its own.
class ManualBrush : public QObject {
    Q_OBJECT
public:
    ManualBrush(Document& document, EngineHost& host, PanelHost& panels, CanvasArea& canvas, EffectPanel& effects,
                DocumentActions& actions, QWidget* frame);

    // Work runs whose end would replace the document: the opener refuses.
    std::function<bool()> busy;
    // Seeds every stroke's run (tools); each run draws its own seed otherwise.
    std::optional<uint32_t> strokeSeed;

    // Opens the panel over the main canvas with the remembered sliders and
    // box position; nothing without a result, while busy, while a panel
    // over the backdrop is open or when the brush is open already.
    void open();
    // Closes it (a stroke being applied is cancelled and dropped).
    void close();
    BrushPanel* panel() const;
    bool isOpen() const { return panel() != nullptr; }
    // The open panel is bound afresh to the current result (empty mask).
    void rebind();
    // Applies the panel's merged mask: an empty one closes the panel,
    // otherwise a worker starts.
    void applyStroke();
    // Strokes whose worker has not handed back yet.
    int strokesRunning() const { return strokesRunning_; }

private:
    void strokeEnded();

    Document& document_;
    EngineHost& host_;
    PanelHost& panels_;
    CanvasArea& canvas_;
    EffectPanel& effects_;
    QWidget* frame_;
    int strokesRunning_ = 0;
};

} // namespace pq
