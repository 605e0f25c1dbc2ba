#include "effect_test_support.h"

#include "effects/ink/stippling.h"
#include "effects/ink/black_and_white_ink.h"
#include "platform/numeric.h"
#include "platform/random.h"

#include <algorithm>
#include <cmath>
#include <vector>

using namespace pqtest;

namespace {

gfx::Image GreyImage(int w, int h, int level)
{
    return SolidImage(w, h, QColor(level, level, level));
}

// Seeded noise with soft blobs and some (semi-)transparent pixels.
gfx::Image NoisyImage(int w, int h, uint32_t seed, bool withAlpha)
{
    platform::Random rng(seed);
    gfx::Surface s = gfx::Surface::make(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double blob = 0.5 + 0.45 * std::sin(x * 0.21) * std::cos(y * 0.17);
            auto ch = [&] { return platform::ClampByte(int(blob * 255) + rng.random(90) - 45); };
            int a = 255;
            if (withAlpha) {
                const int r = rng.random(10);
                a = r == 0 ? 0 : (r == 1 ? 5 + rng.random(250) : 255);
            }
            const int r = ch() * a / 255, g = ch() * a / 255, b = ch() * a / 255;
            s.row(y)[x] = gfx::Pixel(a) << 24 | gfx::Pixel(r) << 16 | gfx::Pixel(g) << 8 | gfx::Pixel(b);
        }
    return s.snapshot();
}

// ---- Straight transcriptions of the two algorithms, window by window ----

int Clampi(int v, int lo, int hi)
{
    return std::max(lo, std::min(hi, v));
}

std::vector<gfx::Pixel> ReferenceInk(const gfx::Image& src, int p1, int p2, int p3, int p4, bool preview)
{
    const int w = src.width(), h = src.height();
    const int64_t detail = platform::Round(p1 * 2.55), level = platform::Round(p2 * 2.55), simplify = platform::Round(p3 * 2.55);
    const int64_t offset = 192 - detail, lineLimit = 5 * (level - 15), blackVotes = 160 * simplify, whiteVotes = 160 * (255 - simplify);
    auto px = [&](int x, int y) { return src.pixel(Clampi(x, 0, w - 1), Clampi(y, 0, h - 1)); };
    auto grey = [&](gfx::Pixel p) {
        if ((p >> 24) < 10)
            return 255;
        return int((299 * ((p >> 16) & 0xFF) + 587 * ((p >> 8) & 0xFF) + 114 * (p & 0xFF)) / 1000);
    };
    std::vector<int> means(size_t(w) * h), ink(size_t(w) * h), prev;
    auto m = [&](int x, int y) { return means[size_t(Clampi(y, 0, h - 1)) * w + Clampi(x, 0, w - 1)]; };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int sum = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    sum += grey(px(x + dx, y + dy));
            means[size_t(y) * w + x] = sum / 9;
        }
    const int s = std::max(h / 50, 1);
    int64_t total = 0, count = 0;
    for (int i = 0; i <= std::min(h - 1, 49); ++i)
        for (int x = 0; x < w; ++x, ++count)
            total += m(x, std::min(h - 1, i * s));
    const int64_t meanGrey = total / count + 2 * (p4 - 50);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int64_t s81 = 0, s25 = 0;
            for (int dy = -4; dy <= 4; ++dy)
                for (int dx = -4; dx <= 4; ++dx)
                    s81 += m(x + dx, y + dy);
            for (int dy = -2; dy <= 2; ++dy)
                for (int dx = -2; dx <= 2; ++dx)
                    s25 += m(x + dx, y + dy);
            const int64_t c = m(x, y);
            const int64_t t = ((s81 - c) / 20 + meanGrey + offset) / 6;
            int v = c > t ? 255 : 0;
            const int64_t ridge = 31 * c - s25 - 4 * m(x, std::min(y + 2, h - 1));
            if (3 * ridge < lineLimit)
                v = 0;
            ink[size_t(y) * w + x] = v;
        }
    if (p3 > 0) {
        const int rounds = preview ? 3 : 15;
        prev = ink;
        auto p = [&](int x, int y) { return prev[size_t(Clampi(y, 0, h - 1)) * w + Clampi(x, 0, w - 1)]; };
        for (int k = 1; k <= rounds; ++k) {
            int changes = 0;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    int64_t weight = 0;
                    for (int dy = -3; dy <= 3; ++dy)
                        for (int dx = -3; dx <= 3; ++dx)
                            weight += (7 - std::abs(dy) - std::abs(dx)) * p(x + dx, y + dy);
                    const int v = p(x, y);
                    int& out = ink[size_t(y) * w + x];
                    if (v > 128 && weight <= blackVotes) {
                        out = 0;
                        ++changes;
                    } else if (v <= 128 && weight >= whiteVotes) {
                        out = 255;
                        ++changes;
                    }
                }
            if (changes <= 10)
                break;
            prev = ink;
        }
        if (!preview)
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    int n = 0;
                    for (int dy = -1; dy <= 1; ++dy)
                        for (int dx = -1; dx <= 1; ++dx)
                            n += ink[size_t(Clampi(y + dy, 0, h - 1)) * w + Clampi(x + dx, 0, w - 1)] < 128;
                    ink[size_t(y) * w + x] = n >= 5 ? 0 : 255;
                }
    }
    std::vector<gfx::Pixel> out(size_t(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            out[size_t(y) * w + x] =
                (src.pixel(x, y) >> 24) < 10 ? 0u : 0xFF000000u | gfx::Pixel(ink[size_t(y) * w + x]) * 0x010101u;
    return out;
}

std::vector<gfx::Pixel> ReferenceAtkinson(const gfx::Image& src, int p1)
{
    const int w = src.width(), h = src.height();
    std::vector<gfx::Pixel> buf(size_t(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            buf[size_t(y) * w + x] = src.pixel(x, y);
    auto grey = [](gfx::Pixel p) {
        return float((0.299 * ((p >> 16) & 0xFF) + 0.587 * ((p >> 8) & 0xFF) + 0.114 * (p & 0xFF)) / 255.0);
    };
    auto setGrey = [](gfx::Pixel& p, int v) { p = (p & 0xFF000000u) | gfx::Pixel(v) * 0x010101u; };
    const float t = float(p1 / 255.0);
    const int offs[6][2] = {{1, 0}, {2, 0}, {-1, 1}, {0, 1}, {1, 1}, {0, 2}};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            gfx::Pixel& p = buf[size_t(y) * w + x];
            const float g = grey(p);
            const int v = g >= t ? 1 : 0;
            setGrey(p, v * 255);
            const float e = (g - float(v)) / 8.0f;
            for (const auto& o : offs) {
                const int nx = x + o[0], ny = y + o[1];
                if (nx < 0 || nx >= w || ny >= h)
                    continue;
                gfx::Pixel& q = buf[size_t(ny) * w + nx];
                const float g2 = std::clamp(grey(q) + e, 0.0f, 1.0f);
                setGrey(q, platform::Round(double(g2) * 255.0));
            }
        }
    for (auto& p : buf) { // colour never above alpha
        const gfx::Pixel a = p >> 24;
        p = (a << 24) | std::min<gfx::Pixel>(p & 0xFF, a) * 0x010101u;
    }
    return buf;
}

class InkEffectsTest : public EngineTest {
protected:
    // Runs an effect synchronously in a run of its own.
    gfx::Surface run(int number, const gfx::Image& src, int p1, int p2, int p3, int p4, bool preview)
    {
        gfx::Surface dest = gfx::Surface::make(src.size());
        auto ctx = pq::EffectRunContext::begin(preview);
        platform::ScopedRunContext scope(ctx.get());
        pq::ProcessEffectOnSurface(src, dest, number, p1, p2, p3, p4, 0, preview);
        return dest;
    }
};

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

} // namespace

TEST_F(InkEffectsTest, BlackAndWhiteDefaultsBlackenLevelsUpTo93)
{
    for (int v = 0; v < 256; ++v) {
        const gfx::Surface out = run(200, GreyImage(12, 9, v), 50, 50, 0, 0, false);
        const gfx::Pixel want = v <= 93 ? 0xFF000000u : 0xFFFFFFFFu;
        for (int y = 0; y < out.height(); ++y)
            for (int x = 0; x < out.width(); ++x)
                ASSERT_EQ(out.row(y)[x], want) << "level " << v;
    }
}

TEST_F(InkEffectsTest, BlackAndWhiteWithP2ZeroLeavesUniformPicturesWhite)
{
    for (int v : {0, 40, 93, 200})
        EXPECT_EQ(run(200, GreyImage(10, 10, v), 50, 0, 0, 0, false).row(5)[5], 0xFFFFFFFFu) << v;
}

TEST_F(InkEffectsTest, BlackAndWhiteMatchesTheWindowByWindowAlgorithm)
{
    struct Case {
        int w, h, p1, p2, p3, p4;
        bool preview;
    };
    const Case cases[] = {
        {53, 41, 50, 50, 0, 0, false}, {53, 41, 70, 30, 20, 0, false}, {40, 61, 30, 80, 60, 50, false},
        {37, 29, 50, 50, 40, 0, true}, {1, 23, 50, 50, 10, 0, false},  {19, 1, 50, 60, 10, 0, true},
    };
    uint32_t seed = 7;
    for (const Case& c : cases) {
        const gfx::Image src = NoisyImage(c.w, c.h, ++seed, true);
        const gfx::Surface out = run(200, src, c.p1, c.p2, c.p3, c.p4, c.preview);
        EXPECT_EQ(PixelsOf(out), ReferenceInk(src, c.p1, c.p2, c.p3, c.p4, c.preview))
            << c.w << "x" << c.h << " P1..P4 " << c.p1 << " " << c.p2 << " " << c.p3 << " " << c.p4;
        EXPECT_TRUE(ValidPremultiplied(out));
    }
}

// Eight pixels at a time in 16-bit lanes: rows of every length around the
// lane width, and script values far beyond the sliders (thresholds and line
// limits past every reachable sum) must give what the plain sums give.
TEST_F(InkEffectsTest, BlackAndWhiteLanesMatchThePlainSumsAtEveryWidthAndValue)
{
    struct Case {
        int w, h, p1, p2, p4;
    };
    const Case cases[] = {
        {7, 12, 50, 50, 0},       {8, 12, 50, 50, 0},       {9, 12, 50, 50, 0},      {17, 10, 50, 50, 0},
        {31, 9, -300, 50, 0},     {33, 9, 400, 50, 0},      {23, 11, 50, -250, 0},   {25, 11, 50, 500, 0},
        {40, 8, 50, 50, -900},    {41, 8, 50, 50, 1200},    {39, 13, 90, 10, 75},    {16, 16, 10, 95, 20},
    };
    uint32_t seed = 40;
    for (const Case& c : cases) {
        ++seed;
        const gfx::Image src = NoisyImage(c.w, c.h, seed, seed % 2 == 0);
        const gfx::Surface out = run(200, src, c.p1, c.p2, 0, c.p4, false);
        EXPECT_EQ(PixelsOf(out), ReferenceInk(src, c.p1, c.p2, 0, c.p4, false))
            << c.w << "x" << c.h << " P1 " << c.p1 << " P2 " << c.p2 << " P4 " << c.p4;
    }
}

TEST_F(InkEffectsTest, BlackAndWhiteFullRunReportsItsStagesInOrder)
{
    auto recorder = std::make_unique<RecordingHost>();
    pq::SetEngineHost(recorder.get());
    std::atomic<uint32_t> now{0};
    platform::SetTickSource([&] { return now += 1000; }); // every report passes
    run(200, NoisyImage(40, 80, 11, false), 50, 50, 80, 0, false);
    pq::SetEngineHost(host.get());

    const std::vector<int>& v = recorder->values;
    ASSERT_GE(v.size(), 42u);
    EXPECT_EQ(v.front(), 0);
    EXPECT_EQ(v[v.size() - 2], 100);
    EXPECT_EQ(v.back(), 101);
    EXPECT_TRUE(std::is_sorted(v.begin(), v.end()));
    EXPECT_NE(std::find(v.begin(), v.end(), 30), v.end());
    EXPECT_TRUE(std::any_of(v.begin(), v.end(), [](int x) { return x > 60 && x <= 100; }));
}

TEST_F(InkEffectsTest, StipplingReportsEveryFiftyRows)
{
    auto recorder = std::make_unique<RecordingHost>();
    pq::SetEngineHost(recorder.get());
    std::atomic<uint32_t> now{0};
    platform::SetTickSource([&] { return now += 1000; });
    run(201, NoisyImage(20, 120, 12, false), 50, 0, 0, 0, false);
    pq::SetEngineHost(host.get());
    // Rows 0, 50 and 100 of 120: Round(y / 119 * 100), then the end.
    EXPECT_EQ(recorder->values, (std::vector<int>{0, 42, 84, 101}));
}

TEST_F(InkEffectsTest, AtkinsonMatchesTheBytewiseAlgorithm)
{
    uint32_t seed = 40;
    for (const QSize size : {QSize(61, 47), QSize(1, 30), QSize(30, 1), QSize(2, 2)})
        for (int p1 : {0, 50, 100, 300}) {
            const gfx::Image src = NoisyImage(size.width(), size.height(), ++seed, true);
            const gfx::Surface out = run(201, src, p1, 0, 0, 0, false);
            EXPECT_EQ(PixelsOf(out), ReferenceAtkinson(src, p1)) << size.width() << "x" << size.height() << " " << p1;
            EXPECT_TRUE(ValidPremultiplied(out));
        }
}

TEST_F(InkEffectsTest, AtkinsonThresholds)
{
    const gfx::Surface white = run(201, NoisyImage(20, 20, 5, false), 0, 0, 0, 0, false);
    const gfx::Surface black = run(201, NoisyImage(20, 20, 5, false), 300, 0, 0, 0, false);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            ASSERT_EQ(white.row(y)[x], 0xFFFFFFFFu);
            ASSERT_EQ(black.row(y)[x], 0xFF000000u);
        }

    // Level 128 at P1 = 50: row 0 stays white, dots start in row 1.
    const gfx::Surface mid = run(201, GreyImage(40, 10, 128), 50, 0, 0, 0, false);
    for (int x = 0; x < 40; ++x)
        EXPECT_EQ(mid.row(0)[x], 0xFFFFFFFFu);
    int blackInRow1 = 0;
    for (int x = 0; x < 40; ++x)
        blackInRow1 += mid.row(1)[x] == 0xFF000000u;
    EXPECT_GT(blackInRow1, 0);
}

