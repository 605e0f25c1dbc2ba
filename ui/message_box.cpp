#include "ui/message_box.h"

#include "ui/interface_scale.h"
#include "ui/theme.h"
#include "ui/theme_style.h"

#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QPushButton>

namespace pq {

std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, const QString& text, bool question)
{
    auto box = std::make_unique<QMessageBox>(question ? QMessageBox::Question : QMessageBox::NoIcon,
                                             QStringLiteral("Pastelloquin"), text,
                                             question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, parent);
    box->setObjectName(QStringLiteral("messageBox"));
    box->setFont(InterfaceFont(Units(14)));
    if (auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
        label->setFont(InterfaceFont(Units(15)));
        label->setMinimumWidth(Units(kMessageBoxWidth));
        label->setWordWrap(true);
    }
    const QMessageBox::StandardButton primary = question ? QMessageBox::Yes : QMessageBox::Ok;
    for (QAbstractButton* button : box->buttons()) {
        const bool isPrimary = box->standardButton(button) == primary;
        button->setProperty("role", isPrimary ? "primary" : "ghost");
        button->setMinimumSize(Units(96), Units(32));
        button->setFont(InterfaceFont(Units(14)));
        button->setCursor(Qt::PointingHandCursor);
    }
    if (QLayout* layout = box->layout())
        layout->setContentsMargins(Units(24), Units(20), Units(24), Units(18));
    // Its own sheet: a box without a parent, or over a window whose sheet
    // is older than the theme, still shows the current theme.
    SetDesignStyleSheet(box.get(), ThemeStyleSheet(ThemeStyleResourceName()) +
                                       QStringLiteral("QMessageBox { background: %1; }")
                                           .arg(CssColor(CurrentPalette().raised)));
    // A question defaults to No, so that Enter never discards by accident.
    box->setDefaultButton(question ? QMessageBox::No : QMessageBox::Ok);
    return box;
}

bool AskYesNoBox(QWidget* parent, const QString& text)
{
    return MakeMessageBox(parent, text, true)->exec() == QMessageBox::Yes;
}

void ShowMessageBox(QWidget* parent, const QString& text)
{
    MakeMessageBox(parent, text, false)->exec();
}

} // namespace pq
