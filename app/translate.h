#pragma once

#include <QString>

namespace pq {

// The user-visible English texts pass through Translate; until the
// dictionary exists every text is its own translation and the interface
// language is English.
inline QString Translate(const QString& english)
{
    return english;
}

inline QString GetCurrentLanguage()
{
    return QStringLiteral("en");
}

} // namespace pq