TEST_F(InkEffectsTest, BothEffectsStopACancelledFullRunAndLeaveDestAlone)
{
    for (int number : {200, 201}) {
        const gfx::Image src = NoisyImage(60, 240, 9, false);
        gfx::Surface dest = gfx::Surface::make(src.size());
        auto ctx = pq::EffectRunContext::begin(false);
        std::atomic<int> reports{0};
        platform::SetTickSource([&] {
            if (++reports == 3)
                host->shared->cancel.request(); // Esc during the run
            return uint32_t(reports * 1000);
        });
        platform::ScopedRunContext scope(ctx.get());
        EXPECT_THROW(pq::ProcessEffectOnSurface(src, dest, number, 50, 50, 30, 0, 0, false), pq::EAbort);
        EXPECT_EQ(dest.row(100)[30], 0u) << number;
        EXPECT_EQ(host->lastProgress, 101);
        host->lastProgress = -1;
    }
}

TEST_F(InkEffectsTest, BothEffectsStopASupersededPreview)
{
    for (int number : {200, 201}) {
        const gfx::Image src = NoisyImage(60, 240, 9, false);
        gfx::Surface dest = gfx::Surface::make(src.size());
        auto ctx = pq::EffectRunContext::begin(true);
        std::atomic<int> reports{0};
        platform::SetTickSource([&] {
            if (++reports == 2)
                host->shared->previewGeneration++; // a newer preview
            return uint32_t(reports * 1000);
        });
        platform::ScopedRunContext scope(ctx.get());
        EXPECT_THROW(pq::ProcessEffectOnSurface(src, dest, number, 50, 50, 30, 0, 0, true), pq::EAbort);
        EXPECT_EQ(host->lastProgress, -1) << number; // nothing reaches the main bar
    }
}

TEST_F(InkEffectsTest, BothEffectsShowTheirPreviewInThePane)
{
    for (int number : {200, 201}) {
        host->previewBitmapUpdates = 0;
        const gfx::Image src = NoisyImage(30, 30, 2, false);
        run(number, src, 50, 50, 20, 0, true);
        EXPECT_GE(host->previewBitmapUpdates, 1) << number;
        EXPECT_EQ(host->previewLabel, 101);
        EXPECT_EQ(host->previewBitmap.size(), src.size());
    }
}
