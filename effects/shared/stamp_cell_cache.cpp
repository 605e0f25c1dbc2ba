#include "effects/shared/stamp_cell_cache.h"

#include <algorithm>
#include <mutex>

namespace pq {
namespace {

// Sheets a session switches between: the built-in ones and a custom one or two.
constexpr size_t kKept = 6;

struct Entry {
    gfx::Image sheet; // holds the image, so its key stays its own
    qint64 key = 0;
    int count = -1; // -1: the tested cutting
    std::optional<OrientationRule> rule;
    std::shared_ptr<const SheetCells> cells;
};

bool SameRule(const std::optional<OrientationRule>& a, const std::optional<OrientationRule>& b)
{
    if (a.has_value() != b.has_value())
        return false;
    return !a || (a->minAlpha == b->minAlpha && a->minWeight == b->minWeight);
}

std::shared_ptr<const SheetCells> Cached(const gfx::Image& sheet, int count, const std::optional<OrientationRule>& rule)
{
    static std::mutex mutex;
    static std::vector<Entry> entries; // most recent last
    const qint64 key = sheet.isNull() ? 0 : sheet.qimage().cacheKey();
    const auto matches = [&](const Entry& e) {
        return e.key == key && e.sheet.size() == sheet.size() && e.count == count && SameRule(e.rule, rule);
    };
    {
        std::lock_guard lock(mutex);
        const auto it = std::find_if(entries.begin(), entries.end(), matches);
        if (it != entries.end()) {
            std::rotate(it, it + 1, entries.end());
            return entries.back().cells;
        }
    }
    auto made = std::make_shared<SheetCells>();
    made->cells = count < 0 ? CutTestedCells(sheet) : CutCountedCells(sheet, count);
    if (rule) {
        made->angles.reserve(made->cells.size());
        for (const StampCell& cell : made->cells)
            made->angles.push_back(cell.isBlank() ? 0.0f
                                                  : BrushOrientationAngle(cell, rule->minAlpha, rule->minWeight));
    }
    std::shared_ptr<const SheetCells> cells = std::move(made);
    std::lock_guard lock(mutex);
    if (std::none_of(entries.begin(), entries.end(), matches)) {
        if (entries.size() >= kKept)
            entries.erase(entries.begin());
        entries.push_back({sheet, key, count, rule, cells});
    }
    return cells;
}

} // namespace

std::shared_ptr<const SheetCells> TestedSheetCells(const gfx::Image& sheet, std::optional<OrientationRule> rule)
{
    return Cached(sheet, -1, rule);
}

std::shared_ptr<const SheetCells> CountedSheetCells(const gfx::Image& sheet, int count,
                                                    std::optional<OrientationRule> rule)
{
    return Cached(sheet, std::max(count, 0), rule);
}

} // namespace pq
