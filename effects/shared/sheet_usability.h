#pragma once

// Whether the stamping effects can paint with any brush of a loaded sheet:
// the window and pq-render refuse a sheet that would paint nothing.

#include "engine/runtime/effect_table.h"
#include "gfx/image.h"

#include <QString>

namespace pq {

// Why the effect of `choice` could not paint with any brush of `sheet`
// (`count` brushes laid into it), in English; empty when it can. Oil pastel
// and watercolour splashes take a cell only when paint crosses its middle
// column, impasto every cell with any paint.
QString UnusableSheetReason(BrushSheetChoice choice, const gfx::Image& sheet, int count);

} // namespace pq
