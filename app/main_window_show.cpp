// The hand-over from the splash, the first show and the initialisation
// tick that follows it.
#include "app/main_window.h"

#include "ui/debug_log.h"
#include "ui/settings.h"
#include "app/splash.h"
#include "app/startup.h"
#include "ui/translate.h"
#include "ui/widgets/expander.h"
#include "engine/repository/image_repository.h"
#include "workspace/workspace_layout.h"

#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QScreen>
#include <QShowEvent>

namespace pq {

void MainWindow::takeOver()
{
    show();
    raise();
    activateWindow();
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    GuardedCall("firstShow", [this] { firstShow(); });
}

void MainWindow::firstShow()
{
    DebugLog(QStringLiteral(">>> firstShow begin"));
    if (!startupLayoutDone) {
        startupLayoutDone = true;
        const QRect work = screen() ? screen()->availableGeometry() : QRect();
        // The saved interface zoom, or the automatic one. Applying it (and
        // showing it in the menu) is the interface-zoom code's work.
        interfaceZoom = UIZoomAtFirstShow(GetSetting(QStringLiteral("uizoom"), QString()), ComputeAutoUIZoom(work));
        maximized = false;
        toggleMaximized();
    }

    // Qt shows the window again after a restore from minimised: the
    // initialisation tick and the command-line image belong to the first
    // show only.
    if (!firstShowDone_) {
        firstShowDone_ = true;
        initializationTimer.start();
        const QString path = StartupImageArgument(commandLine);
        if (!path.isEmpty()) {
            ++startupImageLoads;
            // After the window has its first layout, so that the image is
            // centred in the real viewport.
            QTimer::singleShot(0, this, [this, path] {
                GuardedCall("openImageFile", [this, &path] { openImageFile(path); });
            });
        }
    }

    if (gSplash && gSplash->isVisible())
        gSplash->hide();
    DebugLog(QStringLiteral("<<< firstShow done"));
}

void MainWindow::initialize()
{
    DebugLog(QStringLiteral(">>> initialize begin"));
    initializationTimer.stop();
    ++initializationRuns;
    updateWindowButtons();

    defaultTexturePending = !takeDefaultTexture();

    document_.initializeEffectChoice();
    showSelectedEffect(effectLists[2], -1);
    toolBar->show();

    const QRect work = screen() ? screen()->availableGeometry() : QRect();
    DebugLogFmt("Startup: workArea=%dx%d", work.width(), work.height());
    const QRect restore = RestoreRectForWorkArea(work, minimumSize());
    if (maximized)
        setGeometry(work);
    else
        toggleMaximized();
    restoreBounds = restore;
    workspaceLayout->relayout();

    // The interface language is applied here once languages exist.
    familyExpanders[2]->setExpanded(true);
    for (int f = 0; f < 5; ++f)
        if (f != 2)
            familyExpanders[f]->setExpanded(false);

    const int number = document_.selectedEffect;
    if (number >= 300 && number <= 399) {
        effectLists[2]->setCurrentRow(number - 300);
        placeEffectAccent(effectLists[2], number - 300);
    } else if (number >= 500 && number <= 599) {
        effectLists[4]->setCurrentRow(number - 500);
        placeEffectAccent(effectLists[4], number - 500);
    }
    mainMenu->setProperty("tag", mainMenu->height());

    if (DrawRunsUpdateCheck(StartupUpdateDraw()))
        checkForUpdate();
    initialized = true;
    DebugLog(QStringLiteral("<<< initialize done"));
}

bool MainWindow::takeDefaultTexture()
{
    const std::vector<NamedImage>& textures = Repository().textureList;
    if (textures.size() > 1 && !textures[1].image.isNull()) {
        document_.storedTexture = textures[1].image;
        return true;
    }
    return false;
}

void MainWindow::repositoryLoaded()
{
    // Images that arrive after the initialisation tick still give the
    // start-up texture.
    if (defaultTexturePending && takeDefaultTexture())
        defaultTexturePending = false;
}

void MainWindow::checkForUpdate()
{
    // The update check is not built yet; this is its place.
}

bool MainWindow::confirmOverwrite(const QString& fileName)
{
    const QFileInfo info(fileName);
    if (!info.exists())
        return true;
    QString question = Translate(QStringLiteral("The file \"%s\" already exists. Replace it?"));
    question.replace(QStringLiteral("%s"), info.fileName());
    return askYesNo && askYesNo(question);
}

} // namespace pq
