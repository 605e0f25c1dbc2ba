// The crosshatch, felt-tip pen, comic print and outline mask against their
// step-by-step transcriptions in pen_ink_reference.cpp, on small pictures.

#include "engine_test_support.h"
#include "image_compare.h"
#include "pen_ink_reference.h"

#include "effects/shared/outline_mask.h"
#include "platform/numeric.h"
#include "platform/random.h"

#include <array>
#include <cmath>
#include <string>
#include <vector>

using namespace pqtest;
using testimg::ImagesNear;
using testimg::IsValidPremultiplied;

namespace {

using Sliders = std::array<int, 5>;

std::string Describe(const char* picture, const Sliders& p)
{
    return std::string(picture) + " P " + std::to_string(p[0]) + " " + std::to_string(p[1]) + " " +
           std::to_string(p[2]) + " " + std::to_string(p[3]) + " " + std::to_string(p[4]);
}

// Soft colour Blobs Over a hard vertical edge, with pixel Noise; optionally a
// transparent corner and scattered half-transparent pixels.
gfx::Image PhotoLike(int w, int h, uint32_t seed, bool withAlpha = false)
{
    platform::Random rng(seed);
    return testimg::MakeImage(w, h, [&](int x, int y) {
        const double blob = 0.5 + 0.4 * std::sin(x * 0.21 + seed) * std::cos(y * 0.17);
        const int base = int(blob * 255) + (x > w / 2 ? 45 : -45);
        auto ch = [&](int tint) { return platform::ClampByte(base + tint + rng.random(30) - 15); };
        int a = 255;
        if (withAlpha && (x * 7 + y * 3) % 13 == 0)
            a = 1 + rng.random(254);
        if (withAlpha && x < w / 4 && y < h / 3)
            a = 0;
        return testimg::Premul(ch(40), ch(-20), ch(-50), a);
    });
}

// A dark disc on a pale ground, with a softer ring: curved edges of two strengths.
gfx::Image Disc(int w, int h)
{
    return testimg::MakeImage(w, h, [&](int x, int y) {
        const double d = std::hypot(x - w * 0.45, y - h * 0.55);
        if (d < std::min(w, h) * 0.25)
            return testimg::Premul(30, 40, 90);
        if (d < std::min(w, h) * 0.38)
            return testimg::Premul(150, 120, 60);
        return testimg::Premul(235, 230, 215);
    });
}

// Dark specks of one to five pixels on white: contour chains of many short
// lengths.
gfx::Image Specks(int w, int h)
{
    return testimg::MakeImage(w, h, [&](int x, int y) {
        const int cx = x % 10, cy = y % 8, size = (x / 10 + y / 8) % 5 + 1;
        return cx >= 3 && cx < 3 + size && cy >= 3 && cy < 3 + (size + 1) / 2 ? testimg::Premul(0, 0, 0)
                                                                              : testimg::Premul(255, 255, 255);
    });
}

// Black above a diagonal, white below.
gfx::Image Diagonal(int w, int h)
{
    return testimg::MakeImage(w, h, [&](int x, int y) {
        return x + y < (w + h) / 2 ? testimg::Premul(0, 0, 0) : testimg::Premul(255, 255, 255);
    });
}

bool AnyInk(const gfx::Image& img)
{
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (testimg::Channel(img.pixel(x, y), 0) < 255)
                return true;
    return false;
}

class PenInkReferenceTest : public EngineTest {
protected:
    // Runs an effect synchronously in a run of its own whose generator starts
    // from `seed`.
    gfx::Image run(int number, const gfx::Image& src, const Sliders& p, bool preview = false, uint32_t seed = 1)
    {
        gfx::Surface dest = gfx::Surface::make(src.size());
        auto ctx = pq::EffectRunContext::begin(preview);
        ctx->rng.setSeed(seed);
        platform::ScopedRunContext scope(ctx.get());
        pq::ProcessEffectOnSurface(src, dest, number, p[0], p[1], p[2], p[3], p[4], preview);
        return dest.snapshot();
    }
};

} // namespace

// ---- Outline mask ----------------------------------------------------------

