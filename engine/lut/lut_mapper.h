#pragma once

#include "engine/lut/cube_lut.h"
#include "gfx/image.h"

#include <array>
#include <vector>

namespace pq {

// Maps pixels through a 3D table by tetrahedral interpolation. Per pixel:
// alpha 0 is copied; otherwise the colour is un-premultiplied (c 255 div a,
// at most 255), each channel becomes grid coordinate
// (c / 255 - DomainMin) / (DomainMax - DomainMin) (n - 1) clamped to the grid
// (a channel whose domain is empty uses factor 1), the interpolated entry
// becomes ClampByte(Round(v 255)), is mixed with the source colour by the
// intensity when that is below 1, and is premultiplied again (c a div 255).
// Alpha stays. The table must outlive the mapper and stay unchanged.
class LUTMapper {
public:
    // Which code maps the rows: the fastest this processor runs (eight
    // opaque pixels at a time with AVX2 where present), or the baseline
    // one pixel at a time. Both give the same bytes.
    enum class Path { Fastest, Baseline };

    // intensity is clamped to 0..1. The table must be valid().
    LUTMapper(const CubeLUT& lut, float intensity, Path path = Path::Fastest);

    void mapRow(const gfx::Pixel* src, gfx::Pixel* dst, int width) const;

    // Whether rows go through the eight-pixel AVX2 code.
    bool usesAvx2() const { return avx2_; }

private:
    // What one channel value gives along one axis: the entry offset of the
    // lower grid point, the offset to the upper one (0 at the last point)
    // and the fraction between them.
    struct AxisPoint {
        int base;
        int step;
        float frac;
    };
    using Axis = std::array<AxisPoint, 256>;

    // The mapped colour of un-premultiplied r, g, b as bytes in lanes
    // R, G, B.
    inline void mapColour(int r, int g, int b, int out[3]) const;
    inline gfx::Pixel mapPixel(gfx::Pixel p) const;
    void mapRowAvx2(const gfx::Pixel* src, gfx::Pixel* dst, int width) const;

    // One axis as the AVX2 code computes its grid coordinate: the same
    // single-precision steps that filled the Axis tables.
    struct AxisScale {
        float lo;
        float inv;
        int stride;
    };

    const LUTColor* table_;
    std::vector<float> padded_; // the entries' floats and a spare one, for the AVX2 rows
    int last_; // index of the last entry
    Axis red_, green_, blue_;
    AxisScale scale_[3];
    int size_; // edge length n
    float intensity_;
    bool mix_;
    bool avx2_;
};

// The image mapped through the table (intensity in per cent, clamped to
// 0..100) with rows in parallel; null for a null image or an invalid table.
gfx::Image MapLUTToImage(const gfx::Image& source, const CubeLUT& lut, int intensityPercent);

} // namespace pq
