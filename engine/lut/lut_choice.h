#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace pq {

// The built-in archive: the folder "Pastelloquin_LUTs/" and 18 .cube files.
inline const QString kEmbeddedLUTResource = QStringLiteral("PASTELLOQUIN_LUTS");

// The main window's choice of the table effect 404 applies. No table is
// chosen while filePath and data are both empty. Used on the UI
// thread; a run copies it when it starts.
class LUTChoice {
public:
    // A .cube file chosen from disk; when set, data is empty.
    QString filePath;
    // The whole .cube text of a built-in or imported table.
    QByteArray data;
    // Display name: a built-in table's file name without folder and
    // extension, or the name the chooser reports.
    QString name;

    bool isChosen() const { return !filePath.isEmpty() || !data.isEmpty(); }
    // A full reset.
    void clear();

    // Takes the first .cube entry of the built-in archive (data and
    // name; the path is left alone). True when data is now not
    // empty: the window then restarts its preview timer. Errors are
    // swallowed and leave the fields as they were at that point.
    bool initEmbeddedLUTs();

    // Takes the built-in table whose name equals name without regard to
    // case; name gets the archive's spelling and the path is cleared.
    // False, with nothing changed, when no entry matches or on any error.
    bool loadEmbeddedLUT(const QString& name);

    // The chooser's answer: with a path, the file (and no bytes); else the
    // bytes (and no path).
    void onLUTApplied(const QString& chosenName, const QByteArray& chosenData, const QString& chosenPath);
};

// A .cube text with its display name.
struct NamedLUT {
    QString name;
    QByteArray data;
};

// An archive entry's file name without folder and extension ("/" and "\"
// both separate folders); empty for folders.
QString LUTEntryBaseName(const QString& entryName);
// True when the entry's extension is ".cube" in any case.
bool IsCubeEntry(const QString& entryName);

// Names of the built-in tables in archive order; empty on failure.
QStringList EmbeddedLUTNames();
// The built-in table of that name (any case); empty when there is none.
QByteArray ReadEmbeddedLUT(const QString& name);

// Largest .cube text taken from a disk file or an archive member; a larger
// one is refused before it is read.
constexpr qint64 kMaxLUTTextBytes = qint64(64) << 20;

// A .cube file picked from disk, read whole; empty when it is gone,
// unreadable or larger than kMaxLUTTextBytes.
QByteArray ReadLUTFileBytes(const QString& path);

// Limits on one imported archive: its file size and the bytes taken from
// it in all, and the members looked at.
constexpr qint64 kMaxLUTArchiveBytes = qint64(256) << 20;
constexpr int kMaxLUTArchiveMembers = 10000;

// Appends every .cube member of a user's zip archive whose name is not yet
// in `list` (compared without regard to case) and whose bytes are not
// empty, in archive order. Returns how many were added; a damaged archive,
// or one that goes beyond the limits above, ends the import silently,
// keeping what was added. Runs on any thread.
int ImportLUTZip(const QString& zipPath, std::vector<NamedLUT>& list);

// One table picked from disk: a .cube file (its path) or a member of a zip
// archive (its bytes).
struct PickedLUT {
    QString name;
    QString path;
    QByteArray data;
};

// The tables the chosen files give, in order: every existing file that is
// not a .zip is one path item; the members of each .zip are imported as
// ImportLUTZip does, against the names in `imported` and those taken
// before. Reads archives whole, so call it off the UI thread.
std::vector<PickedLUT> PickLUTFiles(const QStringList& files, std::vector<NamedLUT> imported);

// True when the name ends in ".zip" in any case.
bool IsZipFileName(const QString& fileName);

} // namespace pq
