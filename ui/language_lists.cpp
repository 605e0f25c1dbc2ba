#include "ui/language_lists.h"

namespace pq {

TForm4* Form4 = nullptr;

TForm4::TForm4() : MEMOENGLISH(EnglishStrings()) {}

const QStringList& TForm4::LanguageCodes()
{
    static const QStringList codes{
        QStringLiteral("zh"), QStringLiteral("de"), QStringLiteral("en"), QStringLiteral("es"), QStringLiteral("fr"),
        QStringLiteral("it"), QStringLiteral("ja"), QStringLiteral("ko"), QStringLiteral("nl"), QStringLiteral("pl"),
        QStringLiteral("pt"), QStringLiteral("ru"), QStringLiteral("tr"), QStringLiteral("uk"),
    };
    return codes;
}

const QStringList* TForm4::ListOfLanguage(const QString& code) const
{
    const QStringList* lists[] = {&MEMOCHINESE, &MEMOGERMAN,     &MEMOENGLISH, &MEMOSPANISH, &MEMOFRENCH,
                                  &MEMOITALIAN, &MEMOJAPANESE,   &MEMOKOREAN,  &MEMODUTCH,   &MEMOPOLISH,
                                  &MEMOPORTUGUESE, &MEMORUSSIAN, &MEMOTURKISH, &MEMOUKRAINIAN};
    const qsizetype index = LanguageCodes().indexOf(code);
    if (index < 0 || lists[index]->isEmpty())
        return nullptr;
    return lists[index];
}

} // namespace pq
