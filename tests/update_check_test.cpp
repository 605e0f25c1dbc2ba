// The update check against a small HTTP server on 127.0.0.1: what each
// answer shows, what shows nothing, one check at a time, and answers that
// come while the window closes.
#include "app/info_boxes.h"
#include "app/main_window.h"
#include "app/update_box.h"
#include "app/update_check.h"
#include "platform/ui_bridge.h"
#include "ui/widgets/fading_notice.h"
#include "workspace/workspace_layout.h"

#include <QLabel>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <gtest/gtest.h>

#include "event_loop.h"

#include <memory>

namespace {

using testloop::ProcessUntil;

QByteArray Http(int status, const QByteArray& body)
{
    return "HTTP/1.1 " + QByteArray::number(status) + (status == 200 ? " OK" : " Not Found")
           + "\r\nContent-Type: text/plain\r\nContent-Length: " + QByteArray::number(body.size())
           + "\r\nConnection: close\r\n\r\n" + body;
}

// Answers every request with `response` once its headers are in; with
// `silent` it reads and never answers.
class VersionServer : public QObject {
public:
    QByteArray response;
    bool silent = false;
    int requests = 0;
    QList<QTcpSocket*> held;

    bool listen()
    {
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
                    request_ += socket->readAll();
                    if (!request_.contains("\r\n\r\n"))
                        return;
                    request_.clear();
                    ++requests;
                    if (silent) {
                        held << socket;
                        return;
                    }
                    socket->write(response);
                    socket->disconnectFromHost();
                });
            }
        });
        return server_.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0);
    }
    QUrl url() const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1/atelio_version.txt").arg(server_.serverPort()));
    }
    void answerHeld(const QByteArray& answer)
    {
        for (QTcpSocket* socket : held) {
            socket->write(answer);
            socket->disconnectFromHost();
        }
        held.clear();
    }

private:
    QTcpServer server_;
    QByteArray request_;
};

// The boxes over a bare workspace, on a clock the test steps.
class UpdateCheck : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.listen());
        workspace.resize(900, 700);
        workspace.show();
        boxes = std::make_unique<pq::InfoBoxes>(workspace, statusLine, clock, nullptr);
        boxes->updateChecker().url = server.url();
        // Far longer than any answer takes on a busy machine: only the test
        // of a silent server waits for the time-out.
        boxes->updateChecker().transferTimeoutMs = 60000;
        boxes->updateChecker().abortAfterMs = 120000;
        connect();
    }

    void connect()
    {
        QObject::connect(&boxes->updateChecker(), &pq::UpdateChecker::finished, [this] { ++finished; });
    }

    // Serves one check to its end.
    void check(const QByteArray& response)
    {
        server.response = response;
        const int before = finished;
        boxes->checkForUpdate();
        ASSERT_TRUE(ProcessUntil([&] { return finished > before; }, 10000));
    }

    bool showsNothing() const { return !boxes->updateBox()->isVisible() && statusLine.text().isEmpty(); }

    VersionServer server;
    pq::WorkspaceLayout workspace;
    QLabel statusLine;
    qint64 now = 1000;
    pq::MillisecondClock clock = [this] { return now; };
    std::unique_ptr<pq::InfoBoxes> boxes;
    int finished = 0;
};

TEST(VersionText, ParsesMajorAndMinorStrictly)
{
    pq::Version v;
    ASSERT_TRUE(pq::ParseVersion(QStringLiteral("4.40"), v));
    EXPECT_EQ(v.major, 4);
    EXPECT_EQ(v.minor, 40);
    ASSERT_TRUE(pq::ParseVersion(QStringLiteral(" V4.41_beta\n"), v));
    EXPECT_EQ(v.minor, 41);
    for (const char* bad : {"4.40.1", "4 .40", "4. 40", "abc", "", "4.", ".40", "v", "4,40", "<html>4.41</html>"})
        EXPECT_FALSE(pq::ParseVersion(QString::fromLatin1(bad), v)) << bad;
    EXPECT_EQ(pq::CleanVersion(QStringLiteral(" V4.41_beta ")), QStringLiteral("V4.41"));
}

TEST(VersionText, MinorNumbersCompareAsIntegers)
{
    EXPECT_TRUE(pq::IsNewerVersion({4, 41}, {4, 40}));
    EXPECT_TRUE(pq::IsNewerVersion({5, 0}, {4, 40}));
    EXPECT_FALSE(pq::IsNewerVersion({4, 5}, {4, 40}));
    EXPECT_FALSE(pq::IsNewerVersion({4, 40}, {4, 40}));
}

TEST(VersionText, OnlyThisMachineMayReplaceTheAddress)
{
    const QString maker = QStringLiteral("https://www.pastelloquin.com/atelio_version.txt");
    EXPECT_EQ(pq::UpdateCheckUrl(QString()).toString(), maker);
    EXPECT_EQ(pq::UpdateCheckUrl(QStringLiteral("http://127.0.0.1:8123/v.txt")).port(), 8123);
    EXPECT_EQ(pq::UpdateCheckUrl(QStringLiteral("http://LOCALHOST/v.txt")).host(), QStringLiteral("localhost"));
    EXPECT_EQ(pq::UpdateCheckUrl(QStringLiteral("http://example.com/v.txt")).toString(), maker);
    EXPECT_EQ(pq::UpdateCheckUrl(QStringLiteral("ftp://127.0.0.1/v.txt")).toString(), maker);
}

