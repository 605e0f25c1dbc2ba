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
class TWorkspaceEvents : public QObject {
public:
    explicit TWorkspaceEvents(TForm1& form) : QObject(&form), form_(form) {}

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
            if (watched == form_.Label38)
                GuardedCall("Label38Paint", [&] { form_.Label38Paint(); });
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
        GuardedCall("FormKeyDown",
                    [&] { consumed = form_.FormKeyDown(event->key(), event->text(), event->modifiers()); });
        return consumed;
    }

    bool doubleClick(QObject* watched)
    {
        if (watched == form_.ParamsLabel) {
            GuardedCall("ParamsLabelDblClick", [&] { form_.ParamsLabelDblClick(); });
            return true;
        }
        for (int k = 1; k <= 5; ++k)
            if (watched == form_.ParamLabels[size_t(k - 1)]) {
                GuardedCall("ParamLabelDblClick", [&] { form_.ParamLabelDblClick(k); });
                return true;
            }
        return false;
    }

    bool mouse(QObject* watched, QMouseEvent* event)
    {
        const QEvent::Type type = event->type();
        if (watched == form_.Splitter)
            return splitter(event);
        if (type == QEvent::MouseMove
            && (watched == form_.ParamsLabel || watched == form_.SkSvg44 || watched == form_.SkSvg45)) {
            GuardedCall("ParamsLabelMouseMove", [&] { form_.ParamsLabelMouseMove(); });
            return false;
        }
        if (watched == form_.SpeedButton11 && type == QEvent::MouseButtonPress) {
            // Right button: fit to the view; any other: 100 %, centred.
            if (event->button() == Qt::RightButton)
                GuardedCall("CalculateBestFitAndCenter", [&] { form_.CalculateBestFitAndCenter(); });
            else
                GuardedCall("FullSizeAndCenter", [&] { form_.FullSizeAndCenter(); });
            return false;
        }
        if (type == QEvent::MouseButtonRelease && event->button() == Qt::LeftButton) {
            const QString action = watched->property("workspaceAction").toString();
            if (!action.isEmpty()) {
                GuardedCall("RunMenuAction", [&] { form_.RunMenuAction(action); });
                return true;
            }
        }
        return false;
    }

    bool splitter(QMouseEvent* event)
    {
        const QPointF pos = form_.Splitter->mapTo(form_.SkPaintBox1, event->position());
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            if (event->button() == Qt::LeftButton) {
                form_.FDragging = true;
                form_.Splitter->setCursor(Qt::SplitHCursor);
            }
            return true;
        case QEvent::MouseMove:
            GuardedCall("SkPaintBox1MouseMove", [&] { form_.SkPaintBox1MouseMove(event->buttons(), pos); });
            return true;
        case QEvent::MouseButtonRelease:
            GuardedCall("SkPaintBox1MouseUp", [&] { form_.SkPaintBox1MouseUp(event->button(), pos); });
            return true;
        default: return false;
        }
    }

    TForm1& form_;
};

QString defaultOpenDialog(QWidget* parent, const QString& title, const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, title, QString(), filter);
}

