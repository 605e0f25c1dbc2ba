#include "cube_test_tables.h"
#include "engine_test_support.h"
#include "image_compare.h"

#include "engine/runtime/effect_abort.h"
#include "engine/runtime/effect_run.h"
#include "engine/lut/lut_cache.h"
#include "platform/run_context.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include <array>
#include <climits>

namespace {

using namespace pqtest;
using cubetest::CubeText;
using cubetest::Entry;

QByteArray InvertCube()
{
    return CubeText(2, [](int i, int j, int k) { return Entry{1.0 - i, 1.0 - j, 1.0 - k}; });
}

QByteArray ConstantCube(double r, double g, double b, const QByteArray& header = {})
{
    return CubeText(2, [=](int, int, int) { return Entry{r, g, b}; }, header);
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

class LUTEffectTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        pq::ClearLUTCache();
    }

    gfx::Surface run(const gfx::Image& src, int p1 = 100, int p2 = 50, int p3 = 50, int p4 = 50, int p5 = 50,
                     bool preview = false)
    {
        gfx::Surface dest = gfx::Surface::make(src.size());
        auto ctx = pq::EffectRunContext::begin(preview);
        platform::ScopedRunContext scope(ctx.get());
        pq::ProcessEffectOnSurface(src, dest, 404, p1, p2, p3, p4, p5, preview);
        return dest;
    }

    void chooseData(const QByteArray& bytes, const QString& name = QStringLiteral("Test"))
    {
        host->lut.onLUTApplied(name, bytes, {});
    }
};

} // namespace

TEST_F(LUTEffectTest, IdentityTablesLeaveThePictureUnchanged)
{
    // Opaque noise with a transparent corner.
    const gfx::Image src = testimg::MakeImage(41, 29, [noise = testimg::MakeNoise(41, 29, 3)](int x, int y) {
        return x < 5 && y < 5 ? 0x00000000u : noise.pixel(x, y);
    });
    for (int n : {2, 17, 33}) {
        chooseData(cubetest::IdentityCube(n));
        EXPECT_TRUE(testimg::ImagesNear(src, run(src).snapshot())) << n;
        EXPECT_TRUE(testimg::ImagesNear(src, run(src, 100, 0, 0, 0, 0, true).snapshot())) << n;
    }
}

TEST_F(LUTEffectTest, WithoutAUsableTableTheSourceIsCopied)
{
    const gfx::Image src = testimg::MakeNoise(20, 10, 8, false);
    EXPECT_TRUE(testimg::ImagesNear(src, run(src).snapshot())); // nothing chosen
    host->lut.onLUTApplied("gone", {}, "/nonexistent/table.cube");
    EXPECT_TRUE(testimg::ImagesNear(src, run(src).snapshot()));
    for (const QByteArray& bad : {QByteArray("LUT_1D_SIZE 2\n0 0 0\n1 1 1\n"), QByteArray("LUT_3D_SIZE 256\n"),
                                  QByteArray("LUT_3D_SIZE 0\n"), QByteArray("LUT_3D_SIZE 2\n0 0 0\n"),
                                  QByteArray("\x01\xFF\x80garbage", 11)}) {
        chooseData(bad);
        EXPECT_TRUE(testimg::ImagesNear(src, run(src, 100, 20, 80, 60, 10).snapshot()));
    }
}

TEST_F(LUTEffectTest, ASizeNoTableCanBeMadeForEndsTheRun)
{
    const gfx::Image src = testimg::MakeNoise(20, 10, 8, false);
    for (const QByteArray& bad : {QByteArray("LUT_3D_SIZE 257\n"), QByteArray("LUT_3D_SIZE -1\n")}) {
        chooseData(bad);
        EXPECT_THROW(run(src), std::runtime_error) << bad.constData();
    }
}

TEST_F(LUTEffectTest, FullRunShowsItsResultAndFinishesTheBar)
{
    const gfx::Image src = testimg::MakeSolid(8, 8, testimg::Premul(10, 20, 30));
    chooseData(InvertCube());
    const gfx::Surface out = run(src);
    EXPECT_EQ(out.row(3)[3], testimg::Premul(245, 235, 225));
    EXPECT_TRUE(testimg::ImagesNear(out.snapshot(), host->result)); // shown as the current result
    EXPECT_EQ(host->lastProgress, 101);
}

