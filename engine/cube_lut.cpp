#include "engine/cube_lut.h"

#include <QFile>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <stdexcept>
#include <string_view>

namespace pq {
namespace {

using Text = std::string_view;

bool isBlankOrControl(char c)
{
    return static_cast<unsigned char>(c) <= 0x20;
}

Text trim(Text s)
{
    while (!s.empty() && isBlankOrControl(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlankOrControl(s.back()))
        s.remove_suffix(1);
    return s;
}

bool equalsNoCase(Text a, Text keyword)
{
    return a.size() == keyword.size() && std::equal(a.begin(), a.end(), keyword.begin(), [](char x, char y) {
               return (x >= 'a' && x <= 'z' ? char(x - 32) : x) == y;
           });
}

// A sign of its own ("+" is not taken by from_chars) followed by the rest.
Text unsigned_part(Text s, bool& negative)
{
    negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    return s;
}

// Invariant decimal number; nothing for anything else, infinities and NaN
// included.
std::optional<float> parseFloat(Text s)
{
    bool negative = false;
    s = unsigned_part(s, negative);
    if (s.empty() || !((s.front() >= '0' && s.front() <= '9') || s.front() == '.'))
        return std::nullopt;
    double v = 0.0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
    if (ec != std::errc() || end != s.data() + s.size())
        return std::nullopt;
    const float f = float(negative ? -v : v);
    if (!std::isfinite(f))
        return std::nullopt;
    return f;
}

std::optional<long long> parseInteger(Text s)
{
    bool negative = false;
    s = unsigned_part(s, negative);
    if (s.empty() || s.front() < '0' || s.front() > '9')
        return std::nullopt;
    long long v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size())
        return std::nullopt;
    return negative ? -v : v;
}

// Up to `max` tokens separated by runs of spaces and tabs; returns how many
// the line has, counting at most max + 1.
int splitTokens(Text line, Text* tokens, int max)
{
    int count = 0;
    size_t i = 0;
    while (i < line.size() && count <= max) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        if (i >= line.size())
            break;
        const size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            ++i;
        if (count < max)
            tokens[count] = line.substr(start, i - start);
        ++count;
    }
    return count;
}

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

CubeLUT refuse(QString* error, const QString& text)
{
    setError(error, text);
    return {};
}

} // namespace

CubeLUT ParseCubeLUTFromBytes(const QByteArray& bytes, QString* error)
{
    Text text(bytes.constData(), size_t(bytes.size()));
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);

    CubeLUT lut;
    long long n = 0;
    size_t needed = 0;
    size_t rows = 0; // rows seen for the current size (may exceed the table)
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find_first_of("\r\n", pos);
        if (end == Text::npos)
            end = text.size();
        const Text line = trim(text.substr(pos, end - pos));
        // CR LF, a lone CR and a lone LF each end one line.
        pos = end + 1;
        if (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n')
            ++pos;

        if (line.empty() || line.front() == '#')
            continue;
        const size_t space = line.find(' ');
        const Text keyword = line.substr(0, space);
        if (equalsNoCase(keyword, "TITLE"))
            continue;
        if (equalsNoCase(keyword, "LUT_1D_SIZE"))
            return refuse(error, QStringLiteral("one-dimensional tables (LUT_1D_SIZE) are not supported"));
        if (equalsNoCase(keyword, "LUT_3D_SIZE")) {
            const Text rest = space == Text::npos ? Text() : trim(line.substr(space + 1));
            const long long size = parseInteger(rest).value_or(0);
            if (size < 1 || size > kMaxCubeLUTSize)
                return refuse(error, QStringLiteral("LUT_3D_SIZE %1 is outside 1..%2")
                                         .arg(QString::fromUtf8(rest.data(), qsizetype(rest.size())))
                                         .arg(kMaxCubeLUTSize));
            n = size;
            needed = size_t(n * n * n);
            lut.LUT.reserve(std::min(needed, (text.size() - pos) / 6 + 1));
            continue;
        }
        const bool isMin = equalsNoCase(keyword, "DOMAIN_MIN");
        if (isMin || equalsNoCase(keyword, "DOMAIN_MAX")) {
            Text t[4];
            if (splitTokens(line, t, 4) < 4)
                continue;
            const float fallback = isMin ? 0.0f : 1.0f;
            TLUTRGBf& bound = isMin ? lut.DomainMin : lut.DomainMax;
            bound = {parseFloat(t[1]).value_or(fallback), parseFloat(t[2]).value_or(fallback),
                     parseFloat(t[3]).value_or(fallback)};
            continue;
        }
        if (n == 0)
            continue;
        Text t[3];
        if (splitTokens(line, t, 3) < 3)
            continue;
        const std::optional<float> r = parseFloat(t[0]);
        if (!r)
            continue; // another keyword, never a data row
        ++rows;
        if (lut.LUT.size() < needed)
            lut.LUT.push_back({*r, parseFloat(t[1]).value_or(0.0f), parseFloat(t[2]).value_or(0.0f)});
    }
    if (n == 0)
        return refuse(error, QStringLiteral("no LUT_3D_SIZE line"));
    if (lut.LUT.size() != needed)
        return refuse(error, QStringLiteral("%1 data rows where LUT_3D_SIZE %2 needs %3")
                                 .arg(rows)
                                 .arg(n)
                                 .arg(qulonglong(needed)));
    lut.LUTSize = int(n);
    lut.LUT.shrink_to_fit();
    return lut;
}

bool ReadCubeFile(const QString& path, QByteArray& bytes, QString* error)
{
    bytes.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, QStringLiteral("cannot open %1: %2").arg(path, file.errorString()));
        return false;
    }
    if (file.size() > kMaxCubeFileBytes) {
        setError(error, QStringLiteral("%1 is too large for a LUT file").arg(path));
        return false;
    }
    bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        setError(error, QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
        bytes.clear();
        return false;
    }
    return true;
}

CubeLUT ParseCubeLUTFromFile(const QString& path, QString* error)
{
    QByteArray bytes;
    QString readError;
    if (!ReadCubeFile(path, bytes, &readError))
        throw std::runtime_error(readError.toStdString());
    return ParseCubeLUTFromBytes(bytes, error);
}

} // namespace pq
