#include "common.h"

#include <atomic>
#include <limits>
#include <thread>

namespace gen {

uint32_t Hash2(int x, int y, uint32_t seed)
{
    uint32_t h = uint32_t(x) * 0x8DA6B343u ^ uint32_t(y) * 0xD8163841u ^ seed * 0xCB1AB31Fu;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}

namespace {

inline float Fade(float t) { return t * t * t * (t * (t * 6.f - 15.f) + 10.f); }

inline int WrapIndex(int i, int period)
{
    if (period <= 0)
        return i;
    i %= period;
    return i < 0 ? i + period : i;
}

inline float Grad(int ix, int iy, uint32_t seed, float dx, float dy)
{
    // 16 evenly spread unit directions.
    static const float kTable[16][2] = {
        {1.f, 0.f},       {0.9239f, 0.3827f},  {0.7071f, 0.7071f},  {0.3827f, 0.9239f},
        {0.f, 1.f},       {-0.3827f, 0.9239f}, {-0.7071f, 0.7071f}, {-0.9239f, 0.3827f},
        {-1.f, 0.f},      {-0.9239f, -0.3827f}, {-0.7071f, -0.7071f}, {-0.3827f, -0.9239f},
        {0.f, -1.f},      {0.3827f, -0.9239f}, {0.7071f, -0.7071f}, {0.9239f, -0.3827f},
    };
    const float* g = kTable[Hash2(ix, iy, seed) >> 28];
    return g[0] * dx + g[1] * dy;
}

thread_local bool tInsideParallel = false;

} // namespace

float Perlin(float x, float y, int periodX, int periodY, uint32_t seed)
{
    const float fx = std::floor(x);
    const float fy = std::floor(y);
    const int ix = int(fx);
    const int iy = int(fy);
    const float dx = x - fx;
    const float dy = y - fy;
    const int x0 = WrapIndex(ix, periodX);
    const int x1 = WrapIndex(ix + 1, periodX);
    const int y0 = WrapIndex(iy, periodY);
    const int y1 = WrapIndex(iy + 1, periodY);
    const float n00 = Grad(x0, y0, seed, dx, dy);
    const float n10 = Grad(x1, y0, seed, dx - 1.f, dy);
    const float n01 = Grad(x0, y1, seed, dx, dy - 1.f);
    const float n11 = Grad(x1, y1, seed, dx - 1.f, dy - 1.f);
    const float u = Fade(dx);
    const float v = Fade(dy);
    return 1.41f * Mix(Mix(n00, n10, u), Mix(n01, n11, u), v);
}

float Fbm(float x, float y, int periodX, int periodY, int octaves, float gain, uint32_t seed)
{
    float sum = 0.f;
    float amp = 1.f;
    float norm = 0.f;
    for (int o = 0; o < octaves; ++o) {
        sum += amp * Perlin(x, y, periodX, periodY, seed + uint32_t(o) * 1013u);
        norm += amp;
        amp *= gain;
        x *= 2.f;
        y *= 2.f;
        periodX *= 2;
        periodY *= 2;
    }
    return sum / norm;
}

float Field::sample(float x, float y) const
{
    const float fx = std::floor(x);
    const float fy = std::floor(y);
    const int ix = int(fx);
    const int iy = int(fy);
    const float tx = x - fx;
    const float ty = y - fy;
    const float a = wrapAt(ix, iy);
    const float b = wrapAt(ix + 1, iy);
    const float c = wrapAt(ix, iy + 1);
    const float d = wrapAt(ix + 1, iy + 1);
    return Mix(Mix(a, b, tx), Mix(c, d, tx), ty);
}

float Field::sampleClamped(float x, float y) const
{
    const float fx = std::floor(x);
    const float fy = std::floor(y);
    const int ix = int(fx);
    const int iy = int(fy);
    const float tx = x - fx;
    const float ty = y - fy;
    return Mix(Mix(clampAt(ix, iy), clampAt(ix + 1, iy), tx), Mix(clampAt(ix, iy + 1), clampAt(ix + 1, iy + 1), tx), ty);
}

float Field::mean() const
{
    double s = 0;
    for (float f : v)
        s += f;
    return v.empty() ? 0.f : float(s / double(v.size()));
}

float Field::deviation() const
{
    const double m = mean();
    double s = 0;
    for (float f : v)
        s += (f - m) * (f - m);
    return v.empty() ? 0.f : float(std::sqrt(s / double(v.size())));
}

void Field::minMax(float& lo, float& hi) const
{
    lo = std::numeric_limits<float>::max();
    hi = -lo;
    for (float f : v) {
        lo = std::min(lo, f);
        hi = std::max(hi, f);
    }
}

void Field::normalize(float newMean, float newDeviation)
{
    const float m = mean();
    const float d = deviation();
    const float k = d > 1e-9f ? newDeviation / d : 0.f;
    for (float& f : v)
        f = newMean + (f - m) * k;
}

void Field::stretch(float lo, float hi)
{
    float a, b;
    minMax(a, b);
    const float k = b - a > 1e-9f ? (hi - lo) / (b - a) : 0.f;
    for (float& f : v)
        f = lo + (f - a) * k;
}

float FastFbm(float x, float y, uint32_t seed)
{
    // 6 octaves over 16 x 16 lattice cells, measured once and shared.
    static const Field kTable = FbmField(1024, 1024, 16, 16, 6, 0.5f, 0xF00Du);
    const float ox = HashUnit(int(seed), 0, 0xA11u) * 1024.f, oy = HashUnit(int(seed), 1, 0xA11u) * 1024.f;
    return kTable.sample(x * 64.f + ox, y * 64.f + oy) * 1.25f;
}

void ParallelRows(int h, const std::function<void(int)>& fn)
{
    static const int kMaxThreads = [] {
        const int env = qEnvironmentVariableIntValue("PQ_GEN_THREADS");
        return env > 0 ? env : int(std::min(8u, std::max(1u, std::thread::hardware_concurrency())));
    }();
    const int threads = tInsideParallel ? 1 : kMaxThreads;
    if (threads <= 1 || h < 16) {
        for (int y = 0; y < h; ++y)
            fn(y);
        return;
    }
    std::atomic<int> next{0};
    auto work = [&] {
        tInsideParallel = true;
        for (int y; (y = next.fetch_add(1)) < h;)
            fn(y);
        tInsideParallel = false;
    };
    std::vector<std::thread> pool;
    for (int i = 1; i < threads; ++i)
        pool.emplace_back(work);
    work();
    for (auto& t : pool)
        t.join();
}

Field FbmField(int w, int h, int cellsX, int cellsY, int octaves, float gain, uint32_t seed)
{
    Field f(w, h);
    ParallelRows(h, [&](int y) {
        const float v = float(y) * float(cellsY) / float(h);
        for (int x = 0; x < w; ++x)
            f.at(x, y) = Fbm(float(x) * float(cellsX) / float(w), v, cellsX, cellsY, octaves, gain, seed);
    });
    return f;
}

void WorleyField(int w, int h, int cellsX, int cellsY, uint32_t seed, Field* f1, Field* f2)
{
    const float cw = float(w) / float(cellsX);
    const float ch = float(h) / float(cellsY);
    std::vector<float> px(size_t(cellsX) * size_t(cellsY));
    std::vector<float> py(px.size());
    for (int j = 0; j < cellsY; ++j)
        for (int i = 0; i < cellsX; ++i) {
            px[size_t(j) * size_t(cellsX) + size_t(i)] = (float(i) + HashUnit(i, j, seed)) * cw;
            py[size_t(j) * size_t(cellsX) + size_t(i)] = (float(j) + HashUnit(i, j, seed + 77u)) * ch;
        }
    if (f1)
        *f1 = Field(w, h);
    if (f2)
        *f2 = Field(w, h);
    ParallelRows(h, [&](int y) {
        const int cj = std::min(cellsY - 1, int(float(y) / ch));
        for (int x = 0; x < w; ++x) {
            const int ci = std::min(cellsX - 1, int(float(x) / cw));
            float d1 = 1e30f, d2 = 1e30f;
            // One point per cell: the nearest lies within one cell; the
            // second nearest may need a wider search.
            const int reach = f2 ? 2 : 1;
            for (int dj = -reach; dj <= reach; ++dj)
                for (int di = -reach; di <= reach; ++di) {
                    int i = ci + di, j = cj + dj;
                    float ox = 0.f, oy = 0.f;
                    if (i < 0) {
                        i += cellsX;
                        ox = -float(w);
                    } else if (i >= cellsX) {
                        i -= cellsX;
                        ox = float(w);
                    }
                    if (j < 0) {
                        j += cellsY;
                        oy = -float(h);
                    } else if (j >= cellsY) {
                        j -= cellsY;
                        oy = float(h);
                    }
                    const size_t k = size_t(j) * size_t(cellsX) + size_t(i);
                    const float ddx = px[k] + ox - float(x);
                    const float ddy = py[k] + oy - float(y);
                    const float d = ddx * ddx + ddy * ddy;
                    if (d < d1) {
                        d2 = d1;
                        d1 = d;
                    } else if (d < d2) {
                        d2 = d;
                    }
                }
            if (f1)
                f1->at(x, y) = std::sqrt(d1);
            if (f2)
                f2->at(x, y) = std::sqrt(d2);
        }
    });
}

namespace {

void BoxPass(const float* in, float* out, int n, int stride, int r, bool wrap)
{
    if (r <= 0) {
        for (int i = 0; i < n; ++i)
            out[size_t(i) * size_t(stride)] = in[size_t(i) * size_t(stride)];
        return;
    }
    auto get = [&](int i) {
        if (wrap) {
            i %= n;
            if (i < 0)
                i += n;
        } else {
            i = std::clamp(i, 0, n - 1);
        }
        return in[size_t(i) * size_t(stride)];
    };
    const float k = 1.f / float(2 * r + 1);
    double acc = 0;
    for (int i = -r; i <= r; ++i)
        acc += get(i);
    for (int i = 0; i < n; ++i) {
        out[size_t(i) * size_t(stride)] = float(acc) * k;
        acc += get(i + r + 1) - get(i - r);
    }
}

} // namespace

Field Blur(const Field& f, float sigma, bool wrap)
{
    if (sigma <= 0.f)
        return f;
    // Three box passes whose variance matches sigma.
    const int r = std::max(1, int(std::lround(std::sqrt(4.f * sigma * sigma + 1.f) / 2.f)));
    Field a = f;
    Field b(f.w, f.h);
    for (int pass = 0; pass < 3; ++pass) {
        ParallelRows(f.h, [&](int y) { BoxPass(&a.v[size_t(y) * size_t(f.w)], &b.v[size_t(y) * size_t(f.w)], f.w, 1, r, wrap); });
        ParallelRows(f.w, [&](int x) { BoxPass(&b.v[size_t(x)], &a.v[size_t(x)], f.h, f.w, r, wrap); });
    }
    return a;
}

namespace {

// Felzenszwalb and Huttenlocher's 1D squared distance transform.
void Edt1d(const std::vector<float>& f, std::vector<float>& d, int n, std::vector<int>& v, std::vector<float>& z)
{
    const float inf = 1e20f;
    int k = 0;
    v[0] = 0;
    z[0] = -inf;
    z[1] = inf;
    for (int q = 1; q < n; ++q) {
        float s;
        while (true) {
            const int p = v[size_t(k)];
            s = ((f[size_t(q)] + float(q) * float(q)) - (f[size_t(p)] + float(p) * float(p))) / (2.f * float(q - p));
            if (s <= z[size_t(k)] && k > 0)
                --k;
            else
                break;
        }
        ++k;
        v[size_t(k)] = q;
        z[size_t(k)] = s;
        z[size_t(k) + 1] = inf;
    }
    k = 0;
    for (int q = 0; q < n; ++q) {
        while (z[size_t(k) + 1] < float(q))
            ++k;
        const int p = v[size_t(k)];
        d[size_t(q)] = float(q - p) * float(q - p) + f[size_t(p)];
    }
}

} // namespace

Field InsideDistance(const Field& mask)
{
    const int w = mask.w + 2;
    const int h = mask.h + 2;
    const float inf = 1e20f;
    Field g(w, h, 0.f);
    for (int y = 0; y < mask.h; ++y)
        for (int x = 0; x < mask.w; ++x)
            g.at(x + 1, y + 1) = mask.at(x, y) > 0.5f ? inf : 0.f;
    ParallelRows(w, [&](int x) {
        std::vector<float> f(static_cast<size_t>(h)), d(static_cast<size_t>(h)), z(static_cast<size_t>(h) + 1);
        std::vector<int> v(static_cast<size_t>(h));
        for (int y = 0; y < h; ++y)
            f[size_t(y)] = g.at(x, y);
        Edt1d(f, d, h, v, z);
        for (int y = 0; y < h; ++y)
            g.at(x, y) = d[size_t(y)];
    });
    Field out(mask.w, mask.h);
    ParallelRows(h, [&](int y) {
        std::vector<float> f(static_cast<size_t>(w)), d(static_cast<size_t>(w)), z(static_cast<size_t>(w) + 1);
        std::vector<int> v(static_cast<size_t>(w));
        for (int x = 0; x < w; ++x)
            f[size_t(x)] = g.at(x, y);
        Edt1d(f, d, w, v, z);
        if (y >= 1 && y <= mask.h)
            for (int x = 1; x <= mask.w; ++x)
                out.at(x - 1, y - 1) = std::sqrt(d[size_t(x)]);
    });
    return out;
}

Rgb ColorPlane::sample(float x, float y) const
{
    x = std::clamp(x, 0.f, float(w - 1));
    y = std::clamp(y, 0.f, float(h - 1));
    const int ix = std::min(int(x), w - 2 < 0 ? 0 : w - 2);
    const int iy = std::min(int(y), h - 2 < 0 ? 0 : h - 2);
    const float tx = x - float(ix);
    const float ty = y - float(iy);
    const int ix1 = std::min(ix + 1, w - 1);
    const int iy1 = std::min(iy + 1, h - 1);
    return Mix(Mix(at(ix, iy), at(ix1, iy), tx), Mix(at(ix, iy1), at(ix1, iy1), tx), ty);
}

namespace {

inline int ToByte(float v, float dither)
{
    const int b = int(std::floor(v * 255.f + dither));
    return b < 0 ? 0 : (b > 255 ? 255 : b);
}

// A w x h picture whose pixel (x, y) is pixel(x, y), a row per task.
template <class PixelAt>
QImage DrawImage(int w, int h, QImage::Format format, const PixelAt& pixel)
{
    QImage img(w, h, format);
    ParallelRows(h, [&](int y) {
        auto* row = reinterpret_cast<uint32_t*>(img.scanLine(y));
        for (int x = 0; x < w; ++x)
            row[x] = pixel(x, y);
    });
    return img;
}

} // namespace

QImage ToImage(const ColorPlane& p, uint32_t ditherSeed)
{
    return DrawImage(p.w, p.h, QImage::Format_RGB32, [&](int x, int y) {
        const Rgb& c = p.at(x, y);
        const float d = HashUnit(x, y, ditherSeed);
        return 0xFF000000u | uint32_t(ToByte(c.r, d)) << 16 | uint32_t(ToByte(c.g, d)) << 8 | uint32_t(ToByte(c.b, d));
    });
}

QImage ToGreyImage(const Field& f, uint32_t ditherSeed)
{
    return DrawImage(f.w, f.h, QImage::Format_RGB32, [&](int x, int y) {
        const uint32_t g = uint32_t(ToByte(f.at(x, y), HashUnit(x, y, ditherSeed)));
        return 0xFF000000u | g << 16 | g << 8 | g;
    });
}

QImage ToAlphaImage(const Field& alpha, Rgb ink)
{
    return DrawImage(alpha.w, alpha.h, QImage::Format_ARGB32_Premultiplied, [&](int x, int y) {
        const int a = ToByte(alpha.at(x, y), 0.5f);
        const auto pm = [a](float c) { return uint32_t(std::min(a, int(std::lround(Clamp01(c) * float(a))))); };
        return uint32_t(a) << 24 | pm(ink.r) << 16 | pm(ink.g) << 8 | pm(ink.b);
    });
}

Field ShadeRelief(const Field& height, float strength, bool wrap)
{
    Field out(height.w, height.h);
    const float lx = -0.55f, ly = -0.55f, lz = 0.63f;
    ParallelRows(height.h, [&](int y) {
        for (int x = 0; x < height.w; ++x) {
            const auto at = [&](int ax, int ay) { return wrap ? height.wrapAt(ax, ay) : height.clampAt(ax, ay); };
            const float gx = (at(x + 1, y) - at(x - 1, y)) * 0.5f;
            const float gy = (at(x, y + 1) - at(x, y - 1)) * 0.5f;
            const float nx = -gx * strength, ny = -gy * strength, nz = 1.f;
            const float len = std::sqrt(nx * nx + ny * ny + nz * nz);
            out.at(x, y) = std::max(0.f, (nx * lx + ny * ly + nz * lz) / len);
        }
    });
    return out;
}

} // namespace gen

