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

} // namespace pq
