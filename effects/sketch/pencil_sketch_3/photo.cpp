#include "effects/sketch/pencil_sketch_3/photo.h"

#include "engine/runtime/effect_api.h"
#include "gfx/luma.h"
#include "platform/numeric.h"
#include "platform/thread_pool.h"

#include <algorithm>
#include <new>
#include <vector>

namespace pq::pencil {

void BuildPhotoPlanes(const gfx::Image& source, Plane<uint32_t>& photo, Plane<uint8_t>& alpha)
{
    const int w = source.width();
    platform::ParallelForRange(0, source.height(), 32, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const gfx::Pixel* p = source.row(y);
            const size_t row = size_t(y) * size_t(w);
            for (int x = 0; x < w; ++x) {
                const uint32_t a = p[x] >> 24;
                alpha[row + size_t(x)] = uint8_t(a);
                photo[row + size_t(x)] = a < 10 ? 0xFFFFFFu : (p[x] & 0xFFFFFFu) + (255 - a) * 0x010101u;
            }
        }
    });
}

void EnhanceLocalContrast(Plane<uint32_t>& photo, int w, int h, int amount)
{
    CheckCancellation();
    const size_t n = size_t(w) * size_t(h);
    auto rowOf = [w](int y) { return size_t(y) * size_t(w); };
    int64_t total[3] = {0, 0, 0};
    for (size_t i = 0; i < n; ++i) {
        total[0] += Red(photo[i]);
        total[1] += Green(photo[i]);
        total[2] += Blue(photo[i]);
    }
    const int64_t mean[3] = {total[0] / int64_t(n), total[1] / int64_t(n), total[2] / int64_t(n)};
    Plane<uint32_t> boosted(n);
    if (!boosted)
        throw std::bad_alloc();
    const int band = std::max(1, h / 20);
    for (int y0 = 0; y0 < h; y0 += band) {
        CheckCancellation();
        platform::ParallelForRange(y0, std::min(h, y0 + band), 2, [&](int a, int b) {
            // Column sums of the 9 rows, padded by 4 repeated columns a side.
            std::vector<int> col(size_t(w + 8) * 3);
            for (int y = a; y < b; ++y) {
                std::fill(col.begin(), col.end(), 0);
                for (int dy = -4; dy <= 4; ++dy) {
                    const uint32_t* r = photo.data() + rowOf(std::clamp(y + dy, 0, h - 1));
                    for (int x = 0; x < w; ++x) {
                        int* c = col.data() + size_t(x + 4) * 3;
                        c[0] += Red(r[x]);
                        c[1] += Green(r[x]);
                        c[2] += Blue(r[x]);
                    }
                }
                for (int i = 0; i < 4; ++i)
                    for (int c = 0; c < 3; ++c) {
                        col[size_t(i) * 3 + c] = col[4 * 3 + c];
                        col[size_t(w + 4 + i) * 3 + c] = col[size_t(w + 3) * 3 + c];
                    }
                int win[3] = {0, 0, 0};
                for (int i = 0; i < 9; ++i)
                    for (int c = 0; c < 3; ++c)
                        win[c] += col[size_t(i) * 3 + c];
                const uint32_t* src = photo.data() + rowOf(y);
                uint32_t* out = boosted.data() + rowOf(y);
                for (int x = 0; x < w; ++x) {
                    if (x > 0)
                        for (int c = 0; c < 3; ++c)
                            win[c] += col[size_t(x + 8) * 3 + c] - col[size_t(x - 1) * 3 + c];
                    const int chan[3] = {Red(src[x]), Green(src[x]), Blue(src[x])};
                    uint32_t v = 0;
                    for (int c = 0; c < 3; ++c) {
                        const int64_t ch = chan[c];
                        const int64_t blend = ((win[c] - ch) / 80 * 2 + mean[c]) / 3;
                        const int64_t boostedChannel = ch + platform::Round64(double((ch - blend) * amount) / 100.0);
                        v = (v << 8) | uint32_t(std::clamp<int64_t>(boostedChannel, 0, 255));
                    }
                    out[x] = v;
                }
            }
        });
    }
    photo.swap(boosted);
}

uint32_t TintedGrey(int g, uint32_t photo, double u)
{
    const int redByte = Red(photo), greenByte = Green(photo), blueByte = Blue(photo);
    const int lum = gfx::Luma601Hundredths(redByte, greenByte, blueByte);
    const int chroma = std::max({redByte, greenByte, blueByte}) - std::min({redByte, greenByte, blueByte});
    int tint[3] = {g, g, g};
    if (chroma >= 10 && lum >= 5) {
        double ratio = double(g) / double(lum);
        if (ratio < 0.7)
            ratio = 0.7 * ratio + 0.21;
        const double s = std::min(1.0, chroma / 50.0);
        const int chan[3] = {redByte, greenByte, blueByte};
        for (int c = 0; c < 3; ++c) {
            const int t = std::clamp(platform::Round(chan[c] * ratio), 0, 255);
            tint[c] = platform::Round(g * (1 - s) + t * s);
        }
    }
    uint32_t rgb = 0;
    for (int c = 0; c < 3; ++c)
        rgb = (rgb << 8) | uint32_t(std::clamp(platform::Round(g * (1 - u) + tint[c] * u), 0, 255));
    return rgb;
}

} // namespace pq::pencil