QStringList defaultOpenFilesDialog(QWidget* parent, const QString& title, const QString& filter)
{
    QFileDialog dialog(parent, title);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilters(filter.split(QStringLiteral(";;")));
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

QString defaultSaveDataDialog(QWidget* parent, const QString& title, const QString& filter, const QString& suffix)
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

QString defaultSaveDialog(QWidget* parent, const QString& title, const QString& proposal, int filterIndex)
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

void TForm1::WireWorkspace()
{
    const auto guarded = [this](const char* context, void (TForm1::*handler)()) {
        return [this, context, handler] { GuardedCall(context, [this, handler] { (this->*handler)(); }); };
    };

    connect(&UpdatePreviewTimer, &QTimer::timeout, this, guarded("UpdatePreviewTimerTimer", &TForm1::UpdatePreviewTimerTimer));
    connect(&PreviewDebounceTimer, &QTimer::timeout, this,
            guarded("PreviewDebounceTimerTimer", &TForm1::PreviewDebounceTimerTimer));
    connect(&FZoomDebounceTimer, &QTimer::timeout, this, guarded("ZoomDebounceTimerTimer", &TForm1::ZoomDebounceTimerTimer));
    // The zoom buttons step once when pressed and repeat while held, after
    // a pause.
    const auto repeatWhileHeld = [this, guarded](QAbstractButton* button, QTimer& timer, void (TForm1::*step)(),
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
    connect(&CleanUpTimer, &QTimer::timeout, this, guarded("CleanUpTimerTimer", &TForm1::CleanUpTimerTimer));

    // Effect lists and sliders.
    for (int f = 0; f < 5; ++f)
        connect(ListBoxes[size_t(f)], &QListWidget::itemClicked, this, [this, f](QListWidgetItem* item) {
            GuardedCall("ListBoxItemClick",
                        [&] { ListBoxItemClick(f + 1, ListBoxes[size_t(f)]->row(item)); });
        });
    for (int k = 1; k <= 5; ++k)
        connect(TrackBars[size_t(k - 1)], &QSlider::valueChanged, this,
                [this, k] { GuardedCall("TrackBarTracking", [&] { TrackBarTracking(k); }); });
    connect(Button1, &QPushButton::clicked, this, guarded("Button1Click", &TForm1::Button1Click));

    // Parameter file and effect options.
    connect(SkSvg44, &QAbstractButton::clicked, this, guarded("SkSvg44Click", &TForm1::SkSvg44Click));
    connect(SkSvg45, &QAbstractButton::clicked, this, guarded("SkSvg45Click", &TForm1::SkSvg45Click));
    connect(EraseBdSwitch, &QAbstractButton::clicked, this, guarded("EraseBdSwitchClick", &TForm1::EraseBdSwitchClick));
    connect(AddTextureSwitch, &QAbstractButton::clicked, this,
            guarded("AddTextureSwitchClick", &TForm1::AddTextureSwitchClick));
    connect(ContourSwitch, &QAbstractButton::clicked, this, guarded("ContourSwitchClick", &TForm1::ContourSwitchClick));
    connect(TestBrushButton, &QPushButton::clicked, this,
            guarded("TestBrushButtonClick", &TForm1::TestBrushButtonClick));
    connect(ResetBrushesButton, &QPushButton::clicked, this,
            guarded("ResetBrushesButtonClick", &TForm1::ResetBrushesButtonClick));
    connect(SelectLUTButton, &QPushButton::clicked, this,
            guarded("SelectLUTButtonClick", &TForm1::SelectLUTButtonClick));

    // Preview pane.
    connect(Image1, &TPreviewPane::mousePressed, this,
            [this](Qt::MouseButton, QPointF pos) { GuardedCall("Image1MouseDown", [&] { Image1MouseDown(pos); }); });
    connect(Image1, &TPreviewPane::mouseMoved, this, [this](Qt::MouseButtons buttons, QPointF pos) {
        GuardedCall("Image1MouseMove", [&] { Image1MouseMove(buttons, pos); });
    });
    connect(Image1, &TPreviewPane::mouseReleased, this, guarded("Image1MouseUp", &TForm1::Image1MouseUp));
    connect(Image1, &TPreviewPane::wheelTurned, this,
            [this](int delta) { GuardedCall("Image1MouseWheel", [&] { Image1MouseWheel(delta); }); });
    connect(Image1, &TPreviewPane::zoomInClicked, this, guarded("zoominskvgClick", &TForm1::zoominskvgClick));
    connect(Image1, &TPreviewPane::zoomOutClicked, this, guarded("zoomoutskvgClick", &TForm1::zoomoutskvgClick));
    connect(Image1, &TPreviewPane::zoomResetClicked, this, guarded("PreviewZoomRectClick", &TForm1::PreviewZoomRectClick));

    // Main canvas.
    connect(SkPaintBox1, &TCanvasView::mousePressed, this, [this](Qt::MouseButton button, QPointF pos) {
        GuardedCall("SkPaintBox1MouseDown", [&] { SkPaintBox1MouseDown(button, pos); });
    });
    connect(SkPaintBox1, &TCanvasView::mouseMoved, this, [this](Qt::MouseButtons buttons, QPointF pos) {
        GuardedCall("SkPaintBox1MouseMove", [&] { SkPaintBox1MouseMove(buttons, pos); });
    });
    connect(SkPaintBox1, &TCanvasView::mouseReleased, this, [this](Qt::MouseButton button, QPointF pos) {
        GuardedCall("SkPaintBox1MouseUp", [&] { SkPaintBox1MouseUp(button, pos); });
    });
    connect(SkPaintBox1, &TCanvasView::wheelTurned, this, [this](int delta, QPointF pos) {
        GuardedCall("SkPaintBox1MouseWheel", [&] { SkPaintBox1MouseWheel(delta, pos); });
    });
    connect(SkPaintBox1, &TCanvasView::resized, this, [this] {
        GuardedCall("SkPaintBox1Resized", [this] {
            UpdatePaintBoxSize();
            UpdateDivider();
        });
    });
    connect(SkPaintBox1, &TCanvasView::doubleClicked, this, guarded("SkPaintBox1DblClick", &TForm1::SkPaintBox1DblClick));
    connect(CheckBox1, &QCheckBox::toggled, this, guarded("CheckBox1Change", &TForm1::CheckBox1Change));
    connect(DropZoneRect, &TDropZone::browseClicked, this, guarded("Label12Click", &TForm1::LoadImageFile));
    connect(DefaultImageButton, &QPushButton::clicked, this,
            guarded("DefaultImageButtonClick", &TForm1::DefaultImageButtonClick));
    connect(LabelEnhance, &QAbstractButton::clicked, this, guarded("LabelEnhanceClick", &TForm1::LabelEnhanceClick));

    // Toolbar.
    connect(SpeedButton1, &QAbstractButton::clicked, this, [this] {
        GuardedCall("SpeedButton1Click", [this] {
            if (!IsEffectRunning())
                LoadImageFile();
        });
    });
    connect(SpeedButton2, &QAbstractButton::clicked, this, guarded("SpeedButton2Click", &TForm1::SaveImageFile));
    connect(SpeedButton5, &QAbstractButton::clicked, this, guarded("SpeedButton5Click", &TForm1::SpeedButton5Click));
    connect(SpeedButton6, &QAbstractButton::clicked, this, guarded("SpeedButton6Click", &TForm1::SpeedButton6Click));
    repeatWhileHeld(SpeedButton10, ZoomOutTimer, &TForm1::ZoomOut, "SpeedButton10Click");
    repeatWhileHeld(SpeedButton12, ZoomInTimer, &TForm1::ZoomIn, "SpeedButton12Click");
    connect(SpeedButton24, &QAbstractButton::clicked, this, guarded("SpeedButton24Click", &TForm1::SpeedButton24Click));

    auto* events = new TWorkspaceEvents(*this);
    for (QWidget* label : {static_cast<QWidget*>(ParamsLabel), static_cast<QWidget*>(ParamLabels[0]),
                           static_cast<QWidget*>(ParamLabels[1]), static_cast<QWidget*>(ParamLabels[2]),
                           static_cast<QWidget*>(ParamLabels[3]), static_cast<QWidget*>(ParamLabels[4])})
        label->installEventFilter(events);
    SpeedButton11->installEventFilter(events);
    Splitter->installEventFilter(events);
    for (const char* name : {"OpenMI", "SaveMI", "UndoMI", "RedoMI", "SplitViewMI", "AutoEnhanceMI"})
        if (auto* entry = MenuContainer->findChild<QLabel*>(QString::fromLatin1(name))) {
            entry->setProperty("workspaceAction", QString::fromLatin1(name));
            entry->installEventFilter(events);
        }
    qApp->installEventFilter(events);

    FGetOpenFileName = [this](const QString& title, const QString& filter) {
        return defaultOpenDialog(this, title, filter);
    };
    FGetSaveFileName = [this](const QString& title, const QString& proposal, int filterIndex) {
        return defaultSaveDialog(this, title, proposal, filterIndex);
    };
    FGetOpenFileNames = [this](const QString& title, const QString& filter) {
        return defaultOpenFilesDialog(this, title, filter);
    };
    FGetSaveDataFileName = [this](const QString& title, const QString& filter, const QString& suffix) {
        return defaultSaveDataDialog(this, title, filter, suffix);
    };

    // Auto-enhance: the wait cursor and a disabled entry while it works.
    FAutoEnhance = std::make_shared<AutoEnhanceCommand>([this](bool busy) {
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
        LabelEnhance->setEnabled(!busy);
    });
}

} // namespace pq
