#include "workspace/text_window.h"

#include "ui/theme_style.h"
#include "ui/theme_walk.h"
#include "ui/translate.h"
#include "ui/widgets/color_panel.h"
#include "ui/widgets/panel_close_button.h"

#include <QCursor>
#include <QDoubleSpinBox>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QShowEvent>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>
#include <QVariantAnimation>

#include <algorithm>

namespace pq {
namespace {

constexpr QRgb kTrackOn = 0xFF61B9D2;
constexpr QRgb kTrackOff = 0x2EFFFFFF;
constexpr QRgb kThumbOff = 0xFF808080;

// A caption in the interface font, so that it follows the interface size;
// the window sizes it to its text each time it shows.
QLabel* Caption(const char* text, QWidget* parent, int x, int y, int pixelSize = 15,
                QFont::Weight weight = QFont::Normal)
{
    auto* label = new QLabel(Translate(QString::fromUtf8(text)), parent);
    label->setObjectName(QStringLiteral("textWindowCaption"));
    label->move(x, y);
    label->setFont(InterfaceFont(pixelSize, weight));
    label->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
    label->adjustSize();
    return label;
}

QToolButton* IconButton(const QString& text, QWidget* parent, int x, int y)
{
    auto* button = new QToolButton(parent);
    button->setText(text);
    button->setGeometry(x, y, 28, 28);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

// The window's controls in the designed colours; the theme walk maps them
// for the light theme.
const char* const kWindowStyle =
    "#textWindow { background: #2D3B51; border-radius: 15px; }"
    "QToolButton { background: #374151; color: #F3F4F6; border: 1px solid #4B5563; border-radius: 6px; }"
    "QToolButton:hover { background: #4B5563; }"
    "QToolButton:checked { background: #2563EB; color: #FFFFFF; border-color: #2563EB; }"
    "QDoubleSpinBox { background: #1F2937; color: #F3F4F6; border: 1px solid #4B5563; border-radius: 6px;"
    " padding: 2px 6px; selection-background-color: #2563EB; selection-color: #FFFFFF; }"
    "QPushButton { background: #374151; color: #F3F4F6; border: none; border-radius: 8px; }"
    "QPushButton:hover { background: #4B5563; }"
    "QListWidget#fontListBox { color: #FFFFFF; }";

// The text field keeps a dark well in both themes, so that the text shows
// in the colour it will have.
constexpr QRgb kFieldFill = 0xFF1F2937;
constexpr QRgb kPromptColor = 0xFF9CA3AF;

QString FieldStyle(QRgb textColor)
{
    const QColor c = QColor::fromRgba(textColor);
    return QStringLiteral("QLineEdit#textToolEdit { background: %1; color: rgba(%2, %3, %4, %5);"
                          " border: 1px solid #4B5563; border-radius: 8px; selection-background-color: #2563EB;"
                          " selection-color: #FFFFFF; }")
        .arg(QColor::fromRgba(kFieldFill).name())
        .arg(c.red())
        .arg(c.green())
        .arg(c.blue())
        .arg(c.alpha());
}

// A centred line edit hides its prompt while it has the focus, and the
// text field has it from the moment the window opens: this one shows it.
class PromptField : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QLineEdit::paintEvent(event);
        if (!text().isEmpty() || placeholderText().isEmpty() || !hasFocus())
            return;
        QPainter p(this);
        p.setPen(palette().color(QPalette::PlaceholderText));
        p.setFont(font());
        const QRect area = rect().adjusted(8, 0, -8, 0);
        p.drawText(area, Qt::AlignCenter, fontMetrics().elidedText(placeholderText(), Qt::ElideRight, area.width()));
    }
};

} // namespace

ShadowSwitch::ShadowSwitch(QWidget* parent) : QWidget(parent), slide_(new QVariantAnimation(this))
{
    setObjectName(QStringLiteral("shadowCheckBox"));
    setFixedSize(40, 20);
    setCursor(Qt::PointingHandCursor);
    slide_->setDuration(50);
    connect(slide_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        thumbX_ = value.toDouble();
        update();
    });
}

