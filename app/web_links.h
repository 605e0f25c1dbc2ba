#pragma once

#include <QUrl>

#include <functional>

namespace pq {

// The maker's web pages the program opens in the browser.
enum class WebPage { Home, Help, About, Donation };
QUrl WebPageUrl(WebPage page);

// Opens web pages by asking the system to open their address; a failure
// to start the browser is not reported. Tests replace `open`.
struct WebLinks {
    std::function<void(const QUrl&)> open;
    WebLinks();
    void show(WebPage page) const;
};

} // namespace pq
