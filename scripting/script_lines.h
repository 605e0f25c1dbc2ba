#pragma once

#include <QString>

namespace pq {

// Single script lines, without a line break, as the editor's insert
// buttons write them. Reals are written with "." and parse back to the
// same values (to the decimals written).

// "EFFECT n p1 p2 p3 p4 p5".
QString FormatEffectLine(int number, int p1, int p2, int p3, int p4, int p5);
// "BLEND slot opacity", then the mode when given.
QString FormatBlendLine(const QString& slot, int opacityPercent, const QString& mode);
// "TEXTURE #item strength scale" (scale to two decimals) when strength and
// scale are 0 or more; otherwise "TEXTURE".
QString FormatTextureLine(int item, int strength, double scale);
// "FRAME", " #item" when item >= 0, " margin" when margin >= 0 and only
// then the colour text when given.
QString FormatFrameLine(int item, int margin, const QString& colorText);
// "FRAME brushstrokes width", the colour text when given, " brush=N" when
// the brush size is not 40.
QString FormatBrushstrokesFrameLine(int width, const QString& colorText, int brushSize);
// "TEXT x y "string"", x and y as passed ("50%" keeps its sign).
QString FormatTextLine(const QString& x, const QString& y, const QString& text);
// "FONT name size" (the name quoted when it holds a blank, the size to one
// decimal), then the style and the colour text, each when given.
QString FormatFontLine(const QString& name, double size, const QString& style, const QString& colorText);

// A real with at most `decimals` decimals, trailing zeros dropped, "." as
// separator: 0.5 -> "0.5", 2.0 -> "2". Halves round to even.
QString FormatScriptReal(double value, int decimals);

} // namespace pq
