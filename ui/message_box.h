#pragma once

#include <QString>

#include <memory>

class QMessageBox;
class QWidget;

namespace pq {

// The program's message box: the theme's colours whether or not it has a
// parent, the interface font at the interface size, room for a sentence
// on one line, and the default button drawn as the primary one.
std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, const QString& text, bool question);

// The box's least width in design units.
constexpr int kMessageBoxWidth = 380;

// A question with the buttons Yes and No; true for Yes.
bool AskYesNoBox(QWidget* parent, const QString& text);
// A plain message with an OK button.
void ShowMessageBox(QWidget* parent, const QString& text);

} // namespace pq
