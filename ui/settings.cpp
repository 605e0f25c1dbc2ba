#include "ui/settings.h"

#include "platform/bounded_file.h"
#include "platform/file_write.h"
#include "ui/debug_log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringDecoder>

#include <utility>
#include <vector>

namespace pq {

namespace {

enum class ReadResult { Missing, Read, Failed };

// A settings file holds a few dozen short lines; anything far larger is not
// ours and is left alone.
constexpr qint64 kMaxSettingsFileBytes = 1 << 20;

struct SettingsStore {
    QString folderOverride;
    QStringList lines;
    bool loadAttempted = false;
    // The file exists but its first read failed: its content is unknown,
    // so it must not be replaced by this run's lines alone.
    bool readFailed = false;
    // The writes made while the file's content is unknown, in order, to
    // replay on its lines when a later read succeeds.
    std::vector<std::pair<QString, QString>> changes;
};

SettingsStore& Store()
{
    static SettingsStore instance;
    return instance;
}

int IndexOfName(const QStringList& lines, const QString& name)
{
    for (int i = 0; i < lines.size(); ++i) {
        const qsizetype eq = lines[i].indexOf(QLatin1Char('='));
        if (eq >= 0 && QStringView(lines[i]).left(eq).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

void ApplyChange(QStringList& lines, const QString& name, const QString& value)
{
    const int index = IndexOfName(lines, name);
    if (value.isEmpty()) {
        if (index >= 0)
            lines.removeAt(index);
    } else if (index >= 0) {
        lines[index] = name + QLatin1Char('=') + value;
    } else {
        lines.append(name + QLatin1Char('=') + value);
    }
}

ReadResult ReadSettingsFile(const QString& path, QStringList& lines)
{
    if (!QFileInfo::exists(path))
        return ReadResult::Missing;
    QByteArray bytes;
    if (!platform::ReadRegularFile(path, kMaxSettingsFileBytes, bytes))
        return ReadResult::Failed;
    bool ok = false;
    const QString text = DecodeSettingsText(bytes, &ok);
    if (!ok)
        return ReadResult::Failed;
    lines = SplitSettingsLines(text);
    return ReadResult::Read;
}

void LoadSettings()
{
    SettingsStore& s = Store();
    if (s.loadAttempted)
        return;
    s.loadAttempted = true;
    try {
        QStringList lines;
        switch (ReadSettingsFile(SettingsFilePath(), lines)) {
        case ReadResult::Read:
            s.lines = lines;
            break;
        case ReadResult::Failed:
            s.readFailed = true;
            DebugLog(QStringLiteral("Settings: could not read ") + SettingsFilePath());
            break;
        case ReadResult::Missing:
            break;
        }
    } catch (const std::exception& e) {
        s.readFailed = true;
        DebugLogError(QStringLiteral("LoadSettings"), e);
    }
}

void SaveSettings()
{
    SettingsStore& s = Store();
    try {
        if (s.readFailed) {
            // The file could not be read earlier: read it again and lay this
            // run's writes over it, or leave it alone.
            QStringList lines;
            const ReadResult again = ReadSettingsFile(SettingsFilePath(), lines);
            if (again == ReadResult::Failed) {
                DebugLog(QStringLiteral("Settings: still unreadable, not written"));
                return;
            }
            if (again == ReadResult::Read) {
                for (const auto& [name, value] : s.changes)
                    ApplyChange(lines, name, value);
                s.lines = lines;
            }
            s.readFailed = false;
            s.changes.clear();
        }
        if (!QDir().mkpath(SettingsFolder()))
            return;
        QByteArray bytes;
        for (const QString& line : std::as_const(s.lines)) {
            bytes += line.toUtf8();
            bytes += "\r\n";
        }
        // Written beside the file and renamed over it, so that a failed
        // write never leaves half a file.
        platform::WriteFileAtomically(SettingsFilePath(), bytes);
    } catch (const std::exception& e) {
        DebugLogError(QStringLiteral("SaveSettings"), e);
    }
}

} // namespace

QString SettingsFolder()
{
    const SettingsStore& s = Store();
    if (!s.folderOverride.isEmpty())
        return s.folderOverride;
    return QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
        .filePath(QStringLiteral("Pastelloquin"));
}

QString SettingsFilePath()
{
    return QDir(SettingsFolder()).filePath(QStringLiteral("settings.txt"));
}

QString LegacyThemeFilePath()
{
    return QDir(SettingsFolder()).filePath(QStringLiteral("theme.txt"));
}

void SetSettingsFolder(const QString& folder)
{
    SettingsStore& s = Store();
    s.folderOverride = folder;
    s.lines.clear();
    s.loadAttempted = false;
    s.readFailed = false;
    s.changes.clear();
}

QString GetSetting(const QString& name, const QString& defaultValue)
{
    LoadSettings();
    const QStringList& lines = Store().lines;
    const int index = IndexOfName(lines, name);
    if (index < 0)
        return defaultValue;
    return lines[index].mid(lines[index].indexOf(QLatin1Char('=')) + 1);
}

void SetSetting(const QString& name, const QString& value)
{
    LoadSettings();
    SettingsStore& s = Store();
    ApplyChange(s.lines, name, value);
    if (s.readFailed)
        s.changes.emplace_back(name, value);
    SaveSettings();
}

QString DecodeSettingsText(const QByteArray& bytes, bool* ok)
{
    const auto decode = [&](QStringConverter::Encoding encoding, bool& good) {
        QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
        QString text = decoder(bytes);
        good = !decoder.hasError();
        return text;
    };
    bool good = true;
    QString text;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        text = decode(QStringConverter::Utf8, good);
    } else if (bytes.startsWith("\xFF\xFE")) {
        text = decode(QStringConverter::Utf16LE, good);
    } else if (bytes.startsWith("\xFE\xFF")) {
        text = decode(QStringConverter::Utf16BE, good);
    } else {
        bool utf8 = false;
        text = decode(QStringConverter::Utf8, utf8);
        if (!utf8) {
            // Not UTF-8: the Windows ANSI code page, as far as it is known.
            QStringDecoder ansi("windows-1252");
            if (ansi.isValid())
                text = ansi(bytes);
            else
                text = QString::fromLatin1(bytes);
        }
    }
    if (ok)
        *ok = good;
    return text;
}

QStringList SplitSettingsLines(const QString& text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        lines.append(text.mid(start, i - start));
        if (c == QLatin1Char('\r') && i + 1 < n && text[i + 1] == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.append(text.mid(start));
    return lines;
}

} // namespace pq
