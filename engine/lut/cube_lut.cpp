#include "engine/lut/cube_lut.h"

#include "platform/bounded_file.h"

#include <QFile>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace pq {
namespace {

using Text = std::string_view;

bool IsBlankOrControl(char c)
{
    return static_cast<unsigned char>(c) <= 0x20;
}

Text Trim(Text s)
{
    while (!s.empty() && IsBlankOrControl(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlankOrControl(s.back()))
        s.remove_suffix(1);
    return s;
}

bool EqualsNoCase(Text a, Text keyword)
{
    return a.size() == keyword.size() && std::equal(a.begin(), a.end(), keyword.begin(), [](char x, char y) {
               return (x >= 'a' && x <= 'z' ? char(x - 32) : x) == y;
           });
}

// A sign of its own ("+" is not taken by from_chars) followed by the rest.
Text UnsignedPart(Text s, bool& negative)
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
std::optional<float> ParseFloat(Text s)
{
    bool negative = false;
    s = UnsignedPart(s, negative);
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

std::optional<long long> ParseInteger(Text s)
{
    bool negative = false;
    s = UnsignedPart(s, negative);
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
int SplitTokens(Text line, Text* tokens, int max)
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

void SetError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

// The .cube grammar, one line at a time.
class CubeReader {
public:
    // False once the text is refused; later lines are not read.
    bool line(Text raw, size_t bytesLeft)
    {
        if (raw.size() > kMaxLineBytes)
            return refuse(QStringLiteral("a line is longer than %1 bytes").arg(kMaxLineBytes));
        const Text line = Trim(raw);
        if (line.empty() || line.front() == '#')
            return true;
        const size_t space = line.find(' ');
        const Text keyword = line.substr(0, space);
        if (EqualsNoCase(keyword, "TITLE"))
            return true;
        if (EqualsNoCase(keyword, "LUT_1D_SIZE"))
            return refuse(QStringLiteral("one-dimensional tables (LUT_1D_SIZE) are not supported"));
        if (EqualsNoCase(keyword, "LUT_3D_SIZE")) {
            const Text rest = space == Text::npos ? Text() : Trim(line.substr(space + 1));
            const long long size = ParseInteger(rest).value_or(0);
            if (size < 1 || size > kMaxCubeLUTSize) {
                sizeOutOfRange_ = size != 0;
                return refuse(QStringLiteral("LUT_3D_SIZE %1 is outside 1..%2")
                                  .arg(QString::fromUtf8(rest.data(), qsizetype(rest.size())))
                                  .arg(kMaxCubeLUTSize));
            }
            n_ = size;
            needed_ = size_t(n_ * n_ * n_);
            // The table grows as rows arrive; a row takes at least 6 bytes.
            lut_.lut.reserve(std::min(needed_, bytesLeft / 6 + 1));
            return true;
        }
        const bool isMin = EqualsNoCase(keyword, "DOMAIN_MIN");
        if (isMin || EqualsNoCase(keyword, "DOMAIN_MAX")) {
            Text t[4];
            if (SplitTokens(line, t, 4) < 4)
                return true;
            const float fallback = isMin ? 0.0f : 1.0f;
            LUTColor& bound = isMin ? lut_.domainMin : lut_.domainMax;
            bound = {ParseFloat(t[1]).value_or(fallback), ParseFloat(t[2]).value_or(fallback),
                     ParseFloat(t[3]).value_or(fallback)};
            return true;
        }
        if (n_ == 0)
            return true;
        // Any other line of three tokens or more is a data row, an unknown
        // keyword's included; what is no number reads as 0.
        Text t[3];
        if (SplitTokens(line, t, 3) < 3)
            return true;
        ++rows_;
        if (lut_.lut.size() < needed_)
            lut_.lut.push_back({ParseFloat(t[0]).value_or(0.0f), ParseFloat(t[1]).value_or(0.0f),
                                ParseFloat(t[2]).value_or(0.0f)});
        return true;
    }

    bool refuse(const QString& text)
    {
        refused_ = true;
        error_ = text;
        return false;
    }

    CubeLUT finish(QString* error)
    {
        if (!refused_ && n_ == 0)
            refuse(QStringLiteral("no LUT_3D_SIZE line"));
        if (!refused_ && lut_.lut.size() != needed_)
            refuse(QStringLiteral("%1 data rows where LUT_3D_SIZE %2 needs %3")
                       .arg(rows_)
                       .arg(n_)
                       .arg(qulonglong(needed_)));
        if (refused_) {
            SetError(error, error_);
            CubeLUT none;
            none.sizeOutOfRange = sizeOutOfRange_;
            return none;
        }
        lut_.lutSize = int(n_);
        lut_.lut.shrink_to_fit();
        return std::move(lut_);
    }

private:
    static constexpr size_t kMaxLineBytes = 1 << 20;

    CubeLUT lut_;
    long long n_ = 0;
    size_t needed_ = 0;
    size_t rows_ = 0; // data rows seen, also those beyond the table
    bool refused_ = false;
    bool sizeOutOfRange_ = false;
    QString error_;
};

// Cuts text that arrives in pieces into lines (CR LF, a lone CR and a lone
// LF each end one) for the reader, skipping a UTF-8 byte-order mark.
class LineFeeder {
public:
    explicit LineFeeder(qint64 totalBytes) : total_(size_t(std::max<qint64>(totalBytes, 0))) {}

    // False once the reader refused the text.
    bool feed(Text chunk)
    {
        if (first_) {
            first_ = false;
            if (chunk.substr(0, 3) == "\xEF\xBB\xBF") {
                chunk.remove_prefix(3);
                consumed_ += 3;
            }
        }
        if (skipLF_ && !chunk.empty() && chunk.front() == '\n') {
            chunk.remove_prefix(1);
            ++consumed_;
        }
        skipLF_ = false;
        size_t pos = 0;
        while (pos < chunk.size()) {
            const size_t end = chunk.find_first_of("\r\n", pos);
            if (end == Text::npos) {
                carry_.append(chunk.substr(pos));
                consumed_ += chunk.size() - pos;
                if (carry_.size() > (size_t(1) << 20))
                    return reader_.line(carry_, 0); // refused as too long
                return true;
            }
            size_t next = end + 1;
            if (chunk[end] == '\r') {
                if (next < chunk.size() && chunk[next] == '\n')
                    ++next;
                else if (next == chunk.size())
                    skipLF_ = true; // an LF may open the next piece
            }
            consumed_ += next - pos;
            const size_t left = total_ > consumed_ ? total_ - consumed_ : 0;
            bool ok;
            if (carry_.empty()) {
                ok = reader_.line(chunk.substr(pos, end - pos), left);
            } else {
                carry_.append(chunk.substr(pos, end - pos));
                ok = reader_.line(carry_, left);
                carry_.clear();
            }
            if (!ok)
                return false;
            pos = next;
        }
        return true;
    }

    CubeLUT finish(QString* error)
    {
        if (!carry_.empty())
            reader_.line(carry_, 0);
        return reader_.finish(error);
    }

private:
    CubeReader reader_;
    std::string carry_;
    size_t total_;
    size_t consumed_ = 0;
    bool first_ = true;
    bool skipLF_ = false;
};

} // namespace

CubeLUT ParseCubeLUTFromBytes(const QByteArray& bytes, QString* error)
{
    LineFeeder feeder(bytes.size());
    feeder.feed(Text(bytes.constData(), size_t(bytes.size())));
    return feeder.finish(error);
}

bool ReadCubeFile(const QString& path, QByteArray& bytes, QString* error)
{
    return platform::ReadRegularFile(path, kMaxCubeFileBytes, bytes, error);
}

CubeLUT ParseCubeLUTFromFile(const QString& path, QString* error)
{
    QFile file;
    QString openError;
    if (!platform::OpenRegularFile(path, kMaxCubeFileBytes, file, &openError))
        throw std::runtime_error(openError.toStdString());
    LineFeeder feeder(file.size());
    std::vector<char> buffer(131072);
    qint64 total = 0;
    for (;;) {
        const qint64 got = file.read(buffer.data(), qint64(buffer.size()));
        if (got < 0)
            throw std::runtime_error(
                QStringLiteral("cannot read %1: %2").arg(path, file.errorString()).toStdString());
        total += got;
        if (total > kMaxCubeFileBytes)
            throw std::runtime_error(QStringLiteral("%1 grew beyond %2 bytes while it was read")
                                         .arg(path)
                                         .arg(kMaxCubeFileBytes)
                                         .toStdString());
        if (got == 0 || !feeder.feed(Text(buffer.data(), size_t(got))))
            break;
    }
    return feeder.finish(error);
}

} // namespace pq
