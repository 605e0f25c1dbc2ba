#include "engine_test_support.h"
#include "image_compare.h"

#include "effects/stylize/cartoon/cartoon.h"
#include "effects/stylize/cartoon/ink.h"
#include "platform/run_context.h"

#include <climits>
#include <vector>

using namespace pqtest;
using pq::stylize::CartoonSettings;
using pq::stylize::DeriveCartoonSettings;

namespace {

// Records every value the progress bar receives.
class RecordingHost : public FakeHost {
public:
    std::vector<int> values;
    void updateProgressBar(int v) override
    {
        values.push_back(v);
        FakeHost::updateProgressBar(v);
    }
};

// Soft coloured areas split by a dark bar and a bright disc, so the photo
// has clear edges; with a hole, a transparent square in the middle.
gfx::Image Photo(int w, int h, bool withHole = false)
{
    return testimg::MakeImage(w, h, [&](int x, int y) {
        if (withHole && std::abs(x - w / 2) < 6 && std::abs(y - h / 2) < 6)
            return 0u;
        if (std::abs(x - w / 3) < 3)
            return testimg::Premul(20, 20, 30);
        if ((x - 2 * w / 3) * (x - 2 * w / 3) + (y - h / 2) * (y - h / 2) < 100)
            return testimg::Premul(240, 220, 60);
        return testimg::Premul(80 + x, 120, 160 - y / 2);
    });
}

bool Grey(gfx::Pixel p)
{
    return testimg::Channel(p, 0) == testimg::Channel(p, 1) && testimg::Channel(p, 1) == testimg::Channel(p, 2);
}

class CartoonTest : public EngineTest {
protected:
    void SetUp() override
    {
        bridge = std::make_shared<platform::ManualUiBridge>();
        platform::SetUiBridge(bridge);
        auto recording = std::make_unique<RecordingHost>();
        recorder = recording.get();
        host = std::move(recording);
        pq::SetEngineHost(host.get());
    }

    gfx::Surface run(const gfx::Image& src, std::array<int, 5> p, bool preview)
    {
        gfx::Surface dest = gfx::Surface::make(src.size());
        auto ctx = pq::EffectRunContext::begin(preview);
        platform::ScopedRunContext scope(ctx.get());
        pq::Cartoon(src, dest, p[0], p[1], p[2], p[3], p[4], preview);
        return dest;
    }

    RecordingHost* recorder = nullptr;
};

constexpr std::array<int, 5> kDefaults = {30, 55, 85, 40, 20};

} // namespace

TEST(CartoonSettingsTest, DefaultsDeriveTheDocumentedValues)
{
    const CartoonSettings s = DeriveCartoonSettings(800, 600, 30, 55, 85, 40, 20, false);
    EXPECT_EQ(s.smoothRadius, 8);
    EXPECT_EQ(s.smoothIterations, 5); // Round(1.5) is 2
    EXPECT_EQ(s.highThreshold, 182);
    EXPECT_EQ(s.lowThreshold, 54);
    EXPECT_EQ(s.lineRadius, 1);
    EXPECT_EQ(s.maxLineRadius, 2);
    EXPECT_EQ(s.contrastHalf, 6);
    EXPECT_EQ(s.shortestChain, 4);
    const CartoonSettings preview = DeriveCartoonSettings(800, 600, 100, 55, 85, 40, 20, true);
    EXPECT_EQ(preview.smoothRadius, 6);
    EXPECT_EQ(preview.smoothIterations, 2);
}

TEST(CartoonSettingsTest, EdgeDetailEndsAndLineRadius)
{
    const CartoonSettings low = DeriveCartoonSettings(100, 100, 30, 0, 85, 40, 10, false);
    EXPECT_EQ(low.highThreshold, 800);
    EXPECT_EQ(low.lowThreshold, 240);
    EXPECT_FLOAT_EQ(low.contrastRatio, 3.5f);
    EXPECT_EQ(low.lineRadius, 0); // Round(0.5) is 0
    const CartoonSettings high = DeriveCartoonSettings(100, 100, 30, 100, 85, 40, 100, false);
    EXPECT_EQ(high.highThreshold, 20);
    EXPECT_EQ(high.lowThreshold, 6);
    EXPECT_EQ(high.lineRadius, 5);
    EXPECT_EQ(high.maxLineRadius, 7);
}

