#include "app/update_box.h"

#include "ui/debug_log.h"
#include "ui/language_lists.h"
#include "ui/theme_style.h"
#include "ui/translate.h"

#include <QGraphicsDropShadowEffect>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace pq {
namespace {

QString FillIn(const char* key, const QString& value)
{
    QString text = Translate(QString::fromLatin1(key));
    text.replace(QStringLiteral("%s"), value);
    return text;
}

} // namespace

UpdateBox::UpdateBox(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("updateBox"));
    setFixedSize(369, 210);
    auto* shadow = new QGraphicsDropShadowEffect(this);
    shadow->setBlurRadius(28);
    shadow->setOffset(0, 6);
    shadow->setColor(QColor(0, 0, 0, 120));
    setGraphicsEffect(shadow);

    text_ = new QLabel(this);
    text_->setObjectName(QStringLiteral("updateText"));
    text_->setGeometry(24, 22, 321, 129);
    text_->setFont(InterfaceFont(14));
    text_->setWordWrap(true);
    text_->setTextFormat(Qt::PlainText);
    text_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    cancelButton_ = new QPushButton(Translate(QStringLiteral("Cancel")), this);
    cancelButton_->setObjectName(QStringLiteral("cancelUpdateButton"));
    cancelButton_->setProperty("role", "ghost");
    visitButton_ = new QPushButton(QStringLiteral("Visit ") + QString::fromLatin1(kWebHostName).mid(4), this);
    visitButton_->setObjectName(QStringLiteral("visitWebsiteButton"));
    visitButton_->setProperty("role", "primary");
    visitButton_->setGeometry(369 - 24 - 190, 210 - 18 - 36, 190, 36);
    cancelButton_->setGeometry(visitButton_->x() - 10 - 100, visitButton_->y(), 100, 36);
    for (QPushButton* b : {cancelButton_, visitButton_}) {
        b->setFont(InterfaceFont(13, QFont::Medium));
        b->setCursor(Qt::PointingHandCursor);
    }
    connect(cancelButton_, &QPushButton::clicked, this, &QWidget::hide);
    connect(visitButton_, &QPushButton::clicked, this, [this] {
        hide();
        emit visitClicked();
    });
    hide();
}

QString UpdateBox::Message(const QString& remote, const QString& local)
{
    return FillIn("Version %s is available.", remote) + QStringLiteral("\r\n")
           + FillIn("You are currently using %s.", local) + QStringLiteral("\r\n\r\n")
           + Translate(QStringLiteral("Would you like to visit ") + QString::fromLatin1(kWebHostName)
                       + QStringLiteral(" to download it?"));
}

void UpdateBox::showVersions(const QString& remote, const QString& local)
{
    text_->setText(Message(remote, local));
    text_->setStyleSheet(QStringLiteral("color: %1;").arg(CssColor(CurrentPalette().textStrong)));
    show();
    raise();
}

void UpdateBox::paintEvent(QPaintEvent*)
{
    const UiPalette& palette = CurrentPalette();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(palette.border, 1));
    p.setBrush(palette.card);
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 16, 16);
}

} // namespace pq
