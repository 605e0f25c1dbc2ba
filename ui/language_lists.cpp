#include "ui/language_lists.h"

namespace pq {

LanguageLists* gLanguageLists = nullptr;

LanguageLists::LanguageLists() : english(EnglishStrings()) {}

const QStringList& LanguageLists::languageCodes()
{
    static const QStringList kCodes{
        QStringLiteral("zh"), QStringLiteral("de"), QStringLiteral("en"), QStringLiteral("es"), QStringLiteral("fr"),
        QStringLiteral("it"), QStringLiteral("ja"), QStringLiteral("ko"), QStringLiteral("nl"), QStringLiteral("pl"),
        QStringLiteral("pt"), QStringLiteral("ru"), QStringLiteral("tr"), QStringLiteral("uk"),
    };
    return kCodes;
}

const QStringList* LanguageLists::listOf(const QString& code) const
{
    const QStringList* lists[] = {&chinese, &german,     &english, &spanish, &french,
                                  &italian, &japanese,   &korean,  &dutch,   &polish,
                                  &portuguese, &russian, &turkish, &ukrainian};
    const qsizetype index = languageCodes().indexOf(code);
    if (index < 0 || lists[index]->isEmpty())
        return nullptr;
    return lists[index];
}

} // namespace pq
