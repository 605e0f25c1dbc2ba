#include "effects/painting/stochastic_painting/marks.h"

#include "platform/thread_pool.h"

#include <algorithm>
#include <mutex>

namespace pq {
namespace {

constexpr int kMarks = 38;
constexpr int kCell = 250;
// The built-in atlas, a custom one, and a few opacities of each.
constexpr size_t kKeptCells = 2;
constexpr size_t kKeptWeights = 6;

std::vector<StochasticMark> CutMarks(const gfx::Image& atlas)
{
    std::vector<StochasticMark> marks;
    if (atlas.isNull())
        return marks;
    marks.resize(kMarks);
    platform::ParallelFor(0, kMarks, [&](int i) {
        StochasticMark& m = marks[size_t(i)];
        m.cell = StampCell::fromDarkness(atlas, QRect(kCell * (i % 5), kCell * (i / 5), kCell, kCell), 1.0);
        m.angle = BrushOrientationAngle(m.cell, 1, 1.0);
        const StampCell::Level& plane = m.cell.level(0);
        int x0 = plane.width, x1 = -1, y0 = plane.height, y1 = -1;
        for (int y = 0; y < plane.height; ++y)
            for (int x = 0; x < plane.width; ++x)
                if (plane.at(x, y) > 10) {
                    x0 = std::min(x0, x);
                    x1 = std::max(x1, x);
                    y0 = std::min(y0, y);
                    y1 = std::max(y1, y);
                }
        m.strong = x1 < 0 ? QRect() : QRect(QPoint(x0, y0), QPoint(x1, y1));
    });
    return marks;
}

struct CellsEntry {
    gfx::Image atlas; // holds the image, so its key stays its own
    qint64 key = 0;
    std::shared_ptr<const std::vector<StochasticMark>> marks;
};

struct WeightsEntry {
    std::shared_ptr<const std::vector<StochasticMark>> marks; // what they weigh
    int opacity = 0;
    std::shared_ptr<const StochasticMarks> made;
};

std::shared_ptr<const std::vector<StochasticMark>> CachedMarks(const gfx::Image& atlas)
{
    static std::mutex mutex;
    static std::vector<CellsEntry> entries; // most recent last
    const qint64 key = atlas.isNull() ? 0 : atlas.qimage().cacheKey();
    const auto matches = [&](const CellsEntry& e) { return e.key == key && e.atlas.size() == atlas.size(); };
    {
        std::lock_guard lock(mutex);
        const auto it = std::find_if(entries.begin(), entries.end(), matches);
        if (it != entries.end()) {
            std::rotate(it, it + 1, entries.end());
            return entries.back().marks;
        }
    }
    auto marks = std::make_shared<const std::vector<StochasticMark>>(CutMarks(atlas));
    std::lock_guard lock(mutex);
    if (std::none_of(entries.begin(), entries.end(), matches)) {
        if (entries.size() >= kKeptCells)
            entries.erase(entries.begin());
        entries.push_back({atlas, key, marks});
    }
    return marks;
}

} // namespace

std::shared_ptr<const StochasticMarks> CutStochasticMarks(const gfx::Image& atlas, int opacity)
{
    static std::mutex mutex;
    static std::vector<WeightsEntry> entries; // most recent last
    const std::shared_ptr<const std::vector<StochasticMark>> cells = CachedMarks(atlas);
    const auto matches = [&](const WeightsEntry& e) { return e.marks == cells && e.opacity == opacity; };
    {
        std::lock_guard lock(mutex);
        const auto it = std::find_if(entries.begin(), entries.end(), matches);
        if (it != entries.end()) {
            std::rotate(it, it + 1, entries.end());
            return entries.back().made;
        }
    }
    auto made = std::make_shared<StochasticMarks>();
    made->marks = *cells;
    made->weights.reserve(cells->size());
    for (const StochasticMark& m : *cells)
        made->weights.emplace_back(m.cell.level(0).alpha.data(), kCell, opacity);
    std::shared_ptr<const StochasticMarks> result = std::move(made);
    std::lock_guard lock(mutex);
    if (std::none_of(entries.begin(), entries.end(), matches)) {
        if (entries.size() >= kKeptWeights)
            entries.erase(entries.begin());
        entries.push_back({cells, opacity, result});
    }
    return result;
}

} // namespace pq
