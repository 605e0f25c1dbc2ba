#include "effects/photolab/adjustments/structure_pass.h"

#include "gfx/luma.h"
#include "gfx/scratch_buffer.h"
#include "platform/numeric.h"
#include "platform/thread_pool.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace pq {
namespace {

// Round half to even for |v| < 2^51, without a library call.
inline int RoundEven(double v)
{
    const double magic = 6755399441055744.0; // 1.5 * 2^52
    return int((v + magic) - magic);
}

inline int64_t ClampIndex(int64_t i, int n)
{
    return i < 0 ? 0 : (i >= n ? n - 1 : i);
}

// Sum of the window of 2r + 1 samples around position 0 of a line of n
// samples, indices clamped to the line: r copies of the first sample, the
// samples 0..min(r, n - 1), and the copies of the last one beyond.
template <typename At>
int64_t FirstWindowSum(int n, int64_t r, At&& at)
{
    int64_t sum = r * int64_t(at(0));
    const int64_t inside = std::min<int64_t>(r, n - 1);
    for (int64_t i = 0; i <= inside; ++i)
        sum += at(int(i));
    if (r > n - 1)
        sum += (r - (n - 1)) * int64_t(at(n - 1));
    return sum;
}

// q = L' / L for every pair of luminance L and box mean M, at index
// L 256 + M. Each ratio is a float value, so float storage keeps it exact.
std::vector<float> BuildRatioTable(float amount, float gain)
{
    std::vector<float> q(256 * 256);
    platform::ParallelForRange(0, 256, 16, [&](int l0, int l1) {
        for (int lum = l0; lum < l1; ++lum)
            for (int mean = 0; mean < 256; ++mean) {
                const float l = float(lum / 255.0);
                float d = float((lum - mean) / 255.0);
                d = d > 0.0f ? float(d * double(gain) * 0.5) : float(d * double(gain));
                const float t = std::clamp(float(d + 0.5), 0.0f, 1.0f);
                const float o = l < 0.5f ? float(2.0 * l * t) : float(1.0 - 2.0 * (1.0 - l) * (1.0 - t));
                const int target = platform::Round(o * 255.0);
                const int adjusted = lum + platform::Round((target - lum) * double(amount));
                q[size_t(lum * 256 + mean)] = lum >= 1 ? float(double(adjusted) / lum) : 1.0f;
            }
    });
    return q;
}

// The tables of the last few settings, kept for the process: the slider
// moves over few values, and a table costs more than a small picture.
std::shared_ptr<const std::vector<float>> RatioTable(const StructureSettings& s)
{
    struct Kept {
        float amount, gain;
        std::shared_ptr<const std::vector<float>> table;
    };
    constexpr size_t kKept = 4;
    static std::mutex mutex;
    static std::deque<Kept> kept;
    {
        std::lock_guard lock(mutex);
        for (const Kept& k : kept)
            if (k.amount == s.amount && k.gain == s.gain)
                return k.table;
    }
    auto table = std::make_shared<const std::vector<float>>(BuildRatioTable(s.amount, s.gain));
    std::lock_guard lock(mutex);
    kept.push_front({s.amount, s.gain, table});
    if (kept.size() > kKept)
        kept.pop_back();
    return table;
}

} // namespace

StructureSettings StructureSettings::fromSlider(int p4)
{
    StructureSettings s;
    s.radius = p4 / 10 + 5;
    s.amount = float(std::min(p4 / 100.0, 1.0));
    s.gain = float(p4 / 50.0 + 1.0);
    return s;
}

