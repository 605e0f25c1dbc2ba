#include "app/update_check.h"

#include "ui/debug_log.h"
#include "ui/language_lists.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <limits>

namespace pq {
namespace {

// A version text is a few bytes; anything much longer is not one.
constexpr qint64 kLongestBody = 4096;

// A whole decimal integer, optionally signed, nothing else.
bool StrictInteger(const QString& text, int& value)
{
    if (text.isEmpty())
        return false;
    qsizetype i = 0;
    bool negative = false;
    if (text.at(0) == QLatin1Char('+') || text.at(0) == QLatin1Char('-')) {
        negative = text.at(0) == QLatin1Char('-');
        i = 1;
    }
    if (i == text.size())
        return false;
    long long n = 0;
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        n = n * 10 + (c.unicode() - '0');
        if (n > std::numeric_limits<int>::max())
            return false;
    }
    value = int(negative ? -n : n);
    return true;
}

} // namespace

QString CleanVersion(const QString& text)
{
    QString version = text.trimmed();
    const qsizetype underscore = version.indexOf(QLatin1Char('_'));
    if (underscore >= 0)
        version.truncate(underscore);
    return version;
}

bool ParseVersion(const QString& text, Version& version)
{
    QString s = CleanVersion(text);
    if (!s.isEmpty() && (s.at(0) == QLatin1Char('v') || s.at(0) == QLatin1Char('V')))
        s.remove(0, 1);
    const qsizetype point = s.indexOf(QLatin1Char('.'));
    if (point < 0)
        return false;
    Version parsed;
    if (!StrictInteger(s.left(point), parsed.major) || !StrictInteger(s.mid(point + 1), parsed.minor))
        return false;
    version = parsed;
    return true;
}

bool IsNewerVersion(const Version& remote, const Version& local)
{
    return remote.major > local.major || (remote.major == local.major && remote.minor > local.minor);
}

UpdateAnswer JudgeUpdateReply(int status, const QByteArray& body, const QString& local, QString* remoteShown)
{
    if (status != 200 || body.size() > kLongestBody)
        return UpdateAnswer::Nothing;
    const QString remote = QString::fromUtf8(body).trimmed();
    Version localVersion;
    Version remoteVersion;
    if (!ParseVersion(local, localVersion) || !ParseVersion(remote, remoteVersion))
        return UpdateAnswer::Nothing;
    if (remoteShown)
        *remoteShown = CleanVersion(remote);
    return IsNewerVersion(remoteVersion, localVersion) ? UpdateAnswer::Newer : UpdateAnswer::UpToDate;
}

QUrl UpdateCheckUrl()
{
    return UpdateCheckUrl(qEnvironmentVariable(kUpdateUrlVariable));
}

QUrl UpdateCheckUrl(const QString& override)
{
    const QUrl local(override.trimmed(), QUrl::StrictMode);
    const QString host = local.host().toLower();
    const QString scheme = local.scheme().toLower();
    if (local.isValid() && (host == QLatin1String("127.0.0.1") || host == QLatin1String("localhost"))
        && (scheme == QLatin1String("http") || scheme == QLatin1String("https")))
        return local;
    return QUrl(QStringLiteral("https://") + QString::fromLatin1(kWebHostName) + QStringLiteral("/atelio_version.txt"));
}

UpdateChecker::UpdateChecker(QObject* parent) : QObject(parent)
{
    abortTimer_.setSingleShot(true);
    connect(&abortTimer_, &QTimer::timeout, this, [this] {
        GuardedCall("updateCheckAbort", [this] {
            if (reply_)
                reply_->abort();
        });
    });
}

UpdateChecker::~UpdateChecker()
{
    stopped_ = true;
    drop();
}

bool UpdateChecker::start()
{
    if (stopped_ || reply_)
        return false;
    if (!network_)
        network_ = new QNetworkAccessManager(this);
    // A version text on this machine is asked for directly.
    const QString host = url.host().toLower();
    network_->setProxy(host == QLatin1String("127.0.0.1") || host == QLatin1String("localhost")
                           ? QNetworkProxy(QNetworkProxy::NoProxy)
                           : QNetworkProxy(QNetworkProxy::DefaultProxy));
    QNetworkRequest request(url);
    request.setTransferTimeout(transferTimeoutMs);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    reply_ = network_->get(request);
    // A body far longer than a version text is cut off at once.
    connect(reply_, &QNetworkReply::downloadProgress, this, [this](qint64 received, qint64) {
        if (reply_ && received > kLongestBody)
            reply_->abort();
    });
    connect(reply_, &QNetworkReply::finished, this,
            [this] { GuardedCall("updateCheckAnswered", [this] { answered(); }); });
    abortTimer_.start(abortAfterMs);
    return true;
}

void UpdateChecker::stop()
{
    stopped_ = true;
    drop();
}

void UpdateChecker::drop()
{
    abortTimer_.stop();
    if (QNetworkReply* reply = reply_) {
        reply_ = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

void UpdateChecker::answered()
{
    QNetworkReply* reply = reply_;
    if (!reply)
        return;
    reply_ = nullptr;
    abortTimer_.stop();
    reply->deleteLater();
    if (stopped_)
        return;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QByteArray body = reply->error() == QNetworkReply::NoError ? reply->read(kLongestBody + 1) : QByteArray();
    QString remote;
    switch (JudgeUpdateReply(reply->error() == QNetworkReply::NoError ? status : 0, body, localVersion, &remote)) {
    case UpdateAnswer::Newer: emit newerVersion(remote, CleanVersion(localVersion)); break;
    case UpdateAnswer::UpToDate: emit upToDate(); break;
    case UpdateAnswer::Nothing: break;
    }
    emit finished();
}

} // namespace pq
