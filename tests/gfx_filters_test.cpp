#include "gfx/filters.h"

#include "image_compare.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>
#include <vector>

using gfx::EdgeMode;
using gfx::Image;
using gfx::Pixel;
using namespace testimg;

namespace {

// ---- slow references in double precision ----

using Plane = std::vector<std::array<double, 4>>;

Plane ToPlane(const Image& image)
{
    Plane p(size_t(image.width()) * image.height());
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            for (int c = 0; c < 4; ++c)
                p[size_t(y) * image.width() + x][c] = Channel(image.pixel(x, y), c);
    return p;
}

Image FromPlane(const Plane& p, int width, int height)
{
    return MakeImage(width, height, [&](int x, int y) {
        const auto& v = p[size_t(y) * width + x];
        const int a = std::clamp(int(std::nearbyint(v[3])), 0, 255);
        Pixel out = Pixel(a) << 24;
        for (int c = 0; c < 3; ++c)
            out |= Pixel(std::clamp(int(std::nearbyint(v[c])), 0, a)) << (8 * c);
        return out;
    });
}

// One line filtered by a list of (offset, weight) kernels applied in turn.
using Taps = std::vector<std::pair<int, double>>;

std::vector<Taps> BlurKernels(double sigma)
{
    if (sigma < 2.0) {
        const int r = std::max(1, int(std::ceil(3 * sigma)));
        Taps k;
        double sum = 0;
        for (int i = -r; i <= r; ++i)
            sum += std::exp(-i * i / (2 * sigma * sigma));
        for (int i = -r; i <= r; ++i)
            k.push_back({i, std::exp(-i * i / (2 * sigma * sigma)) / sum});
        return {k};
    }
    const int d = int(std::floor(sigma * 3 * std::sqrt(2 * std::numbers::pi) / 4 + 0.5));
    auto box = [](int from, int to) {
        Taps k;
        for (int i = from; i <= to; ++i)
            k.push_back({i, 1.0 / (to - from + 1)});
        return k;
    };
    if (d % 2 == 1)
        return {box(-(d - 1) / 2, (d - 1) / 2), box(-(d - 1) / 2, (d - 1) / 2), box(-(d - 1) / 2, (d - 1) / 2)};
    return {box(-d / 2, d / 2 - 1), box(-d / 2 + 1, d / 2), box(-d / 2, d / 2)};
}

// Filters along x (or y) on an infinitely extended line.
Plane FilterAxis(const Plane& in, int width, int height, bool alongX, const std::vector<Taps>& kernels, EdgeMode edge)
{
    const int n = alongX ? width : height, lines = alongX ? height : width;
    int reach = 0;
    for (const Taps& k : kernels)
        reach += std::max(std::abs(k.front().first), std::abs(k.back().first));
    Plane out = in;
    for (int l = 0; l < lines; ++l) {
        auto at = [&](int i) -> const std::array<double, 4>& {
            return in[alongX ? size_t(l) * width + i : size_t(i) * width + l];
        };
        std::vector<std::array<double, 4>> line(size_t(n + 2 * reach));
        for (int i = -reach; i < n + reach; ++i)
            line[size_t(i + reach)] = (i >= 0 && i < n)            ? at(i)
                                      : edge == EdgeMode::Decal ? std::array<double, 4>{}
                                                                : at(std::clamp(i, 0, n - 1));
        for (const Taps& k : kernels) {
            std::vector<std::array<double, 4>> next(line.size());
            for (int i = 0; i < int(line.size()); ++i)
                for (const auto& [off, w] : k) {
                    const int j = std::clamp(i + off, 0, int(line.size()) - 1);
                    for (int c = 0; c < 4; ++c)
                        next[size_t(i)][c] += w * line[size_t(j)][c];
                }
            line.swap(next);
        }
        for (int i = 0; i < n; ++i)
            out[alongX ? size_t(l) * width + i : size_t(i) * width + l] = line[size_t(i + reach)];
    }
    return out;
}

Image ReferenceBlur(const Image& src, double sx, double sy, EdgeMode edge)
{
    Plane p = ToPlane(src);
    if (sx > 0)
        p = FilterAxis(p, src.width(), src.height(), true, BlurKernels(sx), edge);
    if (sy > 0)
        p = FilterAxis(p, src.width(), src.height(), false, BlurKernels(sy), edge);
    return FromPlane(p, src.width(), src.height());
}

Image ReferenceConvolve(const Image& src, const std::array<float, 9>& k, bool convolveAlpha, EdgeMode edge)
{
    return MakeImage(src.width(), src.height(), [&](int x, int y) {
        double acc[4] = {0, 0, 0, 0};
        for (int j = 0; j < 3; ++j)
            for (int i = 0; i < 3; ++i) {
                int sx = x + i - 1, sy = y + j - 1;
                const bool outside = sx < 0 || sy < 0 || sx >= src.width() || sy >= src.height();
                if (outside && edge == EdgeMode::Decal)
                    continue;
                const Pixel p = src.pixel(std::clamp(sx, 0, src.width() - 1), std::clamp(sy, 0, src.height() - 1));
                const int a = Channel(p, 3);
                for (int c = 0; c < 4; ++c) {
                    const double v = convolveAlpha || c == 3 ? Channel(p, c) : (a ? Channel(p, c) * 255.0 / a : 0);
                    acc[c] += k[size_t(3 * j + i)] * v;
                }
            }
        const int a = convolveAlpha ? std::clamp(int(std::nearbyint(acc[3])), 0, 255) : Channel(src.pixel(x, y), 3);
        Pixel out = Pixel(a) << 24;
        for (int c = 0; c < 3; ++c) {
            const double v = convolveAlpha ? acc[c] : std::clamp(acc[c], 0.0, 255.0) * a / 255.0;
            out |= Pixel(std::clamp(int(std::nearbyint(v)), 0, a)) << (8 * c);
        }
        return out;
    });
}

int64_t ChannelSum(const Image& image, int c)
{
    int64_t sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            sum += Channel(image.pixel(x, y), c);
    return sum;
}

std::array<float, 9> Sharpen(float a)
{
    return {0, -a, 0, -a, 1 + 4 * a, -a, 0, -a, 0};
}

constexpr std::array<float, 20> kIdentityMatrix = {1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0};

} // namespace

