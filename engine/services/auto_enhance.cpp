#include "engine/services/auto_enhance.h"

#include "gfx/luma.h"
#include "gfx/surface.h"
#include "platform/numeric.h"
#include "platform/thread_pool.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <new>
#include <numbers>
#include <vector>

namespace pq {
namespace {

using Curve = std::array<uint8_t, 256>;
using Histogram = std::array<int64_t, 256>;

constexpr int kTaps = 5; // the blur reaches 5 pixels either way

int ChannelAt(gfx::Pixel p, int c)
{
    return int((p >> (8 * c)) & 0xFF); // 0 blue, 1 green, 2 red, 3 alpha
}

gfx::Pixel WithChannel(gfx::Pixel p, int c, int value)
{
    const int v = std::clamp(value, 0, ChannelAt(p, 3));
    return (p & ~(gfx::Pixel(0xFF) << (8 * c))) | gfx::Pixel(v) << (8 * c);
}

int Luminance(gfx::Pixel p)
{
    return platform::ClampByte(platform::Round(gfx::Luma601(ChannelAt(p, 2), ChannelAt(p, 1), ChannelAt(p, 0))));
}

uint8_t RoundedByte(double v)
{
    return uint8_t(platform::ClampByte(platform::Round(v)));
}

// The pixels and byte planes shared by the row passes of one call.
class Enhancer {
public:
    Enhancer(const gfx::Image& image)
        : w_(image.width()), h_(image.height()), pixels_(size_t(w_) * size_t(h_)), lum_(pixels_.size()),
          horiz_(pixels_.size()), blur_(pixels_.size())
    {
        for (int y = 0; y < h_; ++y)
            std::copy_n(image.row(y), w_, pixels_.begin() + ptrdiff_t(y) * w_);
        double g[kTaps + 1];
        double norm = 0.0;
        for (int i = 0; i <= kTaps; ++i) {
            g[i] = std::exp(-double(i * i) / 8.0);
            norm += i == 0 ? g[i] : 2.0 * g[i];
        }
        for (int i = 0; i <= kTaps; ++i)
            gk_[i] = g[i] / norm;
    }

    void run()
    {
        const Curve curve = toneCurve();
        for (int c = 0; c < 3; ++c)
            skyDenoise(c);
        toneMap(curve);
        unsharpMask();
    }

    gfx::Image result() const
    {
        gfx::Surface out = gfx::Surface::make(w_, h_);
        if (out.isNull())
            return {};
        for (int y = 0; y < h_; ++y)
            std::copy_n(pixels_.begin() + ptrdiff_t(y) * w_, w_, out.row(y));
        return out.snapshot();
    }

private:
    template <typename Body>
    void forRows(Body&& body)
    {
        platform::ParallelForRange(0, h_, 16, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y)
                body(y, ptrdiff_t(y) * w_);
        });
    }

    // The tone curve: range stretch after clipping, S-curve, brightness guard.
    Curve toneCurve() const
    {
        Histogram count{};
        int64_t counted = 0;
        for (const gfx::Pixel p : pixels_)
            if (ChannelAt(p, 3) != 0) {
                ++count[size_t(Luminance(p))];
                ++counted;
            }
        const int64_t clip = std::max<int64_t>(1, platform::Round64(double(counted) * 0.002));
        int lo = 0, hi = 255;
        int64_t sum = 0;
        for (int i = 0; i < 256; ++i)
            if ((sum += count[size_t(i)]) >= clip) {
                lo = i;
                break;
            }
        sum = 0;
        for (int i = 255; i >= 0; --i)
            if ((sum += count[size_t(i)]) >= clip) {
                hi = i;
                break;
            }
        if (lo >= hi) {
            lo = 0;
            hi = 255;
        }

        Curve curve{};
        for (int i = 0; i < 256; ++i) {
            const double t = std::clamp(double(i - lo) / double(hi - lo), 0.0, 1.0);
            double s = std::sin(std::numbers::pi * t) * 0.28 * (2.0 * t - 1.0);
            if (t < 0.5 && s < 0.0)
                s = s * t * 1.5;
            if (t < 0.45)
                s = s + std::sin(std::numbers::pi * t / 0.45) * 0.02;
            if (t > 0.6 && s > 0.0)
                s = s * (1.0 - (t - 0.6) / 0.4);
            curve[size_t(i)] = RoundedByte(std::clamp(t + s, 0.0, 1.0) * 255.0);
        }

        if (counted > 0) {
            int64_t before = 0, after = 0;
            for (int i = 0; i < 256; ++i) {
                before += count[size_t(i)] * i;
                after += count[size_t(i)] * curve[size_t(i)];
            }
            const double mb = double(before) / double(counted);
            const double ma = double(after) / double(counted);
            const double k = std::clamp((mb - 135.0) / 50.0, 0.0, 1.0);
            if (k > 0.0 && ma > mb && ma > 0.5) {
                const double target = ma + k * (mb - ma);
                for (uint8_t& v : curve)
                    v = RoundedByte(double(v) * target / ma);
            }
        }
        return curve;
    }

