#pragma once

// Test images built in code and one image comparison that names the first
// differing pixels.

#include "gfx/image.h"
#include "platform/random.h"
#include "platform/thread_pool.h"

#include <QColor>
#include <QImage>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace testimg {

using gfx::Image;
using gfx::Pixel;

// Premultiplied pixel from unpremultiplied channels.
inline Pixel Premul(int r, int g, int b, int a = 255)
{
    return qPremultiply(qRgba(r, g, b, a));
}

inline int Channel(Pixel p, int c)
{
    return int((p >> (8 * c)) & 255); // 0 B, 1 G, 2 R, 3 A
}

inline std::string Hex(Pixel p)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%08X", unsigned(p));
    return buf;
}

// An image whose pixel (x, y) is fn(x, y) (premultiplied).
template <typename Fn>
Image MakeImage(int width, int height, Fn&& fn)
{
    QImage q(width, height, gfx::kPixelFormat);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<Pixel*>(q.scanLine(y));
        for (int x = 0; x < width; ++x)
            row[x] = fn(x, y);
    }
    return Image::adopt(std::move(q));
}

inline Image MakeSolid(int width, int height, Pixel premultiplied)
{
    return MakeImage(width, height, [&](int, int) { return premultiplied; });
}

// Opaque: red rises left to right, green top to bottom, blue along the diagonal.
inline Image MakeRamp(int width, int height)
{
    return MakeImage(width, height, [&](int x, int y) {
        const int r = width > 1 ? x * 255 / (width - 1) : 0;
        const int g = height > 1 ? y * 255 / (height - 1) : 0;
        const int b = (r + g) / 2;
        return Premul(r, g, b);
    });
}

inline Image MakeCheckerboard(int width, int height, int cell, Pixel a, Pixel b)
{
    return MakeImage(width, height, [&](int x, int y) { return ((x / cell + y / cell) % 2 == 0) ? a : b; });
}

// Seeded noise; with opaque false the alpha varies too (0..255, valid
// premultiplied colours).
inline Image MakeNoise(int width, int height, uint32_t seed, bool opaque = true)
{
    platform::Random rng(seed);
    return MakeImage(width, height, [&](int, int) {
        const int a = opaque ? 255 : rng.random(256);
        const int r = rng.random(256), g = rng.random(256), b = rng.random(256);
        return Premul(r, g, b, a);
    });
}

inline int MaxChannelDifference(Pixel a, Pixel b)
{
    int d = 0;
    for (int c = 0; c < 4; ++c)
        d = std::max(d, std::abs(Channel(a, c) - Channel(b, c)));
    return d;
}

// Same size and every channel within tolerance; otherwise names the first
// differing pixels, how many differ and by how much at most.
inline ::testing::AssertionResult ImagesNear(const Image& expected, const Image& actual, int tolerance = 0,
                                             int report = 8)
{
    if (expected.isNull() || actual.isNull())
        return ::testing::AssertionFailure() << (expected.isNull() ? "expected" : "actual") << " image is null";
    if (expected.size() != actual.size())
        return ::testing::AssertionFailure() << "size " << actual.width() << "x" << actual.height() << ", expected "
                                             << expected.width() << "x" << expected.height();
    int64_t count = 0;
    int worst = 0;
    std::string first;
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x) {
            const Pixel e = expected.pixel(x, y), a = actual.pixel(x, y);
            const int d = MaxChannelDifference(e, a);
            if (d <= tolerance)
                continue;
            worst = std::max(worst, d);
            if (count++ < report)
                first += " (" + std::to_string(x) + "," + std::to_string(y) + ") " + Hex(a) + " expected " +
                         Hex(e) + ";";
        }
    if (count == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << count << " pixels differ by more than " << tolerance << " (worst "
                                         << worst << "):" << first;
}

// No colour byte above its alpha.
inline ::testing::AssertionResult IsValidPremultiplied(const Image& image)
{
    if (image.isNull())
        return ::testing::AssertionFailure() << "image is null";
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const Pixel p = image.pixel(x, y);
            const int a = Channel(p, 3);
            if (Channel(p, 0) > a || Channel(p, 1) > a || Channel(p, 2) > a)
                return ::testing::AssertionFailure()
                       << "pixel (" << x << "," << y << ") " << Hex(p) << " has colour above alpha";
        }
    return ::testing::AssertionSuccess();
}

// Runs fn serially on the calling thread: with no pool workers every loop
// runs on its caller. Restores the default pool afterwards.
template <typename Fn>
auto RunSerially(Fn&& fn)
{
    struct Restore {
        ~Restore() { platform::ConfigureDefaultThreadPool(); }
    } restore;
    platform::ConfigureThreadPool(0, 0);
    return fn();
}

} // namespace testimg
