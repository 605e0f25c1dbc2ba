#include "effects/sketch/pencil_sketch_1.h"

#include "engine/runtime/effect_api.h"
#include "engine/repository/image_repository.h"
#include "gfx/canvas.h"
#include "platform/numeric.h"
#include "platform/thread_pool.h"

#include <QImage>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace pq {
namespace {

constexpr uint32_t kSeed = 1969;
constexpr int kBand = 200; // rows between progress reports

// Values derived from the sliders; 64-bit because scripts pass any value.
struct Shading {
    int64_t tt = 0; // a pixel is flat when both difference sums are below it
    int64_t d = 0;  // twice the edge darkness
    int64_t bt = 0;
    int64_t ct = 0;
    int64_t ci = 0; // per cent of the pixel's own colour against its grey
};

// Grey bytes of the pencil texture: th rows of tw, darker to the left.
struct TexturePlane {
    int tw = 100;
    int th = 100;
    std::vector<uint8_t> v = std::vector<uint8_t>(size_t(100 * 100), 128);

    uint8_t at(int row, int col) const { return v[size_t(row) * size_t(tw) + size_t(col)]; }
};

// The plane of the repository texture; the flat 100 x 100 plane of 128 when
// there is none (or it has too few rows to pick a texture row from).
TexturePlane PlaneOfTexture(const gfx::Image& bitmap)
{
    TexturePlane t;
    if (bitmap.isNull() || bitmap.width() < 1 || bitmap.height() < 3)
        return t;
    t.tw = bitmap.width();
    t.th = bitmap.height();
    t.v.assign(size_t(t.tw) * size_t(t.th), 0);
    for (int y = 0; y < t.th; ++y) {
        const gfx::Pixel* src = bitmap.row(y);
        uint8_t* dst = t.v.data() + size_t(y) * size_t(t.tw);
        for (int x = 0; x < t.tw; ++x) {
            const gfx::Pixel p = src[x];
            dst[x] = uint8_t((((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF)) / 3);
        }
    }
    return t;
}

inline int Red(uint32_t p) { return int((p >> 16) & 0xFF); }
inline int Green(uint32_t p) { return int((p >> 8) & 0xFF); }
inline int Blue(uint32_t p) { return int(p & 0xFF); }

// A neighbour's colour: white where the neighbour is (nearly) transparent.
inline uint32_t Seen(uint32_t p)
{
    return (p >> 24) < 10 ? 0xFFFFFFu : p;
}

inline int Diff3(uint32_t a, uint32_t b)
{
    return std::abs(Red(a) - Red(b)) + std::abs(Green(a) - Green(b)) + std::abs(Blue(a) - Blue(b));
}

enum : uint8_t { KClear = 0, KFlat = 1, KEdge = 2 };

// The turned picture (unpremultiplied) and the shading of its rows.
class Sketcher {
public:
    Sketcher(const QImage& turned, const TexturePlane& texture, const Shading& s)
        : turned_(turned), tex_(texture), s_(s), rw_(turned.width()), rh_(turned.height()),
          cls_(size_t(rw_) * size_t(rh_), KClear)
    {
    }

    int width() const { return rw_; }
    int height() const { return rh_; }

    // Flat or edge for every inner pixel (depends on the picture only).
    void classify()
    {
        platform::ParallelForRange(1, rh_ - 1, 16, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                uint8_t* c = cls_.data() + size_t(y) * size_t(rw_);
                for (int x = 1; x < rw_ - 1; ++x) {
                    int e1 = 0, e2 = 0;
                    c[x] = classOf(y, x, e1, e2);
                }
            }
        });
    }

    // Walks the generator over row y as the shading will, without shading:
    // afterwards rng and hf stand where row y + 1 starts.
    void skipRow(int y, platform::Random& rng, bool& hf) const
    {
        const uint8_t* c = cls_.data() + size_t(y) * size_t(rw_);
        const int rows = tex_.th - 3;
        for (int x = 1; x < rw_ - 1; ++x) {
            if (c[x] == KClear)
                continue;
            if (rng.random(100) >= 92) {
                rng.random(rows);
                hf = rng.random(100) > 50;
            }
            if (c[x] == KFlat) {
                rng.random(2);
            } else {
                hf = rng.random(100) > 50;
                rng.random(rows);
            }
        }
    }

