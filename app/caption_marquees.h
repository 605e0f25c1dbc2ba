#pragma once

#include "ui/widgets/caption_marquee.h"

#include <QList>
#include <QObject>

#include <functional>

class QWidget;

namespace pq {

// The window's four marquee groups, on one clock: the main menu's entries,
// the tool, section, slider and option labels, the effect families'
// headers, and the donation button's caption. The window tells each group
// which controls it looks at.
class CaptionMarquees : public QObject {
public:
    explicit CaptionMarquees(QObject* parent = nullptr);

    // Read by every group; steady unless a test replaces it.
    MillisecondClock clock;
    MarqueeGroup menu;
    MarqueeGroup labels;
    MarqueeGroup expanders;
    MarqueeGroup donation;

    std::function<QList<QWidget*>()> menuEntries;
    std::function<QList<QWidget*>()> toolLabels;
    std::function<QList<QWidget*>()> familyHeaders;
    std::function<QList<QWidget*>()> donationCaption;
    // The buttons whose captions are fitted by shrinking their font.
    std::function<QList<QWidget*>()> fittedButtons;

    void setUpMenu();
    void setUpLabels();
    void setUpExpanders();
    void setUpDonation();
    // All four, as a language change and the window's end need it. Every
    // group is torn down even when one fails; the first failure is raised
    // again after the others.
    void tearDownAll();
    void fitButtonCaptions();
    // Replaces how every group measures captions.
    void setMeasure(const TextMeasure& measure);
};

} // namespace pq
