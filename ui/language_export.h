#pragma once

#include <QString>

namespace pq {

class LanguageLists;

// The folder "Languages" in the program's folder or the nearest folder
// above it; empty when there is none.
QString FindLanguagesFolder(const QString& programFolder);

struct LanguageExport {
    // Where the lists went; empty when no folder was found.
    QString folder;
    // Files written, in the export order.
    int filesWritten = 0;
    // Why the export stopped at a file; empty when all were written.
    QString error;
};

// Writes the 14 lists for translators into the folder FindLanguagesFolder
// finds: one "<Language> strings.txt" each, UTF-8 without byte-order mark,
// CR LF after every line. Each file is written whole or not at all; the
// first file that fails ends the export.
LanguageExport ExportLanguageLists(const LanguageLists& lists, const QString& programFolder);

} // namespace pq
