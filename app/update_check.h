#pragma once

#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>

class QNetworkAccessManager;

namespace pq {

// Names a version text on this machine that replaces the maker's (tests).
inline constexpr const char* kUpdateUrlVariable = "PASTELLOQUIN_UPDATE_URL";

struct Version {
    int major = 0;
    int minor = 0;
};

// A version as shown to the user: trimmed and cut at the first "_".
QString CleanVersion(const QString& text);
// "4.40", "v4.41" or "V4.41_beta": a major and a minor number, each a
// whole integer; false for anything else ("4.40.1", "4 .40", "abc").
bool ParseVersion(const QString& text, Version& version);
// Minor numbers compare as integers: 4.5 is older than 4.40.
bool IsNewerVersion(const Version& remote, const Version& local);

enum class UpdateAnswer { Newer, UpToDate, Nothing };
// What a reply says: status 200 and a version that parses, else Nothing.
UpdateAnswer JudgeUpdateReply(int status, const QByteArray& body, const QString& local, QString* remoteShown);

// The address of the version text: the maker's, or the one the environment
// names when its host is 127.0.0.1 or localhost.
QUrl UpdateCheckUrl();
QUrl UpdateCheckUrl(const QString& override);

// The update check: one GET of the version text at a time, in the
// background, with a transfer time-out and a last-resort abort. Every
// failure is silent; an answer that arrives after stop() is dropped.
class UpdateChecker : public QObject {
    Q_OBJECT
public:
    explicit UpdateChecker(QObject* parent = nullptr);
    ~UpdateChecker() override;

    QUrl url;
    QString localVersion;
    int transferTimeoutMs = 5000;
    int abortAfterMs = 10000;

    // Starts a check; false, doing nothing, while one runs or once stopped.
    bool start();
    bool running() const { return reply_ != nullptr; }
    // Drops the check in flight and refuses new ones (the window closes).
    void stop();

signals:
    void newerVersion(const QString& remote, const QString& local);
    void upToDate();
    // Every check ends with this, whatever it found.
    void finished();

private:
    void answered();
    void drop();

    QNetworkAccessManager* network_ = nullptr;
    QPointer<QNetworkReply> reply_;
    QTimer abortTimer_;
    bool stopped_ = false;
};

} // namespace pq
