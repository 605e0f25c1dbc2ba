#include "engine/lut/lut_choice.h"

#include "engine/lut/cube_lut.h"
#include "platform/embedded.h"
#include "platform/zip_archive.h"

#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <functional>

namespace pq {
namespace {

// Calls visit(entry index, base name) for every .cube entry of the built-in
// archive until it returns true. False when the archive cannot be opened.
bool ForEachEmbeddedLUT(const std::function<bool(const platform::ZipArchive&, int, const QString&)>& visit)
{
    const QByteArray bytes = platform::EmbeddedResource(kEmbeddedLUTResource);
    if (bytes.isEmpty())
        return false;
    const platform::ZipArchive zip = platform::ZipArchive::openBytes(bytes);
    if (!zip.isOpen())
        return false;
    const QStringList names = zip.names();
    for (int i = 0; i < names.size(); ++i)
        if (IsCubeEntry(names[i]) && visit(zip, i, LUTEntryBaseName(names[i])))
            break;
    return true;
}

QString FileNameOf(const QString& entryName)
{
    QString name = entryName;
    name.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return name.mid(name.lastIndexOf(QLatin1Char('\\')) + 1);
}

} // namespace

void LUTChoice::clear()
{
    filePath.clear();
    data.clear();
    name.clear();
}

bool LUTChoice::initEmbeddedLUTs()
{
    ForEachEmbeddedLUT([&](const platform::ZipArchive& zip, int index, const QString& entryName) {
        QString error;
        const QByteArray bytes = zip.readIndex(index, &error);
        if (!error.isEmpty())
            return true; // a damaged entry: keep what we had
        data = bytes;
        name = entryName;
        return true;
    });
    return !data.isEmpty();
}

bool LUTChoice::loadEmbeddedLUT(const QString& wanted)
{
    bool found = false;
    ForEachEmbeddedLUT([&](const platform::ZipArchive& zip, int index, const QString& entryName) {
        if (entryName.compare(wanted, Qt::CaseInsensitive) != 0)
            return false;
        QString error;
        const QByteArray bytes = zip.readIndex(index, &error);
        if (error.isEmpty()) {
            data = bytes;
            name = entryName;
            filePath.clear();
            found = true;
        }
        return true;
    });
    return found;
}

void LUTChoice::onLUTApplied(const QString& chosenName, const QByteArray& chosenData, const QString& chosenPath)
{
    name = chosenName;
    if (!chosenPath.isEmpty()) {
        filePath = chosenPath;
        data.clear();
    } else {
        filePath.clear();
        data = chosenData;
    }
}

QString LUTEntryBaseName(const QString& entryName)
{
    const QString file = FileNameOf(entryName);
    const qsizetype dot = file.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? file : file.left(dot);
}

bool IsCubeEntry(const QString& entryName)
{
    return FileNameOf(entryName).endsWith(QStringLiteral(".cube"), Qt::CaseInsensitive);
}

QStringList EmbeddedLUTNames()
{
    QStringList names;
    ForEachEmbeddedLUT([&](const platform::ZipArchive&, int, const QString& name) {
        names << name;
        return false;
    });
    return names;
}

QByteArray ReadEmbeddedLUT(const QString& name)
{
    QByteArray data;
    ForEachEmbeddedLUT([&](const platform::ZipArchive& zip, int index, const QString& entry) {
        if (entry.toLower() != name.toLower())
            return false;
        data = zip.readIndex(index);
        return true;
    });
    return data;
}

QByteArray ReadLUTFileBytes(const QString& path)
{
    QByteArray bytes;
    if (QFileInfo(path).size() > kMaxLUTTextBytes || !ReadCubeFile(path, bytes))
        return {};
    return bytes;
}

int ImportLUTZip(const QString& zipPath, std::vector<NamedLUT>& list)
{
    const platform::ZipArchive zip = platform::ZipArchive::openFile(zipPath, nullptr, kMaxLUTArchiveBytes);
    if (!zip.isOpen())
        return 0;
    QSet<QString> known;
    known.reserve(qsizetype(list.size()));
    for (const NamedLUT& lut : list)
        known.insert(lut.name.toCaseFolded());
    int added = 0;
    qint64 budget = kMaxLUTArchiveBytes;
    const int count = std::min(zip.count(), kMaxLUTArchiveMembers);
    for (int i = 0; i < count; ++i) {
        const QString entry = zip.nameAt(i);
        if (FileNameOf(entry).isEmpty() || !IsCubeEntry(entry))
            continue;
        const QString name = LUTEntryBaseName(entry);
        const QString key = name.toCaseFolded();
        if (known.contains(key))
            continue;
        // A member beyond what is left of the budget fails its read.
        QString error;
        const QByteArray data = zip.readIndex(i, &error, std::min(budget, kMaxLUTTextBytes));
        if (!error.isEmpty())
            break;
        if (data.isEmpty())
            continue;
        budget -= data.size();
        known.insert(key);
        list.push_back({name, data});
        ++added;
    }
    return added;
}

bool IsZipFileName(const QString& fileName)
{
    return QFileInfo(fileName).suffix().compare(QLatin1String("zip"), Qt::CaseInsensitive) == 0;
}

std::vector<PickedLUT> PickLUTFiles(const QStringList& files, std::vector<NamedLUT> imported)
{
    std::vector<PickedLUT> picked;
    for (const QString& file : files) {
        const QFileInfo info(file);
        if (!info.exists())
            continue;
        if (!IsZipFileName(file)) {
            picked.push_back({info.completeBaseName(), info.absoluteFilePath(), {}});
            continue;
        }
        const size_t before = imported.size();
        ImportLUTZip(file, imported);
        for (size_t i = before; i < imported.size(); ++i)
            picked.push_back({imported[i].name, {}, imported[i].data});
    }
    return picked;
}

} // namespace pq
