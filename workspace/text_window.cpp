#include "workspace/text_window.h"

#include "ui/theme_style.h"
#include "ui/translate.h"

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

// The colours the popup offers: a translucent white, greys, then five
// rows of hues from dark to light.
std::vector<QRgb> Swatches()
{
    std::vector<QRgb> colors = {0xBFFFFFFF};
    for (int i = 0; i < 7; ++i) {
        const int v = 255 - i * 255 / 6;
        colors.push_back(qRgb(v, v, v));
    }
    for (const int lightness : {60, 100, 128, 170, 210})
        for (int hue = 0; hue < 360; hue += 45)
            colors.push_back(QColor::fromHsl(hue, 220, lightness).rgba());
    return colors;
}

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
    setStyleSheet(QStringLiteral("#textWindow { background: #2D3B51; border-radius: 15px; }"));

    Caption("Add text", this, 20, 14, 17, QFont::DemiBold);
    auto* close = new QToolButton(this);
    close->setObjectName(QStringLiteral("textCloseButton"));
    close->setText(QStringLiteral("\u00D7"));
    close->setGeometry(346, 8, 28, 28);
    close->setCursor(Qt::PointingHandCursor);
    connect(close, &QToolButton::clicked, this, &TextWindow::cancelClicked);

    text_ = new QLineEdit(this);
    text_->setObjectName(QStringLiteral("textToolEdit"));
    text_->setGeometry(20, 44, 346, 48);
    text_->setAlignment(Qt::AlignCenter);
    text_->setPlaceholderText(Translate(QStringLiteral("Enter your text here")));
    text_->setCursor(Qt::IBeamCursor);
    QFont fieldFont = text_->font();
    fieldFont.setPixelSize(24);
    text_->setFont(fieldFont);
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
    const std::vector<QRgb> colors = Swatches();
    for (size_t i = 0; i < colors.size(); ++i) {
        auto* swatch = new QToolButton(popup);
        const QRgb color = colors[i];
        swatch->setGeometry(12 + int(i % 8) * 20, 14 + int(i / 8) * 24, 18, 18);
        swatch->setStyleSheet(QStringLiteral("background: %1; border: 1px solid #555;")
                                  .arg(QColor::fromRgba(color).name(QColor::HexArgb)));
        connect(swatch, &QToolButton::clicked, this, [this, color] {
            setTextColor(color);
            emit colorChanged(color);
        });
    }
    popup->hide();
    return popup;
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
    if (!inside) {
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
        item->setForeground(Qt::white);
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
    QPalette palette = text_->palette();
    palette.setColor(QPalette::Text, QColor::fromRgba(color));
    text_->setPalette(palette);
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
    setWindowOpacity(0.75);
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
    setWindowOpacity(1);
}

} // namespace pq
