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

void TForm1::HandOver()
{
    show();
    raise();
    activateWindow();
}

void TForm1::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    GuardedCall("FormShow", [this] { FormShow(); });
}

void TForm1::FormShow()
{
    DebugLog(QStringLiteral(">>> FormShow begin"));
    if (!FStartupFullScreenDone) {
        FStartupFullScreenDone = true;
        const QRect work = screen() ? screen()->availableGeometry() : QRect();
        // The saved interface zoom, or the automatic one. Applying it (and
        // showing it in the menu) is the interface-zoom code's work.
        FUIZoom = UIZoomAtFirstShow(GetSetting(QStringLiteral("uizoom"), QString()), ComputeAutoUIZoom(work));
        FIsCustomMaximized = false;
        MaxButtonClick();
    }

    // Qt shows the window again after a restore from minimised: the
    // initialisation tick and the command-line image belong to the first
    // show only.
    if (!FFirstShowDone) {
        FFirstShowDone = true;
        InitializationTimer.start();
        const QString path = StartupImageArgument(FCommandLine);
        if (!path.isEmpty()) {
            ++FStartupImageLoads;
            // After the window has its first layout, so that the image is
            // centred in the real viewport.
            QTimer::singleShot(0, this, [this, path] {
                GuardedCall("LoadLargeImage", [this, &path] { LoadLargeImage(path); });
            });
        }
    }

    if (Form2 && Form2->isVisible())
        Form2->hide();
    DebugLog(QStringLiteral("<<< FormShow done"));
}

void TForm1::InitializationTimerTimer()
{
    DebugLog(QStringLiteral(">>> InitializationTimerTimer begin"));
    InitializationTimer.stop();
    ++FInitializationRuns;
    LayoutWindowButtons();

    FDefaultTexturePending = !TakeDefaultTexture();

    FDocument.InitializeEffectChoice();
    UpdateListboxes(ListBoxes[2], -1);
    MainBarRect->show();

    const QRect work = screen() ? screen()->availableGeometry() : QRect();
    DebugLogFmt("Startup: workArea=%dx%d", work.width(), work.height());
    const QRect restore = RestoreRectForWorkArea(work, minimumSize());
    if (FIsCustomMaximized)
        setGeometry(work);
    else
        MaxButtonClick();
    FRestoreBounds = restore;
    Layout2->relayout();

    // The interface language is applied here once languages exist.
    Expanders[2]->setExpanded(true);
    for (int f = 0; f < 5; ++f)
        if (f != 2)
            Expanders[f]->setExpanded(false);

    const int number = FDocument.SelectedEffectNumber;
    if (number >= 300 && number <= 399) {
        ListBoxes[2]->setCurrentRow(number - 300);
        UpdateEffectAccent(ListBoxes[2], number - 300);
    } else if (number >= 500 && number <= 599) {
        ListBoxes[4]->setCurrentRow(number - 500);
        UpdateEffectAccent(ListBoxes[4], number - 500);
    }
    MenuContainer->setProperty("tag", MenuContainer->height());

    if (DrawRunsUpdateCheck(StartupUpdateDraw()))
        Check4Update();
    FInitialized = true;
    DebugLog(QStringLiteral("<<< InitializationTimerTimer done"));
}

bool TForm1::TakeDefaultTexture()
{
    const std::vector<NamedImage>& textures = Form3().TextureList;
    if (textures.size() > 1 && !textures[1].image.isNull()) {
        FDocument.StoredTextureBitmap = textures[1].image;
        return true;
    }
    return false;
}

void TForm1::RepositoryLoaded()
{
    // Images that arrive after the initialisation tick still give the
    // start-up texture.
    if (FDefaultTexturePending && TakeDefaultTexture())
        FDefaultTexturePending = false;
}

void TForm1::Check4Update()
{
    // The update check is not built yet; this is its place.
}

bool TForm1::ConfirmOverwrite(const QString& fileName)
{
    const QFileInfo info(fileName);
    if (!info.exists())
        return true;
    QString question = Translate(QStringLiteral("The file \"%s\" already exists. Replace it?"));
    question.replace(QStringLiteral("%s"), info.fileName());
    return FAskYesNo && FAskYesNo(question);
}

} // namespace pq
