#include "scripting/script_reference.h"

#include <QRegularExpression>

#include <algorithm>
#include <iterator>

namespace pq {
namespace {

constexpr const char* kIndexNames[] = {
    "BLEND", "CLEAR",  "CONTOUR", "EFFECT", "ENHANCE", "FONT",    "FRAME", "LOAD",    "LUT_EMBEDDED",
    "LUT_FILE", "NOCLEAR", "RESET", "RESIZE", "SAVE", "SWAP", "TEXT", "TEXTURE",
};
constexpr int kIndexPerRow = 3;
constexpr int kIndexColumnWidth = 14;

bool IsUnderline(const QString& line)
{
    return line.startsWith(QStringLiteral("--")) || line.startsWith(QStringLiteral("=="));
}

int TargetLine(const QStringList& lines, int firstBody, const QString& name)
{
    for (int i = firstBody; i < lines.size(); ++i) {
        const QString& line = lines[i];
        if (line.startsWith(u' '))
            continue;
        if (line == name || line.startsWith(name + u' '))
            return i;
    }
    return -1;
}

} // namespace

HelpText BuildHelpText(const QString& reference)
{
    QString normalised = reference;
    normalised.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    normalised.replace(u'\r', u'\n');
    QStringList body = normalised.split(u'\n');
    if (!body.isEmpty() && body.last().isEmpty())
        body.removeLast();

    HelpText help;
    help.lines << body.value(0) << body.value(1) << QString() << QStringLiteral("QUICK INDEX  (click a command to jump)")
               << QString(38, u'-');
    const int count = int(std::size(kIndexNames));
    for (int first = 0; first < count; first += kIndexPerRow) {
        QString row;
        const int lineIndex = int(help.lines.size());
        for (int k = first; k < std::min(first + kIndexPerRow, count); ++k) {
            const QString name = QString::fromLatin1(kIndexNames[k]);
            if (k > first) {
                const int width = (k - first) * kIndexColumnWidth;
                row += QString(std::max<qsizetype>(1, width - row.size()), u' ');
            }
            help.hotspots.push_back({name, lineIndex, int(row.size()), int(name.size()), -1});
            row += name;
        }
        help.lines << row;
    }
    help.lines << QString();
    help.firstBodyLine = int(help.lines.size());
    for (int i = 2; i < body.size(); ++i)
        help.lines << body[i];
    for (HelpIndexHotspot& spot : help.hotspots)
        spot.targetLine = TargetLine(help.lines, help.firstBodyLine, spot.name);
    return help;
}

HelpLineStyle ClassifyHelpLine(const QStringList& lines, int index)
{
    if (index < 0 || index >= lines.size())
        return {};
    const QString& line = lines[index];
    if (IsUnderline(line) || (index + 1 < lines.size() && IsUnderline(lines[index + 1])))
        return {HelpLineRole::Heading, true};
    if (line.trimmed().isEmpty())
        return {};
    const QString trimmed = line.mid(line.indexOf(QRegularExpression(QStringLiteral("[^ ]"))));
    if (trimmed == QStringLiteral("#") || trimmed.startsWith(QStringLiteral("# ")))
        return {HelpLineRole::Comment, false};
    if (line.startsWith(u' '))
        return {trimmed.startsWith(QStringLiteral("Example:")) ? HelpLineRole::Example : HelpLineRole::Normal, false};
    const QString word = line.section(u' ', 0, 0);
    if (word.size() > 1 && word == word.toUpper() && word[0] >= u'A' && word[0] <= u'Z')
        return {HelpLineRole::Command, true};
    return {};
}

} // namespace pq
