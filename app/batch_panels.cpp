#include "app/batch_panels.h"

#include "ui/widgets/panel_close_button.h"
#include "ui/theme.h"
#include "ui/theme_style.h"

#include <QComboBox>
#include <QGraphicsDropShadowEffect>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

namespace pq {
namespace {

constexpr QRgb kPanelColor = 0xFF314158;
// A step lighter than 9CA3AF, which gave 4.1:1 on the panel; the light
// theme maps it to its secondary text.
constexpr QRgb kHintColor = 0xFFBCC2CB;

QString ColorName(QRgb color)
{
    return QColor::fromRgba(color).name(QColor::HexArgb);
}

void AddShadow(QWidget* widget, double blur)
{
    auto* shadow = new QGraphicsDropShadowEffect(widget);
    shadow->setOffset(3, 3);
    shadow->setBlurRadius(blur);
    shadow->setColor(QColor(0, 0, 0, 128));
    widget->setGraphicsEffect(shadow);
}

// The panel plate both batch panels stand on.
void StylePlate(QWidget* plate, const char* name)
{
    plate->setObjectName(QString::fromLatin1(name));
    plate->setAttribute(Qt::WA_StyledBackground);
    plate->setStyleSheet(QStringLiteral("#%1 { background: %2; border-radius: 15px; }"
                                        "QLabel { background: transparent; }")
                             .arg(QString::fromLatin1(name), ColorName(ThemedColor(kPanelColor))));
    AddShadow(plate, 8);
}

QPushButton* MakeButton(const QString& text, const char* role, QWidget* parent, QRect at)
{
    auto* button = new QPushButton(text, parent);
    button->setProperty("role", QString::fromLatin1(role));
    button->setGeometry(at);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

QLabel* MakeLabel(const QString& text, int size, QRgb color, QWidget* parent, QRect at)
{
    auto* label = new QLabel(text, parent);
    label->setFont(InterfaceFont(size));
    label->setGeometry(at);
    label->setStyleSheet(QStringLiteral("color: %1;").arg(ColorName(color)));
    return label;
}

} // namespace

BatchStartPanel::BatchStartPanel(QWidget* parent) : QWidget(parent)
{
    StylePlate(this, "batchStartPanel");
    setFixedSize(600, 285);
    closeButton = new PanelCloseButton(this);
    closeButton->setObjectName(QStringLiteral("batchCloseButton"));
    closeButton->setGeometry(564, 10, 26, 26);
    closeButton->setCursor(Qt::PointingHandCursor);
    messageLabel = MakeLabel({}, 14, ThemedTextColor(0xFFFFFFFF), this, QRect(45, 26, 510, 50));
    messageLabel->setObjectName(QStringLiteral("batchMessageLabel"));
    messageLabel->setWordWrap(true);
    cancelButton = MakeButton(QStringLiteral("Cancel batch"), "ghost", this, QRect(90, 80, 200, 33));
    cancelButton->setObjectName(QStringLiteral("batchCancelPreButton"));
    startButton = MakeButton(QStringLiteral("Start batch"), "primary", this, QRect(310, 80, 200, 33));
    startButton->setObjectName(QStringLiteral("batchStartButton"));
    auto* line = new QWidget(this);
    line->setGeometry(40, 135, 520, 1);
    line->setAttribute(Qt::WA_StyledBackground);
    line->setStyleSheet(QStringLiteral("background: #40FFFFFF;"));
    MakeLabel(QStringLiteral("Advanced: run a script instead of the current effect"), 11, kHintColor, this,
              QRect(20, 148, 560, 18))
        ->setAlignment(Qt::AlignCenter);
    loadScriptButton = MakeButton(QStringLiteral("Load script..."), "ghost", this, QRect(220, 173, 160, 28));
    loadScriptButton->setObjectName(QStringLiteral("batchLoadScriptButton"));
    MakeLabel(QStringLiteral("...or pick an embedded script:"), 11, kHintColor, this, QRect(20, 209, 560, 16))
        ->setAlignment(Qt::AlignCenter);
    scriptCombo = new QComboBox(this);
    scriptCombo->setObjectName(QStringLiteral("batchScriptCombo"));
    scriptCombo->setGeometry(150, 230, 300, 26);
    scriptCombo->setCursor(Qt::PointingHandCursor);
    // The list's entries in the panel's colours, readable in both themes.
    scriptCombo->setStyleSheet(QStringLiteral("QComboBox, QComboBox QAbstractItemView { background: %1; color: %2; }"
                                              "QComboBox { border: 1px solid #545F72; border-radius: 6px;"
                                              " padding: 0px 6px; }"
                                              "QComboBox QAbstractItemView { selection-background-color: #2563EB; }")
                                   .arg(ColorName(ThemedColor(0xFF1F2937)), ColorName(ThemedTextColor(0xFFFFFFFF))));
    hide();
}

BatchOverlay::BatchOverlay(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("batchOverlay"));
    panel = new QWidget(this);
    StylePlate(panel, "batchOverlayPanel");
    panel->setFixedSize(500, 130);
    progressLabel = MakeLabel({}, 16, ThemedTextColor(0xFFFFFFFF), panel, QRect(10, 25, 480, 30));
    progressLabel->setObjectName(QStringLiteral("batchProgressLabel"));
    progressLabel->setAlignment(Qt::AlignCenter);
    noticeLabel = MakeLabel({}, 11, ThemedTextColor(0xFFFCA5A5), panel, QRect(10, 53, 480, 18));
    noticeLabel->setObjectName(QStringLiteral("batchNoticeLabel"));
    noticeLabel->setAlignment(Qt::AlignCenter);
    cancelButton = MakeButton(QStringLiteral("Cancel batch"), "ghost", panel, QRect(150, 75, 200, 33));
    cancelButton->setObjectName(QStringLiteral("batchCancelButton"));
    AddShadow(cancelButton, 0);
    hide();
}

void BatchOverlay::showNotice(const QString& text)
{
    noticeText_ = text;
    noticeLabel->setToolTip(text);
    noticeLabel->setText(noticeLabel->fontMetrics().elidedText(text, Qt::ElideMiddle, noticeLabel->width()));
}

void BatchOverlay::fitToParent()
{
    if (QWidget* owner = parentWidget())
        setGeometry(owner->rect());
    panel->move((width() - panel->width()) / 2, (height() - panel->height()) / 2);
}

void BatchOverlay::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0, 0, 0, 128));
}

// Clicks outside the panel stop here.
void BatchOverlay::mousePressEvent(QMouseEvent* event)
{
    event->accept();
}

void BatchOverlay::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
}

void BatchOverlay::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
}

void BatchOverlay::wheelEvent(QWheelEvent* event)
{
    event->accept();
}

} // namespace pq
