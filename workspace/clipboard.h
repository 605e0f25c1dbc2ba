#pragma once

#include "gfx/image.h"

class QMimeData;

namespace pq {

// The system clipboard's images. Copy puts the image there with its alpha
// as far as the clipboard carries it; nothing for a null image or without
// a clipboard.
void CopyImageToClipboard(const gfx::Image& image);
// The clipboard's image in our pixel layout; null when it holds none.
gfx::Image ImageFromClipboard();
// The image a clipboard or drag payload carries; null when none.
gfx::Image ImageFromMimeData(const QMimeData* data);

} // namespace pq
