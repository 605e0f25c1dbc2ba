#pragma once

// The per-pixel planes and the colour grid of one Watercolor Flow run.

#include "gfx/image.h"

#include <array>
#include <cstdint>
#include <vector>

namespace pq::flow {

// A pigment index that marks an unpainted pixel.
constexpr uint8_t kUnpainted = 255;

struct FlowPlanes {
    int w = 0;
    int h = 0;
    bool erase = true;           // painting from blank paper
    bool hasTransparency = false;
    std::vector<uint8_t> alpha;  // the source's alpha
    std::vector<gfx::Pixel> filtered; // the source after the selective mean
    std::vector<uint8_t> grey;
    std::vector<uint8_t> white;  // 1 where the photo is nearly white paper
    std::vector<uint8_t> edge;   // thinned edge strength; 0 on the border
    std::vector<uint8_t> under;  // alpha of the picture painted over (paint-over only)
    std::array<std::vector<float>, 3> paper; // R, G, B in 0..1, darkened by glazing
    std::array<std::vector<uint8_t>, 3> pigment;
    std::vector<uint8_t> density; // pigment density x 160
    std::vector<uint8_t> margin;  // how clearly the best pigment won, 0..255
    std::vector<uint8_t> index;   // palette bin, kUnpainted for none

    size_t size() const { return size_t(w) * size_t(h); }
    // Pixels the pigments may cover: solid in the source and, painting
    // over a picture, solid there too.
    bool paintable(size_t i) const { return alpha[i] >= 128 && (erase || under[i] >= 128); }
};

struct PaletteEntry {
    float r = 0, g = 0, b = 0;
    int count = 0; // cells that chose this bin
    float density = 0;
    float chroma = 0;
};

// 12 hue sectors x 4 value bands, then 4 grey bands; the rest unused.
constexpr int kBins = 64;
using Palette = std::array<PaletteEntry, kBins>;

struct FlowGrid {
    int gw = 0;
    int gh = 0;
    int cellSize = 1;
    std::array<std::vector<float>, 3> colour;   // mean, then pulled towards the palette
    std::array<std::vector<float>, 3> smoothed; // box mean of colour
    std::vector<float> edge;                    // cell edge strength 0..1
    std::vector<int> bin;                       // -1 for a cell without pixels

    size_t size() const { return size_t(gw) * size_t(gh); }
    // Bilinear sample of a cell field at cell coordinates.
    float sample(const std::vector<float>& field, float fx, float fy) const;
};

} // namespace pq::flow
