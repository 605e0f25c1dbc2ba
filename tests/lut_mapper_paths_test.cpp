#include "cube_test_tables.h"

#include "engine/lut/cube_lut.h"
#include "engine/lut/lut_mapper.h"
#include "platform/random.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

// The eight-pixel AVX2 rows and the baseline rows must give the same bytes
// for every colour, table and alpha.

namespace {

using cubetest::CubeText;
using cubetest::Entry;
using pq::LUTMapper;

// Every opaque colour once, as one row.
std::vector<gfx::Pixel> EveryOpaqueColour()
{
    std::vector<gfx::Pixel> row(size_t(1) << 24);
    for (size_t i = 0; i < row.size(); ++i)
        row[i] = 0xFF000000u | gfx::Pixel(i);
    return row;
}

// Index of the first pixel the two paths map differently, or -1.
long long FirstDifference(const pq::CubeLUT& lut, float intensity, const std::vector<gfx::Pixel>& src)
{
    std::vector<gfx::Pixel> fast(src.size()), base(src.size());
    LUTMapper(lut, intensity, LUTMapper::Path::Fastest).mapRow(src.data(), fast.data(), int(src.size()));
    LUTMapper(lut, intensity, LUTMapper::Path::Baseline).mapRow(src.data(), base.data(), int(src.size()));
    for (size_t i = 0; i < src.size(); ++i)
        if (fast[i] != base[i])
            return (long long)i;
    return -1;
}

pq::CubeLUT RandomCube(int n, uint32_t seed, const QByteArray& header = {}, double lo = 0.0, double hi = 1.0)
{
    platform::Random random(seed);
    return pq::ParseCubeLUTFromBytes(CubeText(
        n,
        [&](int, int, int) {
            auto v = [&] { return lo + (hi - lo) * random.randomReal(); };
            return Entry{v(), v(), v()};
        },
        header));
}

} // namespace

namespace {

struct TableCase {
    const char* name;
    pq::CubeLUT (*lut)();
    float intensity;
};

const TableCase kTables[] = {
    {"identity33", [] { return pq::ParseCubeLUTFromBytes(cubetest::IdentityCube(33)); }, 1.0f},
    {"corners", [] { return pq::ParseCubeLUTFromBytes(cubetest::CornerCube()); }, 1.0f},
    {"random17mixed", [] { return RandomCube(17, 3); }, 0.37f},
    // Entries far outside 0..1 clamp; domains narrow, shifted and empty.
    {"random9OutOfRangeDomain",
     [] { return RandomCube(9, 8, "DOMAIN_MIN 0.1 0.5 0.3\nDOMAIN_MAX 0.8 0.5 2\n", -3.0, 4.0); }, 1.0f},
    {"random5HugeValues", [] { return RandomCube(5, 11, {}, -1e30, 1e30); }, 0.5f},
    {"edge1", [] { return pq::ParseCubeLUTFromBytes("LUT_3D_SIZE 1\n0.2 0.7 1.4\n"); }, 0.8f},
};

void PrintTo(const TableCase& c, std::ostream* os)
{
    *os << c.name;
}

// Each table its own test: a sweep of every colour is long, and they run
// side by side.
class LUTMapperPathsByTable : public ::testing::TestWithParam<TableCase> {};

} // namespace

TEST_P(LUTMapperPathsByTable, EveryOpaqueColourAlike)
{
    if (!LUTMapper(pq::ParseCubeLUTFromBytes(cubetest::IdentityCube(2)), 1.0f).usesAvx2())
        GTEST_SKIP() << "no AVX2 here: only the baseline runs";
    const TableCase& c = GetParam();
    const pq::CubeLUT lut = c.lut();
    ASSERT_TRUE(lut.valid()) << c.name;
    EXPECT_EQ(FirstDifference(lut, c.intensity, EveryOpaqueColour()), -1) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Tables, LUTMapperPathsByTable, ::testing::ValuesIn(kTables),
                         [](const ::testing::TestParamInfo<TableCase>& info) { return std::string(info.param.name); });

TEST(LUTMapperPaths, GroupsWithTransparencyAndRowEndsAlike)
{
    // Runs of opaque pixels broken by transparent and semi-transparent ones
    // at every offset, in rows whose length is no multiple of eight.
    platform::Random random(5);
    std::vector<gfx::Pixel> src(8 * 1000 + 5);
    for (gfx::Pixel& p : src) {
        const uint32_t pick = random.next() % 16;
        const uint32_t a = pick == 0 ? 0 : (pick == 1 ? 1 + random.next() % 254 : 255);
        auto channel = [&] { return a == 0 ? random.next() % 256 : random.next() % (a + 1); };
        p = a << 24 | channel() << 16 | channel() << 8 | channel();
    }
    const pq::CubeLUT lut = RandomCube(33, 21);
    ASSERT_TRUE(lut.valid());
    for (int width : {int(src.size()), 7, 13})
        EXPECT_EQ(FirstDifference(lut, 0.9f, std::vector<gfx::Pixel>(src.begin(), src.begin() + width)), -1)
            << width;
}
