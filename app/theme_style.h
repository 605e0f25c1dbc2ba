#pragma once

#include <QColor>
#include <QFont>
#include <QString>

namespace pq {

// The colours the window is drawn with. Painted widgets read the current
// palette when they paint, so a theme switch only swaps the palette,
// re-applies the style sheet and repaints.
struct TUiPalette {
    QColor frame;         // window background around the panels
    QColor panel;         // side panels and the workspace
    QColor raised;        // toolbar, menus, popups
    QColor plate;         // highlight plates of the effect families
    QColor card;          // floating windows
    QColor line;          // separators, slider grooves
    QColor border;        // outlines
    QColor muted;         // disabled text, dashed outlines
    QColor text;          // normal text and icons
    QColor textSecondary; // captions and section headings
    QColor textStrong;    // hovered and selected text
    QColor accent;        // selection accent, switches
    QColor accentStrong;  // primary button, progress ring
    QColor danger;        // close hover
};

const TUiPalette& DarkPalette();
const TUiPalette& CurrentPalette();

// The interface font family with its fall-backs.
QFont InterfaceFont(int pixelSize, QFont::Weight weight = QFont::Normal);

// The style sheet of the main window's standard controls.
QString MainStyleSheet(const TUiPalette& palette);

// Colour as #rrggbb or rgba(...) text for style sheets.
QString CssColor(const QColor& color);

} // namespace pq
