#pragma once

#include <QColor>
#include <QString>

class QWidget;

#include <functional>

class QLabel;
class QObject;
class QPushButton;

namespace pq {

// Colours of a style sheet for the light (true) or dark theme: "color" and
// "selection-color" as text colours, every other property as fill and
// stroke colours. Selectors and everything that is not a colour are kept.
QString MapStyleSheetColors(const QString& sheet, bool toLight);

// A label that shows one of the program's line icons: the walk draws it
// again in the mode's text colour.
void SetIconLabel(QLabel* label, const QString& iconName, const QColor& designedColor, int size);
// An icon label's size in pixels at its interface scale; its icon drawn
// anew at that size.
int IconLabelPixels(const QLabel* label);
void RescaleIconLabel(QLabel* label);

// A widget whose style sheet is the mode's own sheet (loaded whole for each
// mode): the walk leaves that sheet alone.
void MarkStyleBook(QWidget* widget);
bool IsStyleBook(const QWidget* widget);

// A button filled with the accent blue and captioned in white in both
// themes: its own sheet, which the walk leaves alone.
void SetAccentFill(QPushButton* button, int radius);

// Recolours root and its descendants for the light (true) or dark theme:
// their own style sheets and icon labels (painted widgets take their
// colours from the current palette when they paint).
// Controls are built in the designed (dark) colours, whatever the mode,
// and walked once they exist when the mode is light. Each
// control's designed colours are recorded the first time it is walked and
// every later walk maps from that record, so switching back and forth
// always returns the designed colours. A value that code changed since the
// last walk becomes the new record. skip leaves an object and its children
// alone. Every visited widget is repainted.
void WalkThemeColors(QObject* root, bool toLight, const std::function<bool(const QObject*)>& skip = {});

} // namespace pq
