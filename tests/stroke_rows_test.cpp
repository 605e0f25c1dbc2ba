// The wide row loops of Brushstrokes 2 against their plain forms, its patch
// chain against drawing each value in turn, and its queue under threads.

#include "effects/painting/brushstrokes_2/stroke_patch.h"
#include "effects/painting/brushstrokes_2/stroke_queue.h"
#include "effects/painting/brushstrokes_2/stroke_rows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

namespace {

std::vector<gfx::Pixel> RandomPixels(std::mt19937& gen, size_t n, bool someTransparent)
{
    std::vector<gfx::Pixel> v(n);
    for (gfx::Pixel& p : v) {
        p = gfx::Pixel(gen());
        if (someTransparent && gen() % 4 == 0)
            p &= 0x00FFFFFFu;
    }
    return v;
}

// Mask bytes with runs of zeros (whole blocks of eight among them) and the
// extremes.
std::vector<uint8_t> RandomMask(std::mt19937& gen, size_t n)
{
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) {
        const unsigned r = gen() % 8;
        v[i] = r < 3 ? 0 : (r == 3 ? 255 : (r == 4 ? 1 : uint8_t(gen())));
    }
    if (n >= 16)
        std::fill_n(v.begin() + 8, 8, 0);
    return v;
}

} // namespace

TEST(StrokeRows, StampsLayAsThePlainLoopDoes)
{
    std::mt19937 gen(5);
    for (int trial = 0; trial < 400; ++trial) {
        const int maskW = 1 + int(gen() % 45), maskH = 1 + int(gen() % 6);
        const int stride = maskW + int(gen() % 5);
        const bool hasAlpha = trial % 2 == 1;
        const std::vector<uint8_t> alpha = RandomMask(gen, size_t(maskW) * size_t(maskH));
        const std::vector<gfx::Pixel> colour = RandomPixels(gen, alpha.size(), false);
        const std::vector<gfx::Pixel> photo = RandomPixels(gen, size_t(stride) * size_t(maskH), true);
        std::vector<gfx::Pixel> wide = RandomPixels(gen, photo.size(), false), plain = wide;
        std::vector<uint8_t> wideMark(photo.size()), plainMark;
        for (uint8_t& m : wideMark)
            m = uint8_t(gen() % 5 == 0);
        plainMark = wideMark;
        pq::StampRows rows;
        rows.pictureStride = rows.photoStride = rows.markStride = stride;
        rows.photo = photo.data();
        rows.alpha = alpha.data();
        rows.colour = colour.data();
        rows.maskWidth = maskW;
        rows.mx0 = int(gen() % unsigned(maskW));
        rows.mx1 = rows.mx0 + 1 + int(gen() % unsigned(maskW - rows.mx0));
        rows.my0 = int(gen() % unsigned(maskH));
        rows.my1 = maskH;
        rows.opacity = trial % 7 == 0 ? 255 : 1 + gen() % 255;
        rows.hasAlpha = hasAlpha;
        pq::StampRows plainRows = rows;
        rows.picture = wide.data();
        rows.mark = wideMark.data();
        plainRows.picture = plain.data();
        plainRows.mark = plainMark.data();
        ASSERT_EQ(pq::LayStrokeStamp(rows), pq::LayStrokeStampPlain(plainRows)) << trial;
        ASSERT_EQ(wide, plain) << trial;
        ASSERT_EQ(wideMark, plainMark) << trial;
    }
}

TEST(StrokeRows, ErrorSumsMatchThePlainLoops)
{
    std::mt19937 gen(9);
    for (int trial = 0; trial < 300; ++trial) {
        const int n = int(gen() % 70);
        const std::vector<gfx::Pixel> old = RandomPixels(gen, size_t(n), false);
        std::vector<gfx::Pixel> now = RandomPixels(gen, size_t(n), false);
        for (int i = 0; i < n; ++i)
            if (gen() % 3 == 0)
                now[size_t(i)] = old[size_t(i)] ^ (gen() % 2 ? 0xFF000000u : 0u); // same colour, maybe other alpha
        const std::vector<gfx::Pixel> src = RandomPixels(gen, size_t(n), false);
        std::vector<uint8_t> mark(static_cast<size_t>(n));
        for (uint8_t& m : mark)
            m = uint8_t(gen() % 3 == 0);
        const int from = n ? int(gen() % unsigned(n)) : 0;
        const pq::StrokeErrors wide = pq::MarkedRowErrors(old.data(), now.data(), src.data(), mark.data(), from, n);
        const pq::StrokeErrors plain =
            pq::MarkedRowErrorsPlain(old.data(), now.data(), src.data(), mark.data(), from, n);
        ASSERT_EQ(wide.before, plain.before) << trial;
        ASSERT_EQ(wide.after, plain.after) << trial;
        ASSERT_EQ(pq::RowErrorChange(old.data(), now.data(), src.data(), from, n),
                  pq::RowErrorChangePlain(old.data(), now.data(), src.data(), from, n))
            << trial;
    }
}

