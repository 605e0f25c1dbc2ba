#pragma once

#include "gfx/image.h"

#include <QRgb>
#include <QString>

namespace pq {

class LUTChoice;

// What a script run needs of the main window: the picture on display and
// the options scripts change. The window implements it; tests fake it.
//
// Every member is called on the UI thread only: the engine, on its worker,
// reaches them through synchronous UI calls. The effects a script runs read
// the same window state through the engine host (EngineHost::resultImage,
// eraseBackground, drawContours, contourColor, lutChoice), so a window
// implements both over one document.
class ScriptHost {
public:
    virtual ~ScriptHost();

    // The current result the window shows; effects that paint over the
    // result ("Erase background" off) paint over this picture.
    virtual gfx::Image displayedResult() const = 0;
    virtual void showResult(const gfx::Image& image) = 0;
    // Centres the picture in the view after its size changed.
    virtual void centreView() {}

    // "Erase background".
    virtual bool eraseBackground() const = 0;
    virtual void setEraseBackground(bool on) = 0;

    // "Draw shape contours" and the contour colour (RGB the stroke, alpha
    // the layer's opacity).
    virtual void setDrawContours(bool on) = 0;
    virtual void setContourColor(QRgb color) = 0;

    // The LUT choice of effect 404: a .cube file by path (not resolved; read
    // when the effect runs), or a built-in table by name.
    virtual void setLUTFile(const QString& path) = 0;
    virtual void setEmbeddedLUT(const QString& name) = 0;
};

// The LUT rules of the two script commands, for hosts that keep a LUTChoice.
// A file: that path, no data, no name. A built-in table: no path; the table
// of that name, else (the empty name included) the first built-in one.
void ChooseScriptLUTFile(LUTChoice& choice, const QString& path);
void ChooseScriptEmbeddedLUT(LUTChoice& choice, const QString& name);

} // namespace pq