// ---- Gaussian blur ----

TEST(GfxBlur, ConstantStaysConstantWithClamp)
{
    for (const Pixel colour : {Premul(250, 128, 3), Premul(40, 90, 200, 77)}) {
        const Image src = MakeSolid(57, 43, colour);
        for (const float sigma : {0.4f, 1.5f, 2.0f, 7.3f, 60.0f})
            EXPECT_TRUE(ImagesNear(src, gfx::GaussianBlur(src, sigma, sigma * 0.7f, EdgeMode::Clamp)))
                << "sigma " << sigma;
    }
}

TEST(GfxBlur, ImpulseKeepsItsWeightAndCentre)
{
    for (const float sigma : {0.8f, 1.9f, 2.2f, 5.0f, 12.0f}) {
        // A white block of b x b pixels, b growing with sigma so that the
        // blurred values stay well above the rounding step.
        const int b = sigma < 6 ? 4 : 12;
        const int weight = b * b * 255;
        const Image src = MakeImage(120, 120, [&](int x, int y) {
            return std::abs(2 * x - 119) < b && std::abs(2 * y - 119) < b ? Premul(255, 255, 255) : 0u;
        });
        ASSERT_EQ(ChannelSum(src, 3), weight);
        const Image out = gfx::GaussianBlur(src, sigma, sigma, EdgeMode::Decal);
        ASSERT_TRUE(IsValidPremultiplied(out));
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(double(ChannelSum(out, c)), weight, weight * 0.01) << "sigma " << sigma;
        // Symmetric about the block's centre, and as wide as the sigma says.
        double var = 0, total = 0;
        for (int y = 0; y < 120; ++y)
            for (int x = 0; x < 120; ++x) {
                const int a = Channel(out.pixel(x, y), 3);
                ASSERT_NEAR(a, Channel(out.pixel(119 - x, y), 3), 1) << x << "," << y << " sigma " << sigma;
                ASSERT_NEAR(a, Channel(out.pixel(x, 119 - y), 3), 1) << x << "," << y << " sigma " << sigma;
                var += a * (x - 59.5) * (x - 59.5);
                total += a;
            }
        // The block itself adds (b^2 - 1) / 12 to the variance; three boxes
        // come out somewhat narrower than the Gaussian they stand for.
        EXPECT_NEAR(var / total - (b * b - 1) / 12.0, double(sigma) * sigma, 0.22 * sigma * sigma + 0.1)
            << "sigma " << sigma;
    }
}

