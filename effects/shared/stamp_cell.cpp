#include "effects/shared/stamp_cell.h"

#include "engine/repository/brush_sheet.h"
#include "gfx/luma.h"
#include "platform/numeric.h"

#include <algorithm>
#include <cmath>

namespace pq {
namespace {

// Each level halves the one before with a 2 x 2 box (a last odd row or
// column is dropped), down to 1 x 1.
std::vector<StampCell::Level> WithMipLevels(StampCell::Level base)
{
    std::vector<StampCell::Level> levels;
    levels.push_back(std::move(base));
    while (levels.back().width > 1 || levels.back().height > 1) {
        const StampCell::Level& up = levels.back();
        StampCell::Level down;
        down.width = std::max(up.width / 2, 1);
        down.height = std::max(up.height / 2, 1);
        down.alpha.resize(size_t(down.width) * size_t(down.height));
        for (int y = 0; y < down.height; ++y) {
            const int y0 = std::min(2 * y, up.height - 1), y1 = std::min(2 * y + 1, up.height - 1);
            for (int x = 0; x < down.width; ++x) {
                const int x0 = std::min(2 * x, up.width - 1), x1 = std::min(2 * x + 1, up.width - 1);
                const int sum = up.at(x0, y0) + up.at(x1, y0) + up.at(x0, y1) + up.at(x1, y1);
                down.alpha[size_t(y) * size_t(down.width) + size_t(x)] = uint8_t((sum + 2) / 4);
            }
        }
        levels.push_back(std::move(down));
    }
    return levels;
}

template <typename Fn>
StampCell::Level PlaneOf(const gfx::Image& image, const QRect& rect, Fn&& alphaOf)
{
    StampCell::Level base;
    base.width = rect.width();
    base.height = rect.height();
    base.alpha.assign(size_t(base.width) * size_t(base.height), 0);
    const QRect inside = image.isNull() ? QRect() : rect.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        const gfx::Pixel* row = image.row(y);
        uint8_t* out = base.alpha.data() + size_t(y - rect.top()) * size_t(base.width);
        for (int x = inside.left(); x <= inside.right(); ++x)
            out[x - rect.left()] = alphaOf(row[x]);
    }
    return base;
}

} // namespace

StampCell StampCell::fromPlane(int width, int height, std::vector<uint8_t> alpha)
{
    StampCell cell;
    if (width <= 0 || height <= 0 || alpha.size() != size_t(width) * size_t(height))
        return cell;
    Level base;
    base.width = width;
    base.height = height;
    base.alpha = std::move(alpha);
    auto data = std::make_shared<Data>();
    data->blank = std::all_of(base.alpha.begin(), base.alpha.end(), [](uint8_t a) { return a == 0; });
    data->levels = WithMipLevels(std::move(base));
    for (Level& level : data->levels) {
        int x0 = level.width, x1 = -1, y0 = level.height, y1 = -1;
        for (int y = 0; y < level.height; ++y)
            for (int x = 0; x < level.width; ++x)
                if (level.at(x, y) != 0) {
                    x0 = std::min(x0, x);
                    x1 = std::max(x1, x);
                    y0 = std::min(y0, y);
                    y1 = std::max(y1, y);
                }
        level.inked = x1 < 0 ? QRect() : QRect(QPoint(x0, y0), QPoint(x1, y1));
        const int across = (level.width + 15) / 16, down = (level.height + 15) / 16;
        level.inkStride = across + 1;
        level.inkSums.assign(size_t(across + 1) * size_t(down + 1), 0);
        for (int y = 0; y < level.height; ++y)
            for (int x = 0; x < level.width; ++x)
                if (level.at(x, y) != 0)
                    level.inkSums[size_t(y / 16 + 1) * size_t(across + 1) + size_t(x / 16 + 1)] = 1;
        for (int r = 1; r <= down; ++r)
            for (int c = 1; c <= across; ++c) {
                int32_t* s = &level.inkSums[size_t(r) * size_t(across + 1) + size_t(c)];
                *s += s[-1] + s[-(across + 1)] - s[-(across + 1) - 1];
            }
    }
    cell.d_ = std::move(data);
    return cell;
}

StampCell StampCell::fromAlpha(const gfx::Image& image, const QRect& rect)
{
    if (rect.isEmpty())
        return {};
    Level base = PlaneOf(image, rect, [](gfx::Pixel p) { return uint8_t(p >> 24); });
    return fromPlane(base.width, base.height, std::move(base.alpha));
}