TEST(PenInkReference, OutlineMaskMatchesTheStepByStepAlgorithm)
{
    struct Case {
        const char* name;
        gfx::Image src;
        int strength, thickness;
        bool inked = true;
    };
    auto step = [](int w, int h, int at) {
        return testimg::MakeImage(w, h, [at](int x, int) {
            return x < at ? testimg::Premul(0, 0, 0) : testimg::Premul(255, 255, 255);
        });
    };
    const Case cases[] = {
        {"step", step(40, 30, 17), 50, 0},
        {"step", step(40, 30, 17), 100, 100},
        // The edge of a picture three pixels wide is one chain as long as
        // the inner Rows: 4 is the shortest kept, 3 is removed.
        {"3 x 6 step", step(3, 6, 1), 100, 0},
        {"3 x 5 step", step(3, 5, 1), 100, 0, false},
        {"diagonal step", Diagonal(40, 30), 0, 30}, // only a diagonal edge beats the highest threshold
        {"disc", Disc(48, 40), 50, 50},
        {"disc", Disc(48, 40), 35, 17},
        {"disc", Disc(48, 40), 100, 16},
        {"photo", PhotoLike(50, 38, 3), 70, 80},
        {"photo with alpha", PhotoLike(44, 36, 4, true), 85, 50},
        {"noise", testimg::MakeNoise(30, 26, 4), 100, 0},
        {"noise with alpha", testimg::MakeNoise(30, 26, 6, false), 60, 30},
        {"checkerboard", testimg::MakeCheckerboard(36, 36, 12, 0xFF000000u, 0xFFFFFFFFu), 30, 66},
        {"specks", Specks(40, 32), 100, 0},
        {"specks", Specks(40, 32), 80, 40},
        {"larger Noise", testimg::MakeNoise(64, 64, 7), 100, 60},
    };
    for (const Case& c : cases) {
        const int w = c.src.width(), h = c.src.height();
        std::vector<uint8_t> mask;
        pq::ComputeOutlineMask(c.src, w, h, c.strength, c.thickness, mask);
        const std::vector<uint8_t> expected = peninkref::OutlineMask(c.src, c.strength, c.thickness);
        ASSERT_EQ(mask.size(), expected.size()) << c.name;
        int differing = 0, inked = 0;
        std::string first;
        for (size_t i = 0; i < mask.size(); ++i) {
            inked += expected[i] > 0;
            if (mask[i] != expected[i] && differing++ < 6)
                first += " (" + std::to_string(i % size_t(w)) + "," + std::to_string(i / size_t(w)) +
                         ") " + std::to_string(mask[i]) + " expected " + std::to_string(expected[i]) + ";";
        }
        EXPECT_EQ(differing, 0) << c.name << " strength " << c.strength << " thickness " << c.thickness << ":"
                                << first;
        EXPECT_EQ(inked > 0, c.inked) << c.name << (c.inked ? ": the case should draw contours" : ": no contours");
    }
}

// ---- Crosshatch ------------------------------------------------------------

TEST_F(PenInkReferenceTest, CrosshatchMatchesTheStepByStepAlgorithm)
{
    struct Case {
        const char* name;
        gfx::Image src;
        Sliders p;
        bool preview;
    };
    const Case cases[] = {
        {"ramp", testimg::MakeRamp(48, 36), {75, 50, 35, 25, 20}, false},
        {"ramp", testimg::MakeRamp(48, 36), {75, 50, 35, 25, 20}, true},
        {"disc", Disc(45, 45), {90, 70, 50, 10, 100}, false},
        {"photo with alpha", PhotoLike(50, 40, 7, true), {0, 0, 0, 0, 0}, false},
        {"photo with alpha", PhotoLike(50, 40, 8, true), {100, 100, 100, 100, 100}, true},
        {"noise", testimg::MakeNoise(32, 24, 9), {60, 30, 80, 60, 50}, false},
        {"checkerboard", testimg::MakeCheckerboard(40, 40, 8, 0xFF000000u, 0xFFFFFFFFu), {40, 0, 65, 100, 0},
         false},
        {"dark Grey", testimg::MakeSolid(30, 20, testimg::Premul(40, 40, 40)), {85, 20, 35, 40, 60}, false},
    };
    for (const Case& c : cases) {
        const gfx::Image out = run(103, c.src, c.p, c.preview);
        const auto& p = c.p;
        EXPECT_TRUE(ImagesNear(peninkref::Crosshatch(c.src, p[0], p[1], p[2], p[3], p[4]), out))
            << Describe(c.name, p) << (c.preview ? " preview" : "");
    }
}

// ---- Felt-tip pen ----------------------------------------------------------

