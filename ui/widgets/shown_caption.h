#pragma once

#include <QString>

namespace pq {

// A caption as our buttons, expanders and list items draw it: "&&" is one
// "&", and a single "&" is drawn as it is, never as a mnemonic.
inline QString ShownCaptionText(const QString& caption)
{
    QString shown = caption;
    shown.replace(QStringLiteral("&&"), QStringLiteral("&"));
    return shown;
}

} // namespace pq