TEST(GfxBlur, MatchesSlowReference)
{
    const Image src = MakeNoise(47, 39, 17, false);
    for (const EdgeMode edge : {EdgeMode::Clamp, EdgeMode::Decal})
        for (const auto& [sx, sy] : {std::pair{1.3f, 0.6f}, std::pair{2.6f, 4.0f}, std::pair{9.0f, 0.0f},
                                    std::pair{0.0f, 25.0f}})
            EXPECT_TRUE(ImagesNear(ReferenceBlur(src, sx, sy, edge), gfx::GaussianBlur(src, sx, sy, edge), 1))
                << sx << "," << sy << " edge " << int(edge);
}

TEST(GfxBlur, DecalFadesTheBorder)
{
    const Image src = MakeSolid(40, 40, Premul(255, 255, 255));
    const Image out = gfx::GaussianBlur(src, 3, 3, EdgeMode::Decal);
    EXPECT_EQ(out.pixel(20, 20), src.pixel(20, 20));
    EXPECT_NEAR(Channel(out.pixel(0, 20), 3), 140, 20); // about half the kernel outside
    EXPECT_NEAR(Channel(out.pixel(0, 0), 3), 80, 20);
    EXPECT_TRUE(IsValidPremultiplied(out));
}

TEST(GfxBlur, ZeroSigmaLeavesAxisAlone)
{
    const Image stripes = MakeImage(33, 21, [](int x, int) { return Premul(x * 7, 255 - x * 7, 9); });
    EXPECT_TRUE(ImagesNear(stripes, gfx::GaussianBlur(stripes, 0, 6, EdgeMode::Clamp)));
    EXPECT_TRUE(ImagesNear(stripes, gfx::GaussianBlur(stripes, -1, -1, EdgeMode::Decal)));
    const Image noise = MakeNoise(20, 20, 2, false);
    EXPECT_TRUE(ImagesNear(noise, gfx::GaussianBlur(noise, 0, 0)));
}

TEST(GfxBlur, InPlaceMatchesImageVersion)
{
    const Image src = MakeNoise(70, 45, 8, false);
    for (const auto& [sx, sy] : {std::pair{3.5f, 1.0f}, std::pair{0.0f, 4.0f}, std::pair{6.0f, 0.0f}}) {
        gfx::Surface surface = gfx::Surface::fromImage(src);
        ASSERT_TRUE(gfx::GaussianBlur(surface, sx, sy, EdgeMode::Clamp));
        EXPECT_TRUE(ImagesNear(gfx::GaussianBlur(src, sx, sy, EdgeMode::Clamp), surface.snapshot()));
    }
}