gfx::Image StructurePass(const gfx::Image& source, const StructureSettings& settings,
                         const std::function<void(int)>& report)
{
    if (source.isNull())
        return {};
    const int w = source.width(), h = source.height();
    const size_t count = size_t(w) * size_t(h);
    gfx::ScratchBuffer<uint8_t> lum(count), across(count), mean(count);
    QImage out = gfx::NewPixelImage(source.size());
    if (!lum || !across || !mean || out.isNull())
        return {};
    report(5);

    platform::ParallelForRange(0, h, 16, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const gfx::Pixel* src = source.row(y);
            uint8_t* l = lum.data() + size_t(y) * size_t(w);
            for (int x = 0; x < w; ++x) {
                const gfx::Pixel p = src[x];
                l[x] = uint8_t(gfx::Luma601Fixed8(int((p >> 16) & 255), int((p >> 8) & 255), int(p & 255)));
            }
        }
    });
    report(15);

    const int64_t r = settings.radius;
    const int64_t span = 2 * r + 1;
    platform::ParallelForRange(0, h, 16, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const uint8_t* in = lum.data() + size_t(y) * size_t(w);
            uint8_t* dst = across.data() + size_t(y) * size_t(w);
            int64_t sum = FirstWindowSum(w, r, [&](int i) { return in[i]; });
            dst[0] = uint8_t(sum / span);
            for (int x = 1; x < w; ++x) {
                sum += int64_t(in[ClampIndex(x + r, w)]) - int64_t(in[ClampIndex(x - r - 1, w)]);
                dst[x] = uint8_t(sum / span);
            }
        }
    });
    report(30);

    // Columns in bands, each walking down the rows with one running sum per
    // column.
    constexpr int kBand = 64;
    const int bands = (w + kBand - 1) / kBand;
    platform::ParallelFor(0, bands, [&](int band) {
        const int x0 = band * kBand, x1 = std::min(w, x0 + kBand);
        int64_t sums[kBand];
        auto rowOf = [&](int64_t y) { return across.data() + size_t(ClampIndex(y, h)) * size_t(w); };
        for (int x = x0; x < x1; ++x)
            sums[x - x0] = FirstWindowSum(h, r, [&](int y) { return rowOf(y)[x]; });
        for (int y = 0; y < h; ++y) {
            uint8_t* dst = mean.data() + size_t(y) * size_t(w);
            if (y > 0) {
                const uint8_t* enter = rowOf(y + r);
                const uint8_t* leave = rowOf(y - r - 1);
                for (int x = x0; x < x1; ++x)
                    sums[x - x0] += int64_t(enter[x]) - int64_t(leave[x]);
            }
            for (int x = x0; x < x1; ++x)
                dst[x] = uint8_t(sums[x - x0] / span);
        }
    });
    report(40);

    const std::shared_ptr<const std::vector<float>> ratioTable = RatioTable(settings);
    const float* const ratio = ratioTable->data();
    uchar* const base = out.bits();
    const qsizetype stride = out.bytesPerLine();
    // Progress at every 65,536th pixel, reported when the band that reaches
    // it starts.
    const int bandRows = std::max(1, (1 << 19) / std::max(w, 1));
    size_t milestone = 0;
    for (int b0 = 0; b0 < h; b0 += bandRows) {
        const int b1 = std::min(h, b0 + bandRows);
        for (; milestone < size_t(b1) * size_t(w); milestone += 65536)
            report(40 + platform::Round(double(milestone) / double(count) * 50.0));
        platform::ParallelForRange(b0, b1, 4, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                const gfx::Pixel* src = source.row(y);
                const uint8_t* l = lum.data() + size_t(y) * size_t(w);
                const uint8_t* m = mean.data() + size_t(y) * size_t(w);
                gfx::Pixel* dst = reinterpret_cast<gfx::Pixel*>(base + stride * y);
                for (int x = 0; x < w; ++x) {
                    const gfx::Pixel p = src[x];
                    const double q = double(ratio[size_t(l[x]) * 256 + m[x]]);
                    const int a = int(p >> 24);
                    auto channel = [&](int shift) {
                        const int v = RoundEven(double((p >> shift) & 255) * q);
                        return gfx::Pixel(std::clamp(v, 0, a)) << shift;
                    };
                    dst[x] = gfx::Pixel(a) << 24 | channel(16) | channel(8) | channel(0);
                }
            }
        });
    }
    report(90);
    return gfx::Image::adopt(std::move(out));
}

} // namespace pq
