#pragma once

#include <QStringList>

namespace pq {

// The maker's web host, named in two of the interface texts.
inline constexpr const char* kWebHostName = "www.pastelloquin.com";

// The English interface texts, 290 lines: the keys of the dictionary.
const QStringList& EnglishStrings();

// LanguageLists: the holder of the interface language lists, parallel lists of
// lines where line i of a language is the translation of English line i.
// A plain object: it has no window.
class LanguageLists {
public:
    LanguageLists();

    // The interface languages by code, in menu order.
    static const QStringList& languageCodes();

    // The list of a language code (exact comparison); null for a code
    // outside the table or a language whose list is not there.
    const QStringList* listOf(const QString& code) const;
    QStringList* listOf(const QString& code);

    // The built-in list of a code, read from the program's resources:
    // line i translates English line i. Empty when the program has none.
    static QStringList LoadBuiltIn(const QString& code);
    // The lines of a list file: UTF-8, "\n" or "\r\n" line ends, the last
    // line's end optional.
    static QStringList SplitListText(const QByteArray& bytes);

    QStringList chinese;
    QStringList dutch;
    QStringList english;
    QStringList french;
    QStringList german;
    QStringList italian;
    QStringList japanese;
    QStringList korean;
    QStringList polish;
    QStringList portuguese;
    QStringList russian;
    QStringList spanish;
    QStringList turkish;
    QStringList ukrainian;
};

extern LanguageLists* gLanguageLists;

// The program's lists: gLanguageLists, or lists of its own where the
// program made none (tools and tests).
const LanguageLists& InterfaceLanguageLists();

// The interface language of a locale name such as "pt_BR": its first two
// letters, lower-cased, when they are one of the codes, else "en" ("C"
// and "POSIX" too).
QString LanguageOfLocale(const QString& localeName);

} // namespace pq