void ShadowSwitch::setOn(bool on, bool animate)
{
    on_ = on;
    const double target = on ? width() - 18 - 1 : 1;
    slide_->stop();
    if (animate) {
        slide_->setStartValue(thumbX_);
        slide_->setEndValue(target);
        slide_->start();
    } else {
        thumbX_ = target;
    }
    update();
}

void ShadowSwitch::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromRgba(on_ ? kTrackOn : kTrackOff));
    p.drawRoundedRect(QRectF(rect()), 10, 10);
    p.setBrush(on_ ? QColor(Qt::white) : QColor::fromRgba(kThumbOff));
    p.drawEllipse(QRectF(thumbX_, 1, 18, 18));
}

void ShadowSwitch::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    setOn(!on_);
    emit toggled(on_);
}

TextWindow::TextWindow(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("textWindow"));
    setFixedSize(386, 436);
    setCursor(Qt::SizeAllCursor);
    setStyleSheet(QString::fromLatin1(kWindowStyle));

    Caption("Add text", this, 20, 14, 17, QFont::DemiBold);
    close_ = new PanelCloseButton(this);
    close_->setObjectName(QStringLiteral("textCloseButton"));
    close_->move(width() - 26 - 12, 12);
    connect(close_, &QAbstractButton::clicked, this, &TextWindow::cancelClicked);

    text_ = new PromptField(this);
    text_->setObjectName(QStringLiteral("textToolEdit"));
    text_->setGeometry(20, 44, 346, 48);
    text_->setAlignment(Qt::AlignCenter);
    text_->setPlaceholderText(Translate(QStringLiteral("Enter your text here")));
    text_->setCursor(Qt::IBeamCursor);
    QFont fieldFont = text_->font();
    fieldFont.setPixelSize(24);
    text_->setFont(fieldFont);
    MarkStyleBook(text_);
    QPalette fieldPalette = text_->palette();
    fieldPalette.setColor(QPalette::PlaceholderText, QColor::fromRgba(kPromptColor));
    text_->setPalette(fieldPalette);
    setTextColor(0xBFFFFFFF);
    text_->installEventFilter(this);
    connect(text_, &QLineEdit::textChanged, this, &TextWindow::textEdited);

    Caption("Font family", this, 20, 100);
    fonts_ = new QListWidget(this);
    fonts_->setObjectName(QStringLiteral("fontListBox"));
    fonts_->setGeometry(20, 120, 346, 126);
    fonts_->setCursor(Qt::ArrowCursor);
    connect(fonts_, &QListWidget::currentTextChanged, this, [this](const QString& family) {
        if (!family.isEmpty())
            emit fontChosen(family);
    });

    Caption("Font size", this, 20, 256);
    auto* smaller = IconButton(QStringLiteral("-"), this, 20, 278);
    size_ = new QDoubleSpinBox(this);
    size_->setObjectName(QStringLiteral("fontSizeBox"));
    size_->setGeometry(52, 278, 86, 28);
    size_->setRange(4, 400);
    size_->setDecimals(2);
    size_->setValue(24);
    size_->setCursor(Qt::IBeamCursor);
    auto* larger = IconButton(QStringLiteral("+"), this, 142, 278);
    connect(smaller, &QToolButton::clicked, size_, [this] { size_->stepDown(); });
    connect(larger, &QToolButton::clicked, size_, [this] { size_->stepUp(); });
    connect(size_, &QDoubleSpinBox::valueChanged, this, &TextWindow::sizeChanged);

    Caption("Font style", this, 200, 256);
    bold_ = IconButton(QStringLiteral("B"), this, 200, 278);
    italic_ = IconButton(QStringLiteral("I"), this, 232, 278);
    bold_->setObjectName(QStringLiteral("boldButton"));
    italic_->setObjectName(QStringLiteral("italicButton"));
    QFont boldFont = bold_->font();
    boldFont.setBold(true);
    bold_->setFont(boldFont);
    QFont italicFont = italic_->font();
    italicFont.setItalic(true);
    italic_->setFont(italicFont);
    bold_->setCheckable(true);
    italic_->setCheckable(true);
    const auto style = [this] { emit styleChanged(bold_->isChecked(), italic_->isChecked()); };
    connect(bold_, &QToolButton::toggled, this, style);
    connect(italic_, &QToolButton::toggled, this, style);
    color_ = IconButton(QStringLiteral("\u25A0"), this, 264, 278);
    color_->setObjectName(QStringLiteral("fontColorButton"));
    pulseBar_ = new QWidget(this);
    pulseBar_->setGeometry(266, 308, 24, 3);
    pulseBar_->setStyleSheet(QStringLiteral("background: white;"));
    auto* pulseEffect = new QGraphicsOpacityEffect(pulseBar_);
    pulseEffect->setOpacity(0);
    pulseBar_->setGraphicsEffect(pulseEffect);

    Caption("Drop shadow", this, 20, 326);
    shadow_ = new ShadowSwitch(this);
    shadow_->move(140, 326);
    connect(shadow_, &ShadowSwitch::toggled, this, &TextWindow::shadowToggled);

    auto* cancel = new QPushButton(Translate(QStringLiteral("Cancel")), this);
    cancel->setObjectName(QStringLiteral("cancelTextButton"));
    cancel->setGeometry(20, 376, 166, 40);
    auto* apply = new QPushButton(Translate(QStringLiteral("Apply text")), this);
    apply->setObjectName(QStringLiteral("applyTextButton"));
    apply->setGeometry(200, 376, 166, 40);
    SetAccentFill(apply, 8);
    for (QPushButton* button : {cancel, apply})
        button->setCursor(Qt::PointingHandCursor);
    connect(cancel, &QPushButton::clicked, this, &TextWindow::cancelClicked);
    connect(apply, &QPushButton::clicked, this, &TextWindow::applyClicked);

    colorPopup_ = buildColorPopup();
    colorTimer_.setInterval(3000);
    connect(color_, &QToolButton::clicked, this, [this] {
        colorPopup_->show();
        colorPopup_->raise();
        colorTimer_.start();
    });
    connect(&colorTimer_, &QTimer::timeout, this, &TextWindow::colorTimerTick);
    pulseTimer_.setInterval(50);
    connect(&pulseTimer_, &QTimer::timeout, this, &TextWindow::pulseTick);
    cursorPos = [] { return QCursor::pos(); };
    hide();
}

