#include "ui/language_lists.h"

#include "ui/debug_log.h"

#include <QFile>

namespace pq {

LanguageLists* gLanguageLists = nullptr;

LanguageLists::LanguageLists() : english(EnglishStrings())
{
    for (const QString& code : languageCodes()) {
        if (code == QLatin1String("en"))
            continue;
        QStringList lines = LoadBuiltIn(code);
        if (!lines.isEmpty() && lines.size() != english.size())
            DebugLogFmt("Language list %s has %d lines", qUtf8Printable(code), int(lines.size()));
        *listOf(code) = std::move(lines);
    }
}

const QStringList& LanguageLists::languageCodes()
{
    static const QStringList kCodes{
        QStringLiteral("zh"), QStringLiteral("de"), QStringLiteral("en"), QStringLiteral("es"), QStringLiteral("fr"),
        QStringLiteral("it"), QStringLiteral("ja"), QStringLiteral("ko"), QStringLiteral("nl"), QStringLiteral("pl"),
        QStringLiteral("pt"), QStringLiteral("ru"), QStringLiteral("tr"), QStringLiteral("uk"),
    };
    return kCodes;
}

QStringList* LanguageLists::listOf(const QString& code)
{
    QStringList* lists[] = {&chinese, &german,     &english, &spanish, &french,
                            &italian, &japanese,   &korean,  &dutch,   &polish,
                            &portuguese, &russian, &turkish, &ukrainian};
    const qsizetype index = languageCodes().indexOf(code);
    return index < 0 ? nullptr : lists[index];
}

const QStringList* LanguageLists::listOf(const QString& code) const
{
    const QStringList* list = const_cast<LanguageLists*>(this)->listOf(code);
    return list && !list->isEmpty() ? list : nullptr;
}

QStringList LanguageLists::SplitListText(const QByteArray& bytes)
{
    QString text = QString::fromUtf8(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (text.isEmpty())
        return {};
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    return text.split(QLatin1Char('\n'));
}

QStringList LanguageLists::LoadBuiltIn(const QString& code)
{
    QFile file(QStringLiteral(":/languages/%1.txt").arg(code));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return SplitListText(file.readAll());
}

const LanguageLists& InterfaceLanguageLists()
{
    if (gLanguageLists)
        return *gLanguageLists;
    static const LanguageLists kOwn;
    return kOwn;
}

QString LanguageOfLocale(const QString& localeName)
{
    const QString code = localeName.left(2).toLower();
    return LanguageLists::languageCodes().contains(code) ? code : QStringLiteral("en");
}

} // namespace pq
