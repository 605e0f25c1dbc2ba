#pragma once

#include "app/update_check.h"
#include "app/web_links.h"
#include "ui/widgets/caption_marquee.h"

#include <QObject>

#include <functional>

class QLabel;

namespace pq {

class DonationBox;
class FadingNotice;
class UpdateBox;
class WorkspaceLayout;

// What the help commands start: the update check with its box and its
// passing "up to date" line, the donation box, and the web pages.
class InfoBoxes : public QObject {
    Q_OBJECT
public:
    InfoBoxes(WorkspaceLayout& workspace, QLabel& statusLine, const MillisecondClock& clock, QObject* parent);
    ~InfoBoxes() override;

    WebLinks links;
    // While it answers true the donation box stays shut (the manual brush
    // panel is open).
    std::function<bool()> donationBlocked;

    // U, the menu, and one start in ten. Does nothing while a check runs.
    void checkForUpdate();
    void showDonationBox();
    void openPage(WebPage page) const { links.show(page); }
    // The window closes: an answer still to come is dropped.
    void closing();

    UpdateChecker& updateChecker() { return checker_; }
    UpdateBox* updateBox() const { return updateBox_; }
    DonationBox* donationBox() const { return donationBox_; }
    FadingNotice& upToDateNotice() const { return *notice_; }

private:
    UpdateChecker checker_;
    UpdateBox* updateBox_;
    DonationBox* donationBox_;
    FadingNotice* notice_;
};

} // namespace pq