    // lum_ blurred by the 11-tap kernel, across and then down, into blur_.
    void blurLuminance()
    {
        forRows([&](int, ptrdiff_t row) {
            const uint8_t* v = lum_.data() + row;
            uint8_t* out = horiz_.data() + row;
            for (int x = 0; x < w_; ++x) {
                double sum = gk_[0] * v[x];
                for (int j = 1; j <= kTaps; ++j)
                    sum += gk_[j] * (double(v[std::max(x - j, 0)]) + double(v[std::min(x + j, w_ - 1)]));
                out[x] = RoundedByte(sum);
            }
        });
        forRows([&](int y, ptrdiff_t row) {
            const uint8_t* rows[2 * kTaps + 1];
            for (int j = -kTaps; j <= kTaps; ++j)
                rows[j + kTaps] = horiz_.data() + ptrdiff_t(std::clamp(y + j, 0, h_ - 1)) * w_;
            uint8_t* out = blur_.data() + row;
            for (int x = 0; x < w_; ++x) {
                double sum = gk_[0] * rows[kTaps][x];
                for (int j = 1; j <= kTaps; ++j)
                    sum += gk_[j] * (double(rows[kTaps - j][x]) + double(rows[kTaps + j][x]));
                out[x] = RoundedByte(sum);
            }
        });
    }

    // Channel c of blue-dominant pixels replaced by its blur where the
    // blur is close (no edge).
    void skyDenoise(int c)
    {
        forRows([&](int, ptrdiff_t row) {
            for (int x = 0; x < w_; ++x)
                lum_[size_t(row + x)] = uint8_t(ChannelAt(pixels_[size_t(row + x)], c));
        });
        blurLuminance();
        forRows([&](int, ptrdiff_t row) {
            for (int x = 0; x < w_; ++x) {
                const size_t i = size_t(row + x);
                gfx::Pixel& p = pixels_[i];
                const int b = ChannelAt(p, 0);
                const int lead = b - std::max(ChannelAt(p, 2), ChannelAt(p, 1));
                if (b <= 110 || lead <= 20)
                    continue;
                const double f = std::clamp(double(lead - 20) / 20.0, 0.0, 1.0);
                const int d = int(lum_[i]) - int(blur_[i]);
                const double q = std::clamp(double(25 - std::abs(d)) / 10.0, 0.0, 1.0);
                const double fq = f * q;
                if (fq > 0.0)
                    p = WithChannel(p, c, platform::Round(lum_[i] * (1.0 - fq) + blur_[i] * fq));
            }
        });
    }

    // The luminance follows the curve; colour differences from grey are
    // scaled, more in shadows and midtones.
    void toneMap(const Curve& curve)
    {
        std::array<double, 256> gain{};
        for (int t = 0; t < 256; ++t) {
            double f = 1.0 + double(255 - t) * 0.08 / 255.0 + std::sin(double(t) * std::numbers::pi / 255.0) * 0.15;
            if (t > 120)
                f = (f - 1.0) * std::max(0.0, double(160 - t) / 40.0) + 1.0;
            gain[size_t(t)] = f;
        }
        forRows([&](int, ptrdiff_t row) {
            for (int x = 0; x < w_; ++x) {
                gfx::Pixel& p = pixels_[size_t(row + x)];
                const int y = Luminance(p);
                if (y < 1) {
                    p &= 0xFF000000u;
                    continue;
                }
                const double t = curve[size_t(y)];
                const double f = gain[size_t(curve[size_t(y)])];
                for (int c = 0; c < 3; ++c)
                    p = WithChannel(p, c, platform::Round(t + (double(ChannelAt(p, c)) * t / double(y) - t) * f));
            }
        });
    }

    void unsharpMask()
    {
        forRows([&](int, ptrdiff_t row) {
            for (int x = 0; x < w_; ++x)
                lum_[size_t(row + x)] = uint8_t(Luminance(pixels_[size_t(row + x)]));
        });
        blurLuminance();
        forRows([&](int, ptrdiff_t row) {
            for (int x = 0; x < w_; ++x) {
                const size_t i = size_t(row + x);
                const int l = lum_[i];
                if (l == 0)
                    continue;
                const double fade = std::max(0.0, 1.0 - double(std::max(l - 180, 0)) / 75.0);
                const double target = std::clamp(l + double(l - int(blur_[i])) * 0.6 * fade, 1.0, 255.0);
                const double ratio = std::min(target / double(l), 4.0);
                gfx::Pixel& p = pixels_[i];
                for (int c = 0; c < 3; ++c)
                    p = WithChannel(p, c, platform::Round(double(ChannelAt(p, c)) * ratio));
            }
        });
    }

    const int w_;
    const int h_;
    std::vector<gfx::Pixel> pixels_;
    std::vector<uint8_t> lum_;
    std::vector<uint8_t> horiz_;
    std::vector<uint8_t> blur_;
    double gk_[kTaps + 1] = {};
};

} // namespace

gfx::Image AutoEnhanceImage(const gfx::Image& image)
{
    if (image.isNull() || image.width() <= 0 || image.height() <= 0)
        return image;
    try {
        Enhancer enhancer(image);
        enhancer.run();
        const gfx::Image result = enhancer.result();
        return result.isNull() ? image : result;
    } catch (const std::bad_alloc&) {
        return image; // no room for the work planes
    }
}

} // namespace pq
