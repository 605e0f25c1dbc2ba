// The program's entry: the splash first, then the main window (created
// hidden), the image repository and the language lists, then the event
// loop; at its end the orderly shut-down.
#include "ui/debug_log.h"
#include "ui/language_lists.h"
#include "app/main_window.h"
#include "catalogue/effect_catalogue.h"
#include "app/splash.h"
#include "app/startup.h"
#include "engine/runtime/effect_runtime.h"
#include "engine/repository/image_repository.h"
#include "platform/ui_bridge.h"

#include "platform/simd_state.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QStyleFactory>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>

namespace {

bool DisplayAvailable()
{
#if defined(Q_OS_LINUX)
    const auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value && *value;
    };
    return set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY");
#else
    return true;
#endif
}

void ReportStartupError(const QString& message)
{
    const QString text = pq::StartupErrorText(message);
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
    const QString platform = QGuiApplication::platformName();
    if (qApp && platform != QLatin1String("offscreen") && platform != QLatin1String("minimal"))
        QMessageBox::critical(nullptr, QStringLiteral("Pastelloquin"), text);
}

} // namespace

int main(int argc, char* argv[])
{
    if (!DisplayAvailable()) {
        std::fprintf(stderr, "%s\n",
                     pq::StartupErrorText(QStringLiteral("no display found; start it with xvfb-run"))
                         .toLocal8Bit()
                         .constData());
        return 1;
    }

    QApplication app(argc, argv);
    // Threads made from here on inherit clean vector registers.
    platform::ClearUpperSimdState();
    QApplication::setApplicationName(QStringLiteral("Pastelloquin"));
    QApplication::setApplicationVersion(QString::fromLatin1(pq::kVersionText));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    platform::SetUiBridge(platform::MakeQtUiBridge());
    pq::InstallEffectCatalogue();
    pq::InitializeEngine();

    int rc = 1;
    std::unique_ptr<pq::SplashScreen> splash;
    std::unique_ptr<pq::MainWindow> mainWindow;
    std::unique_ptr<pq::LanguageLists> languages;
    try {
        splash = std::make_unique<pq::SplashScreen>();
        splash->show();
        splash->raise();
        QApplication::processEvents();

        mainWindow = std::make_unique<pq::MainWindow>();
        (void)pq::Repository();
        languages = std::make_unique<pq::LanguageLists>();
        pq::gLanguageLists = languages.get();
        QObject::connect(splash.get(), &pq::SplashScreen::handOver, mainWindow.get(), [window = mainWindow.get()] {
            pq::GuardedCall("takeOver", [window] { window->takeOver(); });
        });
        // The built-in images decode in the background once the event loop
        // runs, so that the splash is not held up.
        QTimer::singleShot(0, mainWindow.get(), [window = QPointer<pq::MainWindow>(mainWindow.get())] {
            pq::Repository().createInBackground(platform::CurrentUiBridge(), [window] {
                if (window)
                    pq::GuardedCall("repositoryLoaded", [&] { window->repositoryLoaded(); });
            });
        });

        rc = app.exec();
    } catch (const std::exception& e) {
        ReportStartupError(QString::fromLocal8Bit(e.what()));
        rc = 1;
    } catch (...) {
        ReportStartupError(QStringLiteral("unknown error"));
        rc = 1;
    }

    bool workersDone = true;
    if (mainWindow)
        pq::GuardedCall("shutDown", [&] { workersDone = mainWindow->shutDown(); });
    platform::CurrentUiBridge().shutdown();
    if (!workersDone) {
        // Workers still run after the wait: end the process without
        // freeing what they use.
        std::fflush(stdout);
        std::fflush(stderr);
        std::_Exit(rc);
    }
    mainWindow.reset();
    splash.reset();
    pq::gLanguageLists = nullptr;
    languages.reset();
    pq::FinalizeEngine();
    return rc;
}
