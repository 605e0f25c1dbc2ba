#include "app/languages.h"

namespace pq {

TForm4* Form4 = nullptr;

const QStringList& TForm4::LanguageCodes()
{
    static const QStringList codes{
        QStringLiteral("zh"), QStringLiteral("de"), QStringLiteral("en"), QStringLiteral("es"), QStringLiteral("fr"),
        QStringLiteral("it"), QStringLiteral("ja"), QStringLiteral("ko"), QStringLiteral("nl"), QStringLiteral("pl"),
        QStringLiteral("pt"), QStringLiteral("ru"), QStringLiteral("tr"), QStringLiteral("uk"),
    };
    return codes;
}

} // namespace pq
