// The shell's boxes and looks wired into the window: the update check, the
// donation box and the web pages, the keys of the open boxes, the caption
// marquees, the pressed look and the About box.
#include "app/main_window.h"

#include "app/caption_marquees.h"
#include "app/donation_box.h"
#include "app/info_boxes.h"
#include "app/interface_languages.h"
#include "app/left_panel.h"
#include "app/main_menu.h"
#include "app/panel_host.h"
#include "app/splash.h"
#include "app/title_bar.h"
#include "app/tool_bar.h"
#include "app/update_box.h"
#include "ui/debug_log.h"
#include "ui/widgets/expander.h"
#include "ui/widgets/icon_button.h"
#include "workspace/canvas_area.h"
#include "workspace/effect_lists.h"
#include "workspace/effect_panel.h"
#include "workspace/workspace_layout.h"

#include <QLabel>

namespace pq {
namespace {

// The menu entries that scroll when too long.
constexpr const char* kScrollingEntries[] = {
    "open",  "save",    "print",        "quit",        "undo",  "redo",     "copy",
    "paste", "splitView", "swap",       "combine",     "batch", "scriptEditor", "autoEnhance",
    "help",  "language", "about",       "checkForUpdate", "donate", "interfaceSize",
};

// The tool, section, slider and option labels that scroll when too long.
constexpr const char* kScrollingLabels[] = {
    "cropButton",        "resizeButton",        "rotateLeftButton", "rotateRightButton",  "addTextButton",
    "addTextureButton",  "addFrameButton",      "autoEnhanceButton", "toolsHeading",      "filtersHeading",
    "sliderCaption1",    "sliderCaption2",      "sliderCaption3",   "sliderCaption4",     "sliderCaption5",
    "eraseBackgroundLabel", "addTextureLabel",  "contourLabel",
};

// The buttons whose captions shrink to fit.
constexpr const char* kFittedButtons[] = {
    "defaultImageButton", "manualBrushButton", "loadBrushesButton", "resetBrushesButton",
    "selectLUTButton",    "applyButton",       "cancelCoffeeButton", "cancelUpdateButton",
    "cancelTextButton",   "applyTextButton",   "printCancelButton", "printButton",
};

} // namespace

void MainWindow::wireShell()
{
    // One clock for the marquees and the passing notices.
    marquees_ = new CaptionMarquees(this);
    infoBoxes_ = new InfoBoxes(*canvas_->workspaceLayout(), *titleBar_->statusLine(), marquees_->clock, this);
    wireBoxKeys();

    const auto named = [this](const auto& names) {
        QList<QWidget*> controls;
        for (const char* name : names)
            controls << findChild<QWidget*>(QString::fromLatin1(name));
        return controls;
    };
    marquees_->menuEntries = [this] {
        QList<QWidget*> entries;
        for (const char* name : kScrollingEntries)
            entries << menu_->entry(QString::fromLatin1(name));
        return entries;
    };
    marquees_->toolLabels = [named] { return named(kScrollingLabels); };
    marquees_->familyHeaders = [this] {
        QList<QWidget*> headers;
        for (int family = 1; family <= 5; ++family)
            headers << effectLists().expander(family);
        return headers;
    };
    marquees_->donationCaption = [this] { return QList<QWidget*>{infoBoxes_->donationBox()->buyButton()}; };
    marquees_->fittedButtons = [named] { return named(kFittedButtons); };
    marquees_->menu.stillShown = [this] { return menu_->isVisible(); };
    marquees_->donation.stillShown = [this] { return infoBoxes_->donationBox()->isVisible(); };

    DonationBox* donation = infoBoxes_->donationBox();
    connect(donation, &DonationBox::opened, this,
            [this] { GuardedCall("SetupCoffeeBtnMarquee", [this] { marquees_->setUpDonation(); }); });
    connect(donation, &DonationBox::closed, this,
            [this] { GuardedCall("TeardownCoffeeBtnMarquee", [this] { marquees_->donation.tearDown(); }); });
    // New slider captions scroll anew once the window is set up.
    connect(&effectPanel(), &EffectPanel::captionsChanged, this, [this] {
        if (initialized)
            GuardedCall("SetupUILabelMarquee", [this] { marquees_->setUpLabels(); });
    });
    connect(toolBar_, &ToolBar::logoClicked, this, [this] { GuardedCall("showAbout", [this] { showAbout(); }); });

    languages_ = new InterfaceLanguages(*this);
    commands_.setRun(QStringLiteral("exportLanguages"), [this] { languages_->exportLanguages(); });
}

void MainWindow::setUpCaptions()
{
    GuardedCall("SetupUILabelMarquee", [this] { marquees_->setUpLabels(); });
    GuardedCall("SetupExpanderMarquee", [this] { marquees_->setUpExpanders(); });
    GuardedCall("FitButtonCaptions", [this] { marquees_->fitButtonCaptions(); });
}

void MainWindow::showAbout()
{
    if (gSplash)
        gSplash->showAbout(frameGeometry());
}

} // namespace pq
