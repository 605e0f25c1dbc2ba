#include "effects/ink/stippling.h"

#include "engine/runtime/effect_api.h"
#include "gfx/canvas.h"
#include "gfx/luma.h"
#include "platform/numeric.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

namespace pq {
namespace {

// Grey of stored (premultiplied) bytes, summed in double, kept as single.
float GreyOf(int r, int g, int b)
{
    return float(gfx::Luma601(r, g, b) / 255.0);
}

// Grey of a pixel whose three colour bytes all hold b.
const std::array<float, 256>& GreyTable()
{
    static const std::array<float, 256> kTable = [] {
        std::array<float, 256> t{};
        for (int b = 0; b < 256; ++b)
            t[b] = GreyOf(b, b, b);
        return t;
    }();
    return kTable;
}

// The pixel buffer is the picture and the error store at once: diffused
// error lands in the neighbours' colour bytes, re-quantised to 8 bits. The
// rows kept here hold the grey those bytes stand for (the source colour's
// grey until a neighbour writes), three rows at a time.
class Diffuser {
public:
    Diffuser(const gfx::Image& source, float threshold)
        : source_(source), w_(source.width()), h_(source.height()), t_(threshold), grey_(GreyTable())
    {
        for (auto& r : rows_)
            r.assign(size_t(w_), 0.0f);
        for (int i = 0; i < 3 && i < h_; ++i)
            loadRow(i);
    }

    // Quantises row y into out (colour bytes 0 or 255) and spreads its error.
    void processRow(int y, std::vector<uint8_t>& out)
    {
        float* cur = row(y);
        float* next1 = y + 1 < h_ ? row(y + 1) : nullptr;
        float* next2 = y + 2 < h_ ? row(y + 2) : nullptr;
        for (int x = 0; x < w_; ++x) {
            const float g = cur[x];
            const int v = g >= t_ ? 1 : 0;
            out[size_t(x)] = uint8_t(platform::Trunc(v * 255.0));
            const float e = (g - float(v)) / 8.0f;
            if (x + 1 < w_)
                diffuse(cur[x + 1], e);
            if (x + 2 < w_)
                diffuse(cur[x + 2], e);
            if (next1) {
                if (x >= 1)
                    diffuse(next1[x - 1], e);
                diffuse(next1[x], e);
                if (x + 1 < w_)
                    diffuse(next1[x + 1], e);
            }
            if (next2)
                diffuse(next2[x], e);
        }
        if (y + 3 < h_)
            loadRow(y + 3);
    }

private:
    float* row(int y) { return rows_[size_t(y % 3)].data(); }

    void loadRow(int y)
    {
        const gfx::Pixel* src = source_.row(y);
        float* g = row(y);
        for (int x = 0; x < w_; ++x) {
            const gfx::Pixel p = src[x];
            g[x] = GreyOf((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
        }
    }

    // The neighbour's grey plus the share, clamped to 0..1, written back as
    // the byte Round(g' * 255).
    void diffuse(float& neighbour, float e) const
    {
        float g = neighbour + e;
        if (g < 0.0f)
            g = 0.0f;
        else if (g > 1.0f)
            g = 1.0f;
        neighbour = grey_[size_t(platform::Round(double(g) * 255.0))];
    }

    const gfx::Image& source_;
    const int w_;
    const int h_;
    const float t_;
    const std::array<float, 256>& grey_;
    std::array<std::vector<float>, 3> rows_;
};

} // namespace

void Stippling(const gfx::Image& source, gfx::Surface& dest, int p1, int /*P2*/, int /*P3*/, int /*P4*/,
                    int /*P5*/, bool preview)
{
    if (source.isNull() || source.width() <= 0 || source.height() <= 0 || dest.isNull())
        return;
    const int w = source.width();
    const int h = source.height();
    gfx::Surface buffer = gfx::Surface::fromImage(source);
    if (buffer.isNull())
        return;
    const float t = float(double(p1) / 255.0);
    const int d = h >= 2 ? h - 1 : 1;

    Diffuser diffuser(source, t);
    std::vector<uint8_t> level(static_cast<size_t>(w));
    for (int y = 0; y < h; ++y) {
        if (y % 50 == 0) {
            ReportProgress(dest, preview, platform::Round(double(y) / double(d) * 100.0));
            CheckCancellation();
        }
        diffuser.processRow(y, level);
        // The quantised level as premultiplied colour: a colour byte never
        // exceeds its pixel's alpha (transparent pixels stay black).
        gfx::Pixel* px = buffer.row(y);
        for (int x = 0; x < w; ++x) {
            const gfx::Pixel a = px[x] >> 24;
            const gfx::Pixel c = std::min<gfx::Pixel>(level[size_t(x)], a);
            px[x] = (a << 24) | (c * 0x010101u);
        }
    }

    const gfx::Image picture = buffer.snapshot();
    if (!picture.isNull()) {
        gfx::Canvas canvas(dest);
        canvas.drawImage(picture, 0, 0, gfx::Sampling::Nearest);
    }

    ReportFinished(dest, preview);
}

} // namespace pq
