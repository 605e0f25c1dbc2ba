#include "ui/language_export.h"

#include "platform/file_write.h"
#include "ui/language_lists.h"

#include <QDir>
#include <QFileInfo>

namespace pq {
namespace {

struct ExportFile {
    const char* code;
    const char* fileName;
};

// Alphabetical by the languages' English names.
constexpr ExportFile kExportFiles[] = {
    {"zh", "Chinese strings.txt"},    {"nl", "Dutch strings.txt"},     {"en", "English strings.txt"},
    {"fr", "French strings.txt"},     {"de", "German strings.txt"},    {"it", "Italian strings.txt"},
    {"ja", "Japanese strings.txt"},   {"ko", "Korean strings.txt"},    {"pl", "Polish strings.txt"},
    {"pt", "Portuguese strings.txt"}, {"ru", "Russian strings.txt"},   {"es", "Spanish strings.txt"},
    {"tr", "Turkish strings.txt"},    {"uk", "Ukrainian strings.txt"},
};

QByteArray ListBytes(const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += line.toUtf8();
        bytes += "\r\n";
    }
    return bytes;
}

} // namespace

QString FindLanguagesFolder(const QString& programFolder)
{
    if (programFolder.isEmpty())
        return {};
    QDir dir(QFileInfo(programFolder).absoluteFilePath());
    while (true) {
        const QString candidate = dir.filePath(QStringLiteral("Languages"));
        if (QFileInfo(candidate).isDir())
            return QDir::cleanPath(candidate);
        if (dir.isRoot() || !dir.cdUp())
            return {};
    }
}

LanguageExport ExportLanguageLists(const LanguageLists& lists, const QString& programFolder)
{
    LanguageExport result;
    result.folder = FindLanguagesFolder(programFolder);
    if (result.folder.isEmpty())
        return result;
    const QDir target(result.folder);
    for (const ExportFile& entry : kExportFiles) {
        const QStringList* lines = lists.listOf(QString::fromLatin1(entry.code));
        const QString path = target.filePath(QString::fromLatin1(entry.fileName));
        QString error;
        if (!platform::WriteFileAtomically(path, ListBytes(lines ? *lines : QStringList()), &error)) {
            result.error = QStringLiteral("Could not write %1: %2").arg(QDir::toNativeSeparators(path), error);
            return result;
        }
        ++result.filesWritten;
    }
    return result;
}

} // namespace pq
