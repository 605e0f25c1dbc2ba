#include "app/web_links.h"

#include "ui/language_lists.h"

#include <QDesktopServices>

namespace pq {

QUrl WebPageUrl(WebPage page)
{
    const QString site = QStringLiteral("https://") + QString::fromLatin1(kWebHostName);
    switch (page) {
    case WebPage::Home: return QUrl(site + QStringLiteral("/"));
    case WebPage::Help: return QUrl(site + QStringLiteral("/pastelloquin-help/"));
    case WebPage::About: return QUrl(site + QStringLiteral("/about-pastelloquin/"));
    case WebPage::Donation: return QUrl(site + QStringLiteral("/buy-me-a-coffee/"));
    }
    return QUrl(site);
}

WebLinks::WebLinks() : open([](const QUrl& url) { QDesktopServices::openUrl(url); }) {}

void WebLinks::show(WebPage page) const
{
    if (open)
        open(WebPageUrl(page));
}

} // namespace pq
