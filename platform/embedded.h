#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// Built-in data made at build time and linked into the program, by name
// (for example "PASTELLOQUIN_IMAGES"). The bytes are not copied; an unknown
// name gives an empty array.
QByteArray EmbeddedResource(const QString& name);

} // namespace platform
