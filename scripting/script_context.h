#pragma once

#include "gfx/image.h"

#include <QRgb>

#include <vector>

namespace pq {

class ImageRepository;

// The resources of one script run, taken on the UI thread before it starts.
// Images are immutable, so the run shares them.
struct ScriptContext {
    // Frame images: the current frame first (when there is one), then the
    // repository's list; "#0" is the first of them.
    std::vector<gfx::Image> frames;
    int frameMarginSize = 20;
    QRgb frameMarginColor = 0xFFFFFFFF; // also the brushstroke border's colour
    // Texture images: the stored texture first (when there is one), then the
    // repository's list.
    std::vector<gfx::Image> textures;
    int textureStrength = 50;
    float textureScale = 1.0f;
    // The template-matching atlas of the brushstroke border; null when none.
    gfx::Image brushAtlas;
};

// The window's choices a context is built from.
struct ScriptContextChoices {
    gfx::Image storedTexture;
    float textureStrength = 50.0f;
    float textureScale = 1.0f;
    float frameSize = 20.0f;
    QRgb frameColor = 0xFFFFFFFF;
};

// The context of a run: the repository's current frame and lists (their
// non-empty images, in list order) and atlas, with the window's stored
// texture and defaults (sizes rounded, halves to even). UI thread.
ScriptContext BuildScriptContext(ImageRepository& repository, const ScriptContextChoices& choices);

// The stored texture of a freshly started program: the second entry of the
// repository's texture list when it has more than one, else none.
gfx::Image StartupTexture(ImageRepository& repository);

} // namespace pq
