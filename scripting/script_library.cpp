#include "scripting/script_library.h"

#include "platform/embedded.h"
#include "platform/zip_archive.h"
#include "scripting/script_text.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringDecoder>

namespace pq {
namespace {

bool IsScriptMember(const QString& name)
{
    QString path = name;
    path.replace(u'/', u'\\');
    return path.toLower().endsWith(QStringLiteral(".pqs"));
}

} // namespace

QString ScriptDisplayName(const QString& fileName)
{
    QString path = fileName;
    path.replace(u'\\', u'/');
    QString name = path.mid(path.lastIndexOf(u'/') + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot >= 0)
        name.truncate(dot);
    name.replace(u'_', u' ');
    return name;
}

std::vector<ScriptEntry> ScriptsFromArchive(const platform::ZipArchive& archive, bool builtIn)
{
    std::vector<ScriptEntry> entries;
    if (!archive.isOpen())
        return entries;
    const QStringList names = archive.names();
    for (int i = 0; i < names.size(); ++i) {
        if (!IsScriptMember(names[i]))
            continue;
        QString error;
        const QByteArray bytes = archive.readIndex(i, &error, kMaxScriptFileBytes);
        if (!error.isEmpty())
            break;
        QStringDecoder utf8(QStringConverter::Utf8);
        entries.push_back({ScriptDisplayName(names[i]), utf8.decode(bytes), builtIn});
    }
    return entries;
}

std::vector<ScriptEntry> LoadBuiltInScripts()
{
    const platform::ZipArchive archive =
        platform::ZipArchive::openBytes(platform::EmbeddedResource(QStringLiteral("PASTELLOQUIN_SCRIPTS")));
    return ScriptsFromArchive(archive, true);
}

std::vector<ScriptEntry> ImportScriptFiles(const QStringList& paths)
{
    std::vector<ScriptEntry> entries;
    for (const QString& path : paths) {
        if (QFileInfo(path).suffix().compare(QStringLiteral("zip"), Qt::CaseInsensitive) == 0) {
            const std::vector<ScriptEntry> members = ScriptsFromArchive(platform::ZipArchive::openFile(path), false);
            entries.insert(entries.end(), members.begin(), members.end());
            continue;
        }
        QString text;
        if (ReadScriptFile(path, text))
            entries.push_back({ScriptDisplayName(QFileInfo(path).fileName()), text, false});
    }
    return entries;
}

QString ScriptFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
        .filePath(QStringLiteral("Pastelloquin"));
}

} // namespace pq
