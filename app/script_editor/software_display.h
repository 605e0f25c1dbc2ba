#pragma once

#include <QString>

namespace pq {

// True for the name a software rasteriser gives as its OpenGL renderer
// (Mesa's llvmpipe, softpipe and swrast, SwiftShader, Windows' basic
// render driver).
bool IsSoftwareRenderer(const QString& renderer);

// True when the display draws in software: LIBGL_ALWAYS_SOFTWARE is set,
// or the first OpenGL context the platform gives names a software
// renderer. When no context can be made the display counts as a hardware
// one, so that the test never takes the cube away by mistake.
bool SoftwareDisplayInUse();

} // namespace pq
