#pragma once

#include "engine/repository/image_repository.h"
#include "gfx/image.h"
#include "gfx/surface.h"
#include "platform/random.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace pq {

// Brightness of every texture pixel, the rounded gfx::Luma601 of its stored
// bytes, and the integer mean of all of them. An empty texture has no values
// and the mean 128.
struct TextureLuminance {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> values; // row-major
    int mean = 128;

    int at(int x, int y) const { return values[size_t(y) * size_t(width) + size_t(x)]; }
    // The grid as rows of integers, indexed [y][x].
    IntGrid rows() const;
};

// The luminance grid of a texture. Grids are cached by image identity, so
// a texture laid over many results is measured once.
std::shared_ptr<const TextureLuminance> TextureLuminanceGrid(const gfx::Image& texture);

// Smallest scale the overlay uses; a scale of 0 or below (or not a number)
// is raised to it.
constexpr float kMinTextureScale = 0.01f;

// The overlay's core on a surface in place: as below, with the tiles
// starting `phase` pixels before the surface's corner on both axes (0 or
// more) and the strength in per cent, fractions allowed.
void PressTexture(gfx::Surface& surface, const TextureLuminance& grid, double strength, float scale, int phase);

// Presses a texture into an image: the texture's brightness, tiled with
// each texture pixel covering `scale` x `scale` image pixels and shifted by
// one random offset (the same for x and y, drawn from `rng`), moves every
// visible pixel's stored colour by strength / 100 x (mean - brightness).
// Colours are kept at or below their alpha. The image is replaced by a new
// one; it is left unchanged when it or the texture is empty.
void ApplyCustomTexture(gfx::Image& image, const gfx::Image& texture, int strength, float scale, platform::Random& rng);

// The same with the calling run's generator, or the process-wide one when
// the thread has no run.
void ApplyCustomTexture(gfx::Image& image, const gfx::Image& texture, int strength, float scale);

} // namespace pq
