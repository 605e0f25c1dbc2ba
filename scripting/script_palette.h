#pragma once

#include <QRgb>
#include <QString>
#include <QStringList>

namespace pq {

// The lines the editor's insert buttons write. Lines for the current
// choices take them from the window (InsertChoices).

// A colour as a script writes it: "#" and eight upper-case hex digits.
QString ScriptColorText(QRgb color);

// The window's choices some insert buttons write.
struct InsertChoices {
    int effectNumber = -1;
    int p[5] = {50, 50, 50, 50, 50};
    QString lutFilePath; // empty with a built-in look
    int textureNumber = 1;
    int textureStrength = 50; // negative: none chosen
    double textureScale = 1.0;
    int frameNumber = 0;
    int frameSize = 20; // negative: none chosen
    QRgb frameColor = 0xFFFFFFFF;
    QRgb contourColor = 0xFF000000;
};

// "Effect (current)": the effect line, after a LUT_FILE line for the LUTs
// effect.
QStringList InsertEffectLines(const InsertChoices& choices);
// "Blend" with the mode chosen in its list ("normal" writes no mode).
QString InsertBlendLine(const QString& mode);
QString InsertTextureLine(const InsertChoices& choices);
QString InsertFrameLine(const InsertChoices& choices);
QString InsertBrushstrokesFrameLine(const InsertChoices& choices);
QString InsertTextLine();
QString InsertFontLine();
QString InsertContourOnLine(const InsertChoices& choices);

// Fixed lines: "SAVE myslot", "LOAD myslot", "SWAP", "RESET", "CLEAR",
// "NOCLEAR", "RESIZE 1920 1080", "CONTOUR OFF".
QString InsertSaveLine();
QString InsertLoadLine();
QString InsertResizeLine();

// Puts `line` as a new line after line `caretLine` of `lines` (at the end
// when the caret's line is not within the text); returns the new line's
// index.
int InsertLineAfter(QStringList& lines, int caretLine, const QString& line);

} // namespace pq