TEST(GfxBlur, BlurWhereMatchesTheWholeBlurOnWantedPixels)
{
    const Image src = MakeNoise(97, 83, 5, false);
    // A ring, scattered single pixels, a band along the border and nothing.
    std::vector<std::vector<uint8_t>> masks(4, std::vector<uint8_t>(97 * 83, 0));
    for (int y = 0; y < 83; ++y)
        for (int x = 0; x < 97; ++x) {
            const double d = std::hypot(x - 50.0, y - 45.0);
            const size_t i = size_t(y) * 97 + size_t(x);
            masks[0][i] = d < 40 && d > 25;
            masks[1][i] = (x * 31 + y * 17) % 23 == 0;
            masks[2][i] = x < 3 || y > 79;
        }
    for (const EdgeMode edge : {EdgeMode::Decal, EdgeMode::Clamp})
        for (const auto& [sx, sy] : {std::pair{8.0f, 8.0f}, std::pair{1.5f, 6.0f}, std::pair{0.0f, 5.0f},
                                     std::pair{4.0f, 0.0f}, std::pair{0.0f, 0.0f}})
            for (const std::vector<uint8_t>& mask : masks) {
                const Image whole = gfx::GaussianBlur(src, sx, sy, edge);
                const Image part = gfx::GaussianBlurWhere(src, sx, sy, mask, edge);
                ASSERT_FALSE(part.isNull());
                int wrong = 0;
                for (int y = 0; y < 83; ++y)
                    for (int x = 0; x < 97; ++x) {
                        const gfx::Pixel want = mask[size_t(y) * 97 + size_t(x)] ? whole.row(y)[x] : 0u;
                        wrong += part.row(y)[x] != want;
                    }
                EXPECT_EQ(wrong, 0) << sx << " x " << sy;
            }
    EXPECT_TRUE(gfx::GaussianBlurWhere(src, 2, 2, std::vector<uint8_t>(10, 1)).isNull());
}

TEST(GfxBlur, RejectsBadInputAndBoundsHugeSigma)
{
    const Image src = MakeNoise(9, 9, 1);
    EXPECT_TRUE(gfx::GaussianBlur(Image(), 2, 2).isNull());
    EXPECT_TRUE(gfx::GaussianBlur(src, std::nanf(""), 2).isNull());
    gfx::Surface none;
    EXPECT_FALSE(gfx::GaussianBlur(none, 1, 1, EdgeMode::Clamp));
    // An absurd sigma is capped: the result is the (clamped) mean colour.
    const Image flat = MakeSolid(9, 9, Premul(10, 20, 30));
    EXPECT_TRUE(ImagesNear(flat, gfx::GaussianBlur(flat, 1e30f, INFINITY, EdgeMode::Clamp)));
    EXPECT_TRUE(IsValidPremultiplied(gfx::GaussianBlur(src, 1e30f, 1e30f, EdgeMode::Decal)));
}

// ---- 3 x 3 convolution ----

TEST(GfxConvolve, ZeroSharpenAndIdentityChangeNothing)
{
    const Image src = MakeNoise(37, 23, 12, false);
    for (const bool alpha : {false, true})
        for (const EdgeMode edge : {EdgeMode::Clamp, EdgeMode::Decal})
            EXPECT_TRUE(ImagesNear(src, gfx::Convolve3x3(src, Sharpen(0), 1, 0, alpha, edge)))
                << "alpha " << alpha << " edge " << int(edge);
}

TEST(GfxConvolve, MatchesSlowReference)
{
    const Image src = MakeNoise(31, 29, 13, false);
    const std::array<float, 9> blurry = {1 / 16.f, 2 / 16.f, 1 / 16.f, 2 / 16.f, 4 / 16.f,
                                         2 / 16.f, 1 / 16.f, 2 / 16.f, 1 / 16.f};
    for (const bool alpha : {false, true})
        for (const EdgeMode edge : {EdgeMode::Clamp, EdgeMode::Decal})
            for (const auto& k : {Sharpen(0.4f), Sharpen(1.0f), blurry}) {
                const Image out = gfx::Convolve3x3(src, k, 1, 0, alpha, edge);
                EXPECT_TRUE(IsValidPremultiplied(out));
                EXPECT_TRUE(ImagesNear(ReferenceConvolve(src, k, alpha, edge), out, 1))
                    << "alpha " << alpha << " edge " << int(edge);
            }
}