TEST_F(LUTEffectTest, TheShownPictureIsTheResultByteForByte)
{
    // Rows mapped and copied for the window in one pass, and the finishing
    // chain's picture shown as it is written: both must match Dest exactly.
    const gfx::Image src = testimg::MakeNoise(77, 45, 21, false);
    chooseData(CubeText(5, [](int i, int j, int k) { return Entry{0.2 + 0.15 * k, 1.0 - 0.2 * i, 0.1 * j + 0.05}; }));
    for (const std::array<int, 5>& p : {std::array<int, 5>{100, 50, 50, 50, 50}, {70, 0, 0, 0, 0},
                                        {100, 40, 70, 20, 60}, {55, 60, 30, 90, 80}}) {
        host->result = {};
        const gfx::Surface out = run(src, p[0], p[1], p[2], p[3], p[4]);
        EXPECT_TRUE(testimg::ImagesNear(out.snapshot(), host->result)) << p[0] << " " << p[1];
    }
}

TEST_F(LUTEffectTest, CacheFollowsTheContentNotTheName)
{
    const gfx::Image src = testimg::MakeSolid(4, 4, testimg::Premul(128, 128, 128));
    // Two different tables under one name, then the same bytes renamed.
    chooseData(ConstantCube(1, 0, 0), "Look");
    EXPECT_EQ(run(src).row(0)[0], 0xFFFF0000u);
    chooseData(ConstantCube(0, 0, 1), "Look");
    EXPECT_EQ(run(src).row(0)[0], 0xFF0000FFu);
    chooseData(ConstantCube(0, 0, 1), "Other");
    EXPECT_EQ(run(src).row(0)[0], 0xFF0000FFu);

    // A file rewritten under the same path is read again.
    QTemporaryDir dir;
    const QString path = dir.filePath("look.cube");
    ASSERT_TRUE(WriteFile(path, ConstantCube(0, 1, 0)));
    host->lut.onLUTApplied("look", {}, path);
    EXPECT_EQ(run(src).row(0)[0], 0xFF00FF00u);
    ASSERT_TRUE(WriteFile(path, ConstantCube(1, 1, 0, "# changed\n")));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime);
    f.close();
    EXPECT_EQ(run(src).row(0)[0], 0xFFFFFF00u);

    // Bytes win over a path; a rejected table does not evict the cached one.
    host->lut.data = ConstantCube(1, 1, 1);
    EXPECT_EQ(run(src).row(0)[0], 0xFFFFFFFFu);
    chooseData("LUT_3D_SIZE 2\n");
    EXPECT_EQ(run(src).row(0)[0], src.pixel(0, 0));
    EXPECT_NE(pq::FindCachedLUT(pq::LUTCacheKey::forData(ConstantCube(1, 1, 1))), nullptr);
}

TEST_F(LUTEffectTest, IntensityAndFinishingChain)
{
    const gfx::Image src = testimg::MakeSolid(120, 120, testimg::Premul(0, 100, 255));
    chooseData(InvertCube());
    EXPECT_EQ(run(src, 0).row(60)[60], src.pixel(0, 0));
    EXPECT_EQ(run(src, 50).row(60)[60], testimg::Premul(128, 128, 128)); // 127.5 twice, halves to even
    EXPECT_EQ(run(src, 500).row(60)[60], run(src, 100).row(60)[60]);

    // All four at 0 skip the chain like all four at 50; 0, 0, 0, 1 gives a
    // flat 25 % grey whose borders fade (decal blur).
    EXPECT_EQ(run(src, 100, 0, 0, 0, 0).row(0)[0], testimg::Premul(255, 155, 0));
    const gfx::Surface grey = run(src, 100, 0, 0, 0, 1);
    EXPECT_EQ(grey.row(60)[60], testimg::Premul(64, 64, 64));
    EXPECT_LT(testimg::Channel(grey.row(0)[0], 3), 128);
    EXPECT_TRUE(testimg::IsValidPremultiplied(grey.snapshot()));
}

TEST_F(LUTEffectTest, ScriptExtremesGiveSoundPictures)
{
    const gfx::Image src = testimg::MakeNoise(48, 32, 12, false);
    chooseData(InvertCube());
    for (int v : {-100000, 100000, INT_MIN, INT_MAX}) {
        const gfx::Surface out = run(src, v, v, v, v, v);
        EXPECT_TRUE(testimg::IsValidPremultiplied(out.snapshot())) << v;
    }
}

TEST_F(LUTEffectTest, ASupersededPreviewIsNeverDrawnWithMissingRows)
{
    const gfx::Image src = testimg::MakeNoise(64, 64, 4);
    chooseData(InvertCube());
    gfx::Surface dest = gfx::Surface::make(src.size());
    auto ctx = pq::EffectRunContext::begin(true);
    host->shared->previewGeneration++; // a newer preview before the rows
    platform::ScopedRunContext scope(ctx.get());
    host->previewBitmapUpdates = 0;
    EXPECT_THROW(pq::ProcessEffectOnSurface(src, dest, 404, 100, 50, 50, 50, 50, true), pq::EAbort);
    EXPECT_EQ(dest.row(40)[40], 0u);
    EXPECT_EQ(host->previewBitmapUpdates, 0);
}
