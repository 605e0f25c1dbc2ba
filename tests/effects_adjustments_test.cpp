#include "engine_test_support.h"
#include "image_compare.h"

#include "effects/photolab/adjustments/structure_pass.h"
#include "effects/photolab/finishing_chain.h"
#include "engine/runtime/effect_run.h"
#include "platform/numeric.h"
#include "platform/run_context.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <vector>

namespace {

using namespace pqtest;

// The structure pass written out plainly: window sums by brute force,
// every step as the recipe says.
gfx::Image ReferenceStructure(const gfx::Image& src, int p4)
{
    const int w = src.width(), h = src.height();
    const int r = p4 / 10 + 5;
    const float amount = float(std::min(p4 / 100.0, 1.0));
    const float gain = float(p4 / 50.0 + 1.0);
    std::vector<int> luma(size_t(w * h)), rowMeans(size_t(w * h)), boxMeans(size_t(w * h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const gfx::Pixel p = src.pixel(x, y);
            luma[size_t(y * w + x)] = (77 * testimg::Channel(p, 2) + 150 * testimg::Channel(p, 1) +
                                    29 * testimg::Channel(p, 0)) >> 8;
        }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int sum = 0;
            for (int d = -r; d <= r; ++d)
                sum += luma[size_t(y * w + std::clamp(x + d, 0, w - 1))];
            rowMeans[size_t(y * w + x)] = sum / (2 * r + 1);
        }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int sum = 0;
            for (int d = -r; d <= r; ++d)
                sum += rowMeans[size_t(std::clamp(y + d, 0, h - 1) * w + x)];
            boxMeans[size_t(y * w + x)] = sum / (2 * r + 1);
        }
    return testimg::MakeImage(w, h, [&](int x, int y) {
        const int l8 = luma[size_t(y * w + x)], m8 = boxMeans[size_t(y * w + x)];
        const float l = float(l8 / 255.0);
        float d = float((l8 - m8) / 255.0);
        d = d > 0 ? float(d * double(gain) * 0.5) : float(d * double(gain));
        float t = float(d + 0.5);
        t = t < 0 ? 0 : (t > 1 ? 1 : t);
        const float o = l < 0.5f ? float(2.0 * l * t) : float(1.0 - 2.0 * (1.0 - l) * (1.0 - t));
        const int target = platform::Round(o * 255.0);
        const int adjusted = l8 + platform::Round((target - l8) * double(amount));
        const float q = l8 >= 1 ? float(double(adjusted) / l8) : 1.0f;
        const gfx::Pixel p = src.pixel(x, y);
        const int a = testimg::Channel(p, 3);
        auto ch = [&](int c) { return std::clamp(platform::Round(testimg::Channel(p, c) * double(q)), 0, a); };
        return gfx::Pixel(a) << 24 | gfx::Pixel(ch(2)) << 16 | gfx::Pixel(ch(1)) << 8 | gfx::Pixel(ch(0));
    });
}

class AdjustmentsTest : public EngineTest {
protected:
    gfx::Surface run(const gfx::Image& src, int p1, int p2, int p3, int p4, int p5, bool preview = false)
    {
        gfx::Surface dest = gfx::Surface::make(src.size());
        auto ctx = pq::EffectRunContext::begin(preview);
        platform::ScopedRunContext scope(ctx.get());
        pq::ProcessEffectOnSurface(src, dest, 401, p1, p2, p3, p4, p5, preview);
        return dest;
    }
};

class RecordingHost : public FakeHost {
public:
    std::vector<int> values;
    void updateProgressBar(int v) override
    {
        values.push_back(v);
        FakeHost::updateProgressBar(v);
    }
};

} // namespace

TEST_F(AdjustmentsTest, NeutralSlidersReturnTheSource)
{
    const gfx::Image src = testimg::MakeNoise(50, 30, 1);
    EXPECT_TRUE(testimg::ImagesNear(src, run(src, 50, 50, 50, 0, 50).snapshot()));
    EXPECT_TRUE(testimg::ImagesNear(src, run(src, 50, 50, 50, -7, 50, true).snapshot()));
}

