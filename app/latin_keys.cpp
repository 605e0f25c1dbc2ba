#include "app/latin_keys.h"

#include <QList>
#include <Qt>

#include <string_view>
#include <utility>

namespace pq {
namespace {

// A letter or digit outside ASCII: the press comes from another layout.
bool IsForeignLetter(char32_t c)
{
    return c > 0x7F && c < 0x110000 && QChar::isLetter(c);
}

int KeyOfScanCode(quint32 code)
{
#if defined(Q_OS_WIN)
    // Set-1 scan codes of the main block.
    static constexpr char kRows[][16] = {"1234567890", "QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM"};
    static constexpr quint32 kFirst[] = {0x02, 0x10, 0x1E, 0x2C};
#else
    // X11 and Wayland key codes: the evdev code plus 8.
    static constexpr char kRows[][16] = {"1234567890", "QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM"};
    static constexpr quint32 kFirst[] = {10, 24, 38, 52};
#endif
    for (size_t row = 0; row < 4; ++row) {
        const std::string_view keys(kRows[row]);
        if (code >= kFirst[row] && code < kFirst[row] + keys.size()) {
            const char c = keys[code - kFirst[row]];
            return c >= 'A' ? Qt::Key_A + (c - 'A') : Qt::Key_0 + (c - '0');
        }
    }
    return 0;
}

// Where the Cyrillic letters sit on the Russian and Ukrainian layouts.
int KeyOfCyrillic(char32_t c)
{
    static constexpr std::pair<char32_t, char> kPlaces[] = {
        {U'й', 'Q'}, {U'ц', 'W'}, {U'у', 'E'}, {U'к', 'R'}, {U'е', 'T'}, {U'н', 'Y'}, {U'г', 'U'},
        {U'ш', 'I'}, {U'щ', 'O'}, {U'з', 'P'}, {U'ф', 'A'}, {U'ы', 'S'}, {U'і', 'S'}, {U'в', 'D'},
        {U'а', 'F'}, {U'п', 'G'}, {U'р', 'H'}, {U'о', 'J'}, {U'л', 'K'}, {U'д', 'L'}, {U'я', 'Z'},
        {U'ч', 'X'}, {U'с', 'C'}, {U'м', 'V'}, {U'и', 'B'}, {U'т', 'N'}, {U'ь', 'M'},
    };
    const char32_t lower = QChar::toLower(c);
    for (const auto& [letter, key] : kPlaces)
        if (letter == lower)
            return Qt::Key_A + (key - 'A');
    return 0;
}

} // namespace

int LatinKey(int key, const QString& text, quint32 nativeScanCode)
{
    // Qt gives a letter key of another script as its upper-case code point.
    char32_t letter = 0;
    if (key > 0xFF && key < Qt::Key_Escape && IsForeignLetter(char32_t(key)))
        letter = char32_t(key);
    else if (!text.isEmpty() && IsForeignLetter(text.toUcs4().value(0)))
        letter = text.toUcs4().value(0);
    if (letter == 0)
        return 0;
    if (const int fromCode = KeyOfScanCode(nativeScanCode))
        return fromCode;
    return KeyOfCyrillic(letter);
}

} // namespace pq
