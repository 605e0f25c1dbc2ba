#pragma once

#include "effects/shared/scratch_plane.h"

namespace pq::stylize {

template <typename T>
using Plane = ScratchPlane<T>;

} // namespace pq::stylize
