#include "scripting/script_text.h"

#include "platform/bounded_file.h"
#include "platform/file_write.h"
#include "scripting/script_lexer.h"

#include <QFile>
#include <QStringDecoder>

namespace pq {
namespace {

// Windows-1252 bytes 0x80..0x9F; 0 where the code page has no character
// (those bytes keep their Latin-1 meaning, as Windows does).
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

QString DecodeWindows1252(const QByteArray& bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        const char16_t mapped = b >= 0x80 && b <= 0x9F ? kCp1252High[b - 0x80] : 0;
        text += QChar(mapped ? mapped : char16_t(b));
    }
    return text;
}

QString Decode(QStringConverter::Encoding encoding, const QByteArray& bytes, bool* valid = nullptr)
{
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (valid)
        *valid = !decoder.hasError();
    return text;
}

} // namespace

QString DecodeScriptBytes(const QByteArray& bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return Decode(QStringConverter::Utf8, bytes.mid(3));
    if (bytes.startsWith("\xFF\xFE"))
        return Decode(QStringConverter::Utf16LE, bytes.mid(2));
    if (bytes.startsWith("\xFE\xFF"))
        return Decode(QStringConverter::Utf16BE, bytes.mid(2));
    bool valid = false;
    QString text = Decode(QStringConverter::Utf8, bytes, &valid);
    return valid ? text : DecodeWindows1252(bytes);
}

bool ReadScriptFile(const QString& path, QString& text, QString* error)
{
    // Opened without waiting: a pipe, a device or a folder is refused.
    QFile file;
    if (!platform::OpenRegularFile(path, kMaxScriptFileBytes, file, error))
        return false;
    const QByteArray bytes = file.read(kMaxScriptFileBytes + 1);
    if (bytes.size() > kMaxScriptFileBytes) {
        if (error)
            *error = QStringLiteral("the script is larger than %1 MB").arg(kMaxScriptFileBytes >> 20);
        return false;
    }
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = file.errorString();
        return false;
    }
    text = DecodeScriptBytes(bytes);
    return true;
}

QByteArray EncodeScriptText(const QString& text)
{
    QByteArray bytes;
    for (const QString& line : SplitScriptLines(text))
        bytes += line.toUtf8() + "\r\n";
    return bytes;
}

bool WriteScriptFile(const QString& path, const QString& text, QString* error)
{
    return platform::WriteFileAtomically(path, EncodeScriptText(text), error);
}

} // namespace pq
