// The repository's on-demand start-up: nothing is decoded until a run
// reads it, each picture once however many threads ask, and an effect that
// uses no built-in material decodes none.
#include "catalogue/effect_catalogue.h"
#include "engine/repository/image_repository.h"
#include "engine_test_support.h"
#include "image_compare.h"

#include <thread>
#include <vector>

namespace {

using pq::ImageRepository;

class OnDemandMaterials : public pqtest::EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        pq::Repository().createOnDemand();
    }
    // Tests after these in the same process find the repository as
    // start-up leaves it.
    static void TearDownTestSuite() { pq::Repository().create(); }

    // Decodes that running the effect at its defaults costs.
    int decodesOf(int number)
    {
        const pq::EffectDefinition* effect = pq::FindEffect(number);
        EXPECT_NE(effect, nullptr);
        const gfx::Image source = testimg::MakeNoise(120, 104, 5);
        gfx::Surface dest = gfx::Surface::make(source.size());
        auto run = pq::EffectRunContext::begin(true);
        run->seed(3);
        platform::ScopedRunContext scope(run.get());
        const int before = ImageRepository::decodedCount();
        const std::array<int, 5>& v = effect->sliderDefaults;
        pq::ProcessEffectOnSurface(source, dest, number, v[0], v[1], v[2], v[3], v[4], true);
        return ImageRepository::decodedCount() - before;
    }
};

TEST_F(OnDemandMaterials, EffectsDecodeOnlyWhatTheyUseAndOnlyOnce)
{
    EXPECT_EQ(decodesOf(401), 0) << "Adjustments uses no material";
    EXPECT_EQ(decodesOf(500), 0) << "Mosaic uses no material";
    EXPECT_EQ(decodesOf(100), 1) << "Pencil Sketch 1: the pencil texture";
    EXPECT_EQ(decodesOf(100), 0) << "decoded once";
    EXPECT_EQ(decodesOf(403), 0) << "Retro film draws its own grain";
    EXPECT_EQ(decodesOf(402), 1) << "Vintage / Sepia: the film texture";
    EXPECT_FALSE(pq::Repository().sharedImage(&ImageRepository::oldFilmTexture).isNull());
}

TEST_F(OnDemandMaterials, ManyThreadsAskingDecodeAPictureOnce)
{
    const int before = ImageRepository::decodedCount();
    std::vector<std::thread> threads;
    std::vector<QSize> sizes(6);
    for (size_t i = 0; i < sizes.size(); ++i)
        threads.emplace_back(
            [&, i] { sizes[i] = pq::Repository().sharedImage(&ImageRepository::vcLwatercolortexture).size(); });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(ImageRepository::decodedCount() - before, 1);
    for (const QSize& size : sizes) {
        EXPECT_FALSE(size.isEmpty());
        EXPECT_EQ(size, sizes[0]);
    }
}

TEST_F(OnDemandMaterials, ListsComeWholeOnTheirFirstUse)
{
    ImageRepository& repository = pq::Repository();
    EXPECT_TRUE(repository.frameList[0].image.isNull());
    const int before = ImageRepository::decodedCount();
    repository.ensureLists();
    const int lists = int(repository.frameList.size() + repository.textureList.size());
    EXPECT_EQ(ImageRepository::decodedCount() - before, lists);
    for (const pq::NamedImage& item : repository.frameList)
        EXPECT_FALSE(item.image.isNull()) << item.name.toStdString();
    for (const pq::NamedImage& item : repository.textureList)
        EXPECT_FALSE(item.image.isNull()) << item.name.toStdString();
    repository.ensureLists();
    EXPECT_EQ(ImageRepository::decodedCount() - before, lists) << "once";
}

TEST_F(OnDemandMaterials, AFullStartUpLeavesNothingToDecode)
{
    pq::Repository().create();
    const int before = ImageRepository::decodedCount();
    EXPECT_FALSE(pq::Repository().sharedImage(&ImageRepository::pencilTexture).isNull());
    pq::Repository().ensureLists();
    EXPECT_EQ(ImageRepository::decodedCount(), before);
}

} // namespace
