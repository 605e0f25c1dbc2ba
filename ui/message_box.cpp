#include "ui/message_box.h"

#include <QMessageBox>

namespace pq {

bool AskYesNoBox(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Pastelloquin"), text, QMessageBox::Yes | QMessageBox::No,
                    parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void ShowMessageBox(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Pastelloquin"), text, QMessageBox::Ok, parent);
    box.exec();
}

} // namespace pq
