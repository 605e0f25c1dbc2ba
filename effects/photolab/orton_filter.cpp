#include "effects/photolab/orton_filter.h"

#include "effects/photolab/photolab_pixels.h"
#include "engine/runtime/effect_api.h"
#include "gfx/filters.h"
#include "gfx/luma.h"
#include "platform/numeric.h"
#include "platform/thread_pool.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <mutex>

namespace pq {
namespace {

struct OrtonSettings {
    int64_t exposure = 0; // P2, used when positive
    int64_t strength = 0; // P3 per cent of the screen result
    int64_t vibrance = 0; // P4, used when positive
    int shift = 0;        // 2 (P5 - 50), within -100..255 (beyond, every channel ends at 0 or 255 alike)
    float factor = 1.0f;  // 1 + shift / 100 when darkening
    // What a byte becomes when shifted, and a glow byte when exposed.
    std::array<uint8_t, 256> shifted{};
    std::array<uint8_t, 256> exposed{};

    void fillTables()
    {
        for (int c = 0; c < 256; ++c) {
            // Darken (shift < 0: channel times the factor) or lighten
            // (shift > 0: channel plus the shift).
            shifted[size_t(c)] = uint8_t(shift < 0 ? platform::ClampByte(platform::Round(double(c) * double(factor)))
                                                   : platform::ClampByte(c + shift));
            exposed[size_t(c)] = uint8_t(platform::ClampByte(c + c * exposure / 200));
        }
    }
};

// What a channel becomes before the vibrance, for every pair of original
// and glow bytes: both shifted (the glow only when darkening), the glow
// exposed, their screen mixed into the original by the strength.
using MixTable = std::array<uint8_t, 256 * 256>;

uint8_t MixChannel(int o, int l, const OrtonSettings& s)
{
    if (s.shift != 0) {
        o = s.shifted[size_t(o)];
        if (s.shift < 0)
            l = s.shifted[size_t(l)];
    }
    if (s.exposure > 0)
        l = s.exposed[size_t(l)];
    const int screen = 255 - (255 - o) * (255 - l) / 255;
    return uint8_t(platform::ClampByte(o + int64_t(screen - o) * s.strength / 100));
}

// The table of the settings, kept for the last settings asked for.
std::shared_ptr<const MixTable> MixTableFor(const OrtonSettings& s)
{
    static std::mutex mutex;
    static std::shared_ptr<const MixTable> kept;
    static std::array<int64_t, 3> keptKey{};
    const std::array<int64_t, 3> key{std::max<int64_t>(s.exposure, 0), s.strength, s.shift};
    std::lock_guard lock(mutex);
    if (!kept || key != keptKey) {
        auto table = std::make_shared<MixTable>();
        for (int o = 0; o < 256; ++o)
            for (int l = 0; l < 256; ++l)
                (*table)[size_t(o << 8 | l)] = MixChannel(o, l, s);
        kept = std::move(table);
        keptKey = key;
    }
    return kept;
}

// The vibrance's lift of a channel d away from the grey (d + 255 indexes
// it), limited to what still decides the clamped result.
using LiftTable = std::array<int, 511>;

LiftTable LiftsFor(int64_t vibrance)
{
    LiftTable t{};
    for (int d = -255; d <= 255; ++d)
        t[size_t(d + 255)] = int(std::clamp<int64_t>(int64_t(d) * (vibrance + 100) / 100, -256, 256));
    return t;
}

gfx::Pixel OrtonPixel(gfx::Pixel original, gfx::Pixel glow, const MixTable& mix, const LiftTable* lifts)
{
    const int alpha = int(original >> 24);
    if (alpha <= 5)
        return original;
    int m[3];
    for (int i = 0, shift = 16; i < 3; ++i, shift -= 8)
        m[i] = mix[size_t((original >> shift & 0xFF) << 8 | (glow >> shift & 0xFF))];
    if (lifts) {
        const int k = gfx::Luma601Fixed8(m[0], m[1], m[2]);
        for (int i = 0; i < 3; ++i)
            m[i] = platform::ClampByte(k + (*lifts)[size_t(m[i] - k + 255)]);
    }
    // Premultiplied: the glow and the lift must not push a colour past its alpha.
    return photolab::PackPixel(alpha, m, alpha);
}

} // namespace

void OrtonFilter(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5, bool preview)
{
    if (source.isNull() || dest.isNull())
        return;
    const int w = std::min(source.width(), dest.width());
    const int h = std::min(source.height(), dest.height());
    if (w <= 0 || h <= 0) {
        photolab::CopyInto(source, dest);
        return;
    }

    OrtonSettings s;
    s.exposure = p2;
    s.strength = p3;
    s.vibrance = p4;
    s.shift = int(std::clamp<int64_t>(2 * (int64_t(p5) - 50), -100, 255));
    s.factor = float(1.0 + double(s.shift) / 100.0);
    s.fillTables();

    // A negative glow radius counts as none.
    const float sigma = float(std::max(p1, 0));
    const gfx::Image glow = sigma > 0.0f ? gfx::GaussianBlur(source, sigma, sigma, gfx::EdgeMode::Clamp) : source;
    if (glow.isNull()) {
        photolab::CopyInto(source, dest);
        return;
    }

    // Dest beyond the source stays cleared; every pixel within it is
    // written from the source below.
    if (source.width() < dest.width() || source.height() < dest.height())
        dest.clearPixel(0);
    const std::shared_ptr<const MixTable> mix = MixTableFor(s);
    const LiftTable lifts = LiftsFor(s.vibrance);
    const LiftTable* const lift = s.vibrance > 0 ? &lifts : nullptr;
    uint8_t* const bits = dest.bits();
    const qsizetype stride = dest.stride();
    platform::ParallelForRange(0, h, 16, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            auto* dst = reinterpret_cast<gfx::Pixel*>(bits + y * stride);
            const gfx::Pixel* src = source.row(y);
            const gfx::Pixel* l = glow.row(y);
            for (int x = 0; x < w; ++x)
                dst[x] = OrtonPixel(src[x], l[x], *mix, lift);
        }
    });

    ReportFinished(dest, preview);
}

} // namespace pq
