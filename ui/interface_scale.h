#pragma once

#include <QString>

class QWidget;

namespace pq {

// The interface zoom is drawn by the program itself: the window is built
// in design units (one unit is one logical pixel at zoom 1) and every
// length set by code is units x the applied scale. Qt keeps handling each
// monitor's own pixel ratio.

// The scale a zoom factor gives: Round(96 x zoom) / 96.
double AppliedScale(double zoom);
// Pixels per design unit of the main window and the script editor.
double InterfaceScale();
void SetInterfaceScale(double scale);
// Design units in pixels at the current scale, rounded half to even.
int Units(double units);
// Pixels in design units at the current scale.
double ToUnits(double pixels);

// Style-sheet text with every length in px multiplied by `scale`; a length
// of at least one pixel stays at least one pixel.
QString ScaleStyleSheetLengths(const QString& css, double scale);
// Gives a widget a style sheet written in design units, shown at the
// current scale; ScaleWidgetTree keeps it scaled.
void SetDesignStyleSheet(QWidget* widget, const QString& css);

// Brings a widget tree from the scale its lengths are in to `scale`:
// explicit fonts, minimum and maximum sizes, layout margins, spacing and
// spacers, the geometry of children no layout places, style sheets, and
// widgets that offer `setInterfaceScale(double)`. Each length is kept in
// design units, so that zooming back and forth does not drift; a length
// that code changed since is taken as it stands.
void ScaleWidgetTree(QWidget* root, double scale);
// The scale a widget's lengths are in (1 for one never scaled).
double WidgetScale(const QWidget* widget);

} // namespace pq