QWidget* TextWindow::buildColorPopup()
{
    auto* popup = new QFrame(this);
    popup->setObjectName(QStringLiteral("fontColorPopup"));
    popup->setGeometry(180, 100, 185, 171);
    popup->setStyleSheet(QStringLiteral("#fontColorPopup { background: #111827; border-radius: 15px; }"));
    popup->setCursor(Qt::ArrowCursor);
    colorPanel_ = new ColorPanel(popup);
    colorPanel_->setObjectName(QStringLiteral("fontColorPanel"));
    colorPanel_->move((popup->width() - colorPanel_->width()) / 2, (popup->height() - colorPanel_->height()) / 2);
    colorPanel_->setColor(QColor::fromRgba(textColor_));
    connect(colorPanel_, &ColorPanel::colorChanged, this, [this] { takePanelColor(); });
    popup->hide();
    return popup;
}

void TextWindow::takePanelColor()
{
    const QRgb color = colorPanel_->color().rgba();
    if (color == textColor_)
        return;
    setTextColor(color);
    emit colorChanged(color);
}

void TextWindow::colorTimerTick()
{
    if (!colorPopup_->isVisible()) {
        colorTimer_.stop();
        colorTimer_.setInterval(3000);
        return;
    }
    colorTimer_.setInterval(300);
    const QPoint local = colorPopup_->mapFromGlobal(cursorPos());
    const bool inside = local.x() >= 0 && local.y() >= 0 && local.x() < colorPopup_->width() &&
                        local.y() < colorPopup_->height();
    if (inside) {
        takePanelColor();
    } else {
        colorPopup_->hide();
        colorTimer_.stop();
        colorTimer_.setInterval(3000);
    }
}

