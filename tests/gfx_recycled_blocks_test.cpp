#include "gfx/recycled_blocks.h"
#include "gfx/scratch_buffer.h"
#include "gfx/surface.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace {

void* Block(size_t bytes)
{
    return std::malloc(bytes);
}

TEST(RecycledBlocks, HandsBackAKeptBlockOnlyForItsOwnSize)
{
    gfx::RecycledBlocks blocks(2, 1 << 20);
    void* const a = Block(4096);
    blocks.give(a, 4096);
    EXPECT_EQ(blocks.take(8192), nullptr);
    EXPECT_EQ(blocks.take(4096), a);
    EXPECT_EQ(blocks.take(4096), nullptr) << "a block is handed out once";
    std::free(a);
}

TEST(RecycledBlocks, KeepsWithinItsLimitsDroppingTheOldest)
{
    gfx::RecycledBlocks blocks(2, 10000);
    void* const a = Block(1000);
    void* const b = Block(2000);
    void* const c = Block(3000);
    blocks.give(a, 1000);
    blocks.give(b, 2000);
    blocks.give(c, 3000);
    EXPECT_EQ(blocks.keptBlocks(), 2u);
    EXPECT_EQ(blocks.take(1000), nullptr) << "the oldest went first";
    void* const d = Block(7000);
    blocks.give(d, 7000); // 2000 + 3000 + 7000 is over the byte limit
    EXPECT_EQ(blocks.keptBlocks(), 2u);
    EXPECT_EQ(blocks.take(2000), nullptr);
    EXPECT_EQ(blocks.take(3000), c);
    EXPECT_EQ(blocks.take(7000), d);
    std::free(c);
    std::free(d);

    blocks.give(Block(20000), 20000); // beyond the byte limit: freed at once
    blocks.give(nullptr, 100);
    EXPECT_EQ(blocks.keptBlocks(), 0u);
    blocks.give(Block(100), 100);
    blocks.clear();
    EXPECT_EQ(blocks.keptBlocks(), 0u);
}

TEST(RecycledBlocks, AFreedPictureBufferServesTheNextPictureOfItsSize)
{
    uchar* first = nullptr;
    {
        QImage image = gfx::NewPixelImage(4000, 3000);
        ASSERT_FALSE(image.isNull());
        first = image.bits();
        std::memset(first, 0x5A, 64);
    }
    const QImage other = gfx::NewPixelImage(1000, 1000); // another size: a fresh block
    ASSERT_FALSE(other.isNull());
    EXPECT_NE(other.constBits(), first);
    const QImage again = gfx::NewPixelImage(4000, 3000);
    ASSERT_FALSE(again.isNull());
#if defined(__linux__)
    EXPECT_EQ(again.constBits(), first);
#endif
    // Small scratch memory goes straight back to the allocator.
    const gfx::ScratchBuffer<int> small(16);
    EXPECT_TRUE(small);
}

} // namespace

namespace {

TEST(RecycledBlocks, SurfacesMadeFromAReusedBlockAreFilled)
{
    {
        QImage stale = gfx::NewPixelImage(1000, 600);
        ASSERT_FALSE(stale.isNull());
        stale.fill(0x80402010u);
    }
    for (const gfx::Pixel fill : {gfx::Pixel(0), gfx::Pixel(0xFFFFFFFFu)}) {
        const gfx::Surface big = gfx::Surface::make(1000, 600, fill);
        const gfx::Surface small = gfx::Surface::make(10, 6, fill);
        ASSERT_FALSE(big.isNull());
        for (const gfx::Surface* s : {&big, &small})
            for (int y = 0; y < s->height(); y += s->height() - 1)
                for (int x = 0; x < s->width(); ++x)
                    ASSERT_EQ(s->row(y)[x], fill) << x << "," << y;
    }
    const gfx::Surface transparent = gfx::Surface::make(1000, 600);
    EXPECT_EQ(transparent.row(599)[999], 0u);
}

} // namespace
