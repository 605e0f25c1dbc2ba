#include "catalogue/effect_catalogue.h"
#include "ui/settings.h"
#include "platform/thread_pool.h"

#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>

// Read by AddressSanitizer builds only. Its runtime (GCC 12) can lose track
// of the dynamic TLS block of libjpeg, which the JPEG image plugin loads;
// the leak check at exit then crashes reading that block. Not intercepting
// __tls_get_addr leaves dynamic TLS out of the check (libjpeg keeps no
// pointers there).
extern "C" const char* __asan_default_options()
{
    return "intercept_tls_get_addr=0";
}

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // A window's start-up update check (one start in ten) asks a port of
    // this machine that nobody serves, never the maker's site.
    setenv("PASTELLOQUIN_UPDATE_URL", "http://127.0.0.1:9/atelio_version.txt", 1);
    QApplication app(argc, argv);
    // Settings go to a folder of the test run, never the user's documents.
    QTemporaryDir settingsFolder;
    if (!settingsFolder.isValid())
        return 1;
    pq::SetSettingsFolder(settingsFolder.path());
    // Windows are tried at an interface zoom of 100 %, where design units
    // are pixels, whatever the size of the test screen.
    pq::SetSetting(QStringLiteral("uizoom"), QStringLiteral("100"));
    platform::ConfigureDefaultThreadPool();
    pq::InstallEffectCatalogue();
    ::testing::InitGoogleTest(&argc, argv);
    const int rc = RUN_ALL_TESTS();
    platform::ShutdownThreadPool();
    return rc;
}
