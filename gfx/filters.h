#pragma once

#include "gfx/image.h"
#include "gfx/surface.h"

#include <QColor>

#include <array>
#include <cstdint>
#include <vector>

namespace gfx {

// What a filter reads beyond the image: the nearest edge pixel (Clamp) or
// transparent black (Decal).
enum class EdgeMode { Clamp, Decal };

// Largest blur sigma; larger values are treated as this one.
constexpr float kMaxBlurSigma = 2000.0f;

// Gaussian blur of premultiplied pixels, same size as the input. Small sigmas
// use the exact kernel (radius 3 sigma), larger ones three box passes. A sigma
// of 0 or below leaves that axis alone. Null for a null image, a sigma that
// is not a number or when memory runs out.
Image GaussianBlur(const Image& image, float sigmaX, float sigmaY, EdgeMode edge = EdgeMode::Decal);
// The same blur in place; false (surface unchanged) for a null surface, a
// sigma that is not a number or when scratch memory is not available.
bool GaussianBlur(Surface& surface, float sigmaX, float sigmaY, EdgeMode edge);
// The same blur computed only where `wanted` (width x height, row by row) is
// non-zero: those pixels equal GaussianBlur's, all others are transparent.
// Null as GaussianBlur, or when `wanted` has the wrong size.
Image GaussianBlurWhere(const Image& image, float sigmaX, float sigmaY, const std::vector<uint8_t>& wanted,
                        EdgeMode edge = EdgeMode::Decal);

// 3 x 3 matrix convolution with kernel offset (1, 1): output (x, y) is
// gain * sum(kernel[3 j + i] * in(x + i - 1, y + j - 1)) + bias, with bias in
// units of 0..1. With convolveAlpha the premultiplied channels are convolved
// and clamped (colour to alpha); otherwise the un-premultiplied colour is
// convolved and clamped to 0..255, each pixel keeps its alpha and is
// premultiplied again. Null for a null image or non-finite numbers.
Image Convolve3x3(const Image& image, const std::array<float, 9>& kernel, float gain = 1.0f, float bias = 0.0f,
                  bool convolveAlpha = false, EdgeMode edge = EdgeMode::Clamp);

// 4 x 5 row-major colour matrix (rows R, G, B, A; columns R, G, B, A, offset)
// applied to un-premultiplied channels in 0..1; results are clamped to 0..1
// and premultiplied. Null for a null image or non-finite numbers.
Image ColorMatrix(const Image& image, const std::array<float, 20>& matrix);

// The image over its shadow: the alpha blurred by (sigmaX, sigmaY), moved by
// (dx, dy) and tinted with `color` (whose alpha scales it); only the shadow
// when shadowOnly. Same size as the input, transparent beyond it. Null for a
// null image or non-finite numbers.
Image DropShadow(const Image& image, float dx, float dy, float sigmaX, float sigmaY, const QColor& color,
                 bool shadowOnly = false);

} // namespace gfx
