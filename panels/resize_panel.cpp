#include "panels/resize_panel.h"

#include "panels/number_box.h"
#include "ui/widgets/panel_close_button.h"
#include "panels/selector_style.h"
#include "ui/theme_style.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>

namespace pq {
namespace {

using Box = ResizeModel::Box;

NumberBox* MakeBox(QWidget* parent, const char* name, QRect at, double maximum)
{
    auto* box = new NumberBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(0, int(maximum));
    box->setFont(InterfaceFont(13));
    box->setGeometry(at);
    return box;
}

} // namespace

ResizePanel::ResizePanel(QWidget* parent) : QWidget(parent), typingTimer_(this)
{
    setObjectName(QStringLiteral("resizePanel"));
    setAttribute(Qt::WA_StyledBackground);
    setFixedSize(342, 189);
    setStyleSheet(QStringLiteral(
        "#resizePanel { background: #111827; border-radius: 15px; }"
        "QLabel { color: #FFFFFF; background: transparent; }"
        "QSpinBox { background: #1F2937; color: #FFFFFF; border: 1px solid #545F72; border-radius: 6px;"
        " padding: 0px 4px; selection-background-color: #2563EB; selection-color: #FFFFFF; }"
        "QSpinBox:focus { border: 1px solid #61B9D2; }"
        "QCheckBox { color: #FFFFFF; background: transparent; spacing: 8px; }"));

    closeButton = new PanelCloseButton(this);
    closeButton->move(308, 8);
    widthLabel = MakeSelectorLabel(QStringLiteral("Width"), this, "widthLabel", QRect(45, 29, 65, 22));
    heightLabel = MakeSelectorLabel(QStringLiteral("Height"), this, "heightLabel", QRect(45, 56, 65, 22));
    widthBox = MakeBox(this, "widthBox", QRect(112, 29, 80, 22), ResizeModel::kMaxPixels);
    heightBox = MakeBox(this, "heightBox", QRect(112, 56, 80, 22), ResizeModel::kMaxPixels);
    widthPercentBox = MakeBox(this, "widthPercentBox", QRect(212, 29, 50, 22), ResizeModel::kMaxPercent);
    heightPercentBox = MakeBox(this, "heightPercentBox", QRect(212, 56, 50, 22), ResizeModel::kMaxPercent);
    MakeSelectorLabel(QStringLiteral("%"), this, "widthPercentSign", QRect(267, 29, 20, 22));
    MakeSelectorLabel(QStringLiteral("%"), this, "heightPercentSign", QRect(267, 56, 20, 22));
    lockAspectRatioBox = new QCheckBox(QStringLiteral("Lock Aspect Ratio"), this);
    lockAspectRatioBox->setObjectName(QStringLiteral("lockAspectRatioBox"));
    lockAspectRatioBox->setFont(InterfaceFont(13));
    lockAspectRatioBox->setGeometry(45, 94, 250, 24);
    lockAspectRatioBox->setChecked(true);
    cancelButton = MakeSelectorButton(QStringLiteral("Cancel"), this, "cancelButton", QRect(63, 132, 90, 37), "ghost");
    okButton = MakeSelectorButton(QStringLiteral("OK"), this, "okButton", QRect(177, 132, 120, 37), "primary");
    tabControls_ = {widthBox, widthPercentBox, heightBox, heightPercentBox, lockAspectRatioBox, cancelButton, okButton};

    for (NumberBox* box : {widthBox, widthPercentBox, heightBox, heightPercentBox})
        connect(box, &QSpinBox::valueChanged, this, [this, box](int value) { boxChanged(box, value); });
    connect(lockAspectRatioBox, &QCheckBox::toggled, this, [this](bool on) {
        model_.setLocked(on);
        showValues();
    });
    typingTimer_.setSingleShot(true);
    typingTimer_.setInterval(kTypingDelayMs);
    connect(&typingTimer_, &QTimer::timeout, this, &ResizePanel::readTypedText);
    connect(okButton, &QPushButton::clicked, this, &ResizePanel::confirm);
    connect(cancelButton, &QPushButton::clicked, this, &ResizePanel::cancel);
    connect(closeButton, &QAbstractButton::clicked, this, &ResizePanel::cancel);

    // The panel's keys come before the focused control's.
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
}

// Closing a shown panel moves the focus out of a box, which reports a
// typed value: by then the panel is half destroyed, so the boxes go quiet.
ResizePanel::~ResizePanel()
{
    for (NumberBox* box : {widthBox, widthPercentBox, heightBox, heightPercentBox})
        if (box)
            box->disconnect(this);
}

void ResizePanel::setInitialSize(int width, int height)
{
    updating_ = true;
    model_.setInitialSize(width, height);
    showValues();
    updating_ = false;
}

void ResizePanel::focusPercentBox()
{
    widthPercentBox->setFocus(Qt::OtherFocusReason);
    QTimer::singleShot(0, widthPercentBox, [box = widthPercentBox] { box->selectAll(); });
}

void ResizePanel::boxChanged(NumberBox* box, double value)
{
    if (updating_)
        return;
    updating_ = true;
    model_.edit(which(box), value);
    showValues(box);
    updating_ = false;
}

void ResizePanel::readTypedText()
{
    double value = 0;
    if (lastEditedBox_ && lastEditedBox_->typedNumber(&value))
        boxChanged(lastEditedBox_, value);
}

void ResizePanel::showValues(const NumberBox* except)
{
    for (NumberBox* box : {widthBox, widthPercentBox, heightBox, heightPercentBox}) {
        if (box == except)
            continue;
        const QSignalBlocker blocker(box);
        box->setValue(model_.shown(which(box)));
    }
}

NumberBox* ResizePanel::boxOf(const QObject* object) const
{
    for (; object && object != this; object = object->parent())
        for (NumberBox* box : {widthBox, widthPercentBox, heightBox, heightPercentBox})
            if (object == box)
                return box;
    return nullptr;
}

ResizeModel::Box ResizePanel::which(const NumberBox* box) const
{
    if (box == widthBox)
        return Box::Width;
    if (box == heightBox)
        return Box::Height;
    return box == widthPercentBox ? Box::WidthPercent : Box::HeightPercent;
}

bool ResizePanel::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (handleKey(key->key(), key->modifiers()))
            return true;
    } else if (event->type() == QEvent::KeyRelease) {
        if (NumberBox* box = boxOf(watched)) {
            lastEditedBox_ = box;
            typingTimer_.start();
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool ResizePanel::handleKey(int key, Qt::KeyboardModifiers modifiers)
{
    switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        moveFocus(key == Qt::Key_Tab && !(modifiers & Qt::ShiftModifier));
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        const QWidget* focus = focusWidget();
        if (focus && (focus == cancelButton || cancelButton->isAncestorOf(focus))) {
            cancel();
            return true;
        }
        // The last keystrokes count, even inside the typing delay.
        double value = 0;
        if (NumberBox* box = boxOf(focus); box && box->typedNumber(&value)) {
            typingTimer_.stop();
            boxChanged(box, value);
        }
        confirm();
        return true;
    }
    case Qt::Key_Escape:
        cancel();
        return true;
    default:
        return false;
    }
}

void ResizePanel::moveFocus(bool forward)
{
    const int count = int(tabControls_.size());
    // The focused control, or its nearest ancestor in the list.
    int at = -1;
    for (const QWidget* w = focusWidget(); w && w != this && at < 0; w = w->parentWidget()) {
        const auto found = std::find(tabControls_.begin(), tabControls_.end(), w);
        if (found != tabControls_.end())
            at = int(found - tabControls_.begin());
    }
    int next = 0;
    if (at < 0)
        next = forward ? 0 : count - 1;
    else
        next = (at + (forward ? 1 : count - 1)) % count;
    tabControls_[size_t(next)]->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
}

void ResizePanel::confirm()
{
    if (finished_)
        return;
    finished_ = true;
    const QSize size = model_.confirmedSize();
    emit confirmed(size.width(), size.height());
}

void ResizePanel::cancel()
{
    if (finished_)
        return;
    finished_ = true;
    emit cancelled();
}

} // namespace pq