    // Shades row y into row y - 1 of out (premultiplied), drawing from rng
    // with the half-luminance flag hf as they stand at the row's start.
    void shadeRow(int y, platform::Random& rng, bool hf, gfx::Pixel* out) const
    {
        const uint32_t* up = row(y - 1);
        const uint32_t* mid = row(y);
        const uint32_t* down = row(y + 1);
        int tr = y % (tex_.th - 2) + 1;
        for (int x = 1; x < rw_ - 1; ++x) {
            const uint32_t a = mid[x] >> 24;
            if (a < 10) {
                out[x - 1] = 0;
                continue;
            }
            const uint32_t c = mid[x];
            const uint32_t w = Seen(mid[x - 1]);
            const int64_t lum = (3 * Red(c) + 6 * Green(c) + Blue(c)) / 10;
            if (rng.random(100) >= 92) {
                tr = rng.random(tex_.th - 3) + 1;
                hf = rng.random(100) > 50;
            }
            const int64_t e1 = (Diff3(c, w) + Diff3(c, Seen(up[x - 1]))) / 4;
            const int64_t e2 = (Diff3(c, Seen(up[x])) + Diff3(c, Seen(down[x - 1]))) / 4;
            int64_t r, g, b;
            if (e1 < s_.tt && e2 < s_.tt) {
                const int col = std::min<int>(int(2 * lum) + rng.random(2), tex_.tw - 1);
                const int64_t t = tex_.at(tr, col);
                const int64_t rq = Red(w) / 10 * 10, gq = Green(w) / 10 * 10, bq = Blue(w) / 10 * 10;
                int64_t sh = lum - t + 2 * (s_.bt - 127);
                if (hf)
                    sh += lum / 2;
                sh += lum * s_.ct / 64 - s_.ct;
                const int64_t grey = platform::ClampByte((rq + gq + bq) / 3 + sh);
                r = mix(platform::ClampByte(rq + sh), grey);
                g = mix(platform::ClampByte(gq + sh), grey);
                b = mix(platform::ClampByte(bq + sh), grey);
            } else {
                hf = rng.random(100) > 50;
                tr = rng.random(tex_.th - 3) + 1;
                const int64_t k = 2 * s_.d + e1 + e2;
                const int64_t rv = platform::ClampByte(Red(w) - k + 255);
                const int64_t gv = platform::ClampByte(Green(w) - k + 255);
                const int64_t bv = platform::ClampByte(Blue(w) - k + 255);
                const int64_t grey = (rv + gv + bv) / 3;
                r = mix(rv, grey);
                g = mix(gv, grey);
                b = mix(bv, grey);
            }
            out[x - 1] = premultiply(a, uint32_t(r), uint32_t(g), uint32_t(b));
        }
    }

private:
    const uint32_t* row(int y) const { return reinterpret_cast<const uint32_t*>(turned_.constScanLine(y)); }

    uint8_t classOf(int y, int x, int& e1, int& e2) const
    {
        const uint32_t* up = row(y - 1);
        const uint32_t* mid = row(y);
        const uint32_t* down = row(y + 1);
        const uint32_t c = mid[x];
        if ((c >> 24) < 10)
            return KClear;
        e1 = (Diff3(c, Seen(mid[x - 1])) + Diff3(c, Seen(up[x - 1]))) / 4;
        e2 = (Diff3(c, Seen(up[x])) + Diff3(c, Seen(down[x - 1]))) / 4;
        return e1 < s_.tt && e2 < s_.tt ? KFlat : KEdge;
    }

    int64_t mix(int64_t channel, int64_t grey) const
    {
        return platform::ClampByte((s_.ci * channel + (100 - s_.ci) * grey) / 100);
    }

    static gfx::Pixel premultiply(uint32_t a, uint32_t r, uint32_t g, uint32_t b)
    {
        auto mul = [a](uint32_t c) { return (c * a + 127) / 255; };
        return (a << 24) | (mul(r) << 16) | (mul(g) << 8) | mul(b);
    }

    const QImage& turned_;
    const TexturePlane& tex_;
    const Shading s_;
    const int rw_;
    const int rh_;
    std::vector<uint8_t> cls_;
};

