#include "scripting/script_lines.h"

#include <cmath>

namespace pq {

QString FormatScriptReal(double value, int decimals)
{
    if (!std::isfinite(value))
        return QStringLiteral("0");
    const double scale = std::pow(10.0, decimals);
    double rounded = std::nearbyint(value * scale) / scale;
    if (!std::isfinite(rounded))
        rounded = value;
    if (rounded == 0.0)
        rounded = 0.0; // no "-0"
    QString text = QString::number(rounded, 'f', decimals);
    if (text.contains(u'.')) {
        while (text.endsWith(u'0'))
            text.chop(1);
        if (text.endsWith(u'.'))
            text.chop(1);
    }
    return text;
}

QString FormatEffectLine(int number, int p1, int p2, int p3, int p4, int p5)
{
    return QStringLiteral("EFFECT %1 %2 %3 %4 %5 %6").arg(number).arg(p1).arg(p2).arg(p3).arg(p4).arg(p5);
}

QString FormatBlendLine(const QString& slot, int opacityPercent, const QString& mode)
{
    QString line = QStringLiteral("BLEND ") + slot + u' ' + QString::number(opacityPercent);
    if (!mode.isEmpty())
        line += u' ' + mode;
    return line;
}

QString FormatTextureLine(int item, int strength, double scale)
{
    if (strength < 0 || !(scale >= 0.0))
        return QStringLiteral("TEXTURE");
    return QStringLiteral("TEXTURE #") + QString::number(item) + u' ' + QString::number(strength) + u' ' +
           FormatScriptReal(scale, 2);
}

QString FormatFrameLine(int item, int margin, const QString& colorText)
{
    QString line = QStringLiteral("FRAME");
    if (item >= 0)
        line += QStringLiteral(" #") + QString::number(item);
    if (margin >= 0) {
        line += u' ' + QString::number(margin);
        if (!colorText.isEmpty())
            line += u' ' + colorText;
    }
    return line;
}

QString FormatBrushstrokesFrameLine(int width, const QString& colorText, int brushSize)
{
    QString line = QStringLiteral("FRAME brushstrokes ") + QString::number(width);
    if (!colorText.isEmpty())
        line += u' ' + colorText;
    if (brushSize != 40)
        line += QStringLiteral(" brush=") + QString::number(brushSize);
    return line;
}

QString FormatTextLine(const QString& x, const QString& y, const QString& text)
{
    return QStringLiteral("TEXT ") + x + u' ' + y + QStringLiteral(" \"") + text + u'"';
}

QString FormatFontLine(const QString& name, double size, const QString& style, const QString& colorText)
{
    const QString shownName = name.contains(u' ') ? u'"' + name + u'"' : name;
    QString line = QStringLiteral("FONT ") + shownName + u' ' + FormatScriptReal(size, 1);
    if (!style.isEmpty())
        line += u' ' + style;
    if (!colorText.isEmpty())
        line += u' ' + colorText;
    return line;
}

} // namespace pq