TEST_F(AdjustmentsTest, StructurePassMatchesTheRecipe)
{
    struct Case {
        int w, h, p4;
        bool opaque;
    };
    // Radii 6, 15 and 20: windows wider than the picture included.
    const Case cases[] = {{53, 41, 15, true}, {30, 12, 100, false}, {7, 40, 150, true}, {1, 9, 15, false}};
    uint32_t seed = 20;
    for (const Case& c : cases) {
        const gfx::Image src = testimg::MakeNoise(c.w, c.h, ++seed, c.opaque);
        const gfx::Image out = pq::StructurePass(src, pq::StructureSettings::fromSlider(c.p4), [](int) {});
        EXPECT_TRUE(testimg::ImagesNear(ReferenceStructure(src, c.p4), out)) << c.w << "x" << c.h << " " << c.p4;
        EXPECT_TRUE(testimg::IsValidPremultiplied(out));
    }
    const pq::StructureSettings s = pq::StructureSettings::fromSlider(15);
    EXPECT_EQ(s.radius, 6);
    EXPECT_FLOAT_EQ(s.amount, 0.15f);
    EXPECT_FLOAT_EQ(s.gain, 1.3f);
}

TEST_F(AdjustmentsTest, ColourMatrixOfTheDefaults)
{
    // Ob 0.01, Fc 1.04, Fs 1.1: contrast about mid-grey, brightness, then
    // saturation with the weights 0.213, 0.715, 0.072.
    const auto m = pq::AdjustmentColorMatrix(0.01f, 1.04f, 1.1f);
    const double k = -0.1;
    EXPECT_NEAR(m[0], (0.213 * k + 1.1) * 1.04, 1e-6);
    EXPECT_NEAR(m[1], 0.715 * k * 1.04, 1e-6);
    EXPECT_NEAR(m[2], 0.072 * k * 1.04, 1e-6);
    EXPECT_NEAR(m[4], (0.213 * k + 1.1 + 0.715 * k + 0.072 * k) * (-0.02 + 0.01), 1e-6);
    EXPECT_NEAR(m[12], (0.072 * k + 1.1) * 1.04, 1e-6);
    EXPECT_EQ(m[18], 1.0f);
    EXPECT_EQ(m[15] + m[16] + m[17] + m[19], 0.0f);
    // Below the thresholds nothing changes.
    const auto id = pq::AdjustmentColorMatrix(0.0005f, 1.0005f, 0.9995f);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(id[size_t(i)], (i % 6 == 0) ? 1.0f : 0.0f) << i;
}

TEST_F(AdjustmentsTest, BlurClampsEdgesAndSharpenKeepsFlatAreas)
{
    const gfx::Image flat = testimg::MakeSolid(40, 40, testimg::Premul(90, 140, 200));
    for (int p5 : {0, 100}) {
        const gfx::Surface out = run(flat, 50, 50, 50, 0, p5);
        EXPECT_TRUE(testimg::ImagesNear(flat, out.snapshot(), 1)) << p5; // edges do not fade
    }
    const gfx::Image checker = testimg::MakeCheckerboard(40, 40, 1, 0xFF000000u, 0xFFFFFFFFu);
    const gfx::Pixel blurred = run(checker, 50, 50, 50, 0, 0).row(20)[20];
    EXPECT_NEAR(testimg::Channel(blurred, 1), 128, 3);
}

TEST_F(AdjustmentsTest, FullRunReportsItsStages)
{
    auto recorder = std::make_unique<RecordingHost>();
    pq::SetEngineHost(recorder.get());
    std::atomic<uint32_t> now{0};
    platform::SetTickSource([&] { return now += 1000; });
    run(testimg::MakeNoise(300, 500, 3), 52, 52, 55, 15, 52);
    const std::vector<int> withStructure = recorder->values;
    recorder->values.clear();
    run(testimg::MakeNoise(30, 50, 3), 52, 52, 55, 0, 52);
    const std::vector<int> plain = recorder->values;
    pq::SetEngineHost(host.get());

    ASSERT_GE(withStructure.size(), 8u);
    EXPECT_EQ(std::vector<int>(withStructure.begin(), withStructure.begin() + 5),
              (std::vector<int>{5, 15, 30, 40, 40}));
    EXPECT_TRUE(std::is_sorted(withStructure.begin(), withStructure.end()));
    EXPECT_EQ(std::vector<int>(withStructure.end() - 3, withStructure.end()), (std::vector<int>{90, 92, 101}));
    EXPECT_GT(withStructure.size(), 8u); // reports inside the pixel loop
    EXPECT_EQ(plain, (std::vector<int>{92, 101}));
}

TEST_F(AdjustmentsTest, ScriptExtremesGiveSoundPicturesQuickly)
{
    const gfx::Image src = testimg::MakeNoise(64, 48, 9, false);
    for (int v : {-100000, 100000, INT_MIN, INT_MAX}) {
        const gfx::Surface out = run(src, v, v, v, v, v);
        EXPECT_TRUE(testimg::IsValidPremultiplied(out.snapshot())) << v;
    }
}