TEST_F(PenInkReferenceTest, FeltTipPenMatchesTheStepByStepAlgorithm)
{
    platform::SetTickSource([] { return 0u; }); // no intermediate pictures
    struct Case {
        const char* name;
        gfx::Image src;
        Sliders p;
        bool preview, erase;
    };
    const Case cases[] = {
        {"photo", PhotoLike(48, 36, 11), {65, 70, 30, 5, 40}, false, true},
        {"photo", PhotoLike(48, 36, 11), {65, 70, 30, 5, 40}, true, true},
        {"disc", Disc(44, 44), {80, 90, 45, 30, 100}, false, true},
        {"ramp", testimg::MakeRamp(40, 30), {100, 100, 100, 100, 100}, false, true},
        {"ramp", testimg::MakeRamp(40, 30), {0, 0, 0, 0, 0}, false, true},
        {"noise", testimg::MakeNoise(30, 24, 12), {50, 50, 60, 40, 80}, true, true},
        {"checkerboard", testimg::MakeCheckerboard(40, 32, 5, 0xFF202020u, 0xFFE0E0E0u), {70, 60, 20, 12, 60},
         false, true},
        {"photo with alpha", PhotoLike(46, 34, 13, true), {65, 70, 30, 5, 40}, false, true},
        {"photo with alpha", PhotoLike(46, 34, 14, true), {75, 80, 25, 20, 70}, true, true},
        {"noise with alpha", testimg::MakeNoise(30, 24, 15, false), {90, 100, 10, 8, 3}, false, true},
        {"odd-sized checkerboard", testimg::MakeCheckerboard(43, 35, 4, 0xFF101010u, 0xFFF0F0F0u),
         {60, 70, 30, 5, 90}, false, true},
        {"photo Over the last result", PhotoLike(48, 36, 16, true), {65, 70, 30, 5, 40}, false, false},
    };
    uint32_t seed = 40;
    const gfx::Image previous = testimg::MakeNoise(48, 36, 99, false);
    for (const Case& c : cases) {
        ++seed;
        host->eraseOn = c.erase;
        host->result = c.src.size() == previous.size() ? previous : gfx::Image();
        const gfx::Image out = run(202, c.src, c.p, c.preview, seed);
        const auto& p = c.p;
        const gfx::Image expected =
            peninkref::FeltTipPen(c.src, p[0], p[1], p[2], p[3], p[4], c.preview, c.erase, host->result, seed);
        EXPECT_TRUE(ImagesNear(expected, out)) << Describe(c.name, p) << (c.preview ? " preview" : "")
                                               << (c.erase ? "" : " Over the last result");
        EXPECT_TRUE(IsValidPremultiplied(out)) << c.name;
    }
}

// ---- Comic print -----------------------------------------------------------

TEST_F(PenInkReferenceTest, ComicPrintMatchesTheStepByStepAlgorithm)
{
    platform::SetTickSource([] { return 0u; });
    struct Case {
        const char* name;
        gfx::Image src;
        Sliders p;
        bool preview;
    };
    const Case cases[] = {
        {"photo", PhotoLike(48, 40, 21), {10, 0, 100, 50, 60}, false},
        {"photo", PhotoLike(48, 40, 21), {10, 0, 100, 50, 60}, true},
        {"disc, contours only", Disc(48, 40), {10, 0, 0, 50, 60}, false},
        {"disc", Disc(48, 40), {100, 100, 100, 100, 100}, false},
        {"diagonal, small contour dots only", Diagonal(40, 36), {20, 0, 0, 50, 25}, false},
        {"photo, contours only", PhotoLike(96, 72, 25), {10, 0, 0, 50, 70}, false},
        {"ramp", testimg::MakeRamp(40, 32), {0, 0, 0, 0, 0}, false},
        {"ramp", testimg::MakeRamp(40, 32), {30, 20, 80, 100, 20}, false},
        {"noise", testimg::MakeNoise(32, 28, 22), {13, 60, 40, 4, 40}, true},
        {"photo with alpha", PhotoLike(44, 36, 23, true), {25, 0, 100, 75, 30}, false},
        {"noise with alpha", testimg::MakeNoise(32, 28, 24, false), {12, 10, 90, 60, 90}, false},
        {"checkerboard", testimg::MakeCheckerboard(40, 40, 10, 0xFF000000u, 0xFFFFFFFFu), {40, 0, 100, 50, 100},
         false},
    };
    for (const Case& c : cases) {
        const gfx::Image out = run(203, c.src, c.p, c.preview);
        const auto& p = c.p;
        EXPECT_TRUE(ImagesNear(peninkref::ComicPrint(c.src, p[0], p[1], p[2], p[3], p[4]), out))
            << Describe(c.name, p) << (c.preview ? " preview" : "");
        if (p[2] == 0 && p[4] > 0) {
            EXPECT_TRUE(AnyInk(out)) << Describe(c.name, p) << ": no dots, but contours";
        }
    }
}