StampCell StampCell::fromDarkness(const gfx::Image& image, const QRect& rect, double gain)
{
    if (rect.isEmpty())
        return {};
    Level base = PlaneOf(image, rect, [gain](gfx::Pixel p) {
        const double grey = gfx::Luma601((p >> 16) & 255, (p >> 8) & 255, p & 255) / 255.0;
        const double a = std::clamp(gain * (1.0 - grey), 0.0, 1.0);
        return uint8_t(platform::Round(a * 255.0));
    });
    return fromPlane(base.width, base.height, std::move(base.alpha));
}

namespace {

// The tested cutting's cells in sheet order, each with whether it is kept.
template <typename Fn>
void ForEachTestedCell(const gfx::Image& sheet, Fn&& take)
{
    if (sheet.isNull())
        return;
    const int candidates = (sheet.height() / kBrushCellSize) * kBrushesPerRow;
    for (int i = 0; i < candidates; ++i) {
        const QRect r = BrushCellRect(i);
        if (r.right() + 1 > sheet.width() || r.bottom() + 1 > sheet.height())
            break;
        bool kept = false;
        for (int y : {64, 96, 128, 160, 192})
            kept = kept || int(sheet.pixel(r.left() + 128, r.top() + y) >> 24) > 10;
        if (kept)
            take(r);
    }
}

} // namespace

std::vector<StampCell> CutTestedCells(const gfx::Image& sheet)
{
    std::vector<StampCell> cells;
    ForEachTestedCell(sheet, [&](const QRect& r) { cells.push_back(StampCell::fromAlpha(sheet, r)); });
    return cells;
}

int TestedCellCount(const gfx::Image& sheet)
{
    int count = 0;
    ForEachTestedCell(sheet, [&](const QRect&) { ++count; });
    return count;
}

int InkedCellCount(const gfx::Image& sheet, int count)
{
    int inked = 0;
    for (int i = 0; i < count && !sheet.isNull(); ++i) {
        const QRect r = BrushCellRect(i).intersected(sheet.rect());
        bool ink = false;
        for (int y = r.top(); y <= r.bottom() && !ink; ++y) {
            const gfx::Pixel* row = sheet.row(y);
            ink = std::any_of(row + r.left(), row + r.right() + 1, [](gfx::Pixel p) { return (p >> 24) != 0; });
        }
        inked += ink;
    }
    return inked;
}

std::vector<StampCell> CutCountedCells(const gfx::Image& sheet, int count)
{
    std::vector<StampCell> cells;
    if (count <= 0)
        return cells;
    cells.reserve(size_t(count));
    StampCell blank; // one transparent cell shared by all beyond the sheet
    for (int i = 0; i < count; ++i) {
        const QRect r = BrushCellRect(i);
        if (!sheet.isNull() && r.intersects(sheet.rect())) {
            cells.push_back(StampCell::fromAlpha(sheet, r));
            continue;
        }
        if (blank.isNull())
            blank = StampCell::fromAlpha(gfx::Image(), r);
        cells.push_back(blank);
    }
    return cells;
}

float BrushOrientationAngle(const StampCell& cell, int minAlpha, double minWeight)
{
    if (cell.isNull())
        return 0.0f;
    double w = 0, sx = 0, sy = 0;
    for (int y = 0; y < cell.height(); ++y)
        for (int x = 0; x < cell.width(); ++x) {
            const int a = cell.alphaAt(x, y);
            if (a < minAlpha)
                continue;
            w += a;
            sx += double(a) * x;
            sy += double(a) * y;
        }
    if (w < minWeight || w <= 0)
        return 0.0f;
    const double cx = sx / w, cy = sy / w;
    double mxx = 0, myy = 0, mxy = 0;
    for (int y = 0; y < cell.height(); ++y)
        for (int x = 0; x < cell.width(); ++x) {
            const int a = cell.alphaAt(x, y);
            if (a < minAlpha)
                continue;
            mxx += a * (x - cx) * (x - cx);
            myy += a * (y - cy) * (y - cy);
            mxy += a * (x - cx) * (y - cy);
        }
    return float(0.5 * std::atan2(2.0 * mxy, mxx - myy));
}

} // namespace pq
