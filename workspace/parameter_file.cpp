#include "workspace/parameter_file.h"

#include "platform/file_write.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringList>

#include <limits>
#include <stdexcept>

namespace pq {

namespace {

constexpr int kCategories = 10;
constexpr int kIndexes = 20;

QString* NameField(EffectParameters& p, int k)
{
    switch (k) {
    case 1: return &p.name1;
    case 2: return &p.name2;
    case 3: return &p.name3;
    case 4: return &p.name4;
    case 5: return &p.name5;
    default: return nullptr;
    }
}

// Leading and trailing blanks and control characters.
QString TrimBlanks(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= 0x20)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 0x20)
        --end;
    return text.mid(begin, end - begin);
}

// "Name3" -> 3 for prefix "Name"; 0 for anything else.
int KeyNumber(const QString& key, QLatin1StringView prefix)
{
    if (key.size() != prefix.size() + 1 || !key.startsWith(prefix))
        return 0;
    const QChar digit = key.back();
    return digit >= QLatin1Char('1') && digit <= QLatin1Char('5') ? digit.unicode() - '0' : 0;
}

struct Section {
    int category = -1;
    int index = -1;
    bool valid() const { return category >= 0 && index >= 0; }
};

// A header line "[...]": the section it leaves current.
Section HeaderSection(const QString& line, Section current)
{
    const QString inner = line.mid(1, line.size() - 2);
    if (!inner.startsWith(QLatin1String("Effect_")))
        return current;
    const QStringList parts = inner.split(QLatin1Char('_'));
    if (parts.size() != 3)
        return current;
    const std::optional<int> category = ParseParameterInt(parts[1]);
    const std::optional<int> index = ParseParameterInt(parts[2]);
    // Garbled numbers select no entry rather than keep the previous one.
    if (!category || !index || *category < 0 || *category >= kCategories || *index < 0 || *index >= kIndexes)
        return {};
    return {*category, *index};
}

// Stores one "key=value" line; true when the key was one of the ten.
bool StoreKeyLine(const QString& line, EffectParameters& entry)
{
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq < 1)
        return false;
    const QString key = TrimBlanks(line.left(eq));
    const QString value = TrimBlanks(line.mid(eq + 1));
    if (const int k = KeyNumber(key, QLatin1StringView("Name")); k > 0) {
        *NameField(entry, k) = value;
        return true;
    }
    if (const int k = KeyNumber(key, QLatin1StringView("Value")); k > 0) {
        entry.setValue(k, ParseParameterInt(value).value_or(0));
        return true;
    }
    return false;
}

struct Lines {
    QStringList lines;
    bool lastTerminated = true;
};

Lines SplitLines(const QString& text)
{
    Lines result;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('\n') && c != QLatin1Char('\r'))
            continue;
        result.lines << text.mid(start, i - start);
        if (c == QLatin1Char('\r') && i + 1 < n && text[i + 1] == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < n) {
        result.lines << text.mid(start);
        result.lastTerminated = false;
    }
    return result;
}

bool HasProgramTitle(const QStringList& lines)
{
    for (const QString& line : lines) {
        const QString trimmed = TrimBlanks(line);
        if (!trimmed.isEmpty())
            return trimmed == QLatin1String(kParameterFileTitle);
    }
    return false;
}

ParameterFileLoad Refused(const QString& why)
{
    ParameterFileLoad load;
    load.problem = why;
    return load;
}

} // namespace

std::optional<int> ParseParameterInt(const QString& text)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    if (i >= text.size())
        return std::nullopt;
    long long value = 0;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        value = value * 10 + (c.unicode() - '0');
        if (value > static_cast<long long>(std::numeric_limits<int>::max()) + 1)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(value);
}

QByteArray ParameterFileBytes(const ParameterTable& params)
{
    QString text;
    const auto line = [&text](const QString& s) {
        text += s;
        text += QLatin1String("\r\n");
    };
    line(QLatin1String(kParameterFileTitle));
    line(QStringLiteral("# Format: [Effect_Category_Index]"));
    line(QString());
    for (int c = 0; c < kCategories; ++c)
        for (int i = 0; i < kIndexes; ++i) {
            const EffectParameters& p = params[size_t(c)][size_t(i)];
            line(QStringLiteral("[Effect_%1_%2]").arg(c).arg(i));
            for (int k = 1; k <= 5; ++k)
                line(QStringLiteral("Name%1=").arg(k) + p.name(k));
            for (int k = 1; k <= 5; ++k)
                line(QStringLiteral("Value%1=%2").arg(k).arg(p.value(k)));
            line(QString());
        }
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

void WriteParameterFile(const ParameterTable& params, const QString& fileName)
{
    QString error;
    if (!platform::WriteFileAtomically(fileName, ParameterFileBytes(params), &error))
        throw std::runtime_error(error.toStdString());
}

ParameterFileLoad ReadParameterFile(const QString& fileName, ParameterTable& params)
{
    const QFileInfo info(fileName);
    if (!info.exists())
        return {};
    if (!info.isFile())
        return Refused(QStringLiteral("\"%1\" is not a file.").arg(info.fileName()));
    if (info.size() > kMaxParameterFileBytes)
        return Refused(QStringLiteral("The file is too large to be a parameter file (%1 bytes).").arg(info.size()));
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return Refused(file.errorString());
    // At most one byte more than allowed: a file that grows meanwhile is
    // still refused.
    const QByteArray bytes = file.read(kMaxParameterFileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return Refused(file.errorString());
    if (bytes.size() > kMaxParameterFileBytes)
        return Refused(QStringLiteral("The file is too large to be a parameter file."));
    return ReadParameterBytes(bytes, params);
}

ParameterFileLoad ReadParameterBytes(const QByteArray& bytes, ParameterTable& params)
{
    if (bytes.isEmpty())
        return Refused(QStringLiteral("The file is empty."));
    if (bytes.size() > kMaxParameterFileBytes)
        return Refused(QStringLiteral("The file is too large to be a parameter file."));
    if (bytes.contains('\0'))
        return Refused(QStringLiteral("The file is not a text file."));
    QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decode(bytes);
    if (decode.hasError())
        return Refused(QStringLiteral("The file is not UTF-8 text."));

    Lines split = SplitLines(text);
    ParameterFileLoad load;
    // A program-written file ends every line with CR LF: one that stops
    // inside its last line was cut short, and that line may be cut too.
    if (!split.lastTerminated && HasProgramTitle(split.lines)) {
        split.lines.removeLast();
        load.problem = QStringLiteral("The file ends in the middle of a line; that line was not read.");
    }

    // Read into a copy: the table changes only when the file holds
    // parameters.
    ParameterTable read = params;
    Section section;
    for (const QString& raw : std::as_const(split.lines)) {
        const QString line = TrimBlanks(raw);
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.size() >= 2 && line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = HeaderSection(line, section);
            continue;
        }
        if (!section.valid())
            continue;
        if (StoreKeyLine(line, read[size_t(section.category)][size_t(section.index)]))
            ++load.stored;
    }
    if (load.stored == 0)
        return Refused(QStringLiteral("No effect parameters were found in the file."));
    params = read;
    return load;
}

} // namespace pq