TEST(GfxConvolve, KernelIsNotFlippedAndGainBiasApply)
{
    const Image src = MakeRamp(16, 16);
    // Only the right-hand neighbour: every pixel takes the one to its right.
    const Image shifted = gfx::Convolve3x3(src, {0, 0, 0, 0, 0, 1, 0, 0, 0}, 1, 0, true, EdgeMode::Clamp);
    for (int x = 0; x < 16; ++x)
        EXPECT_EQ(shifted.pixel(x, 5), src.pixel(std::min(x + 1, 15), 5)) << x;
    // Gain 0 and bias 0.5: flat mid-grey colour, alpha kept.
    const Image grey = gfx::Convolve3x3(MakeNoise(8, 8, 3), Sharpen(0.3f), 0, 0.5f, false, EdgeMode::Clamp);
    EXPECT_TRUE(ImagesNear(MakeSolid(8, 8, Premul(128, 128, 128)), grey, 1));
    EXPECT_TRUE(gfx::Convolve3x3(src, {0, 0, 0, 0, NAN, 0, 0, 0, 0}).isNull());
    EXPECT_TRUE(gfx::Convolve3x3(Image(), Sharpen(1)).isNull());
}

// ---- colour matrix ----

TEST(GfxColorMatrix, IdentityChangesNothing)
{
    const Image src = MakeNoise(41, 27, 31, false);
    EXPECT_TRUE(ImagesNear(src, gfx::ColorMatrix(src, kIdentityMatrix)));
}

TEST(GfxColorMatrix, AppliesToUnpremultipliedChannels)
{
    // Red and blue swapped.
    const std::array<float, 20> swap = {0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0};
    const Image src = MakeNoise(20, 20, 4, false);
    const Image swapped = gfx::ColorMatrix(src, swap);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            const Pixel s = src.pixel(x, y), d = swapped.pixel(x, y);
            ASSERT_EQ(Channel(d, 0), Channel(s, 2));
            ASSERT_EQ(Channel(d, 2), Channel(s, 0));
            ASSERT_EQ(Channel(d, 1), Channel(s, 1));
            ASSERT_EQ(Channel(d, 3), Channel(s, 3));
        }
    // White whose alpha is the darkness: a grey of 100 gives alpha 155,
    // and a transparent pixel (read as black) becomes opaque white.
    const std::array<float, 20> stamp = {0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, -0.299f, -0.587f, -0.114f, 0, 1};
    const Image greys = MakeImage(2, 1, [](int x, int) { return x == 0 ? Premul(100, 100, 100) : 0u; });
    const Image marks = gfx::ColorMatrix(greys, stamp);
    EXPECT_EQ(marks.pixel(0, 0), Premul(255, 255, 255, 155));
    EXPECT_EQ(marks.pixel(1, 0), Premul(255, 255, 255, 255));
}

TEST(GfxColorMatrix, ClampsToValidPixels)
{
    // Saturation 3 with a brightness offset pushes channels out of range.
    const float s = 3.0f;
    const std::array<float, 20> m = {0.213f * (1 - s) + s, 0.715f * (1 - s), 0.072f * (1 - s), 0, 0.2f,
                                     0.213f * (1 - s), 0.715f * (1 - s) + s, 0.072f * (1 - s), 0, 0.2f,
                                     0.213f * (1 - s), 0.715f * (1 - s), 0.072f * (1 - s) + s, 0, 0.2f,
                                     0, 0, 0, 1.5f, 0};
    const Image out = gfx::ColorMatrix(MakeNoise(30, 30, 6, false), m);
    EXPECT_TRUE(IsValidPremultiplied(out));
    EXPECT_TRUE(gfx::ColorMatrix(Image(), m).isNull());
}

// ---- drop shadow ----

