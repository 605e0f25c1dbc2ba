#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace pq {

// The user's preferences: name=value lines in settings.txt under the
// folder Pastelloquin of the documents folder. The file is read once, at
// the first call, and rewritten whole after every write. Errors never
// reach the user. UI thread only.

// Value of the first line with that name (names compare without regard to
// case), or defaultValue when there is none. An empty value is returned as
// empty.
QString GetSetting(const QString& name, const QString& defaultValue);
// Replaces the first line with that name or appends one; an empty value
// deletes the first such line. Then writes the file.
void SetSetting(const QString& name, const QString& value);

QString SettingsFolder();
QString SettingsFilePath();
QString LegacyThemeFilePath();

// Points the store at another folder (empty: the documents folder) and
// forgets what was loaded, so that the next call reads again. Tests use it
// to keep away from the user's own settings.
void SetSettingsFolder(const QString& folder);

// Text of a settings file: a byte-order mark selects UTF-8 or UTF-16;
// without one the bytes are UTF-8 when valid, else the ANSI code page.
// ok is false when text behind a mark cannot be decoded.
QString DecodeSettingsText(const QByteArray& bytes, bool* ok = nullptr);
// Lines split at CR LF, CR or LF; a final line break ends the last line.
QStringList SplitSettingsLines(const QString& text);

} // namespace pq
