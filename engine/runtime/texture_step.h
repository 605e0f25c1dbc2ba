#pragma once

#include "gfx/image.h"

namespace pq {

class EngineHost;

// The texture laid over every result of ProcessEffect while "Add texture" is
// on and a texture is stored.
struct StoredTexture {
    bool on = false;
    gfx::Image bitmap;
    int strength = 50; // Round(storedTextureStrength)
    float scale = 1.0f;
};

// Reads the switch and the stored texture (UI thread; host may be null).
StoredTexture ReadStoredTexture(const EngineHost* host);

// The overlay routine: ApplyCustomTexture(Image, TextureBitmap, Strength,
// Scale) replaces Image by a textured copy.
using TextureOverlayProc = void (*)(gfx::Image& image, const gfx::Image& textureBitmap, int strength, float scale);

// Replaces the overlay routine (tests); nullptr restores the default,
// ApplyCustomTexture.
void SetTextureOverlayProc(TextureOverlayProc proc);

// Lays the texture over image when it is on and stored. Any thread.
void ApplyStoredTexture(gfx::Image& image, const StoredTexture& texture);

} // namespace pq