// Stored bytes back to straight colour, rounded.
void Unpremultiply(QImage& image)
{
    platform::ParallelForRange(0, image.height(), 32, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            auto* p = reinterpret_cast<uint32_t*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const uint32_t a = p[x] >> 24;
                if (a == 0 || a == 255)
                    continue;
                auto div = [a](uint32_t c) { return std::min<uint32_t>((c * 255 + a / 2) / a, 255); };
                p[x] = (a << 24) | (div((p[x] >> 16) & 0xFF) << 16) | (div((p[x] >> 8) & 0xFF) << 8) |
                       div(p[x] & 0xFF);
            }
        }
    });
}

} // namespace

void PencilSketch1(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5,
                  bool preview)
{
    Shading s;
    s.tt = p1;
    s.d = 2 * int64_t(p2);
    s.bt = platform::Round64(p3 * 2.55);
    s.ct = platform::Round64(p4 * 1.28);
    s.ci = std::clamp(p5, 0, 100);
    platform::Random& rng = RunRandom();
    rng.setSeed(kSeed);
    if (source.isNull() || source.width() <= 0 || source.height() <= 0 || dest.isNull())
        return;
    const int w = source.width();
    const int h = source.height();

    gfx::Image bitmap;
    SyncWithUi([&] { bitmap = Repository().sharedImage(&ImageRepository::pencilTexture); });
    const TexturePlane texture = PlaneOfTexture(bitmap);
    bitmap = {};

    if (!preview)
        SafeUpdateProgress(5);

    const float angle = float(30 * 0.017453292519943295);
    const float cs = float(std::fabs(std::cos(double(angle))));
    const float sn = float(std::fabs(std::sin(double(angle))));
    const int rw = platform::Ceil(double(w) * cs + double(h) * sn);
    const int rh = platform::Ceil(double(w) * sn + double(h) * cs);
    gfx::Surface turnedSurface = gfx::Surface::make(rw, rh);
    if (turnedSurface.isNull())
        return;
    {
        gfx::Canvas canvas(turnedSurface);
        canvas.translate(rw / 2.0, rh / 2.0);
        canvas.rotate(angle);
        canvas.translate(-w / 2.0, -h / 2.0);
        canvas.drawImage(source, 0, 0, gfx::Sampling::Mitchell);
    }
    QImage& turned = turnedSurface.qimage();
    Unpremultiply(turned);

    QImage result(rw, rh, gfx::kPixelFormat);
    if (result.isNull())
        return;
    result.fill(0);

    // The generator's sequence runs through the rows in order; a serial walk
    // finds where it stands at each row, so the rows can be shaded in
    // parallel with the same draws.
    Sketcher sketcher(turned, texture, s);
    sketcher.classify();
    std::vector<uint32_t> rowSeed(size_t(rh), 0);
    std::vector<uint8_t> rowHf(size_t(rh), 0);
    bool hf = false;
    for (int y0 = 1; y0 < rh - 1;) {
        const int y1 = std::min(rh - 1, (y0 / kBand + 1) * kBand);
        int done = y0;
        for (int y = y0; y < y1; ++y) {
            if (IsEffectCancelled())
                break;
            if (y % kBand == 0)
                ReportProgress(dest, preview, platform::Round(90.0 * y / rh + 5));
            rowSeed[size_t(y)] = rng.seed();
            rowHf[size_t(y)] = hf;
            sketcher.skipRow(y, rng, hf);
            done = y + 1;
        }
        platform::ParallelForRange(y0, done, 2, [&](int a, int b) {
            for (int y = a; y < b; ++y) {
                platform::Random rowRng(rowSeed[size_t(y)]);
                sketcher.shadeRow(y, rowRng, rowHf[size_t(y)] != 0,
                                  reinterpret_cast<gfx::Pixel*>(result.scanLine(y - 1)));
            }
        });
        if (done < y1)
            break;
        y0 = y1;
    }

    const gfx::Image sheet = gfx::Image::adopt(std::move(result));
    {
        gfx::Canvas canvas(dest);
        canvas.clear();
        canvas.save();
        canvas.translate(w / 2.0, h / 2.0);
        canvas.rotate(-angle);
        canvas.drawImage(sheet, -rw / 2.0, -rh / 2.0, gfx::Sampling::Mitchell);
        canvas.restore();
    }

    ReportFinished(dest, preview);
}

} // namespace pq
