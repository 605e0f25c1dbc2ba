#pragma once

#include <QString>

class QWidget;

namespace pq {

// A question with the buttons Yes and No; true for Yes.
bool AskYesNoBox(QWidget* parent, const QString& text);
// A plain message with an OK button.
void ShowMessageBox(QWidget* parent, const QString& text);

} // namespace pq
