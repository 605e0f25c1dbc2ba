// Every built effect's exact output on two small pictures, full run and
// preview, as checksums: a change that moves one pixel of one effect shows
// here. Changes meant to alter a picture update the table (run the test
// with PQ_PRINT_PIXEL_SUMS=1 to print the new rows).
#include "catalogue/effect_catalogue.h"
#include "engine/repository/image_repository.h"
#include "engine_test_support.h"
#include "image_compare.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace {

using namespace pqtest;

uint64_t Checksum(const gfx::Image& image)
{
    uint64_t h = 1469598103934665603ull;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            gfx::Pixel p = image.pixel(x, y);
            for (int b = 0; b < 4; ++b, p >>= 8)
                h = (h ^ (p & 0xFF)) * 1099511628211ull;
        }
    return h;
}

// A photo-like picture, and the same with a transparent hole and a
// half-transparent band.
gfx::Image Picture(bool transparent, int w = 72, int h = 54)
{
    return testimg::MakeImage(w, h, [&](int x, int y) {
        const int r = (x * 255 / (w - 1) + 40 * ((x / 9 + y / 7) % 3)) % 256;
        const int g = (y * 255 / (h - 1) + (x * y) % 37) % 256;
        const int b = ((x + y) * 3 + 60 * ((x * 7 + y * 3) % 5 == 0)) % 256;
        int a = 255;
        if (transparent)
            a = (x - w / 2) * (x - w / 2) + (y - h / 2) * (y - h / 2) < 100 ? 0 : y > h - 10 ? 128 : 255;
        return testimg::Premul(r, g, b, a);
    });
}

// Oil pastel leaves pictures under 100 pixels alone: it gets a larger one.
QSize PictureSize(int number)
{
    return number == 302 ? QSize(120, 104) : QSize(72, 54);
}

