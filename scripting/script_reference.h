#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace pq {

// The script language reference the editor shows (lines end in "\n").
QString ScriptReferenceText();

// A command name of the quick index: where it stands and the line it leads
// to (-1 when the reference has none).
struct HelpIndexHotspot {
    QString name;
    int lineIndex = 0;
    int startCol = 0;
    int len = 0;
    int targetLine = -1;
};

// The reference with its quick index: the title, the index of the 17
// commands three a row, then the reference from its third line on.
struct HelpText {
    QStringList lines;
    std::vector<HelpIndexHotspot> hotspots;
    int firstBodyLine = 0;
    QString text() const { return lines.join(u'\n'); }
};

HelpText BuildHelpText(const QString& reference = ScriptReferenceText());

// How a line of the reference is coloured.
enum class HelpLineRole { Normal, Heading, Comment, Command, Example };
struct HelpLineStyle {
    HelpLineRole role = HelpLineRole::Normal;
    bool bold = false;
};

// The style of line `index`: headings and their underlines, comments,
// command syntax lines (an upper-case first word) and example lines.
HelpLineStyle ClassifyHelpLine(const QStringList& lines, int index);

} // namespace pq
