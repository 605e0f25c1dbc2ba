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

#include <climits>

namespace {

using namespace pqtest;
using cubetest::cubeText;
using cubetest::Entry;

QByteArray invertCube()
{
    return cubeText(2, [](int i, int j, int k) { return Entry{1.0 - i, 1.0 - j, 1.0 - k}; });
}

QByteArray constantCube(double r, double g, double b, const QByteArray& header = {})
{
    return cubeText(2, [=](int, int, int) { return Entry{r, g, b}; }, header);
}

bool writeFile(const QString& path, const QByteArray& bytes)
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

    gfx::Surface run(const gfx::Image& src, int P1 = 100, int P2 = 50, int P3 = 50, int P4 = 50, int P5 = 50,
                     bool preview = false)
    {
        gfx::Surface dest = gfx::Surface::make(src.size());
        auto ctx = pq::EffectRunContext::begin(preview);
        platform::ScopedRunContext scope(ctx.get());
        pq::ProcessEffectOnSurface(src, dest, 404, P1, P2, P3, P4, P5, preview);
        return dest;
    }

    void chooseData(const QByteArray& bytes, const QString& name = QStringLiteral("Test"))
    {
        host->LUT.OnLUTApplied(name, bytes, {});
    }
};

} // namespace

TEST_F(LUTEffectTest, IdentityTablesLeaveThePictureUnchanged)
{
    // Opaque noise with a transparent corner.
    const gfx::Image src = testimg::makeImage(41, 29, [noise = testimg::makeNoise(41, 29, 3)](int x, int y) {
        return x < 5 && y < 5 ? 0x00000000u : noise.pixel(x, y);
    });
    for (int n : {2, 17, 33}) {
        chooseData(cubetest::identityCube(n));
        EXPECT_TRUE(testimg::imagesNear(src, run(src).snapshot())) << n;
        EXPECT_TRUE(testimg::imagesNear(src, run(src, 100, 0, 0, 0, 0, true).snapshot())) << n;
    }
}

TEST_F(LUTEffectTest, WithoutAUsableTableTheSourceIsCopied)
{
    const gfx::Image src = testimg::makeNoise(20, 10, 8, false);
    EXPECT_TRUE(testimg::imagesNear(src, run(src).snapshot())); // nothing chosen
    host->LUT.OnLUTApplied("gone", {}, "/nonexistent/table.cube");
    EXPECT_TRUE(testimg::imagesNear(src, run(src).snapshot()));
    for (const QByteArray& bad : {QByteArray("LUT_1D_SIZE 2\n0 0 0\n1 1 1\n"), QByteArray("LUT_3D_SIZE 257\n"),
                                  QByteArray("LUT_3D_SIZE 2\n0 0 0\n"), QByteArray("\x01\xFF\x80garbage", 11)}) {
        chooseData(bad);
        EXPECT_TRUE(testimg::imagesNear(src, run(src, 100, 20, 80, 60, 10).snapshot()));
    }
}

TEST_F(LUTEffectTest, FullRunShowsItsResultAndFinishesTheBar)
{
    const gfx::Image src = testimg::makeSolid(8, 8, testimg::premul(10, 20, 30));
    chooseData(invertCube());
    const gfx::Surface out = run(src);
    EXPECT_EQ(out.row(3)[3], testimg::premul(245, 235, 225));
    EXPECT_TRUE(testimg::imagesNear(out.snapshot(), host->Image)); // shown as the current result
    EXPECT_EQ(host->LastProgress, 101);
}

TEST_F(LUTEffectTest, CacheFollowsTheContentNotTheName)
{
    const gfx::Image src = testimg::makeSolid(4, 4, testimg::premul(128, 128, 128));
    // Two different tables under one name, then the same bytes renamed.
    chooseData(constantCube(1, 0, 0), "Look");
    EXPECT_EQ(run(src).row(0)[0], 0xFFFF0000u);
    chooseData(constantCube(0, 0, 1), "Look");
    EXPECT_EQ(run(src).row(0)[0], 0xFF0000FFu);
    chooseData(constantCube(0, 0, 1), "Other");
    EXPECT_EQ(run(src).row(0)[0], 0xFF0000FFu);

    // A file rewritten under the same path is read again.
    QTemporaryDir dir;
    const QString path = dir.filePath("look.cube");
    ASSERT_TRUE(writeFile(path, constantCube(0, 1, 0)));
    host->LUT.OnLUTApplied("look", {}, path);
    EXPECT_EQ(run(src).row(0)[0], 0xFF00FF00u);
    ASSERT_TRUE(writeFile(path, constantCube(1, 1, 0, "# changed\n")));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime);
    f.close();
    EXPECT_EQ(run(src).row(0)[0], 0xFFFFFF00u);

    // Bytes win over a path; a rejected table does not evict the cached one.
    host->LUT.lutData = constantCube(1, 1, 1);
    EXPECT_EQ(run(src).row(0)[0], 0xFFFFFFFFu);
    chooseData("LUT_3D_SIZE 2\n");
    EXPECT_EQ(run(src).row(0)[0], src.pixel(0, 0));
    EXPECT_NE(pq::FindCachedLUT(pq::LUTCacheKey::forData(constantCube(1, 1, 1))), nullptr);
}

TEST_F(LUTEffectTest, IntensityAndFinishingChain)
{
    const gfx::Image src = testimg::makeSolid(120, 120, testimg::premul(0, 100, 255));
    chooseData(invertCube());
    EXPECT_EQ(run(src, 0).row(60)[60], src.pixel(0, 0));
    EXPECT_EQ(run(src, 50).row(60)[60], testimg::premul(128, 128, 128)); // 127.5 twice, halves to even
    EXPECT_EQ(run(src, 500).row(60)[60], run(src, 100).row(60)[60]);

    // All four at 0 skip the chain like all four at 50; 0, 0, 0, 1 gives a
    // flat 25 % grey whose borders fade (decal blur).
    EXPECT_EQ(run(src, 100, 0, 0, 0, 0).row(0)[0], testimg::premul(255, 155, 0));
    const gfx::Surface grey = run(src, 100, 0, 0, 0, 1);
    EXPECT_EQ(grey.row(60)[60], testimg::premul(64, 64, 64));
    EXPECT_LT(testimg::channel(grey.row(0)[0], 3), 128);
    EXPECT_TRUE(testimg::isValidPremultiplied(grey.snapshot()));
}

TEST_F(LUTEffectTest, ScriptExtremesGiveSoundPictures)
{
    const gfx::Image src = testimg::makeNoise(48, 32, 12, false);
    chooseData(invertCube());
    for (int v : {-100000, 100000, INT_MIN, INT_MAX}) {
        const gfx::Surface out = run(src, v, v, v, v, v);
        EXPECT_TRUE(testimg::isValidPremultiplied(out.snapshot())) << v;
    }
}

TEST_F(LUTEffectTest, ASupersededPreviewIsNeverDrawnWithMissingRows)
{
    const gfx::Image src = testimg::makeNoise(64, 64, 4);
    chooseData(invertCube());
    gfx::Surface dest = gfx::Surface::make(src.size());
    auto ctx = pq::EffectRunContext::begin(true);
    host->Shared->previewGeneration++; // a newer preview before the rows
    platform::ScopedRunContext scope(ctx.get());
    host->PreviewBitmapUpdates = 0;
    EXPECT_THROW(pq::ProcessEffectOnSurface(src, dest, 404, 100, 50, 50, 50, 50, true), pq::EAbort);
    EXPECT_EQ(dest.row(40)[40], 0u);
    EXPECT_EQ(host->PreviewBitmapUpdates, 0);
}
