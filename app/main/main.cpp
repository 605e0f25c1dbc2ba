#include "platform/thread_pool.h"
#include "platform/ui_bridge.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    platform::setUiBridge(platform::makeQtUiBridge());
    platform::configureDefaultThreadPool();

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("  Pastelloquin 4.40"));
    window.resize(1280, 800);
    window.show();
    const int rc = app.exec();

    platform::uiBridge().shutdown();
    platform::shutdownThreadPool();
    return rc;
}