void TextWindow::showEvent(QShowEvent* event)
{
    // Captions follow the language and the interface size chosen since.
    for (QLabel* caption : findChildren<QLabel*>(QStringLiteral("textWindowCaption"), Qt::FindDirectChildrenOnly))
        caption->adjustSize();
    QFrame::showEvent(event);
}

void TextWindow::fillFontList(const QStringList& families, const QString& current)
{
    if (fonts_->count() > 0)
        return;
    const QSignalBlocker quiet(fonts_);
    for (const QString& family : families) {
        auto* item = new QListWidgetItem(family, fonts_);
        QFont font(family);
        font.setPixelSize(14);
        item->setFont(font);
        item->setSizeHint(QSize(0, 26));
    }
    selectFont(current);
}

void TextWindow::selectFont(const QString& family)
{
    const QSignalBlocker quiet(fonts_);
    const QList<QListWidgetItem*> found = fonts_->findItems(family, Qt::MatchFixedString);
    if (!found.isEmpty())
        fonts_->setCurrentItem(found.first());
}

void TextWindow::setTextColor(QRgb color)
{
    textColor_ = color;
    text_->setStyleSheet(FieldStyle(color));
    if (colorPanel_ && colorPanel_->color().rgba() != color) {
        const QSignalBlocker quiet(colorPanel_);
        colorPanel_->setColor(QColor::fromRgba(color));
    }
}

void TextWindow::setDragFade(bool faded)
{
    if (!faded) {
        setGraphicsEffect(nullptr);
        return;
    }
    auto* fade = new QGraphicsOpacityEffect(this);
    fade->setOpacity(kDragOpacity);
    setGraphicsEffect(fade);
}

void TextWindow::startPulse()
{
    pulseTarget_ = 1;
    pulseOpacity_ = 0;
    pulseTimer_.start();
}

void TextWindow::pulseTick()
{
    auto* effect = static_cast<QGraphicsOpacityEffect*>(pulseBar_->graphicsEffect());
    if (!isVisible()) {
        pulseTimer_.stop();
        pulseOpacity_ = 0;
        effect->setOpacity(0);
        return;
    }
    pulseOpacity_ = std::clamp(pulseOpacity_ + (pulseTarget_ > pulseOpacity_ ? 0.02 : -0.02), 0.0, 1.0);
    if (pulseOpacity_ >= 1 - 1e-9)
        pulseTarget_ = 0;
    else if (pulseOpacity_ <= 1e-9)
        pulseTarget_ = 1;
    effect->setOpacity(pulseOpacity_);
}

bool TextWindow::eventFilter(QObject* watched, QEvent* event)
{
    // Enter and Esc in the text field belong to the window.
    if (watched == text_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            emit enterPressed();
            return true;
        }
        if (key == Qt::Key_Escape) {
            emit cancelClicked();
            return true;
        }
    }
    return QFrame::eventFilter(watched, event);
}

void TextWindow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    colorPopup_->hide();
    movingWindow_ = true;
    lastMouse_ = event->globalPosition().toPoint();
    grabMouse();
    setDragFade(true);
}

void TextWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (!movingWindow_)
        return;
    const QPoint now = event->globalPosition().toPoint();
    move(pos() + now - lastMouse_);
    lastMouse_ = now;
}

void TextWindow::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !movingWindow_)
        return;
    movingWindow_ = false;
    releaseMouse();
    setDragFade(false);
}

} // namespace pq
