// Connects the workspace's controls, timers, menu entries and keys to the
// window's handlers.
#include "app/main_window.h"

#include "ui/debug_log.h"
#include "ui/widgets/icon_button.h"
#include "ui/widgets/toggle_switch.h"
#include "workspace/auto_enhance_command.h"
#include "workspace/canvas_view.h"
#include "workspace/drop_zone.h"
#include "workspace/image_files.h"
#include "workspace/preview_pane.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>

namespace pq {

namespace {

constexpr int kZoomRepeatDelayMs = 400;
constexpr int kZoomRepeatMs = 50;

// Events the workspace takes from controls that have no signal for them:
// key presses anywhere in the window (shortcuts come before the focused
// control), double clicks on the slider captions, menu entries, the right
// button on the 100 % button and the split-view divider.
class WorkspaceEvents : public QObject {
public:
    explicit WorkspaceEvents(MainWindow& form) : QObject(&form), form_(form) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress: return keyPress(watched, static_cast<QKeyEvent*>(event));
        case QEvent::MouseButtonDblClick: return doubleClick(watched);
        case QEvent::MouseButtonPress:
        case QEvent::MouseMove:
        case QEvent::MouseButtonRelease: return mouse(watched, static_cast<QMouseEvent*>(event));
        case QEvent::Paint:
            if (watched == form_.addTextureLabel)
                GuardedCall("syncAddTextureLabel", [&] { form_.syncAddTextureLabel(); });
            return false;
        default: return false;
        }
    }

private:
    bool keyPress(QObject* watched, QKeyEvent* event)
    {
        const auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || widget->window() != &form_)
            return false;
        // A press reaches this filter once per widget it propagates to: it is
        // taken at its first receiver, the focused control (or the window).
        QWidget* first = QApplication::focusWidget();
        if (!first || first->window() != &form_)
            first = &form_;
        if (widget != first)
            return false;
        bool consumed = false;
        GuardedCall("handleKey",
                    [&] { consumed = form_.handleKey(event->key(), event->text(), event->modifiers()); });
        return consumed;
    }

    bool doubleClick(QObject* watched)
    {
        if (watched == form_.parametersHeading) {
            GuardedCall("resetEffectSliders", [&] { form_.resetEffectSliders(); });
            return true;
        }
        for (int k = 1; k <= 5; ++k)
            if (watched == form_.sliderCaptions[size_t(k - 1)]) {
                GuardedCall("resetSlider", [&] { form_.resetSlider(k); });
                return true;
            }
        return false;
    }

    bool mouse(QObject* watched, QMouseEvent* event)
    {
        const QEvent::Type type = event->type();
        if (watched == form_.divider)
            return splitter(event);
        if (type == QEvent::MouseMove
            && (watched == form_.parametersHeading || watched == form_.loadParametersButton || watched == form_.saveParametersButton)) {
            GuardedCall("lightParameterIcons", [&] { form_.lightParameterIcons(); });
            return false;
        }
        if (watched == form_.actualSizeButton && type == QEvent::MouseButtonPress) {
            // Right button: fit to the view; any other: 100 %, centred.
            if (event->button() == Qt::RightButton)
                GuardedCall("fitToView", [&] { form_.fitToView(); });
            else
                GuardedCall("actualSizeAndCentre", [&] { form_.actualSizeAndCentre(); });
            return false;
        }
        if (type == QEvent::MouseButtonRelease && event->button() == Qt::LeftButton) {
            const QString action = watched->property("workspaceAction").toString();
            if (!action.isEmpty()) {
                GuardedCall("runMenuEntry", [&] { form_.runMenuEntry(action); });
                return true;
            }
        }
        return false;
    }

    bool splitter(QMouseEvent* event)
    {
        const QPointF pos = form_.divider->mapTo(form_.canvasView, event->position());
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            if (event->button() == Qt::LeftButton) {
                form_.draggingDivider = true;
                form_.divider->setCursor(Qt::SplitHCursor);
            }
            return true;
        case QEvent::MouseMove:
            GuardedCall("canvasDragged", [&] { form_.canvasDragged(event->buttons(), pos); });
            return true;
        case QEvent::MouseButtonRelease:
            GuardedCall("canvasReleased", [&] { form_.canvasReleased(event->button(), pos); });
            return true;
        default: return false;
        }
    }

    MainWindow& form_;
};

QString DefaultOpenDialog(QWidget* parent, const QString& title, const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, title, QString(), filter);
}

