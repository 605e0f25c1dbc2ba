#include "app/settings.h"
#include "platform/thread_pool.h"

#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    // Settings go to a folder of the test run, never the user's documents.
    QTemporaryDir settingsFolder;
    if (!settingsFolder.isValid())
        return 1;
    pq::SetSettingsFolder(settingsFolder.path());
    platform::configureDefaultThreadPool();
    ::testing::InitGoogleTest(&argc, argv);
    const int rc = RUN_ALL_TESTS();
    platform::shutdownThreadPool();
    return rc;
}
