#pragma once

#include <QColor>
#include <QRgb>
#include <QString>

namespace pq {

// The light and dark theme. Everything is designed in dark colours; the
// light look maps each designed colour through fixed dark-to-light pairs.
// Colours are 32-bit ARGB; every mapping keeps the alpha.
enum class ThemeMode { Dark, Light };

// The current mode; dark until LoadTheme or a switch says otherwise.
extern ThemeMode gThemeMode;

// Fill and stroke colours: the table's pairs in either direction;
// translucent white towards light becomes translucent black and back.
QRgb MapThemeColor(QRgb color, bool toLight);
// Text colours: the two text greys in either direction; towards light any
// other light grey becomes one of them by its luminance.
QRgb MapThemeTextColor(QRgb color, bool toLight);

// Colours for the current mode of colours given for the dark theme.
QRgb ThemedColor(QRgb color);
QRgb ThemedTextColor(QRgb color);
// The window background: in light the colour's alpha with RGB E8ECF2.
QRgb ThemedBackgroundColor(QRgb color);

QColor ThemedColor(const QColor& color);
QColor ThemedTextColor(const QColor& color);

// "VORLUNE_LIGHT" in light, else "VORLUNE_DARK".
QString ThemeStyleResourceName();

// Sets gThemeMode from the setting "theme" or the legacy theme.txt; any
// failure leaves dark.
void LoadTheme();
// Writes the setting "theme" as "light" or "dark".
void SaveTheme();

} // namespace pq
