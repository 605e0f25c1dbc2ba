#pragma once

#include <QColor>
#include <QFont>
#include <QString>

namespace pq {

// The colours the window is drawn with. Painted widgets read the current
// palette when they paint, so a theme switch only swaps the palette,
// re-applies the style sheet and repaints.
struct UiPalette {
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
    QColor accentStrong;  // progress ring
    // The blue under white captions (primary buttons), a shade darker than
    // accentStrong so that the caption reads; hovered and pressed darker.
    QColor accentFill;
    QColor accentFillHover;
    QColor accentFillPressed;
    QColor danger;        // close hover
    QColor buttonHover;   // plate buttons under the mouse
    QColor buttonPressed; // plate buttons held down
    QColor ghostHover;    // outlined buttons under the mouse
    QColor handle;        // slider handles
    QColor handleBorder;  // their outline
    QColor handleHover;   // a slider handle under the mouse
    QColor buttonBorder;  // outline of plate buttons
};

// The designed colours: every control is built with these.
const UiPalette& DarkPalette();
// The light look: the designed colours mapped through the theme's pairs.
const UiPalette& LightPalette();
// The palette of the current theme mode; painted widgets read it when they
// paint.
const UiPalette& CurrentPalette();

// The interface font family with its fall-backs.
QFont InterfaceFont(int pixelSize, QFont::Weight weight = QFont::Normal);

// The style sheet of the main window's standard controls.
QString MainStyleSheet(const UiPalette& palette);
// The style sheet by its resource name, "VORLUNE_DARK" or
// "VORLUNE_LIGHT"; any other name throws std::runtime_error.
QString ThemeStyleSheet(const QString& resourceName);

// Colour as #rrggbb or rgba(...) text for style sheets.
QString CssColor(const QColor& color);

} // namespace pq