TEST_F(UpdateCheck, ANewerVersionOpensTheBoxWithBothVersions)
{
    check(Http(200, "4.41\n"));
    ASSERT_TRUE(boxes->updateBox()->isVisible());
    EXPECT_EQ(boxes->updateBox()->text()->text(),
              QStringLiteral("Version 4.41 is available.\r\nYou are currently using 4.40.\r\n\r\n"
                             "Would you like to visit www.pastelloquin.com to download it?"));
    // The shown version keeps its letter; the comparison drops it.
    check(Http(200, "V4.41_beta"));
    EXPECT_TRUE(boxes->updateBox()->text()->text().startsWith(QStringLiteral("Version V4.41 is available.\r\n")));

    QList<QUrl> opened;
    boxes->links.open = [&](const QUrl& url) { opened << url; };
    boxes->updateBox()->visitButton()->click();
    EXPECT_FALSE(boxes->updateBox()->isVisible());
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0].host(), QStringLiteral("www.pastelloquin.com"));
}

TEST_F(UpdateCheck, TheUpToDateLineHoldsFadesAndClears)
{
    for (const char* body : {"4.40", "4.5"}) {
        now = 1000;
        check(Http(200, body));
        EXPECT_FALSE(boxes->updateBox()->isVisible()) << body;
        pq::FadingNotice& notice = boxes->upToDateNotice();
        EXPECT_EQ(statusLine.text(), QStringLiteral("Pastelloquin Atelio is up to date")) << body;
        now = 1000 + 2990;
        notice.tick();
        EXPECT_DOUBLE_EQ(notice.opacity(), 1.0);
        now = 1000 + 4000;
        notice.tick();
        EXPECT_DOUBLE_EQ(notice.opacity(), 0.5);
        now = 1000 + 5000;
        notice.tick();
        EXPECT_TRUE(statusLine.text().isEmpty());
        EXPECT_FALSE(notice.running());
    }
}

TEST_F(UpdateCheck, BadAnswersShowNothing)
{
    for (const QByteArray& response :
         {Http(200, "4.40.1"), Http(200, "abc"), Http(200, ""),
          Http(200, "<!DOCTYPE html><html><body>Version 4.41</body></html>"), Http(404, "4.41"),
          QByteArray("this is not http\r\n\r\n"), Http(200, QByteArray(100000, '4'))}) {
        check(response);
        EXPECT_TRUE(showsNothing()) << response.left(60).constData();
    }
}

TEST_F(UpdateCheck, AClosedPortShowsNothing)
{
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0));
    const quint16 port = closed.serverPort();
    closed.close();
    boxes->updateChecker().url = QUrl(QStringLiteral("http://127.0.0.1:%1/atelio_version.txt").arg(port));
    check(Http(200, "4.41"));
    EXPECT_TRUE(showsNothing());
}

TEST_F(UpdateCheck, ASilentServerEndsAtTheTimeOutWhileTheWindowRunsOn)
{
    server.silent = true;
    boxes->updateChecker().transferTimeoutMs = 300;
    boxes->updateChecker().abortAfterMs = 600;
    bool timerFired = false;
    QTimer::singleShot(20, [&] { timerFired = true; });
    check(QByteArray());
    EXPECT_TRUE(timerFired) << "the event loop ran during the check";
    EXPECT_TRUE(showsNothing());
    EXPECT_FALSE(boxes->updateChecker().running());
}

TEST_F(UpdateCheck, OneCheckAtATime)
{
    server.silent = true;
    boxes->checkForUpdate();
    ASSERT_TRUE(ProcessUntil([&] { return server.requests == 1; }, 10000));
    boxes->checkForUpdate();
    boxes->checkForUpdate();
    EXPECT_TRUE(boxes->updateChecker().running());
    server.answerHeld(Http(200, "4.41"));
    ASSERT_TRUE(ProcessUntil([&] { return finished == 1; }, 10000));
    EXPECT_EQ(server.requests, 1);
    EXPECT_TRUE(boxes->updateBox()->isVisible());
}

TEST_F(UpdateCheck, AnAnswerAfterTheWindowClosesIsDropped)
{
    server.silent = true;
    boxes->updateChecker().transferTimeoutMs = 5000;
    boxes->checkForUpdate();
    ASSERT_TRUE(ProcessUntil([&] { return server.requests == 1; }, 10000));
    boxes->closing();
    server.answerHeld(Http(200, "4.41"));
    ProcessUntil([] { return false; }, 150);
    EXPECT_TRUE(showsNothing());
    EXPECT_FALSE(boxes->updateChecker().running());
    EXPECT_FALSE(boxes->updateChecker().start()) << "no check after closing";
}

TEST(UpdateCheckWindow, UStartsTheCheckAndClosingTheWindowDropsItsAnswer)
{
    platform::SetUiBridge(platform::MakeQtUiBridge());
    VersionServer server;
    ASSERT_TRUE(server.listen());
    server.silent = true;
    {
        pq::MainWindow window;
        window.commandLine = {QStringLiteral("pastelloquin")};
        window.show();
        ASSERT_TRUE(ProcessUntil([&] { return window.initialized; }));
        // One start in ten checks at once; that check ends first.
        ASSERT_TRUE(ProcessUntil([&] { return !window.infoBoxes().updateChecker().running(); }));
        window.infoBoxes().updateChecker().url = server.url();
        ASSERT_TRUE(window.commands().handleKey(Qt::Key_U, QStringLiteral("u"), Qt::NoModifier, false));
        ASSERT_TRUE(ProcessUntil([&] { return server.requests == 1; }, 10000));
        window.commands().handleKey(Qt::Key_U, QStringLiteral("u"), Qt::NoModifier, false);
        EXPECT_TRUE(window.close());
        server.answerHeld(Http(200, "4.41"));
        ProcessUntil([] { return false; }, 150);
        EXPECT_FALSE(window.infoBoxes().updateBox()->isVisible());
        EXPECT_EQ(server.requests, 1);
        window.shutDown();
    }
    platform::SetUiBridge(nullptr);
}

} // namespace
