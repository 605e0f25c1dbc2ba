#pragma once

#include "gfx/image.h"

namespace pq {

// Queues a full run's intermediate picture to the main view (and Progress to
// the bar when it is 0 or more). The UI thread drops it when the run has
// been cancelled by the time it gets there. Not for previews.
void ShowIntermediateLater(const gfx::Image& picture, int progress);

} // namespace pq