TEST(CartoonSettingsTest, SmoothingAndThicknessBeyondTheSlidersAreHonoured)
{
    struct Case {
        int p;
        int radius, passes;   // smoothing
        int line, maxLine;    // ink, on a 400 x 300 picture (covering radius 499)
    };
    const Case cases[] = {
        {-10000, -995, -497, -500, -499},
        {-50, 0, 1, -2, -1}, // Round(-2.5) is -2
        {0, 5, 3, 0, 1},
        {100, 15, 8, 5, 7},
        {101, 15, 8, 5, 7},  // Round(10.1) is 10, Round(5.05) is 5
        {150, 20, 11, 8, 12}, // Round(7.5) is 8
        {1930, 198, 99, 96, 144},   // below the pass bound
        {1940, 199, 100, 97, 145},  // at it
        {1960, 201, 100, 98, 147},  // above: held
        {9960, 1001, 100, 498, 499},  // line just inside the covering radius
        {9980, 1003, 100, 499, 499},  // at it
        {10000, 1005, 100, 499, 499}, // above: held
    };
    for (const Case& c : cases) {
        const CartoonSettings s = DeriveCartoonSettings(400, 300, c.p, 55, 85, 40, c.p, false);
        EXPECT_EQ(s.smoothRadius, c.radius) << c.p;
        EXPECT_EQ(s.smoothIterations, c.passes) << c.p;
        EXPECT_EQ(s.lineRadius, c.line) << c.p;
        EXPECT_EQ(s.maxLineRadius, c.maxLine) << c.p;
    }
    EXPECT_FLOAT_EQ(DeriveCartoonSettings(400, 300, 150, 55, 85, 40, 20, false).rangeSigma, 160.0f);
    EXPECT_FLOAT_EQ(DeriveCartoonSettings(400, 300, 150, 55, 85, 40, 20, false).preBlurSigma, 3.5f);
    EXPECT_EQ(pq::stylize::CoveringLineRadius(400, 300), 499); // hypot(399, 299) = 498.6
    EXPECT_EQ(pq::stylize::CoveringLineRadius(2, 2), 2);
}

TEST(CartoonSettingsTest, TheExtremesStayInRange)
{
    // Unbounded, P1 = 2^31 - 1 would ask for 107374185 smoothing passes and
    // P5 for lines of radius 10^8, stamped over 10^17 cells per edge pixel.
    const CartoonSettings high = DeriveCartoonSettings(40, 30, INT_MAX, 55, 85, 40, INT_MAX, false);
    EXPECT_EQ(high.smoothIterations, pq::stylize::kMaxCartoonSmoothPasses);
    EXPECT_EQ(high.lineRadius, pq::stylize::CoveringLineRadius(40, 30));
    EXPECT_LE(high.maxLineRadius, pq::stylize::CoveringLineRadius(40, 30));
    const CartoonSettings low = DeriveCartoonSettings(40, 30, INT_MIN, 55, 85, 40, INT_MIN, false);
    EXPECT_LE(low.smoothIterations, 0);
    EXPECT_LT(low.lineRadius, 0);
}

TEST_F(CartoonTest, ColourZeroGivesBlackInkOnWhite)
{
    const gfx::Image src = Photo(80, 60, true);
    const gfx::Surface out = run(src, {30, 55, 85, 0, 20}, false);
    int dark = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 80; ++x) {
            const gfx::Pixel p = out.row(y)[x];
            if (src.pixel(x, y) >> 24 == 0) {
                ASSERT_EQ(p, 0u) << x << "," << y;
                continue;
            }
            ASSERT_TRUE(Grey(p)) << testimg::Hex(p);
            ASSERT_EQ(p >> 24, 255u);
            dark += testimg::Channel(p, 0) < 128;
        }
    EXPECT_GT(dark, 20);      // lines along the bar and the disc
    EXPECT_EQ(out.row(5)[70], 0xFFFFFFFFu); // white away from them
}

TEST_F(CartoonTest, DarknessZeroDrawsNoInk)
{
    const gfx::Image src = Photo(80, 60);
    const gfx::Surface out = run(src, {30, 55, 0, 0, 20}, false);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 80; ++x)
            ASSERT_EQ(out.row(y)[x], 0xFFFFFFFFu) << x << "," << y;
}

TEST_F(CartoonTest, ColoursAreFlattenedAndLinesDark)
{
    const gfx::Image src = Photo(90, 70, true);
    const gfx::Surface out = run(src, kDefaults, false);
    // Inked along the dark bar, colourful in the calm area, transparent in the hole.
    int darkOnBar = 0;
    for (int y = 10; y < 60; ++y)
        darkOnBar += testimg::Channel(out.row(y)[30], 2) < 60;
    EXPECT_GT(darkOnBar, 30);
    const gfx::Pixel calm = out.row(10)[75];
    EXPECT_GT(testimg::Channel(calm, 2), 100);
    EXPECT_EQ(out.row(35)[45] >> 24, 0u);
}

