#include "engine/repository/watercolor_paper.h"

#include "engine/repository/image_repository.h"

#include <algorithm>
#include <mutex>

namespace pq {

namespace {

std::shared_ptr<const WatercolorTextureSamples> SampleTable(const gfx::Image& paper)
{
    auto table = std::make_shared<WatercolorTextureSamples>();
    if (paper.isNull() || paper.width() <= 0 || paper.height() <= 0)
        return table;
    const int maxX = std::min(paper.width() - 1, WatercolorTextureSamples::kWidth - 1);
    const int maxY = std::min(paper.height() - 1, WatercolorTextureSamples::kHeight - 1);
    int64_t sum = 0;
    for (int y = 0; y <= maxY; ++y) {
        const gfx::Pixel* row = paper.row(y);
        for (int x = 0; x <= maxX; ++x) {
            const uint8_t red = uint8_t((row[x] >> 16) & 255);
            table->samples[size_t(x) * WatercolorTextureSamples::kHeight + size_t(y)] = red;
            sum += red;
        }
    }
    table->mean = (maxX <= 0 || maxY <= 0) ? 128 : int(sum / (int64_t(maxX + 1) * int64_t(maxY + 1)));
    table->loaded = true;
    return table;
}

} // namespace

std::shared_ptr<const WatercolorTextureSamples> LoadWatercolorTextureSamples()
{
    static std::mutex mutex;
    static uint64_t paperId = 0;
    static std::shared_ptr<const WatercolorTextureSamples> table;

    const gfx::Image paper = Repository().sharedImage(&ImageRepository::vcLwatercolortexture);
    std::lock_guard<std::mutex> lock(mutex);
    // Filled once per paper; a table built before the repository was
    // loaded (no paper yet) is replaced as soon as the paper is there.
    if (!table || paperId != paper.id()) {
        table = SampleTable(paper);
        paperId = paper.id();
    }
    return table;
}

} // namespace pq
