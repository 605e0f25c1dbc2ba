#include "scripting/script_example.h"

#include "scripting/script_library.h"

namespace pq {

QStringList ExampleScriptLines()
{
    return {
        QStringLiteral("# Pastelloquin Example Script"),
        QStringLiteral("# Lines starting with # are comments"),
        QString(36, u'#'),
        QString(),
        QStringLiteral("#Start from the source image"),
        QStringLiteral("RESET"),
        QStringLiteral("EFFECT Watercolor 30 40 40 100 20"),
        QStringLiteral("SAVE myslot"),
        QStringLiteral("RESET"),
        QStringLiteral("EFFECT Watercolor2 90 20 55 20 55"),
        QStringLiteral("BLEND myslot 50"),
        QStringLiteral("SAVE myslot"),
        QStringLiteral("NOCLEAR"),
        QStringLiteral("EFFECT WatercolorSplashes 10 70 10 50 80"),
        QStringLiteral("BLEND myslot 70"),
        QStringLiteral("EFFECT Adjustments 55 52 55 15 52"),
        QStringLiteral("FONT Georgia 24 italic #AAFFFFFF"),
        QStringLiteral("TEXT 99% 99% 'Pastelloquin' shadow=on"),
        QStringLiteral("FRAME brushstrokes 20 #FFFFFFFF"),
        QStringLiteral("TEXTURE #2 30 1"),
    };
}

QString StartupScriptText()
{
    for (const ScriptEntry& entry : LoadBuiltInScripts())
        if (entry.name == QStringLiteral("Triple Watercolor"))
            return entry.text;
    return ExampleScriptLines().join(u'\n');
}

} // namespace pq