const std::map<std::string, uint64_t> kExpected = {
    {"100 opaque full", 0x0eeb7972612b4f03ull},
    {"100 opaque preview", 0x0eeb7972612b4f03ull},
    {"100 alpha full", 0x521bbe23447f983bull},
    {"100 alpha preview", 0x521bbe23447f983bull},
    {"101 opaque full", 0xe75a9453986f89f2ull},
    {"101 opaque preview", 0x22af1ba954cdf440ull},
    {"101 alpha full", 0x04da118f94988783ull},
    {"101 alpha preview", 0x95c327a69f05636eull},
    {"102 opaque full", 0xa9ed1233327234fbull},
    {"102 opaque preview", 0xa9ed1233327234fbull},
    {"102 alpha full", 0x4d517ad609637a1aull},
    {"102 alpha preview", 0x4d517ad609637a1aull},
    {"103 opaque full", 0xc145150adb4bc8abull},
    {"103 opaque preview", 0xc145150adb4bc8abull},
    {"103 alpha full", 0x112a186cab1bf3c4ull},
    {"103 alpha preview", 0x112a186cab1bf3c4ull},
    {"200 opaque full", 0x666f9be31acf2f0eull},
    {"200 opaque preview", 0x666f9be31acf2f0eull},
    {"200 alpha full", 0xb41f254d823c41bfull},
    {"200 alpha preview", 0xb41f254d823c41bfull},
    {"201 opaque full", 0x68fcf74a328a2bbeull},
    {"201 opaque preview", 0x68fcf74a328a2bbeull},
    {"201 alpha full", 0xae57815ad16ccb02ull},
    {"201 alpha preview", 0xae57815ad16ccb02ull},
    {"202 opaque full", 0x4401744e693c5ca3ull},
    {"202 opaque preview", 0x4401744e693c5ca3ull},
    {"202 alpha full", 0xc7f5bbd830ffe13dull},
    {"202 alpha preview", 0xc7f5bbd830ffe13dull},
    {"203 opaque full", 0xe773ce681bb57351ull},
    {"203 opaque preview", 0xe773ce681bb57351ull},
    {"203 alpha full", 0x16c1937e9292d46cull},
    {"203 alpha preview", 0x16c1937e9292d46cull},
    {"300 opaque full", 0x8714d2facaebe85bull},
    {"300 opaque preview", 0x1c2a6afb479e4c23ull},
    {"300 alpha full", 0xbe8963c5851b0431ull},
    {"300 alpha preview", 0x8561f9c4ed426d2aull},
    {"301 opaque full", 0xea77b04a14c46500ull},
    {"301 opaque preview", 0xf063cdc4dac06f1eull},
    {"301 alpha full", 0x752214c5789c9809ull},
    {"301 alpha preview", 0xff1a2c7b7480f1c9ull},
    {"302 opaque full", 0x1c6836365e0a864eull},
    {"302 opaque preview", 0xd6593f699b4872b6ull},
    {"302 alpha full", 0xa21f99a61030e43dull},
    {"302 alpha preview", 0xa21f99a61030e43dull},
    {"303 opaque full", 0xd640a63419759d74ull},
    {"303 opaque preview", 0x3234c784b44f90caull},
    {"303 alpha full", 0xdde4ee3b8cb62dfdull},
    {"303 alpha preview", 0xdde4ee3b8cb62dfdull},
    {"304 opaque full", 0xe90103d51376edc3ull},
    {"304 opaque preview", 0xe01f5fb4b434c182ull},
    {"304 alpha full", 0xbebf2f88ebe4c8b3ull},
    {"304 alpha preview", 0xbebf2f88ebe4c8b3ull},
    {"305 opaque full", 0x0ee888d22da80dfeull},
    {"305 opaque preview", 0x0ee888d22da80dfeull},
    {"305 alpha full", 0x6f00596e6351a1d3ull},
    {"305 alpha preview", 0x6f00596e6351a1d3ull},
    {"306 opaque full", 0x46b5a1fb0cfc72d5ull},
    {"306 opaque preview", 0x46b5a1fb0cfc72d5ull},
    {"306 alpha full", 0x145a1329b51240b8ull},
    {"306 alpha preview", 0x145a1329b51240b8ull},
    {"307 opaque full", 0xafce207611ea1d63ull},
    {"307 opaque preview", 0xafce207611ea1d63ull},
    {"307 alpha full", 0x3b8a399ffe8cccfcull},
    {"307 alpha preview", 0x3b8a399ffe8cccfcull},
    {"308 opaque full", 0xa55df43e9bb4f209ull},
    {"308 opaque preview", 0xa55df43e9bb4f209ull},
    {"308 alpha full", 0xe12cc527e4d23c1dull},
    {"308 alpha preview", 0xe12cc527e4d23c1dull},
    {"400 opaque full", 0x6f3c28a638f43a8aull},
    {"400 opaque preview", 0x6f3c28a638f43a8aull},
    {"400 alpha full", 0x1ddb82a07848f15eull},
    {"400 alpha preview", 0x1ddb82a07848f15eull},
    {"401 opaque full", 0x3bcd2d10034eaac5ull},
    {"401 opaque preview", 0x3bcd2d10034eaac5ull},
    {"401 alpha full", 0x03bb40dcb8491d41ull},
    {"401 alpha preview", 0x03bb40dcb8491d41ull},
    {"402 opaque full", 0xccb75e73880b9a04ull},
    {"402 opaque preview", 0xccb75e73880b9a04ull},
    {"402 alpha full", 0xdf4e3ac3a8594c9aull},
    {"402 alpha preview", 0xdf4e3ac3a8594c9aull},
    {"403 opaque full", 0x71b0abce2d862bbeull},
    {"403 opaque preview", 0x71b0abce2d862bbeull},
    {"403 alpha full", 0x3a4c53de760e0d17ull},
    {"403 alpha preview", 0x3a4c53de760e0d17ull},
    {"404 opaque full", 0x23a95b784ee4117bull},
    {"404 opaque preview", 0x23a95b784ee4117bull},
    {"404 alpha full", 0x7569bceb7016dcd5ull},
    {"404 alpha preview", 0x7569bceb7016dcd5ull},
    {"500 opaque full", 0x766894638de07212ull},
    {"500 opaque preview", 0xc5c3b2ee8f194821ull},
    {"500 alpha full", 0xd8aeb8e19b2c6c96ull},
    {"500 alpha preview", 0xbd7b6efc96bd440aull},
    {"501 opaque full", 0xaed1cff5237aff5cull},
    {"501 opaque preview", 0xab173dcf7e72745full},
    {"501 alpha full", 0xf7b968daffc5ba17ull},
    {"501 alpha preview", 0xb53440581c6bb0a1ull},
    {"502 opaque full", 0x2d8ba515dcd299daull},
    {"502 opaque preview", 0x2b85a2c23cdb765cull},
    {"502 alpha full", 0x5389f1a3959eac9eull},
    {"502 alpha preview", 0x40c6db908d7cd87cull},
    {"503 opaque full", 0xe2ee7ac4f5abdb75ull},
    {"503 opaque preview", 0xe7daca3df78a893aull},
    {"503 alpha full", 0xc68cc0683c9b4947ull},
    {"503 alpha preview", 0xe1449786f062d6c6ull},
};

