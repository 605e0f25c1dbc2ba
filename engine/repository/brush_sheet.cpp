#include "engine/repository/brush_sheet.h"

#include "gfx/canvas.h"
#include "gfx/surface.h"

#include <algorithm>
#include <cstring>

namespace pq {

QRect BrushCellRect(int index)
{
    return QRect(kBrushCellSize * (index % kBrushesPerRow), kBrushCellSize * (index / kBrushesPerRow), kBrushCellSize,
                 kBrushCellSize);
}

gfx::Image BrushCell(const gfx::Image& brush)
{
    if (brush.isNull() || brush.width() <= 0 || brush.height() <= 0)
        return {};
    gfx::Surface cell = gfx::Surface::make(kBrushCellSize, kBrushCellSize);
    if (cell.isNull())
        return {};
    const double scale = std::min(double(kBrushCellSize) / brush.width(), double(kBrushCellSize) / brush.height());
    const double w = brush.width() * scale;
    const double h = brush.height() * scale;
    {
        gfx::Canvas canvas(cell);
        canvas.drawImageRect(brush, QRectF((kBrushCellSize - w) / 2, (kBrushCellSize - h) / 2, w, h),
                             gfx::Sampling::Nearest);
    }
    return cell.snapshot();
}

gfx::Image AssembleBrushSheet(const std::vector<gfx::Image>& cells)
{
    if (cells.empty())
        return {};
    const int rows = (int(cells.size()) + kBrushesPerRow - 1) / kBrushesPerRow;
    gfx::Surface sheet = gfx::Surface::make(kBrushSheetWidth, kBrushCellSize * rows);
    if (sheet.isNull())
        return {};
    for (size_t i = 0; i < cells.size(); ++i) {
        const gfx::Image& cell = cells[i];
        if (cell.isNull() || cell.width() != kBrushCellSize || cell.height() != kBrushCellSize)
            continue;
        const QRect r = BrushCellRect(int(i));
        for (int y = 0; y < kBrushCellSize; ++y)
            std::memcpy(sheet.row(r.top() + y) + r.left(), cell.row(y), sizeof(gfx::Pixel) * kBrushCellSize);
    }
    return sheet.snapshot();
}

} // namespace pq
