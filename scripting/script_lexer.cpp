#include "scripting/script_lexer.h"

#include <charconv>
#include <cmath>
#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>

namespace pq {
namespace {

bool IsDigit(QChar c) { return c >= u'0' && c <= u'9'; }

int HexValue(QChar c)
{
    if (IsDigit(c))
        return c.unicode() - u'0';
    if (c >= u'a' && c <= u'f')
        return c.unicode() - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c.unicode() - u'A' + 10;
    return -1;
}

bool IsLineSpace(QChar c) { return c.unicode() <= 32; }

// The power of ten of the first significant digit of an unsigned decimal
// number (digits, ".", exponent), plus one: above 0 for numbers of 1 and
// more, 0 or below for smaller ones.
int64_t DecimalMagnitude(const std::string& text)
{
    size_t i = 0;
    int64_t whole = 0, leadingZeros = 0;
    bool significant = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        if (significant || text[i] != '0') {
            significant = true;
            ++whole;
        }
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
            if (!significant && text[i] == '0')
                ++leadingZeros;
            else
                significant = true;
        }
    }
    int64_t exponent = 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        const bool negative = i < text.size() && text[i] == '-';
        if (i < text.size() && (text[i] == '-' || text[i] == '+'))
            ++i;
        for (; i < text.size(); ++i)
            exponent = std::min<int64_t>(exponent * 10 + (text[i] - '0'), int64_t(1) << 40);
        if (negative)
            exponent = -exponent;
    }
    return (whole > 0 ? whole : -leadingZeros) + exponent;
}

} // namespace

