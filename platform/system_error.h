#pragma once

#include <QString>

#include <cstring>

namespace platform {

// The system's own words for an errno value ("No space left on device").
inline QString SystemError(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

// Puts `text` into *error when there is one and gives false, so that a
// failing step reads `return Fail(error, ...)`.
inline bool Fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

} // namespace platform
