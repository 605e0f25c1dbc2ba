#include "app/donation_box.h"

#include "ui/debug_log.h"
#include "ui/theme_style.h"
#include "ui/theme_walk.h"
#include "ui/translate.h"
#include "ui/widgets/icon_button.h"

#include <QGraphicsDropShadowEffect>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace pq {
namespace {

constexpr int kWidth = 488;
constexpr int kHeight = 486;

// The button's caption, without the blanks that once made room for its icon.
QString BuyCaption()
{
    QString caption = Translate(QStringLiteral("         Buy me a coffee"));
    qsizetype i = 0;
    while (i < caption.size() && (caption.at(i) == QLatin1Char(' ') || caption.at(i) == QChar(0x00A0)))
        ++i;
    return caption.mid(i);
}

} // namespace

DonationBox::DonationBox(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("donationBox"));
    setFixedSize(kWidth, kHeight);
    auto* shadow = new QGraphicsDropShadowEffect(this);
    shadow->setBlurRadius(32);
    shadow->setOffset(0, 8);
    shadow->setColor(QColor(0, 0, 0, 130));
    setGraphicsEffect(shadow);

    icon_ = new QLabel(this);
    icon_->setGeometry(32, 30, 28, 28);
    title_ = new QLabel(Translate(QStringLiteral("How about a coffee?")), this);
    title_->setObjectName(QStringLiteral("donationTitle"));
    title_->setFont(InterfaceFont(20, QFont::DemiBold));
    title_->setGeometry(72, 28, kWidth - 72 - 64, 32);
    closeButton_ = new IconButton(QStringLiteral("winclose"), this);
    closeButton_->setObjectName(QStringLiteral("donationCloseButton"));
    closeButton_->setGeometry(kWidth - 16 - 34, 16, 34, 34);
    closeButton_->setIconPixelSize(16);
    closeButton_->setToolTip(Translate(QStringLiteral("Close")));

    letter_ = new QLabel(this);
    letter_->setObjectName(QStringLiteral("donationLetter"));
    letter_->setGeometry(32, 80, kWidth - 64, 300);
    letter_->setFont(InterfaceFont(14));
    letter_->setWordWrap(true);
    letter_->setTextFormat(Qt::PlainText);
    letter_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    buyButton_ = new IconButton(QStringLiteral("coffee"), this);
    buyButton_->setObjectName(QStringLiteral("buyCoffeeButton"));
    buyButton_->setText(BuyCaption());
    buyButton_->setCaptionFont(InterfaceFont(16, QFont::DemiBold));
    buyButton_->setIconPixelSize(20);
    buyButton_->setRadius(12);
    buyButton_->setGeometry(32, kHeight - 32 - 46, 230, 46);
    buyButton_->setFocusPolicy(Qt::StrongFocus);
    cancelButton_ = new QPushButton(Translate(QStringLiteral("Cancel")), this);
    cancelButton_->setObjectName(QStringLiteral("cancelCoffeeButton"));
    cancelButton_->setProperty("role", "ghost");
    cancelButton_->setFont(InterfaceFont(14, QFont::Medium));
    cancelButton_->setCursor(Qt::PointingHandCursor);
    cancelButton_->setGeometry(kWidth - 32 - 140, buyButton_->y(), 140, 46);

    const auto guarded = [this](const char* context, void (DonationBox::*handler)()) {
        return [this, context, handler] { GuardedCall(context, [this, handler] { (this->*handler)(); }); };
    };
    connect(buyButton_, &QAbstractButton::clicked, this, guarded("buyCoffee", &DonationBox::buy));
    connect(cancelButton_, &QPushButton::clicked, this, guarded("cancelCoffee", &DonationBox::cancel));
    connect(closeButton_, &QAbstractButton::clicked, this, guarded("closeCoffee", &DonationBox::cancel));
    hide();
}

QString DonationBox::Letter()
{
    return QStringLiteral(
        "Hello, and thank you for painting with Pastelloquin!\n\n"
        "Pastelloquin is made by one person, in the quiet hours after work, for everyone who likes to turn "
        "photos into pictures. It has no ads, no subscription and no tracking: just the brushes, the paper "
        "and you.\n\n"
        "If it has brought you a little joy, you can buy me a coffee. It keeps the web site running and "
        "buys the time for new effects.\n\n"
        "Whatever you choose, I am glad you are here. Happy painting!\n\n"
        "The maker of Pastelloquin");
}

void DonationBox::open()
{
    const UiPalette& palette = CurrentPalette();
    letter_->setText(Letter());
    letter_->setStyleSheet(QStringLiteral("color: %1;").arg(CssColor(palette.text)));
    title_->setStyleSheet(QStringLiteral("color: %1;").arg(CssColor(palette.textStrong)));
    SetIconLabel(icon_, QStringLiteral("coffee"), QColor(0xFD, 0xBA, 0x74), 28);
    // White on the accent blue in both themes.
    buyButton_->setThemed(false);
    buyButton_->setRestFill(DarkPalette().accentFill);
    buyButton_->setHoverFill(DarkPalette().accentFillHover);
    buyButton_->setIconColor(QColor(0xFF, 0xFF, 0xFF));
    buyButton_->setHoverColor(QColor(0xFF, 0xFF, 0xFF));
    show();
    raise();
    buyButton_->setFocus();
    emit opened();
}

void DonationBox::buy()
{
    hide();
    emit buyClicked();
    emit closed();
}

void DonationBox::cancel()
{
    hide();
    emit closed();
}

void DonationBox::paintEvent(QPaintEvent*)
{
    const UiPalette& palette = CurrentPalette();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(palette.border, 1));
    p.setBrush(palette.card);
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 20, 20);
}

} // namespace pq
