#pragma once

// Looks at a shown widget tree as a user would read it: every caption must
// fit its control (or scroll there as a marquee) and every text must stand
// out from what lies behind it.

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>

class QWidget;

namespace fitcheck {

// The WCAG contrast ratio of two opaque colours, 1 to 21.
double ContrastRatio(const QColor& a, const QColor& b);
inline constexpr double kLeastContrast = 4.5;

// In `area` of a picture: the colour most pixels have (what lies behind
// the text) and the ratio of the pixel that stands out most from it.
struct AreaContrast {
    QColor background;
    QColor text;
    double ratio = 21;
};
AreaContrast MeasureContrast(const QImage& shot, const QRect& area);

// How a control shows its caption, and whether that is whole.
struct CaptionFit {
    bool hasCaption = false;
    QString text;
    // The room and the width of the text, in pixels.
    double room = 0;
    double width = 0;
    bool fits = true;
    // The caption is wider but scrolls as a marquee.
    bool scrolls = false;
    // Where the text is drawn, in the control's coordinates.
    QRect textArea;
};
CaptionFit FitOf(const QWidget* control);

// Walks the visible tree under `top` and describes every caption that is
// cut, and every text whose contrast with its background in `shot` (a
// picture of `top`) is below the least. Each line names the control.
QStringList CheckTree(QWidget* top, const QImage& shot);

} // namespace fitcheck
