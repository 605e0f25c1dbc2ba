#include "scripting/script_palette.h"

#include "scripting/script_lines.h"

namespace pq {

QString ScriptColorText(QRgb color)
{
    return u'#' + QStringLiteral("%1").arg(color, 8, 16, QLatin1Char('0')).toUpper();
}

QStringList InsertEffectLines(const InsertChoices& c)
{
    if (c.effectNumber <= 0)
        return {QStringLiteral("EFFECT 100 50 50 50 50 50")};
    QStringList lines;
    if (c.effectNumber == 404) {
        if (c.lutFilePath.isEmpty())
            lines << QStringLiteral("LUT_FILE C:\\path\\to\\your.cube");
        else if (c.lutFilePath.contains(u' '))
            lines << QStringLiteral("LUT_FILE \"") + c.lutFilePath + u'"';
        else
            lines << QStringLiteral("LUT_FILE ") + c.lutFilePath;
    }
    lines << FormatEffectLine(c.effectNumber, c.p[0], c.p[1], c.p[2], c.p[3], c.p[4]);
    return lines;
}

QString InsertBlendLine(const QString& mode)
{
    return FormatBlendLine(QStringLiteral("myslot"), 50, mode == QStringLiteral("normal") ? QString() : mode);
}

QString InsertTextureLine(const InsertChoices& c)
{
    if (c.textureStrength < 0)
        return QStringLiteral("TEXTURE");
    return FormatTextureLine(c.textureNumber, c.textureStrength, c.textureScale);
}

QString InsertFrameLine(const InsertChoices& c)
{
    if (c.frameSize < 0)
        return QStringLiteral("FRAME");
    return FormatFrameLine(c.frameNumber, c.frameSize, ScriptColorText(c.frameColor));
}

QString InsertBrushstrokesFrameLine(const InsertChoices& c)
{
    if (c.frameSize < 0)
        return QStringLiteral("FRAME brushstrokes 60");
    return FormatBrushstrokesFrameLine(c.frameSize, ScriptColorText(c.frameColor), 40);
}

QString InsertTextLine()
{
    return FormatTextLine(QStringLiteral("50%"), QStringLiteral("50%"), QStringLiteral("Pastelloquin"));
}

QString InsertFontLine()
{
    return FormatFontLine(QStringLiteral("Arial"), 48, QStringLiteral("bold"), ScriptColorText(0xFFFFFFFF));
}

QString InsertContourOnLine(const InsertChoices& c)
{
    return QStringLiteral("CONTOUR ON ") + ScriptColorText(c.contourColor);
}

QString InsertSaveLine()
{
    return QStringLiteral("SAVE myslot");
}

QString InsertLoadLine()
{
    return QStringLiteral("LOAD myslot");
}

QString InsertResizeLine()
{
    return QStringLiteral("RESIZE 1920 1080");
}

int InsertLineAfter(QStringList& lines, int caretLine, const QString& line)
{
    if (caretLine < 0 || caretLine >= lines.size()) {
        lines.append(line);
        return int(lines.size()) - 1;
    }
    lines.insert(caretLine + 1, line);
    return caretLine + 1;
}

} // namespace pq
