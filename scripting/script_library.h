#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace platform {
class ZipArchive;
}

namespace pq {

// One script of the editor's list.
struct ScriptEntry {
    QString name; // shown in the list
    QString text; // the whole script
    bool builtIn = false;
};

// The name a script file or archive member is listed under: the file name
// without folder and extension, every "_" a blank.
QString ScriptDisplayName(const QString& fileName);

// The .pqs members of an archive in archive order, decoded as UTF-8. A
// member that cannot be read ends the reading; what was read stays.
std::vector<ScriptEntry> ScriptsFromArchive(const platform::ZipArchive& archive, bool builtIn);

// The built-in scripts (PASTELLOQUIN_SCRIPTS), in archive order.
std::vector<ScriptEntry> LoadBuiltInScripts();

// The scripts of the files a user chose, in order: every .pqs member of a
// .zip file, one script for any other file (decoded by its byte-order
// mark, else as UTF-8 when valid, else as Windows-1252). Files and members
// that cannot be read are skipped.
std::vector<ScriptEntry> ImportScriptFiles(const QStringList& paths);

// The folder the editor's open and save dialogs start in: Pastelloquin in
// the user's documents folder.
QString ScriptFolder();

} // namespace pq