TEST(StrokeRows, PatchColoursMatchOneAtATime)
{
    std::mt19937 gen(13);
    const std::vector<gfx::Pixel> photo = RandomPixels(gen, 500, true);
    for (int n = 0; n < 40; ++n) {
        std::vector<int32_t> pixel(static_cast<size_t>(n));
        std::vector<int8_t> jitter(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) {
            pixel[size_t(i)] = gen() % 6 == 0 ? -1 : int32_t(gen() % 500);
            jitter[size_t(i)] = gen() % 3 == 0 ? 25 : int8_t(-int(gen() % 20));
        }
        std::vector<gfx::Pixel> wide(static_cast<size_t>(n)), plain(static_cast<size_t>(n));
        pq::PatchColours(photo.data(), pixel.data(), jitter.data(), n, wide.data());
        pq::PatchColoursPlain(photo.data(), pixel.data(), jitter.data(), n, plain.data());
        ASSERT_EQ(wide, plain) << n;
    }
    // Channels saturate at both ends.
    const gfx::Pixel extremes[] = {0xFFFFFFFFu, 0x00000000u, 0x80F00A10u};
    const int32_t at[] = {0, 1, 2, 0, 1, 2, 0, 1};
    const int8_t by[] = {25, -19, 25, -19, 25, -19, 0, 0};
    gfx::Pixel out[8], expected[8];
    pq::PatchColours(extremes, at, by, 8, out);
    pq::PatchColoursPlain(extremes, at, by, 8, expected);
    EXPECT_TRUE(std::equal(out, out + 8, expected));
}

TEST(StrokeRows, PatchChainMatchesDrawingEachValueInTurn)
{
    std::mt19937 gen(17);
    for (int trial = 0; trial < 300; ++trial) {
        pq::PatchPlacement p;
        p.w = 5 + int(gen() % 80);
        p.h = 5 + int(gen() % 60);
        p.maskW = 1 + int(gen() % 40);
        p.maskH = 1 + int(gen() % 30);
        p.x0 = int(gen() % unsigned(p.w + p.maskW)) - p.maskW;
        p.y0 = int(gen() % unsigned(p.h + p.maskH)) - p.maskH;
        p.centre = int32_t(gen() % unsigned(p.w * p.h));
        p.bias = gen() % 2 ? -50 : 100;
        p.abstraction = int(gen() % 120) - 10;
        p.centreChance = p.abstraction / 5 + 80;
        pq::PatchSources earlier;
        earlier.pixel.assign(size_t(p.maskW * p.maskH), int32_t(gen() % 50));
        earlier.jitter.assign(earlier.pixel.size(), -4);
        pq::PatchSources fast = earlier, plain = earlier;
        const uint32_t seed = gen();
        platform::Random a(seed), b(seed);
        pq::DrawPatchSources(p, a, fast);
        pq::DrawPatchSourcesPlain(p, b, plain);
        ASSERT_EQ(fast.pixel, plain.pixel) << trial;
        ASSERT_EQ(fast.jitter, plain.jitter) << trial;
        ASSERT_EQ(a.seed(), b.seed()) << trial;
    }
}

TEST(StrokeRows, QueuedStrokesReachEachBlockInOrderOverPasses)
{
    constexpr int kColumns = 6, kRows = 5, kDrawers = 3;
    pq::StrokeQueue queue;
    std::mutex mutex;
    std::vector<std::vector<int>> seen(kColumns * kRows); // per block, the strokes drawn over it
    struct Reach {
        int x0, y0, x1, y1;
    };
    std::vector<Reach> reaches;
    auto draw = [&](int k) {
        const Reach r = reaches[size_t(k)];
        std::lock_guard lock(mutex);
        for (int y = r.y0; y < r.y1; ++y)
            for (int x = r.x0; x < r.x1; ++x)
                seen[size_t(y * kColumns + x)].push_back(k);
    };
    std::mt19937 gen(21);
    for (int round = 0; round < 4; ++round) {
        queue.open();
        std::vector<std::thread> drawers;
        for (int d = 0; d < kDrawers; ++d)
            drawers.emplace_back([&] {
                for (int k = queue.take(); k >= 0; k = queue.take()) {
                    draw(k);
                    queue.done(k);
                }
            });
        for (int pass = 0; pass < 5; ++pass) {
            const int count = 1 + int(gen() % 60);
            reaches.assign(size_t(count), Reach{});
            for (auto& s : seen)
                s.clear();
            queue.begin(kColumns, kRows, size_t(count));
            for (int k = 0; k < count; ++k) {
                Reach r;
                r.x0 = int(gen() % kColumns);
                r.y0 = int(gen() % kRows);
                r.x1 = r.x0 + 1 + int(gen() % unsigned(kColumns - r.x0));
                r.y1 = r.y0 + 1 + int(gen() % unsigned(kRows - r.y0));
                reaches[size_t(k)] = r;
                queue.add(k, r.x0, r.y0, r.x1, r.y1);
            }
            queue.finish();
            ASSERT_TRUE(queue.drain(draw));
            std::lock_guard lock(mutex);
            for (int b = 0; b < kColumns * kRows; ++b) {
                std::vector<int> expected;
                for (int k = 0; k < count; ++k) {
                    const Reach& r = reaches[size_t(k)];
                    if (b % kColumns >= r.x0 && b % kColumns < r.x1 && b / kColumns >= r.y0 && b / kColumns < r.y1)
                        expected.push_back(k);
                }
                ASSERT_EQ(seen[size_t(b)], expected) << round << " " << pass << " " << b;
            }
        }
        queue.close();
        for (std::thread& t : drawers)
            t.join();
    }
}
