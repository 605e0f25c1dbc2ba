#pragma once

#include <QRgb>

namespace pq {

class EngineHost;

// The main window's options that change how effects paint, as one run sees
// them. They are taken on the UI thread when the run starts (ProcessEffect)
// or when ProcessEffectOnSurface is called, so a worker never reads the
// window's switches while the user changes them.
struct EffectOptions {
    // "Erase background": paint on a cleared canvas (on) or over resultImage.
    bool eraseBackground = true;
    // "Draw shape contours" of the mosaics 500, 502 and 503, with the
    // contour colour: RGB is the stroke, alpha the layer's opacity.
    bool drawContours = false;
    QRgb contourColor = 0xFF000000;
};

// The host's options (UI thread; a null host gives the defaults).
EffectOptions ReadEffectOptions(const EngineHost* host);

// True for the effects that read the options: those that honour "Erase
// background" in the installed effect table.
bool ReadsEffectOptions(int effectNumber);

// The options of the calling thread's run: those taken when it started, or,
// outside a run or when none were taken, read now in a synchronous UI call.
// Not inside parallel bodies.
EffectOptions RunEffectOptions();

} // namespace pq
