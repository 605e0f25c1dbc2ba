#include "app/info_boxes.h"

#include "app/donation_box.h"
#include "app/startup.h"
#include "app/update_box.h"
#include "ui/debug_log.h"
#include "ui/translate.h"
#include "ui/widgets/fading_notice.h"
#include "workspace/workspace_layout.h"

#include <QLabel>

namespace pq {

InfoBoxes::InfoBoxes(WorkspaceLayout& workspace, QLabel& statusLine, const MillisecondClock& clock, QObject* parent)
    : QObject(parent),
      updateBox_(new UpdateBox(&workspace)),
      donationBox_(new DonationBox(&workspace)),
      notice_(new FadingNotice(&statusLine, clock, this))
{
    checker_.url = UpdateCheckUrl();
    checker_.localVersion = QString::fromLatin1(kVersionText);
    workspace.addCentredBox(updateBox_);
    workspace.addCentredBox(donationBox_);

    connect(&checker_, &UpdateChecker::newerVersion, this, [this](const QString& remote, const QString& local) {
        GuardedCall("newerVersion", [&] { updateBox_->showVersions(remote, local); });
    });
    connect(&checker_, &UpdateChecker::upToDate, this, [this] {
        GuardedCall("upToDate", [this] { notice_->show(Translate(QStringLiteral("Pastelloquin Atelio is up to date"))); });
    });
    connect(updateBox_, &UpdateBox::visitClicked, this, [this] { openPage(WebPage::Home); });
    connect(donationBox_, &DonationBox::buyClicked, this, [this] { openPage(WebPage::Donation); });
}

InfoBoxes::~InfoBoxes() = default;

void InfoBoxes::checkForUpdate()
{
    checker_.start();
}

void InfoBoxes::showDonationBox()
{
    if (donationBlocked && donationBlocked())
        return;
    donationBox_->open();
}

void InfoBoxes::closing()
{
    checker_.stop();
}

} // namespace pq
