#include "app/caption_marquees.h"

#include "ui/dictionary.h"

#include <QWidget>

#include <exception>

namespace pq {
namespace {

constexpr MarqueeRules kLabelRules{8, 8, 50};
// Headers are shown from their start once 2 units too wide, and scroll
// once 14 units too wide.
constexpr MarqueeRules kHeaderRules{2, 14, 50};
constexpr MarqueeRules kDonationRules{1, 1, 100};

QList<QWidget*> Listed(const std::function<QList<QWidget*>()>& list)
{
    return list ? list() : QList<QWidget*>();
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
    menu.setUp(Listed(menuEntries));
}

void CaptionMarquees::setUpLabels()
{
    labels.setUp(Listed(toolLabels));
}

void CaptionMarquees::setUpExpanders()
{
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
