#include "app/box_keys.h"

namespace pq {
namespace {

// Runs the box's action for the key when it is open and has one.
bool Try(const KeyBox& box, const std::function<void()> KeyBox::*action)
{
    if (!box.open() || !(box.*action))
        return false;
    (box.*action)();
    return true;
}

} // namespace

bool BoxKeys::enter() const
{
    if (Try(interfaceZoom, &KeyBox::enter) || Try(textWindow, &KeyBox::enter))
        return true;
    const bool cropped = Try(cropSelection, &KeyBox::enter);
    const bool donated = Try(donation, &KeyBox::enter);
    return cropped || donated;
}

bool BoxKeys::escape() const
{
    if (Try(interfaceZoom, &KeyBox::escape))
        return true;
    // The open brush panel takes Esc even while it applies a stroke and
    // stays open then: its action decides.
    if (manualBrush.open()) {
        if (manualBrush.escape)
            manualBrush.escape();
        return true;
    }
    if (Try(textWindow, &KeyBox::escape))
        return true;
    const bool cropped = Try(cropSelection, &KeyBox::escape);
    const bool donated = Try(donation, &KeyBox::escape);
    return cropped || donated;
}

} // namespace pq
