#pragma once

// Where Brushstrokes 2 puts its strokes: 32 x 32 tiles weighted by how far
// the picture still is from the photo, less where strokes keep failing.

#include "gfx/image.h"
#include "platform/random.h"

#include <cstdint>
#include <vector>

namespace pq {

class StrokeTiles {
public:
    static constexpr int kSize = 32;

    StrokeTiles(int w, int h);

    int columns() const { return columns_; }
    int rows() const { return rows_; }
    int count() const { return int(error_.size()); }
    int tileOf(int x, int y) const { return (y / kSize) * columns_ + x / kSize; }

    // Every tile's error, sum of |picture - photo| over R, G and B, from
    // scratch (rows in parallel); clears the failure counts.
    void computeErrors(const gfx::Pixel* picture, qsizetype pictureStride, const std::vector<gfx::Pixel>& photo);
    // The running sums of the weights: a tile's error, less for tiles with
    // more than 20 failures, at least 1.
    void buildWeights();
    // A tile drawn in proportion to its weight.
    int pick(platform::Random& rng) const;

    // Safe from parallel bodies. The error stays the exact sum, so it never
    // falls below 0.
    void addError(int tile, int64_t delta);
    void failed(int tile) { ++hits_[size_t(tile)]; }
    void succeeded(int tile) { hits_[size_t(tile)] = 0; }

    int64_t error(int tile) const { return error_[size_t(tile)]; }
    int64_t total() const { return total_; }

private:
    int w_, h_, columns_, rows_;
    std::vector<int64_t> error_;
    std::vector<int> hits_;
    std::vector<int64_t> weight_;
    int64_t total_ = 0;
};

} // namespace pq
