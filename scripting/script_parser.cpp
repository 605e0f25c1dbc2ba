#include "scripting/script_parser.h"

#include "scripting/script_effects.h"
#include "scripting/script_lexer.h"

#include <algorithm>
#include <limits>

namespace pq {
namespace {

// Collects the errors of one line, each with its number in front.
class LineErrors {
public:
    LineErrors(int line, QStringList& errors) : line_(line), errors_(errors) {}
    void add(const QString& text) { errors_ << QStringLiteral("Line ") + QString::number(line_) + QStringLiteral(": ") + text; }
    // A message with a token in double quotes after it.
    void add(const char* text, const QString& token) { add(QLatin1String(text) + QStringLiteral(" \"") + token + u'"'); }

private:
    int line_;
    QStringList& errors_;
};

bool Is(const QString& token, const char* word)
{
    return token.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

int IntegerOr(const QString& token, int fallback)
{
    return ReadScriptInteger(token).value_or(fallback);
}

float RealOr(const QString& token, float fallback)
{
    const std::optional<double> value = ReadScriptReal(token);
    if (!value)
        return fallback;
    return float(std::clamp(*value, -double(std::numeric_limits<float>::max()),
                            double(std::numeric_limits<float>::max())));
}

// Each reader fills the command from the tokens (token 0 is the keyword)
// and returns false when the line gives no command.

bool ReadEffect(const QStringList& t, ScriptCommand& c, LineErrors& errors)
{
    if (t.size() < 7) {
        errors.add(QStringLiteral("EFFECT requires 6 arguments (id P1 P2 P3 P4 P5)"));
        return false;
    }
    c.effectNumber = ParseEffectId(t[1]);
    if (c.effectNumber < 0) {
        errors.add("Unknown effect", t[1]);
        return false;
    }
    c.p1 = IntegerOr(t[2], 0);
    c.p2 = IntegerOr(t[3], 0);
    c.p3 = IntegerOr(t[4], 0);
    c.p4 = IntegerOr(t[5], 0);
    c.p5 = IntegerOr(t[6], 0);
    return true;
}

bool ReadSlot(const QStringList& t, ScriptCommand& c, LineErrors& errors, const char* keyword)
{
    if (t.size() < 2) {
        errors.add(QLatin1String(keyword) + QLatin1String(" requires a slot name"));
        return false;
    }
    c.setStrings(t[1].toLower());
    return true;
}

bool ReadBlend(const QStringList& t, ScriptCommand& c, LineErrors& errors)
{
    if (t.size() < 3) {
        errors.add(QStringLiteral("BLEND requires at least slot and opacity"));
        return false;
    }
    c.setStrings(t[1].toLower());
    c.blendOpacity = std::clamp(RealOr(t[2], 50.0f) / 100.0f, 0.0f, 1.0f);
    c.blendMode = t.size() > 3 ? ParseBlendMode(t[3]) : gfx::BlendMode::SrcOver;
    return true;
}

bool ReadTexture(const QStringList& t, ScriptCommand& c)
{
    qsizetype pos = 1;
    if (t.size() > 1)
        if (const std::optional<int> item = ParseItemNumber(t[1])) {
            c.textureIndex = *item;
            pos = 2;
        }
    if (t.size() >= pos + 2) {
        c.textureStrength = IntegerOr(t[pos], -1);
        c.textureScale = RealOr(t[pos + 1], -1.0f);
    }
    return true;
}

bool ReadImageFrame(const QStringList& t, ScriptCommand& c, LineErrors& errors)
{
    qsizetype pos = 1;
    if (t.size() > 1)
        if (const std::optional<int> item = ParseItemNumber(t[1])) {
            c.frameIndex = *item;
            pos = 2;
        }
    if (t.size() > pos)
        c.frameSize = IntegerOr(t[pos], -1);
    if (t.size() > pos + 1) {
        if (const std::optional<QRgb> color = ParseHexColor(t[pos + 1]))
            c.frameColor = *color;
        else
            errors.add("Invalid hex color", t[pos + 1]);
    }
    return true;
}

bool ReadBrushOption(const QString& token, ScriptCommand& c)
{
    if (!token.startsWith(QLatin1String("brush="), Qt::CaseInsensitive))
        return false;
    c.frameBrushSize = IntegerOr(token.mid(6), 40);
    return true;
}

bool ReadBrushstrokesFrame(const QStringList& t, ScriptCommand& c, LineErrors& errors)
{
    c.brushstrokesFrame = true;
    if (t.size() > 2)
        c.frameSize = IntegerOr(t[2], 60);
    if (t.size() > 3 && !ReadBrushOption(t[3], c)) {
        if (const std::optional<QRgb> color = ParseHexColor(t[3]))
            c.frameColor = *color;
        else
            errors.add("Invalid color or option", t[3]);
    }
    if (t.size() > 4 && !ReadBrushOption(t[4], c))
        errors.add("Unknown option", t[4]);
    return true;
}

bool ReadText(const QStringList& t, ScriptCommand& c, LineErrors& errors)
{
    if (t.size() < 4) {
        errors.add(QStringLiteral("TEXT requires at least x, y, and a string"));
        return false;
    }
    const ScriptCoordinate x = ParseCoordinate(t[1]);
    const ScriptCoordinate y = ParseCoordinate(t[2]);
    c.textX = x.value;
    c.textXPercent = x.percent;
    c.textY = y.value;
    c.textYPercent = y.percent;
    QString font, style;
    for (qsizetype i = 4; i < t.size(); ++i) {
        const ScriptOption option = SplitOption(t[i]);
        if (option.key == QLatin1String("SIZE")) {
            c.textSizeOverride = RealOr(option.value, 0.0f);
        } else if (option.key == QLatin1String("COLOR")) {
            if (const std::optional<QRgb> color = ParseHexColor(option.value))
                c.textColorOverride = *color;
        } else if (option.key == QLatin1String("FONT")) {
            font = option.value;
        } else if (option.key == QLatin1String("STYLE")) {
            style = option.value;
        } else if (option.key == QLatin1String("SHADOW")) {
            c.textShadowOverride = Is(option.value, "on") ? 1 : 0;
        }
    }
    c.setStrings(t[3], font, style);
    return true;
}

bool ReadFont(const QStringList& t, ScriptCommand& c, LineErrors& errors)
{
    if (t.size() < 3) {
        errors.add(QStringLiteral("FONT requires at least name and size"));
        return false;
    }
    c.setStrings(t[1], t.size() > 3 ? t[3] : QString());
    c.fontSize = RealOr(t[2], 24.0f);
    if (t.size() > 4) {
        if (const std::optional<QRgb> color = ParseHexColor(t[4]))
            c.fontColor = *color;
        else
            errors.add("Invalid hex color", t[4]);
    }
    return true;
}

bool ReadResize(const QStringList& t, ScriptCommand& c, LineErrors& errors)
{
    if (t.size() < 3) {
        errors.add(QStringLiteral("RESIZE requires width and height"));
        return false;
    }
    const ScriptCoordinate w = ParseCoordinate(t[1]);
    const ScriptCoordinate h = ParseCoordinate(t[2]);
    if (!(w.value > 0.0f) || !(h.value > 0.0f)) {
        errors.add(QStringLiteral("RESIZE dimensions must be positive"));
        return false;
    }
    c.resizeW = w.value;
    c.resizeWPercent = w.percent;
    c.resizeH = h.value;
    c.resizeHPercent = h.percent;
    return true;
}

bool ReadContour(const QStringList& t, ScriptCommand& c)
{
    c.contourColor = 0xFF000000;
    if (t.size() > 1 && Is(t[1], "on")) {
        c.p1 = 1;
        if (t.size() > 2)
            if (const std::optional<QRgb> color = ParseHexColor(t[2]))
                c.contourColor = *color;
    }
    return true;
}

bool ReadLutFile(const QStringList& t, ScriptCommand& c, LineErrors& errors)
{
    if (t.size() < 2) {
        errors.add(QStringLiteral("LUT_FILE requires a file path"));
        return false;
    }
    QString path = t[1].trimmed();
    for (qsizetype i = 2; i < t.size(); ++i)
        path += u' ' + t[i];
    if (path.size() > 1 && path.startsWith(u'"') && path.endsWith(u'"'))
        path = path.mid(1, path.size() - 2);
    c.setStrings(path);
    return true;
}

// Fills the command of one non-empty line; false when it gives none.
bool ReadCommand(const QStringList& t, ScriptCommand& c, LineErrors& errors)
{
    using Kind = ScriptCommandKind;
    const QString keyword = t[0].toUpper();
    static const struct {
        const char* keyword;
        Kind kind;
    } kKeywords[] = {
        {"EFFECT", Kind::Effect}, {"SAVE", Kind::Save},       {"LOAD", Kind::Load},
        {"SWAP", Kind::Swap},     {"RESET", Kind::Reset},     {"BLEND", Kind::Blend},
        {"TEXTURE", Kind::Texture}, {"FRAME", Kind::Frame},   {"TEXT", Kind::Text},
        {"FONT", Kind::Font},     {"RESIZE", Kind::Resize},   {"CLEAR", Kind::Clear},
        {"NOCLEAR", Kind::Clear}, {"CONTOUR", Kind::Contour}, {"LUT_FILE", Kind::LutFile},
        {"LUT_EMBEDDED", Kind::LutEmbedded}, {"ENHANCE", Kind::Enhance},
    };
    const auto found = std::find_if(std::begin(kKeywords), std::end(kKeywords),
                                     [&](const auto& k) { return keyword == QLatin1String(k.keyword); });
    if (found == std::end(kKeywords)) {
        errors.add("Unknown command", t[0]);
        return false;
    }
    c.kind = found->kind;
    switch (c.kind) {
    case Kind::Effect: return ReadEffect(t, c, errors);
    case Kind::Save: return ReadSlot(t, c, errors, "SAVE");
    case Kind::Load: return ReadSlot(t, c, errors, "LOAD");
    case Kind::Blend: return ReadBlend(t, c, errors);
    case Kind::Texture: return ReadTexture(t, c);
    case Kind::Frame:
        if (t.size() > 1 && Is(t[1], "brushstrokes"))
            return ReadBrushstrokesFrame(t, c, errors);
        return ReadImageFrame(t, c, errors);
    case Kind::Text: return ReadText(t, c, errors);
    case Kind::Font: return ReadFont(t, c, errors);
    case Kind::Resize: return ReadResize(t, c, errors);
    case Kind::Clear: c.p1 = keyword == QLatin1String("CLEAR") ? 1 : 0; return true;
    case Kind::Contour: return ReadContour(t, c);
    case Kind::LutFile: return ReadLutFile(t, c, errors);
    case Kind::LutEmbedded: c.setStrings(t.mid(1).join(u' ').trimmed()); return true;
    case Kind::Swap:
    case Kind::Reset:
    case Kind::Enhance: return true;
    }
    return true;
}

} // namespace

namespace {

bool IsLineSpace(QChar c)
{
    return c.unicode() <= 32;
}

// The line without the characters 0..32 at either end.
QStringView Trimmed(QStringView line)
{
    while (!line.isEmpty() && IsLineSpace(line.front()))
        line = line.mid(1);
    while (!line.isEmpty() && IsLineSpace(line.back()))
        line.chop(1);
    return line;
}

bool IsCommandLine(QStringView trimmed)
{
    return !trimmed.isEmpty() && trimmed.front() != u'#';
}

// Calls f(line, index) for each line of the text, split at CR LF, CR or LF
// as SplitScriptLines does, without a list of them.
template <typename F>
void ForEachLine(QStringView text, F&& f)
{
    qsizetype start = 0;
    qsizetype index = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n')
            continue;
        f(text.mid(start, i - start), index++);
        if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        f(text.mid(start), index);
}

void ParseLine(QStringView raw, qsizetype index, ParsedScript& parsed)
{
    const QStringView line = Trimmed(raw);
    if (!IsCommandLine(line))
        return;
    ScriptCommand command;
    command.lineNumber = int(std::min<qsizetype>(index + 1, std::numeric_limits<int>::max()));
    LineErrors errors(command.lineNumber, parsed.errors);
    if (ReadCommand(TokenizeLine(line.toString()), command, errors))
        parsed.commands.push_back(std::move(command));
}

} // namespace

ParsedScript ParseScript(const QStringList& lines)
{
    ParsedScript parsed;
    for (qsizetype i = 0; i < lines.size(); ++i)
        ParseLine(lines[i], i, parsed);
    return parsed;
}

ParsedScript ParseScriptText(const QString& text)
{
    // Counted first, so that the commands are allocated once and not grown.
    qsizetype commandLines = 0;
    ForEachLine(text, [&](QStringView line, qsizetype) { commandLines += IsCommandLine(Trimmed(line)); });
    ParsedScript parsed;
    parsed.commands.reserve(size_t(commandLines));
    ForEachLine(text, [&](QStringView line, qsizetype index) { ParseLine(line, index, parsed); });
    return parsed;
}

} // namespace pq
