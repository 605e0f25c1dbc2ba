// The commands of the script engine that make a new picture from the
// working image: blend, texture, frames, text, resize, auto-enhance.
#include "scripting/script_engine.h"

#include "effects/painting/brushstrokes_frame.h"
#include "engine/services/auto_enhance.h"
#include "engine/services/texture_overlay.h"
#include "gfx/frame_image.h"
#include "gfx/image_blend.h"
#include "gfx/resample.h"
#include "gfx/text_image.h"
#include "scripting/script_failure.h"
#include "scripting/script_host.h"
#include "scripting/script_lexer.h"

#include <algorithm>
#include <cmath>

namespace pq {
namespace {

// The item of a TEXTURE or FRAME: a negative number is item 0. Raises the
// command's failures for an empty list, an item past its end and an empty
// image.
const gfx::Image& ContextItem(const std::vector<gfx::Image>& items, int index, const char* noneLoaded,
                              const char* what)
{
    const int item = std::max(index, 0);
    if (items.empty())
        throw ScriptFailure(QLatin1String(noneLoaded));
    if (size_t(item) >= items.size())
        throw ScriptFailure(QStringLiteral("%1 #%2 not found (only %3 available)")
                                .arg(QLatin1String(what))
                                .arg(item)
                                .arg(items.size()));
    const gfx::Image& image = items[size_t(item)];
    if (image.isNull() || image.width() <= 0 || image.height() <= 0)
        throw ScriptFailure(QStringLiteral("%1 #%2 is empty").arg(QLatin1String(what)).arg(item));
    return image;
}

// A RESIZE side: per cent of the current side (at least 1) or pixels,
// rounded halves to even; far beyond any limit stays far beyond it.
int64_t ResizeSide(int current, float value, bool percent)
{
    const double wanted = percent ? double(current) * double(value) / 100.0 : double(value);
    const double side = std::nearbyint(std::clamp(wanted, -1e15, 1e15));
    return percent ? std::max<int64_t>(1, int64_t(side)) : int64_t(side);
}

} // namespace

void ScriptEngine::doBlend(const ScriptCommand& c)
{
    const auto slot = slots_.find(c.blendSlot());
    if (slot == slots_.end() || slot->second.isNull())
        throw ScriptFailure(QStringLiteral("Slot \"") + c.blendSlot() + QStringLiteral("\" not found for BLEND"));
    const gfx::Image blended = gfx::BlendImages(working_, slot->second, c.blendOpacity, c.blendMode);
    if (blended.isNull())
        FailSurface(working_.width(), working_.height());
    working_ = blended;
}

void ScriptEngine::doTexture(const ScriptCommand& c)
{
    const gfx::Image& texture =
        ContextItem(context_.textures, c.textureIndex, "No texture loaded (select a texture first)", "Texture");
    const int strength = c.textureStrength >= 0 ? c.textureStrength : context_.textureStrength;
    // A scale of 0 is no scale: the overlay divides by it.
    const float scale = c.textureScale > 0.0f ? c.textureScale : context_.textureScale;
    ApplyCustomTexture(working_, texture, strength, scale);
}

void ScriptEngine::doFrame(const ScriptCommand& c)
{
    const gfx::Image& frame =
        ContextItem(context_.frames, c.frameIndex, "No frame loaded (select a frame first)", "Frame");
    const int margin = c.frameSize >= 0 ? c.frameSize : std::max(context_.frameMarginSize, 0);
    const QRgb color = c.frameColor != 0 ? c.frameColor : context_.frameMarginColor;
    const gfx::FrameLayout layout =
        gfx::LayOutFrame(working_.size(), frame.size(), gfx::FindFrameHole(frame), margin);
    CheckScriptSurfaceSize(layout.width, layout.height);
    const gfx::Image framed = gfx::ApplyFrameBitmap(working_, frame, margin, color);
    if (framed.isNull())
        FailSurface(layout.width, layout.height);
    working_ = framed;
}

void ScriptEngine::doBrushstrokesFrame(const ScriptCommand& c)
{
    if (context_.brushAtlas.isNull())
        throw ScriptFailure(QStringLiteral("No brush atlas available for brushstrokes frame"));
    const int width = c.frameSize >= 0 ? c.frameSize : 60;
    const QRgb color = c.frameColor != 0 ? c.frameColor : context_.frameMarginColor;
    const int brush = std::clamp(c.frameBrushSize, 10, 200);
    CheckScriptSurfaceSize(int64_t(working_.width()) + 2 * int64_t(width),
                           int64_t(working_.height()) + 2 * int64_t(width));
    const gfx::Image framed = ApplyBrushstrokesFrame(working_, context_.brushAtlas, color, width, brush);
    if (framed.isNull())
        FailSurface(working_.width() + 2 * width, working_.height() + 2 * width);
    working_ = framed;
}

void ScriptEngine::doText(const ScriptCommand& c)
{
    if (working_.isNull())
        throw ScriptFailure(QStringLiteral("No working image for TEXT"));
    gfx::TextFace face;
    face.family = !c.textFontOverride().isEmpty() ? c.textFontOverride() : text_.family;
    face.size = c.textSizeOverride > 0.0f ? c.textSizeOverride : text_.size;
    face.weight = text_.weight;
    face.italic = text_.italic;
    if (!c.textStyleOverride().isEmpty()) {
        const ScriptFontStyle style = ParseFontStyle(c.textStyleOverride());
        face.weight = style.weight;
        face.italic = style.italic;
    }
    const QRgb color = c.textColorOverride != 0 ? c.textColorOverride : text_.color;
    const gfx::TextPlacement placement{c.textX, c.textY, c.textXPercent, c.textYPercent};
    const gfx::Image drawn =
        gfx::DrawTextOnImage(working_, placement, c.textString(), face, color, c.textShadowOverride == 1);
    if (drawn.isNull())
        FailSurface(working_.width(), working_.height());
    working_ = drawn;
}

void ScriptEngine::doFont(const ScriptCommand& c)
{
    if (!c.fontName().isEmpty())
        text_.family = c.fontName();
    if (c.fontSize > 0.0f)
        text_.size = c.fontSize;
    if (!c.fontStyle().isEmpty()) {
        const ScriptFontStyle style = ParseFontStyle(c.fontStyle());
        text_.weight = style.weight;
        text_.italic = style.italic;
    }
    if (c.fontColor != 0)
        text_.color = c.fontColor;
}

void ScriptEngine::doResize(const ScriptCommand& c)
{
    if (working_.isNull())
        throw ScriptFailure(QStringLiteral("No working image for RESIZE"));
    const int64_t width = ResizeSide(working_.width(), c.resizeW, c.resizeWPercent);
    const int64_t height = ResizeSide(working_.height(), c.resizeH, c.resizeHPercent);
    CheckScriptSurfaceSize(width, height);
    const gfx::Image resized = gfx::Resize(working_, int(width), int(height));
    if (resized.isNull())
        FailSurface(width, height);
    working_ = resized;
    // The source photo follows; when it cannot, it stays as it was.
    const auto src = slots_.find(QStringLiteral("src"));
    if (src != slots_.end() && !src->second.isNull())
        if (const gfx::Image source = gfx::Resize(src->second, int(width), int(height)); !source.isNull())
            src->second = source;
    onUi([&] {
        host_.showResult(working_);
        host_.centreView();
    });
}

void ScriptEngine::doEnhance()
{
    if (working_.isNull())
        throw ScriptFailure(QStringLiteral("No working image for ENHANCE"));
    const gfx::Image enhanced = AutoEnhanceImage(working_);
    if (enhanced.isNull())
        throw ScriptFailure(QStringLiteral("ENHANCE failed"));
    working_ = enhanced;
}

} // namespace pq
