#pragma once

#include <QStringList>

namespace pq {

// The maker's web host, named in two of the interface texts.
inline constexpr const char* kWebHostName = "www.pastelloquin.com";

// The English interface texts, 290 lines: the keys of the dictionary.
const QStringList& EnglishStrings();

// TForm4: the holder of the interface language lists, parallel lists of
// lines where line i of a language is the translation of English line i.
// A plain object: it has no window.
class TForm4 {
public:
    TForm4();

    // The interface languages by code, in menu order.
    static const QStringList& LanguageCodes();

    // The list of a language code (exact comparison); null for a code
    // outside the table or a language whose list is not there.
    const QStringList* ListOfLanguage(const QString& code) const;

    QStringList MEMOCHINESE;
    QStringList MEMODUTCH;
    QStringList MEMOENGLISH;
    QStringList MEMOFRENCH;
    QStringList MEMOGERMAN;
    QStringList MEMOITALIAN;
    QStringList MEMOJAPANESE;
    QStringList MEMOKOREAN;
    QStringList MEMOPOLISH;
    QStringList MEMOPORTUGUESE;
    QStringList MEMORUSSIAN;
    QStringList MEMOSPANISH;
    QStringList MEMOTURKISH;
    QStringList MEMOUKRAINIAN;
};

extern TForm4* Form4;

} // namespace pq
