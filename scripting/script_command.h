#pragma once

#include "gfx/paint.h"

#include <QRgb>
#include <QString>

namespace pq {

// The commands of a .pqs script. CLEAR and NOCLEAR share Clear.
enum class ScriptCommandKind {
    Effect,
    Save,
    Load,
    Swap,
    Reset,
    Blend,
    Texture,
    Frame,
    Text,
    Font,
    Resize,
    Clear,
    Contour,
    LutFile,
    LutEmbedded,
    Enhance,
};

// One parsed command line. A plain record for every kind: the parser sets
// the fields of its kind and leaves the others at these values. Colours are
// 0xAARRGGBB; 0 in a frame, text or font colour means "not given".
struct ScriptCommand {
    ScriptCommandKind kind = ScriptCommandKind::Effect;
    int lineNumber = 0; // 1-based; blank and comment lines count

    // EFFECT: the number and the five values as written. CLEAR / NOCLEAR and
    // CONTOUR keep their switch in p1 (1 on, 0 off).
    int effectNumber = 0;
    int p1 = 0, p2 = 0, p3 = 0, p4 = 0, p5 = 0;

    QString slotName; // SAVE, LOAD; lower case

    QString blendSlot; // lower case
    float blendOpacity = 0.0f; // weight of the slot image, 0..1
    gfx::BlendMode blendMode = gfx::BlendMode::SrcOver;

    int textureStrength = -1; // negative: the run's default
    float textureScale = -1.0f; // 0 or below: the run's default
    int textureIndex = 0;       // 0: the current texture

    bool brushstrokesFrame = false; // FRAME brushstrokes, else an image frame
    int frameIndex = -1;            // negative: 0, the current frame
    int frameSize = -1;             // margin or border width; negative: default
    QRgb frameColor = 0;
    int frameBrushSize = 40;

    float textX = 0.0f, textY = 0.0f;
    bool textXPercent = false, textYPercent = false;
    QString textString;
    QRgb textColorOverride = 0;     // 0: not given
    float textSizeOverride = 0.0f;  // 0 or below: not given
    QString textFontOverride;       // empty: not given
    QString textStyleOverride;      // empty: not given
    int textShadowOverride = -1;    // 1 on, 0 off, -1 not given

    QString fontName;
    float fontSize = 0.0f;
    QString fontStyle; // as written; empty: not given
    QRgb fontColor = 0;

    float resizeW = 0.0f, resizeH = 0.0f;
    bool resizeWPercent = false, resizeHPercent = false;

    QRgb contourColor = 0;

    QString lutFilePath;     // as written
    QString lutEmbeddedName; // empty: the first built-in table
};

} // namespace pq
