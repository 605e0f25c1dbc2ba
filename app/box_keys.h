#pragma once

#include <functional>

namespace pq {

// The small windows and boxes Enter and Esc act on. Each part that owns one
// fills its entry; an entry without isOpen is never open.
struct KeyBox {
    std::function<bool()> isOpen;
    // What Enter or Esc does while it is open; empty: the key passes it by.
    std::function<void()> enter;
    std::function<void()> escape;

    bool open() const { return isOpen && isOpen(); }
};

// Enter and Esc, in the order they try the boxes. The interface-zoom
// window, the manual brush (Esc) and the text window take the key alone;
// the crop selection and the donation box both act when both are open.
struct BoxKeys {
    KeyBox interfaceZoom;
    KeyBox manualBrush;
    KeyBox textWindow;
    KeyBox cropSelection;
    KeyBox donation;

    // True when a box took the key; false leaves it to the focused control.
    bool enter() const;
    bool escape() const;
};

} // namespace pq