TEST_F(CartoonTest, FullRunProgressEndsAtOneHundred)
{
    const gfx::Image src = Photo(60, 40);
    run(src, kDefaults, false);
    bridge->pumpUntil([] { return false; }, 50);
    ASSERT_FALSE(recorder->values.empty());
    EXPECT_EQ(recorder->values.back(), 100);
    for (int v : recorder->values)
        EXPECT_LE(v, 100);
}

TEST_F(CartoonTest, EraseOffKeepsTheCloserResultAndAddsTheInk)
{
    const gfx::Image src = Photo(80, 60);
    host->eraseOn = false;
    host->result = src; // the photo itself is as close as anything can be
    const gfx::Surface out = run(src, kDefaults, false);
    int kept = 0, inked = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 80; ++x) {
            kept += out.row(y)[x] == src.pixel(x, y);
            inked += testimg::Channel(out.row(y)[x], 2) + 40 < testimg::Channel(src.pixel(x, y), 2);
        }
    EXPECT_GT(kept, 80 * 60 / 2);
    EXPECT_GT(inked, 10);
    // A result of another size cannot be merged: the base is transparent.
    host->result = testimg::MakeSolid(10, 10, 0xFF00FF00u);
    const gfx::Surface other = run(src, {30, 55, 85, 0, 20}, false);
    EXPECT_EQ(other.row(5)[70], 0u);
    host->eraseOn = true;
}

TEST_F(CartoonTest, ValuesFarOutsideTheSlidersFinishWithValidPixels)
{
    const gfx::Image src = Photo(40, 30, true);
    for (int slot = 0; slot < 5; ++slot)
        for (int v : {-10000, -50, 10000}) {
            std::array<int, 5> p = kDefaults;
            p[size_t(slot)] = v;
            const gfx::Surface out = run(src, p, slot % 2 == 1);
            for (int y = 0; y < 30; ++y)
                for (int x = 0; x < 40; ++x) {
                    const gfx::Pixel q = out.row(y)[x];
                    const int a = int(q >> 24);
                    ASSERT_TRUE(testimg::Channel(q, 0) <= a && testimg::Channel(q, 1) <= a &&
                                testimg::Channel(q, 2) <= a)
                        << "P" << slot + 1 << " = " << v;
                }
        }
}

TEST_F(CartoonTest, SmoothingAndThicknessAbove100ChangeThePicture)
{
    const gfx::Image src = Photo(80, 60);
    const auto same = [](const gfx::Surface& a, const gfx::Surface& b) {
        for (int y = 0; y < a.height(); ++y)
            if (!std::equal(a.row(y), a.row(y) + a.width(), b.row(y)))
                return false;
        return true;
    };
    EXPECT_FALSE(same(run(src, {150, 55, 85, 40, 20}, false), run(src, {100, 55, 85, 40, 20}, false)));
    EXPECT_FALSE(same(run(src, {30, 55, 85, 40, 150}, false), run(src, {30, 55, 85, 40, 100}, false)));
}

TEST_F(CartoonTest, HugeSmoothingAndThicknessFinish)
{
    // Ink only (P4 = 0): black lines on white, so the mask shows directly.
    const gfx::Image src = Photo(40, 30);
    const int covering = pq::stylize::CoveringLineRadius(40, 30);
    const gfx::Surface widest = run(src, {INT_MAX, 55, 85, 0, INT_MAX}, false);
    // A line that reaches every pixel darkens all of them alike.
    const gfx::Pixel first = widest.row(0)[0];
    EXPECT_LT(testimg::Channel(first, 0), 200);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            ASSERT_EQ(widest.row(y)[x], first) << x << "," << y;
    // The held radius draws what the asked one would.
    const gfx::Surface covered = run(src, {30, 55, 85, 0, 20 * covering}, false);
    EXPECT_EQ(covered.row(0)[0], first);
    EXPECT_EQ(covered.row(15)[20], first);

    // The most smoothing: a hundred passes, then the colours as usual.
    const gfx::Surface smoothest = run(src, {INT_MAX, 55, 85, 40, 20}, false);
    EXPECT_EQ(smoothest.row(5)[35] >> 24, 255u);
    EXPECT_GT(testimg::Channel(smoothest.row(5)[35], 2), 60);
}

TEST_F(CartoonTest, TinyOrMissingPicturesAreLeftAlone)
{
    gfx::Surface dest = gfx::Surface::make(1, 5);
    dest.clearPixel(0x11223344u);
    run(testimg::MakeSolid(1, 5, 0xFFFFFFFFu), kDefaults, false);
    pq::Cartoon(testimg::MakeSolid(1, 5, 0xFFFFFFFFu), dest, 30, 55, 85, 40, 20, false);
    EXPECT_EQ(dest.row(2)[0], 0x11223344u);
}
