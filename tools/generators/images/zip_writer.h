#pragma once

#include <QByteArray>
#include <QString>

#include <utility>
#include <vector>

namespace gen {

// Writes a zip archive whose members are stored without compression, in
// the given order, with a fixed time stamp so that equal input gives equal
// bytes. The file is written next to `path` and renamed into place.
bool WriteStoredZip(const QString& path, const std::vector<std::pair<QString, QByteArray>>& members, QString* error);

} // namespace gen
