#include "effects/shared/sheet_usability.h"

#include "effects/shared/stamp_cell.h"

namespace pq {

QString UnusableSheetReason(BrushSheetChoice choice, const gfx::Image& sheet, int count)
{
    switch (choice) {
    case BrushSheetChoice::Pastel:
    case BrushSheetChoice::Watercolor:
        if (TestedCellCount(sheet) > 0)
            return {};
        return QStringLiteral(
            "no usable brush. Each picture is one brush, scaled to fit a 256 \u00D7 256 cell, and this effect "
            "takes only brushes whose paint crosses the middle of the cell. Several brushes in one picture make "
            "one brush: give each brush a picture of its own.");
    case BrushSheetChoice::Impasto:
        if (InkedCellCount(sheet, count) > 0)
            return {};
        return QStringLiteral("no usable brush: every brush picture is fully transparent.");
    case BrushSheetChoice::None:
        break;
    }
    return {};
}

} // namespace pq
