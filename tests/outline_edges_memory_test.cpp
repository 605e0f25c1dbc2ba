#include "image_compare.h"

#include "effects/shared/outline_edges.h"
#include "gfx/scratch_buffer.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace {

// Big enough that every plane comes from recycled picture blocks.
constexpr int kW = 1501, kH = 1403;

// Rings and stripes: strong and weak edges in every direction.
gfx::Image Rings()
{
    return testimg::MakeImage(kW, kH, [](int x, int y) {
        const double d = std::hypot(x - kW / 2.0, y - kH / 3.0);
        const int v = (int(d / 23.0) % 2 == 0 ? 40 : 200) + ((x / 97 + y / 61) % 2) * 30;
        return testimg::Premul(v, 255 - v, (x * 3 + y) & 255);
    });
}

// Leaves freed blocks of every size the detector asks for, filled with
// `byte`, for its planes to be handed back.
void LeaveBlocksHolding(uint8_t byte)
{
    const size_t n = size_t(kW) * size_t(kH);
    std::vector<gfx::ScratchBuffer<uint8_t>> blocks;
    for (const size_t bytes : {n, n, 2 * n, 2 * n, 2 * n, 2 * n, 4 * n, 4 * n, 8 * n}) {
        blocks.emplace_back(bytes);
        ASSERT_TRUE(blocks.back());
        std::memset(blocks.back().data(), byte, bytes);
    }
}

struct Planes {
    std::vector<int16_t> gx, gy;
    std::vector<uint16_t> nms;
    std::vector<uint8_t> kept;
};

Planes Detect(const gfx::Image& source)
{
    pq::EdgeDetectionSettings settings;
    settings.strength = 70;
    settings.checkCancellation = false;
    const pq::EdgeMap e = pq::DetectEdges(source, kW, kH, settings);
    EXPECT_TRUE(e.hasEdges);
    const size_t n = size_t(kW) * size_t(kH);
    Planes p;
    p.gx.assign(e.gx.data(), e.gx.data() + n);
    p.gy.assign(e.gy.data(), e.gy.data() + n);
    p.nms.assign(e.nms.data(), e.nms.data() + n);
    p.kept.assign(e.kept.data(), e.kept.data() + n);
    return p;
}

} // namespace

// The planes live in uninitialised memory: every value, the border's zeros
// included, must be written whatever the memory held before.
TEST(EdgeDetectionMemory, PlanesDoNotDependOnWhatReusedMemoryHeld)
{
    const gfx::Image source = Rings();
    LeaveBlocksHolding(0x00);
    const Planes clean = Detect(source);
    LeaveBlocksHolding(0xA7);
    const Planes dirty = Detect(source);
    EXPECT_TRUE(clean.gx == dirty.gx);
    EXPECT_TRUE(clean.gy == dirty.gy);
    EXPECT_TRUE(clean.nms == dirty.nms);
    EXPECT_TRUE(clean.kept == dirty.kept);

    int64_t keptCount = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const size_t i = size_t(y) * kW + size_t(x);
            ASSERT_LE(dirty.kept[i], 1) << x << "," << y;
            keptCount += dirty.kept[i];
            if (dirty.kept[i]) {
                EXPECT_GT(dirty.nms[i], 0) << x << "," << y;
            }
            if (x == 0 || y == 0 || x == kW - 1 || y == kH - 1) {
                EXPECT_EQ(dirty.gx[i], 0) << x << "," << y;
                EXPECT_EQ(dirty.gy[i], 0) << x << "," << y;
                EXPECT_EQ(dirty.nms[i], 0) << x << "," << y;
                EXPECT_EQ(dirty.kept[i], 0) << x << "," << y;
            }
        }
    EXPECT_GT(keptCount, 1000);
}
