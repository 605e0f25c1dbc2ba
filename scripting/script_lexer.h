#pragma once

#include "gfx/paint.h"

#include <QRgb>
#include <QString>
#include <QStringList>

#include <optional>

namespace pq {

// The lexical rules of .pqs scripts: pure functions of their text.

// The text split into lines at CR LF, CR or LF.
QStringList SplitScriptLines(const QString& text);

// A line without the characters 0..32 at either end.
QString TrimScriptLine(const QString& line);

// The tokens of a trimmed line. Blanks (only) separate tokens; a token
// opened by a double or single quote runs to the same quote or the line's
// end, without the quotes and without escapes, and a new token starts right
// after the closing quote.
QStringList TokenizeLine(const QString& line);

// A whole token as a 32-bit integer: an optional sign, then decimal digits,
// or hexadecimal digits after "$" or "0x". Hexadecimal values up to
// FFFFFFFF wrap into the signed range. Nothing else is an integer.
std::optional<int> ReadScriptInteger(const QString& token);

// A whole token as a finite real number with "." as the decimal separator
// in every locale: an optional sign, digits with an optional fraction, an
// optional exponent. "50,5" is no number.
std::optional<double> ReadScriptReal(const QString& token);

// A coordinate or size: "%" at the end sets percent; the rest is a real
// number, 0 when it is none.
struct ScriptCoordinate {
    float value = 0.0f;
    bool percent = false;
};
ScriptCoordinate ParseCoordinate(const QString& token);

// "#", "$" or nothing, then AARRGGBB or RRGGBB (made opaque).
std::optional<QRgb> ParseHexColor(const QString& token);

// A key=value option: the key upper-cased, the value with one pair of
// matching quotes removed. A token without "=" has an empty key.
struct ScriptOption {
    QString key;
    QString value;
};
ScriptOption SplitOption(const QString& token);

// The blend mode of a word; any word that is not a mode gives SrcOver.
gfx::BlendMode ParseBlendMode(const QString& word);

// The font style of a word ("bold", "italic", "bolditalic"); any other
// word gives the regular style.
struct ScriptFontStyle {
    int weight = 400;
    bool italic = false;
    bool operator==(const ScriptFontStyle&) const = default;
};
ScriptFontStyle ParseFontStyle(const QString& word);

// "#N" as the first argument of TEXTURE and FRAME: longer than one
// character, starting with "#" but not "#FF" in any case. Its value is the
// integer after "#", or -1 when that is not one; nullopt when the token is
// no item number.
std::optional<int> ParseItemNumber(const QString& token);

} // namespace pq
