#include "app/caption_marquees.h"

#include "ui/dictionary.h"

#include <QCoreApplication>
#include <QWidget>

#include <exception>

namespace pq {
namespace {

constexpr MarqueeRules kLabelRules{8, 8, 50, true};
// Headers are shown from their start once 2 units too wide, and scroll
// once 14 units too wide.
constexpr MarqueeRules kHeaderRules{2, 14, 50};
constexpr MarqueeRules kDonationRules{1, 1, 100};

QList<QWidget*> Listed(const std::function<QList<QWidget*>()>& list)
{
    return list ? list() : QList<QWidget*>();
}

// Captions are measured against the room their layouts give them now, not
// the room before a pending relayout (a new language or interface size).
void SettleLayouts()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
}

} // namespace

CaptionMarquees::CaptionMarquees(QObject* parent)
    : QObject(parent),
      clock(SteadyClock()),
      menu("menu marquee", clock, kLabelRules),
      labels("label marquee", clock, kLabelRules),
      expanders("expander marquee", clock, kHeaderRules),
      donation("donation marquee", clock, kDonationRules)
{
}

void CaptionMarquees::setUpMenu()
{
    SettleLayouts();
    menu.setUp(Listed(menuEntries));
}

void CaptionMarquees::setUpLabels()
{
    SettleLayouts();
    labels.setUp(Listed(toolLabels));
}

void CaptionMarquees::setUpExpanders()
{
    SettleLayouts();
    expanders.setUp(Listed(familyHeaders));
}

void CaptionMarquees::setUpDonation()
{
    donation.setUp(Listed(donationCaption));
}

void CaptionMarquees::tearDownAll()
{
    std::exception_ptr failure;
    for (MarqueeGroup* group : {&menu, &donation, &labels, &expanders}) {
        try {
            group->tearDown();
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
    }
    if (failure)
        std::rethrow_exception(failure);
}

void CaptionMarquees::fitButtonCaptions()
{
    for (QWidget* button : Listed(fittedButtons))
        if (button)
            AutoFitControlText(button);
}

void CaptionMarquees::setMeasure(const TextMeasure& measure)
{
    for (MarqueeGroup* group : {&menu, &labels, &expanders, &donation})
        group->measure = measure;
}

} // namespace pq