QStringList DefaultOpenFilesDialog(QWidget* parent, const QString& title, const QString& filter)
{
    QFileDialog dialog(parent, title);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilters(filter.split(QStringLiteral(";;")));
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

QString DefaultSaveDataDialog(QWidget* parent, const QString& title, const QString& filter, const QString& suffix)
{
    QFileDialog dialog(parent, title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The program asks before replacing a file itself.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilters(filter.split(QStringLiteral(";;")));
    dialog.setDefaultSuffix(suffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QString DefaultSaveDialog(QWidget* parent, const QString& title, const QString& proposal, int filterIndex)
{
    QFileDialog dialog(parent, title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The program asks before replacing a file itself.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    const QStringList filters = SaveDialogFilters();
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.value(filterIndex - 1));
    dialog.setDefaultSuffix(QStringLiteral("jpg"));
    const QFileInfo info(proposal);
    if (info.path() != QLatin1String("."))
        dialog.setDirectory(info.path());
    dialog.selectFile(info.fileName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

void MainWindow::wireWorkspace()
{
    const auto guarded = [this](const char* context, void (MainWindow::*handler)()) {
        return [this, context, handler] { GuardedCall(context, [this, handler] { (this->*handler)(); }); };
    };

    connect(&previewTimer, &QTimer::timeout, this, guarded("previewTimerTick", &MainWindow::previewTimerTick));
    connect(&previewDebounceTimer, &QTimer::timeout, this,
            guarded("previewDebounceTick", &MainWindow::previewDebounceTick));
    connect(&zoomDebounceTimer, &QTimer::timeout, this, guarded("zoomGestureEnded", &MainWindow::zoomGestureEnded));
    // The zoom buttons step once when pressed and repeat while held, after
    // a pause.
    const auto repeatWhileHeld = [this, guarded](QAbstractButton* button, QTimer& timer, void (MainWindow::*step)(),
                                                 const char* context) {
        connect(button, &QAbstractButton::pressed, this, [&timer, step = guarded(context, step)] {
            step();
            timer.start(kZoomRepeatDelayMs);
        });
        connect(button, &QAbstractButton::released, &timer, &QTimer::stop);
        connect(&timer, &QTimer::timeout, this, [&timer, step = guarded(context, step)] {
            timer.setInterval(kZoomRepeatMs);
            step();
        });
    };
    connect(&cleanUpTimer, &QTimer::timeout, this, guarded("cleanUpTick", &MainWindow::cleanUpTick));

    // Effect lists and sliders.
    for (int f = 0; f < 5; ++f)
        connect(effectLists[size_t(f)], &QListWidget::itemClicked, this, [this, f](QListWidgetItem* item) {
            GuardedCall("selectListedEffect",
                        [&] { selectListedEffect(f + 1, effectLists[size_t(f)]->row(item)); });
        });
    for (int k = 1; k <= 5; ++k)
        connect(sliders[size_t(k - 1)], &QSlider::valueChanged, this,
                [this, k] { GuardedCall("sliderMoved", [&] { sliderMoved(k); }); });
    connect(applyButton, &QPushButton::clicked, this, guarded("applyEffect", &MainWindow::applyEffect));

    // Parameter file and effect options.
    connect(loadParametersButton, &QAbstractButton::clicked, this, guarded("chooseParametersToLoad", &MainWindow::chooseParametersToLoad));
    connect(saveParametersButton, &QAbstractButton::clicked, this, guarded("chooseParametersToSave", &MainWindow::chooseParametersToSave));
    connect(eraseBackgroundSwitch, &QAbstractButton::clicked, this, guarded("toggleEraseBackground", &MainWindow::toggleEraseBackground));
    connect(addTextureSwitch, &QAbstractButton::clicked, this,
            guarded("addTextureSwitched", &MainWindow::addTextureSwitched));
    connect(contourSwitch, &QAbstractButton::clicked, this, guarded("toggleContours", &MainWindow::toggleContours));
    connect(loadBrushesButton, &QPushButton::clicked, this,
            guarded("loadCustomBrushes", &MainWindow::loadCustomBrushes));
    connect(resetBrushesButton, &QPushButton::clicked, this,
            guarded("resetCustomBrushes", &MainWindow::resetCustomBrushes));
    connect(selectLUTButton, &QPushButton::clicked, this,
            guarded("chooseLUT", &MainWindow::chooseLUT));

    // Preview pane.
    connect(previewPane, &PreviewPane::mousePressed, this,
            [this](Qt::MouseButton, QPointF pos) { GuardedCall("previewPressed", [&] { previewPressed(pos); }); });
    connect(previewPane, &PreviewPane::mouseMoved, this, [this](Qt::MouseButtons buttons, QPointF pos) {
        GuardedCall("previewDragged", [&] { previewDragged(buttons, pos); });
    });
    connect(previewPane, &PreviewPane::mouseReleased, this, guarded("previewReleased", &MainWindow::previewReleased));
    connect(previewPane, &PreviewPane::wheelTurned, this,
            [this](int delta) { GuardedCall("previewWheel", [&] { previewWheel(delta); }); });
    connect(previewPane, &PreviewPane::zoomInClicked, this, guarded("zoomPreviewIn", &MainWindow::zoomPreviewIn));
    connect(previewPane, &PreviewPane::zoomOutClicked, this, guarded("zoomPreviewOut", &MainWindow::zoomPreviewOut));
    connect(previewPane, &PreviewPane::zoomResetClicked, this, guarded("resetPreviewZoom", &MainWindow::resetPreviewZoom));

    // Main canvas.
    connect(canvasView, &CanvasView::mousePressed, this, [this](Qt::MouseButton button, QPointF pos) {
        GuardedCall("canvasPressed", [&] { canvasPressed(button, pos); });
    });
    connect(canvasView, &CanvasView::mouseMoved, this, [this](Qt::MouseButtons buttons, QPointF pos) {
        GuardedCall("canvasDragged", [&] { canvasDragged(buttons, pos); });
    });
    connect(canvasView, &CanvasView::mouseReleased, this, [this](Qt::MouseButton button, QPointF pos) {
        GuardedCall("canvasReleased", [&] { canvasReleased(button, pos); });
    });
    connect(canvasView, &CanvasView::wheelTurned, this, [this](int delta, QPointF pos) {
        GuardedCall("canvasWheel", [&] { canvasWheel(delta, pos); });
    });
    connect(canvasView, &CanvasView::resized, this, [this] {
        GuardedCall("SkPaintBox1Resized", [this] {
            updateCanvasSize();
            updateDivider();
        });
    });
    connect(canvasView, &CanvasView::doubleClicked, this, guarded("showFullScreen", &MainWindow::showFullScreen));
    connect(splitViewState, &QCheckBox::toggled, this, guarded("splitViewChanged", &MainWindow::splitViewChanged));
    connect(dropZone, &DropZone::browseClicked, this, guarded("Label12Click", &MainWindow::openImage));
    connect(defaultImageButton, &QPushButton::clicked, this,
            guarded("openDefaultImage", &MainWindow::openDefaultImage));
    connect(enhanceButton, &QAbstractButton::clicked, this, guarded("autoEnhance", &MainWindow::autoEnhance));

    // Toolbar.
    connect(openButton, &QAbstractButton::clicked, this, [this] {
        GuardedCall("SpeedButton1Click", [this] {
            if (!isEffectRunning())
                openImage();
        });
    });
    connect(saveButton, &QAbstractButton::clicked, this, guarded("SpeedButton2Click", &MainWindow::saveImage));
    connect(undoButton, &QAbstractButton::clicked, this, guarded("undo", &MainWindow::undo));
    connect(redoButton, &QAbstractButton::clicked, this, guarded("redo", &MainWindow::redo));
    repeatWhileHeld(zoomOutButton, zoomOutRepeat, &MainWindow::zoomOut, "SpeedButton10Click");
    repeatWhileHeld(zoomInButton, zoomInRepeat, &MainWindow::zoomIn, "SpeedButton12Click");
    connect(splitViewButton, &QAbstractButton::clicked, this, guarded("toggleSplitView", &MainWindow::toggleSplitView));

    auto* events = new WorkspaceEvents(*this);
    for (QWidget* label : {static_cast<QWidget*>(parametersHeading), static_cast<QWidget*>(sliderCaptions[0]),
                           static_cast<QWidget*>(sliderCaptions[1]), static_cast<QWidget*>(sliderCaptions[2]),
                           static_cast<QWidget*>(sliderCaptions[3]), static_cast<QWidget*>(sliderCaptions[4])})
        label->installEventFilter(events);
    actualSizeButton->installEventFilter(events);
    divider->installEventFilter(events);
    for (const char* name : {"OpenMI", "SaveMI", "UndoMI", "RedoMI", "SplitViewMI", "AutoEnhanceMI"})
        if (auto* entry = mainMenu->findChild<QLabel*>(QString::fromLatin1(name))) {
            entry->setProperty("workspaceAction", QString::fromLatin1(name));
            entry->installEventFilter(events);
        }
    qApp->installEventFilter(events);

    getOpenFileName = [this](const QString& title, const QString& filter) {
        return DefaultOpenDialog(this, title, filter);
    };
    getSaveFileName = [this](const QString& title, const QString& proposal, int filterIndex) {
        return DefaultSaveDialog(this, title, proposal, filterIndex);
    };
    getOpenFileNames = [this](const QString& title, const QString& filter) {
        return DefaultOpenFilesDialog(this, title, filter);
    };
    getSaveDataFileName = [this](const QString& title, const QString& filter, const QString& suffix) {
        return DefaultSaveDataDialog(this, title, filter, suffix);
    };

    // Auto-enhance: the wait cursor and a disabled entry while it works.
    autoEnhancer = std::make_shared<AutoEnhanceCommand>([this](bool busy) {
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
        enhanceButton->setEnabled(!busy);
    });
}

} // namespace pq