QStringList SplitScriptLines(const QString& text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        lines << text.mid(start, i - start);
        if (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines << text.mid(start);
    return lines;
}

QString TrimScriptLine(const QString& line)
{
    qsizetype begin = 0, end = line.size();
    while (begin < end && IsLineSpace(line.at(begin)))
        ++begin;
    while (end > begin && IsLineSpace(line.at(end - 1)))
        --end;
    return line.mid(begin, end - begin);
}

QStringList TokenizeLine(const QString& line)
{
    QStringList tokens;
    const qsizetype n = line.size();
    qsizetype i = 0;
    while (i < n) {
        if (line.at(i) == u' ') {
            ++i;
            continue;
        }
        const QChar c = line.at(i);
        if (c == u'"' || c == u'\'') {
            const qsizetype close = line.indexOf(c, i + 1);
            const qsizetype end = close < 0 ? n : close;
            tokens << line.mid(i + 1, end - i - 1);
            i = close < 0 ? n : close + 1;
            continue;
        }
        qsizetype end = line.indexOf(u' ', i);
        if (end < 0)
            end = n;
        tokens << line.mid(i, end - i);
        i = end;
    }
    return tokens;
}

std::optional<int> ReadScriptInteger(const QString& token)
{
    qsizetype i = 0;
    const qsizetype n = token.size();
    bool negative = false;
    if (i < n && (token.at(i) == u'+' || token.at(i) == u'-')) {
        negative = token.at(i) == u'-';
        ++i;
    }
    bool hex = false;
    if (i < n && token.at(i) == u'$') {
        hex = true;
        ++i;
    } else if (i + 1 < n && token.at(i) == u'0' && (token.at(i + 1) == u'x' || token.at(i + 1) == u'X')) {
        hex = true;
        i += 2;
    }
    if (i >= n)
        return std::nullopt;
    uint64_t value = 0;
    for (; i < n; ++i) {
        const int digit = hex ? HexValue(token.at(i)) : (IsDigit(token.at(i)) ? token.at(i).unicode() - u'0' : -1);
        if (digit < 0)
            return std::nullopt;
        value = value * (hex ? 16 : 10) + uint64_t(digit);
        if (value > 0xFFFFFFFFull)
            return std::nullopt;
    }
    if (hex) {
        const uint32_t bits = negative ? uint32_t(0) - uint32_t(value) : uint32_t(value);
        return static_cast<int32_t>(bits);
    }
    if (negative ? value > 0x80000000ull : value > 0x7FFFFFFFull)
        return std::nullopt;
    return negative ? int(-int64_t(value)) : int(value);
}

std::optional<double> ReadScriptReal(const QString& token)
{
    // Checked against the grammar first: std::from_chars would also take
    // "inf", "nan" and hexadecimal forms.
    const qsizetype n = token.size();
    qsizetype i = 0;
    if (i < n && (token.at(i) == u'+' || token.at(i) == u'-'))
        ++i;
    const qsizetype mantissa = i;
    int digits = 0;
    while (i < n && IsDigit(token.at(i))) {
        ++i;
        ++digits;
    }
    if (i < n && token.at(i) == u'.') {
        ++i;
        while (i < n && IsDigit(token.at(i))) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return std::nullopt;
    if (i < n && (token.at(i) == u'e' || token.at(i) == u'E')) {
        ++i;
        if (i < n && (token.at(i) == u'+' || token.at(i) == u'-'))
            ++i;
        const qsizetype exponent = i;
        while (i < n && IsDigit(token.at(i)))
            ++i;
        if (i == exponent)
            return std::nullopt;
    }
    if (i != n)
        return std::nullopt;
    const std::string text = token.mid(mantissa).toStdString();
    double value = 0.0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (end != text.data() + text.size())
        return std::nullopt;
    if (ec == std::errc::result_out_of_range) {
        // Too small for a double is 0; too large is no number.
        if (DecimalMagnitude(text) > 0)
            return std::nullopt;
        value = 0.0;
    } else if (ec != std::errc() || !std::isfinite(value)) {
        return std::nullopt;
    }
    if (token.at(0) == u'-')
        value = -value;
    return value;
}

ScriptCoordinate ParseCoordinate(const QString& token)
{
    ScriptCoordinate c;
    QString text = token.trimmed();
    if (text.endsWith(u'%')) {
        c.percent = true;
        text.chop(1);
    }
    const std::optional<double> value = ReadScriptReal(text);
    c.value = value ? float(*value) : 0.0f;
    if (!std::isfinite(c.value))
        c.value = *value > 0 ? std::numeric_limits<float>::max() : -std::numeric_limits<float>::max();
    return c;
}

std::optional<QRgb> ParseHexColor(const QString& token)
{
    QString text = token.trimmed();
    if (text.startsWith(u'#') || text.startsWith(u'$'))
        text.remove(0, 1);
    if (text.size() == 6)
        text.prepend(QStringLiteral("FF"));
    if (text.size() != 8)
        return std::nullopt;
    QRgb value = 0;
    for (const QChar c : text) {
        const int digit = HexValue(c);
        if (digit < 0)
            return std::nullopt;
        value = value << 4 | QRgb(digit);
    }
    return value;
}

ScriptOption SplitOption(const QString& token)
{
    const qsizetype eq = token.indexOf(u'=');
    if (eq < 0)
        return {QString(), token};
    ScriptOption option{token.left(eq).toUpper(), token.mid(eq + 1)};
    const QString& v = option.value;
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
        option.value = v.mid(1, v.size() - 2);
    return option;
}

gfx::BlendMode ParseBlendMode(const QString& word)
{
    using gfx::BlendMode;
    static const struct {
        const char* word;
        BlendMode mode;
    } kModes[] = {
        {"multiply", BlendMode::Multiply}, {"screen", BlendMode::Screen},       {"overlay", BlendMode::Overlay},
        {"darken", BlendMode::Darken},     {"lighten", BlendMode::Lighten},     {"softlight", BlendMode::SoftLight},
        {"hardlight", BlendMode::HardLight}, {"difference", BlendMode::Difference},
    };
    const QString w = word.trimmed();
    for (const auto& m : kModes)
        if (w.compare(QLatin1String(m.word), Qt::CaseInsensitive) == 0)
            return m.mode;
    return BlendMode::SrcOver;
}

ScriptFontStyle ParseFontStyle(const QString& word)
{
    const QString w = word.trimmed();
    if (w.compare(QLatin1String("bold"), Qt::CaseInsensitive) == 0)
        return {700, false};
    if (w.compare(QLatin1String("italic"), Qt::CaseInsensitive) == 0)
        return {400, true};
    if (w.compare(QLatin1String("bolditalic"), Qt::CaseInsensitive) == 0)
        return {700, true};
    return {};
}

std::optional<int> ParseItemNumber(const QString& token)
{
    if (token.size() <= 1 || !token.startsWith(u'#') || token.startsWith(QLatin1String("#FF"), Qt::CaseInsensitive))
        return std::nullopt;
    return ReadScriptInteger(token.mid(1)).value_or(-1);
}

} // namespace pq
