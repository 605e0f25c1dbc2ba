#pragma once

#include "gfx/image.h"

namespace pq {

// The document's two images at a new size.
struct ResizedDocument {
    gfx::Image source;
    gfx::Image result;
    bool ok() const { return !source.isNull() && !result.isNull(); }
};

// Scales the source photo and the result to exactly width x height (cubic,
// B = C = 1/3), whatever their own sizes; one image shared by both is
// scaled once. Not ok for a size that is not positive, a missing source
// photo, or when the images cannot be allocated. A missing result is made
// from the source.
ResizedDocument ResizeDocumentImages(const gfx::Image& source, const gfx::Image& result, int width, int height);

} // namespace pq