// One test per effect, so that they run side by side.
class EffectPixels : public EngineTest, public ::testing::WithParamInterface<int> {};

std::vector<int> BuiltEffectNumbers()
{
    std::vector<int> numbers;
    for (const pq::EffectDefinition& effect : pq::EffectCatalogue())
        if (effect.routine)
            numbers.push_back(effect.number);
    return numbers;
}

TEST_P(EffectPixels, EveryBuiltEffectKeepsItsPicture)
{
    pq::Repository().create();
    host->lut.initEmbeddedLUTs();
    const bool print = std::getenv("PQ_PRINT_PIXEL_SUMS") != nullptr;
    const int number = GetParam();
    for (bool transparent : {false, true})
        for (bool preview : {false, true}) {
            const QSize size = PictureSize(number);
            const gfx::Image source = Picture(transparent, size.width(), size.height());
            gfx::Surface dest = gfx::Surface::make(source.size());
            auto run = pq::EffectRunContext::begin(preview);
            run->seed(7);
            platform::ScopedRunContext scope(run.get());
            const std::array<int, 5>& v = pq::FindEffect(number)->sliderDefaults;
            pq::ProcessEffectOnSurface(source, dest, number, v[0], v[1], v[2], v[3], v[4], preview);
            const std::string key =
                std::to_string(number) + (transparent ? " alpha" : " opaque") + (preview ? " preview" : " full");
            const uint64_t sum = Checksum(dest.snapshot());
            if (print) {
                std::printf("    {\"%s\", 0x%016llxull},\n", key.c_str(), static_cast<unsigned long long>(sum));
                continue;
            }
            const auto expected = kExpected.find(key);
            ASSERT_NE(expected, kExpected.end()) << key << " has no row";
            EXPECT_EQ(sum, expected->second) << key;
        }
}

INSTANTIATE_TEST_SUITE_P(Effects, EffectPixels, ::testing::ValuesIn(BuiltEffectNumbers()),
                         [](const ::testing::TestParamInfo<int>& info) { return std::to_string(info.param); });

// Sliders away from their defaults, where a rounding or a bound decides:
// Watercolor 2's brightness times 2.55 (50 gives 127.5, 100 gives 255 less
// a binary hair) and Oil pastel's brushes of 27 to 31 pixels, which meet
// its 30-pixel step.
struct SliderRow {
    int number;
    std::array<int, 5> sliders;
    uint64_t expected;
};
const SliderRow kSliderRows[] = {
    {301, {90, 20, 50, 20, 55}, 0x3e2ba1f54cd3b0c1ull},
    {301, {90, 20, 100, 20, 55}, 0xb6a38433eb56a428ull},
    {302, {6, 7, 30, 30, 100}, 0xae9f4137aca08839ull},
};

class EffectSliderPixels : public EngineTest, public ::testing::WithParamInterface<SliderRow> {};

void PrintTo(const SliderRow& row, std::ostream* os)
{
    *os << row.number << " at " << row.sliders[0] << " " << row.sliders[1] << " " << row.sliders[2] << " "
        << row.sliders[3] << " " << row.sliders[4];
}

TEST_P(EffectSliderPixels, SlidersAtTheirRoundingsAndBoundsKeepTheirPictures)
{
    pq::Repository().create();
    const bool print = std::getenv("PQ_PRINT_PIXEL_SUMS") != nullptr;
    const SliderRow& row = GetParam();
    const QSize size = PictureSize(row.number);
    const gfx::Image source = Picture(false, size.width(), size.height());
    gfx::Surface dest = gfx::Surface::make(source.size());
    auto run = pq::EffectRunContext::begin(false);
    run->seed(7);
    platform::ScopedRunContext scope(run.get());
    const std::array<int, 5>& v = row.sliders;
    pq::ProcessEffectOnSurface(source, dest, row.number, v[0], v[1], v[2], v[3], v[4], false);
    const uint64_t sum = Checksum(dest.snapshot());
    if (print)
        std::printf("    {%d, {%d, %d, %d, %d, %d}, 0x%016llxull},\n", row.number, v[0], v[1], v[2], v[3], v[4],
                    static_cast<unsigned long long>(sum));
    else
        EXPECT_EQ(sum, row.expected) << ::testing::PrintToString(row);
}

INSTANTIATE_TEST_SUITE_P(Rows, EffectSliderPixels, ::testing::ValuesIn(kSliderRows));

} // namespace