namespace gen {
namespace {

// Where v falls on a side of n: wrapped round, or -1 off the side when
// not wrapping.
int OnSide(int v, int n, bool wrap)
{
    if (!wrap)
        return v < 0 || v >= n ? -1 : v;
    v %= n;
    return v < 0 ? v + n : v;
}

} // namespace

void DrawLine(Field& f, float x0, float y0, float x1, float y1, float width, float amount, bool wrap, bool maxMode)
{
    const float r = width * 0.5f;
    const int bx0 = int(std::floor(std::min(x0, x1) - r - 1.f));
    const int bx1 = int(std::ceil(std::max(x0, x1) + r + 1.f));
    const int by0 = int(std::floor(std::min(y0, y1) - r - 1.f));
    const int by1 = int(std::ceil(std::max(y0, y1) + r + 1.f));
    const float dx = x1 - x0, dy = y1 - y0;
    const float len2 = std::max(1e-6f, dx * dx + dy * dy);
    for (int y = by0; y <= by1; ++y) {
        const int yy = OnSide(y, f.h, wrap);
        if (yy < 0)
            continue;
        for (int x = bx0; x <= bx1; ++x) {
            const int xx = OnSide(x, f.w, wrap);
            if (xx < 0)
                continue;
            const float px = float(x) - x0, py = float(y) - y0;
            const float t = std::clamp((px * dx + py * dy) / len2, 0.f, 1.f);
            const float ex = px - t * dx, ey = py - t * dy;
            const float d = std::sqrt(ex * ex + ey * ey);
            // Thin lines keep their weight through lower peak coverage.
            const float cover = width >= 1.f ? Clamp01(r + 0.5f - d) : Clamp01(1.f - d) * width;
            if (cover <= 0.f)
                continue;
            float& v = f.at(xx, yy);
            if (maxMode)
                v = std::max(v, amount * cover);
            else
                v += amount * cover;
        }
    }
}

} // namespace gen
