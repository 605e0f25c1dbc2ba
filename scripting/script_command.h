#pragma once

#include "gfx/paint.h"

#include <QRgb>
#include <QString>

#include <cstdint>

namespace pq {

// The commands of a .pqs script. CLEAR and NOCLEAR share Clear.
enum class ScriptCommandKind : uint8_t {
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
//
// Kept small, for a script may hold millions of lines: narrow fields, and
// the few strings a command has share one string (no heap block at all for
// the kinds without one).
struct ScriptCommand {
    ScriptCommandKind kind = ScriptCommandKind::Effect;
    gfx::BlendMode blendMode = gfx::BlendMode::SrcOver;
    bool brushstrokesFrame = false; // FRAME brushstrokes, else an image frame
    bool textXPercent = false, textYPercent = false;
    bool resizeWPercent = false, resizeHPercent = false;
    int8_t textShadowOverride = -1; // 1 on, 0 off, -1 not given
    int lineNumber = 0;             // 1-based; blank and comment lines count

    // EFFECT: the number and the five values as written. CLEAR / NOCLEAR and
    // CONTOUR keep their switch in p1 (1 on, 0 off).
    int effectNumber = 0;
    int p1 = 0, p2 = 0, p3 = 0, p4 = 0, p5 = 0;

    float blendOpacity = 0.0f; // weight of the slot image, 0..1

    int textureStrength = -1;   // negative: the run's default
    float textureScale = -1.0f; // 0 or below: the run's default
    int textureIndex = 0;       // 0: the current texture

    int frameIndex = -1; // negative: 0, the current frame
    int frameSize = -1;  // margin or border width; negative: default
    QRgb frameColor = 0;
    int frameBrushSize = 40;

    float textX = 0.0f, textY = 0.0f;
    QRgb textColorOverride = 0;    // 0: not given
    float textSizeOverride = 0.0f; // 0 or below: not given

    float fontSize = 0.0f;
    QRgb fontColor = 0;

    float resizeW = 0.0f, resizeH = 0.0f;

    QRgb contourColor = 0;

    // The strings, by kind: SAVE and LOAD the slot (lower case), BLEND its
    // slot (lower case), TEXT the text and its font= and style= options
    // (empty: not given), FONT the name and the style as written (empty:
    // not given), LUT_FILE the path as written, LUT_EMBEDDED the name
    // (empty: the first built-in table).
    QString slotName() const { return part(0); }
    QString blendSlot() const { return part(0); }
    QString textString() const { return part(0); }
    QString textFontOverride() const { return part(1); }
    QString textStyleOverride() const { return part(2); }
    QString fontName() const { return part(0); }
    QString fontStyle() const { return part(1); }
    QString lutFilePath() const { return part(0); }
    QString lutEmbeddedName() const { return part(0); }
    // Sets the strings of the command's kind, in the order above.
    void setStrings(const QString& first, const QString& second = {}, const QString& third = {})
    {
        strings_ = first + second + third;
        firstLength_ = int(first.size());
        secondLength_ = int(second.size());
    }

private:
    QString part(int index) const
    {
        switch (index) {
        case 0: return strings_.left(firstLength_);
        case 1: return strings_.mid(firstLength_, secondLength_);
        default: return strings_.mid(firstLength_ + secondLength_);
        }
    }

    QString strings_;
    int firstLength_ = 0;
    int secondLength_ = 0;
};

} // namespace pq