TEST(GfxDropShadow, HardShadowIsTheShiftedAlpha)
{
    const Image square = MakeImage(30, 30, [](int x, int y) {
        return x >= 5 && x < 15 && y >= 5 && y < 15 ? Premul(200, 40, 40) : 0u;
    });
    const Image shadow = gfx::DropShadow(square, 4, 6, 0, 0, QColor(0, 0, 255, 128), true);
    EXPECT_TRUE(ImagesNear(MakeImage(30, 30, [](int x, int y) {
                               return x >= 9 && x < 19 && y >= 11 && y < 21 ? Premul(0, 0, 255, 128) : 0u;
                           }),
                           shadow));
    // Drawn under the image: the square stays on top.
    const Image both = gfx::DropShadow(square, 4, 6, 0, 0, QColor(0, 0, 255, 128));
    EXPECT_EQ(both.pixel(10, 10), square.pixel(10, 10));
    EXPECT_EQ(both.pixel(17, 19), Premul(0, 0, 255, 128));
    EXPECT_EQ(both.pixel(2, 2), 0u);
}

TEST(GfxDropShadow, SoftAndFractionalShadowsAreValid)
{
    const Image src = MakeNoise(40, 30, 77, false);
    const Image out = gfx::DropShadow(src, 2.5f, -1.25f, 3, 1, QColor(0, 0, 0, 191));
    EXPECT_TRUE(IsValidPremultiplied(out));
    // Half a pixel right: an opaque column becomes two half-alpha columns.
    const Image column = MakeImage(9, 3, [](int x, int) { return x == 4 ? Premul(9, 9, 9) : 0u; });
    const Image half = gfx::DropShadow(column, 0.5f, 0, 0, 0, Qt::black, true);
    EXPECT_EQ(Channel(half.pixel(4, 1), 3), 128);
    EXPECT_EQ(Channel(half.pixel(5, 1), 3), 128);
    EXPECT_EQ(Channel(half.pixel(3, 1), 3), 0);
    EXPECT_TRUE(gfx::DropShadow(src, NAN, 0, 1, 1, Qt::black).isNull());
}

TEST(GfxFilters, PooledRunEqualsSerialRun)
{
    const Image src = MakeNoise(257, 190, 99, false);
    auto run = [&] {
        std::vector<Image> out;
        out.push_back(gfx::GaussianBlur(src, 1.5f, 1.5f, EdgeMode::Decal));
        out.push_back(gfx::GaussianBlur(src, 14.0f, 6.0f, EdgeMode::Clamp));
        out.push_back(gfx::Convolve3x3(src, Sharpen(0.4f)));
        out.push_back(gfx::ColorMatrix(src, kIdentityMatrix));
        out.push_back(gfx::DropShadow(src, 3, 3, 4, 4, QColor(0, 0, 0, 191)));
        return out;
    };
    const std::vector<Image> pooled = run();
    const std::vector<Image> serial = RunSerially(run);
    ASSERT_EQ(pooled.size(), serial.size());
    for (size_t i = 0; i < pooled.size(); ++i)
        EXPECT_TRUE(ImagesNear(serial[i], pooled[i])) << i;
}

TEST(GfxFilters, TinyImagesWork)
{
    for (const QSize size : {QSize(1, 1), QSize(1, 7), QSize(7, 1), QSize(2, 3)}) {
        const Image flat = MakeSolid(size.width(), size.height(), Premul(70, 140, 210, 200));
        EXPECT_TRUE(ImagesNear(flat, gfx::GaussianBlur(flat, 1.0f, 30.0f, EdgeMode::Clamp)));
        EXPECT_TRUE(ImagesNear(flat, gfx::Convolve3x3(flat, Sharpen(0.7f), 1, 0, true, EdgeMode::Clamp)));
        EXPECT_TRUE(ImagesNear(flat, gfx::ColorMatrix(flat, kIdentityMatrix)));
        EXPECT_TRUE(IsValidPremultiplied(gfx::GaussianBlur(flat, 5.0f, 0.5f, EdgeMode::Decal)));
        EXPECT_TRUE(IsValidPremultiplied(gfx::Convolve3x3(flat, Sharpen(0.7f), 1, 0, false, EdgeMode::Decal)));
        EXPECT_TRUE(IsValidPremultiplied(gfx::DropShadow(flat, 1, 1, 2, 2, Qt::red)));
    }
}
