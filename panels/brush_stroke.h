#pragma once

#include "engine/runtime/texture_step.h"
#include "gfx/image.h"

#include <QImage>
#include <QRect>
#include <QSize>

#include <array>

namespace pq {

// One stroke of the manual brush, as the worker applies it.
struct BrushStrokeJob {
    // The merged mask (Format_Alpha8, image-sized) and its painted box.
    QImage mask;
    QRect maskBounds;
    float opacity = 1.0f; // 0..1
    int effect = -1;
    std::array<int, 5> params{};
    // Taken on the UI thread when the worker starts.
    gfx::Image base;   // the current result
    gfx::Image source; // the source photo
    StoredTexture texture;
};

// The part of the image the effect runs on: the mask's box cut to the image,
// grown by 1 % of the image's size plus 4 pixels on each side, in whole
// pixels inside the image. Empty when nothing is left.
QRect BrushStrokeRegion(const QRect& maskBounds, QSize imageSize);

// The base with `effect` (region-sized, placed at origin) laid over it
// through the mask at the opacity: every pixel keeps the effect's colour
// scaled by the mask's coverage, composed source-over. Null when the base
// cannot be copied.
gfx::Image CompositeBrushStroke(const gfx::Image& base, const gfx::Image& effect, const QImage& mask, QPoint origin,
                                float opacity);

// Runs the job's effect on its region of the source (synchronously, in the
// calling thread's run, or a run begun now): the run's background image is
// the matching region of the base for the effect's one call; the stored
// texture is laid over the effect's picture when on; the masked picture is
// composed over the base. Null when the images are missing or the region is
// empty. EAbort and every other failure of the effect reach the caller.
gfx::Image ApplyBrushStroke(const BrushStrokeJob& job);

} // namespace pq
