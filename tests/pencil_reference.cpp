#include "pencil_reference.h"

#include "gfx/canvas.h"
#include "gfx/surface.h"
#include "platform/numeric.h"
#include "platform/random.h"

#include <QImage>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <utility>
#include <vector>

namespace pencilref {
namespace {

int R(uint32_t p) { return int((p >> 16) & 255); }
int G(uint32_t p) { return int((p >> 8) & 255); }
int B(uint32_t p) { return int(p & 255); }
int A(uint32_t p) { return int(p >> 24); }

int64_t ClampByte(int64_t v)
{
    return std::clamp<int64_t>(v, 0, 255);
}

uint32_t Argb(int a, int r, int g, int b)
{
    return uint32_t(a) << 24 | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b);
}

gfx::Image ImageOf(const std::vector<uint32_t>& px, int w, int h)
{
    QImage q(w, h, gfx::kPixelFormat);
    for (int y = 0; y < h; ++y)
        std::copy(px.begin() + ptrdiff_t(y) * w, px.begin() + ptrdiff_t(y + 1) * w,
                  reinterpret_cast<uint32_t*>(q.scanLine(y)));
    return gfx::Image::adopt(std::move(q));
}

} // namespace

gfx::Image PencilSketch1(const gfx::Image& src, int p1, int p2, int p3, int p4, int p5, const gfx::Image& texture)
{
    const int64_t threshold = p1, darkness = 2 * int64_t(p2);
    const int64_t brightness = platform::Round64(p3 * 2.55), contrast = platform::Round64(p4 * 1.28);
    const int64_t ci = std::clamp(p5, 0, 100);
    platform::Random rng(1969);
    const int w = src.width(), h = src.height();

    int tw = 100, th = 100;
    std::vector<int> tex(100 * 100, 128);
    if (!texture.isNull() && texture.height() >= 3) {
        tw = texture.width();
        th = texture.height();
        tex.assign(size_t(tw) * th, 0);
        for (int y = 0; y < th; ++y)
            for (int x = 0; x < tw; ++x) {
                const uint32_t p = texture.pixel(x, y);
                tex[size_t(y) * tw + x] = (R(p) + G(p) + B(p)) / 3;
            }
    }

    const float a = float(30 * 0.017453292519943295);
    const float cs = float(std::fabs(std::cos(double(a)))), sn = float(std::fabs(std::sin(double(a))));
    const int rotatedWidth = platform::Ceil(double(w) * cs + double(h) * sn);
    const int rotatedHeight = platform::Ceil(double(w) * sn + double(h) * cs);
    gfx::Surface rot = gfx::Surface::make(rotatedWidth, rotatedHeight);
    {
        gfx::Canvas canvas(rot);
        canvas.translate(rotatedWidth / 2.0, rotatedHeight / 2.0);
        canvas.rotate(a);
        canvas.translate(-w / 2.0, -h / 2.0);
        canvas.drawImage(src, 0, 0, gfx::Sampling::Mitchell);
    }
    // Unpremultiplied, rounded.
    auto px = [&](int x, int y) -> uint32_t {
        const uint32_t p = rot.row(y)[x];
        const int al = A(p);
        if (al == 0)
            return p;
        auto un = [al](int c) { return std::min((c * 255 + al / 2) / al, 255); };
        return Argb(al, un(R(p)), un(G(p)), un(B(p)));
    };
    auto seen = [&](int x, int y) -> uint32_t {
        const uint32_t p = px(x, y);
        return A(p) < 10 ? 0xFFFFFFFFu : p;
    };
    auto diff = [](uint32_t p, uint32_t q) {
        return std::abs(R(p) - R(q)) + std::abs(G(p) - G(q)) + std::abs(B(p) - B(q));
    };

    std::vector<uint32_t> out(size_t(rotatedWidth) * rotatedHeight, 0);
    bool hf = false;
    for (int y = 1; y <= rotatedHeight - 2; ++y) {
        int tr = y % (th - 2) + 1;
        for (int x = 1; x <= rotatedWidth - 2; ++x) {
            const uint32_t centre = px(x, y);
            const int al = A(centre);
            if (al < 10) {
                out[size_t(y - 1) * rotatedWidth + (x - 1)] = 0;
                continue;
            }
            const uint32_t west = seen(x - 1, y), northWest = seen(x - 1, y - 1), north = seen(x, y - 1), southWest = seen(x - 1, y + 1);
            const int64_t lum = (3 * R(centre) + 6 * G(centre) + B(centre)) / 10;
            if (rng.random(100) >= 92) {
                tr = rng.random(th - 3) + 1;
                hf = rng.random(100) > 50;
            }
            const int64_t edge1 = (diff(centre, west) + diff(centre, northWest)) / 4;
            const int64_t edge2 = (diff(centre, north) + diff(centre, southWest)) / 4;
            int64_t ch[3];
            if (edge1 < threshold && edge2 < threshold) {
                const int col = std::min<int>(int(2 * lum) + rng.random(2), tw - 1);
                const int64_t t = tex[size_t(tr) * tw + col];
                const int64_t redQ = R(west) / 10 * 10, greenQ = G(west) / 10 * 10, blueQ = B(west) / 10 * 10;
                int64_t s = lum - t + 2 * (brightness - 127);
                if (hf)
                    s = s + lum / 2;
                s = s + (lum * contrast) / 64 - contrast;
                const int64_t g = (redQ + greenQ + blueQ) / 3;
                const int64_t redP = ClampByte(redQ + s), greenP = ClampByte(greenQ + s), blueP = ClampByte(blueQ + s);
                const int64_t gp = ClampByte(g + s);
                ch[0] = ClampByte((ci * redP + (100 - ci) * gp) / 100);
                ch[1] = ClampByte((ci * greenP + (100 - ci) * gp) / 100);
                ch[2] = ClampByte((ci * blueP + (100 - ci) * gp) / 100);
            } else {
                hf = rng.random(100) > 50;
                tr = rng.random(th - 3) + 1;
                const int64_t k = 2 * darkness + edge1 + edge2;
                const int64_t redV = ClampByte(R(west) - k + 255), greenV = ClampByte(G(west) - k + 255),
                              blueV = ClampByte(B(west) - k + 255);
                const int64_t g = (redV + greenV + blueV) / 3;
                ch[0] = ClampByte((ci * redV + (100 - ci) * g) / 100);
                ch[1] = ClampByte((ci * greenV + (100 - ci) * g) / 100);
                ch[2] = ClampByte((ci * blueV + (100 - ci) * g) / 100);
            }
            out[size_t(y - 1) * rotatedWidth + (x - 1)] = Argb(al, int(ch[0]), int(ch[1]), int(ch[2]));
        }
    }
    for (uint32_t& p : out) {
        const int al = A(p);
        auto mul = [al](int c) { return (c * al + 127) / 255; };
        p = Argb(al, mul(R(p)), mul(G(p)), mul(B(p)));
    }
    gfx::Surface dest = gfx::Surface::make(w, h);
    {
        gfx::Canvas canvas(dest);
        canvas.clear();
        canvas.save();
        canvas.translate(w / 2.0, h / 2.0);
        canvas.rotate(-a);
        canvas.drawImage(ImageOf(out, rotatedWidth, rotatedHeight), -rotatedWidth / 2.0, -rotatedHeight / 2.0, gfx::Sampling::Mitchell);
        canvas.restore();
    }
    return dest.snapshot();
}

gfx::Image PencilSketch2(const gfx::Image& src, int p1, int p2, int p3, int p4, int p5, bool preview, uint32_t seed)
{
    platform::Random rng(seed);
    const int64_t quality = platform::Round64(std::min(p5, 200) * 2.5);
    const int64_t lmax = int64_t(p2) + 5, lmin = std::min<int64_t>(p1, lmax);
    const int64_t baseCount = int64_t(std::min(p3, 200)) * 20 + 100;
    const int w = src.width(), h = src.height();
    const size_t n = size_t(w) * h;
    auto at = [w](int x, int y) { return size_t(y) * w + x; };
    auto alpha = [&](int x, int y) { return A(src.pixel(x, y)); };

    bool transparent = false;
    for (size_t i = 0; i < std::min<size_t>(n, 2001); ++i)
        if (A(src.pixel(int(i % w), int(i / w))) < 250)
            transparent = true;
    std::vector<uint32_t> sheet(n, 0xFFFFFFFFu);
    std::vector<int> target(n);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t p = src.pixel(x, y);
            if (transparent && A(p) < 10)
                sheet[at(x, y)] = 0;
            target[at(x, y)] = A(p) <= 10 ? 255 : (3 * R(p) + 6 * G(p) + B(p)) / 10;
        }
    std::vector<uint32_t> trial = sheet;
    auto greyOf = [](uint32_t p) { return A(p) == 0 ? 255 : G(p); };

    std::vector<int> mag(n, 0);
    std::vector<float> ang(n, 0.0f);
    std::vector<double> hx(n, 0.0), hy(n, 0.0);
    for (int y = 1; y <= h - 2; ++y)
        for (int x = 1; x <= w - 2; ++x) {
            auto t = [&](int dx, int dy) { return target[at(x + dx, y + dy)]; };
            const int gx = 47 * t(-1, -1) + 162 * t(-1, 0) + 47 * t(-1, 1) - 47 * t(1, -1) - 162 * t(1, 0) -
                           47 * t(1, 1);
            const int gy = 47 * t(-1, -1) + 162 * t(0, -1) + 47 * t(1, -1) - 47 * t(-1, 1) - 162 * t(0, 1) -
                           47 * t(1, 1);
            const int m = std::abs(gx) + std::abs(gy);
            float angle;
            if (m > 3000) {
                angle = float(std::atan2(double(gy), double(gx)));
                angle = float(double(angle) + 1.5707);
            } else {
                angle = rng.random(100) > 50 ? 2.6415927f : 2.7415926f;
            }
            if (angle < 0)
                angle = float(double(angle) + 6.283185307179586);
            if (angle > 3.141592653589793)
                angle = float(double(angle) - 3.141592653589793);
            mag[at(x, y)] = m;
            ang[at(x, y)] = angle;
            hx[at(x, y)] = std::cos(double(angle)) / 2;
            hy[at(x, y)] = std::sin(double(angle)) / 2;
        }
    for (size_t i = 0; i < n; ++i)
        if (mag[i] == 0) {
            ang[i] = 2.6415927f;
            hx[i] = std::cos(2.641592653589793) / 2;
            hy[i] = std::sin(2.641592653589793) / 2;
        }

    const int64_t maxi = preview ? baseCount : platform::Round64(double(w) * double(h) / 40000.0 * double(baseCount)) + 1;
    for (int64_t i = 0; i <= maxi; ++i) {
        const int64_t pct = i * 100 / std::max<int64_t>(maxi, 1);
        const int64_t strokes = pct <= 5 ? 26 : i * 4 / std::max<int64_t>(maxi, 1) + 1;
        int64_t tries = quality <= 127 ? (110 - pct) / ((128 - quality) / 25 + 1) : (110 - pct) * ((quality - 127) / 15 + 1);
        if (pct < 5)
            tries = tries / 4;
        for (int64_t s = 0; s < strokes; ++s) {
            int64_t best = 0, stale = 0;
            int bestTone = 0;
            std::vector<std::pair<int, int>> bestLine;
            for (int64_t cand = 0; cand <= tries; ++cand) {
                int x, y;
                for (;;) {
                    x = std::min(rng.random(w - 2) + 1, w - 1);
                    y = std::min(rng.random(h - 2) + 1, h - 1);
                    const int d = alpha(x, y) >= 10 ? std::abs(target[at(x, y)] - greyOf(sheet[at(x, y)])) : 0;
                    const int r = rng.random(int(pct * 5));
                    if (!(d < r && pct > 4))
                        break;
                }
                const int tone = (2 * greyOf(sheet[at(x, y)]) + target[at(x, y)]) / 3;
                const int64_t aLen = rng.random(int(std::clamp<int64_t>(lmax / 2 - pct + 100, INT_MIN, INT_MAX))) / 3;
                const int64_t bLen = rng.random(std::min(mag[at(x, y)] / 2500, 40));
                int64_t length = std::min(lmax, aLen + bLen + lmin + 3);
                const double cx = hx[at(x, y)], cy = hy[at(x, y)];
                const int px = int(std::clamp<int64_t>(x + platform::Round64(length * cx), 0, w - 1));
                const int py = int(std::clamp<int64_t>(y + platform::Round64(length * cy), 0, h - 1));
                double turn = std::fabs(double(ang[at(x, y)]) - double(ang[at(px, py)]));
                if (turn > 3.141592653589793)
                    turn = 6.283185307179586 - turn;
                if (turn > 1.05)
                    length = std::max<int64_t>(length / 3, 1);
                const int64_t ox = platform::Round64(length * cx), oy = platform::Round64(length * cy);
                int x0 = int(std::clamp<int64_t>(x - ox, 0, w - 1)), y0 = int(std::clamp<int64_t>(y - oy, 0, h - 1));
                const int x1 = int(std::clamp<int64_t>(x + ox, 0, w - 1)),
                          y1 = int(std::clamp<int64_t>(y + oy, 0, h - 1));
                const int dx = std::abs(x1 - x0), dy = std::abs(y1 - y0);
                if (dx > 2000 || dy > 2000)
                    continue;
                std::vector<std::pair<int, int>> line;
                const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
                int err = dx - dy;
                for (;;) {
                    line.emplace_back(x0, y0);
                    if (x0 == x1 && y0 == y1)
                        break;
                    const int e2 = 2 * err;
                    if (e2 > -dy) {
                        err -= dy;
                        x0 += sx;
                    }
                    if (e2 < dx) {
                        err += dx;
                        y0 += sy;
                    }
                }
                for (const auto& [lx, ly] : line)
                    trial[at(lx, ly)] = sheet[at(lx, ly)];
                const int np = int(line.size()), c = np / 2;
                for (int k = 0; k < np; ++k) {
                    const auto [lx, ly] = line[size_t(k)];
                    if (alpha(lx, ly) < 10)
                        continue;
                    const int f = np == 1 ? 0 : std::clamp(384 * std::abs(k - c) / (np - 1), 0, 255);
                    const int g = ((255 - f) * tone + f * greyOf(trial[at(lx, ly)])) / 255;
                    trial[at(lx, ly)] = 0xFF000000u | uint32_t(g) * 0x010101u;
                }
                int64_t score = 0;
                for (const auto& [lx, ly] : line)
                    score += std::abs(greyOf(trial[at(lx, ly)]) - target[at(lx, ly)]);
                for (const auto& [lx, ly] : line)
                    score -= std::abs(greyOf(sheet[at(lx, ly)]) - target[at(lx, ly)]);
                if (score < best) {
                    best = score;
                    bestTone = tone;
                    bestLine = line;
                    stale = 0;
                }
                stale = stale + 1;
                if (stale >= tries / 20 + 5) {
                    if (best < 0)
                        break;
                    stale = 0;
                }
            }
            if (best < 0) {
                const int np = int(bestLine.size()), c = np / 2;
                for (int k = 0; k < np; ++k) {
                    const auto [lx, ly] = bestLine[size_t(k)];
                    if (alpha(lx, ly) < 10)
                        continue;
                    const int f = np == 1 ? 64 : std::clamp(384 * std::abs(k - c) / (np - 1) + 64, 0, 255);
                    const int g = ((255 - f) * bestTone + f * greyOf(sheet[at(lx, ly)])) / 255;
                    sheet[at(lx, ly)] = 0xFF000000u | uint32_t(g) * 0x010101u;
                }
            }
        }
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t& p = sheet[at(x, y)];
            if (alpha(x, y) >= 10 && A(p) > 200 && R(p) + G(p) + B(p) < 540) {
                const int v = std::max(0, G(p) - mag[at(x, y)] / 1800);
                p = Argb(255, v, v, v);
            }
        }
    gfx::Surface dest = gfx::Surface::make(w, h);
    {
        gfx::Canvas canvas(dest);
        canvas.clear();
        canvas.drawImage(ImageOf(sheet, w, h), 0, 0);
        if (p4 > 0) {
            gfx::Paint paint;
            paint.blend = gfx::BlendMode::Color;
            paint.color = QColor(0, 0, 0, int(std::min<int64_t>(255, platform::Round64(p4 / 100.0 * 255))));
            canvas.drawImage(src, 0, 0, gfx::Sampling::Mitchell, &paint);
        }
    }
    return dest.snapshot();
}

gfx::Image PencilSketch3(const gfx::Image& src, int p1, int p2, int p3, int p4, int p5)
{
    platform::Random rng(0x9E3779B1u);
    auto scaled = [](int planes) { return std::clamp(platform::Round(planes * 2.55), 0, 255); };
    const int average = scaled(p1), lengthScale = scaled(p2), blending = scaled(p3), contrastScale = scaled(p4), colour = scaled(p5);
    const int w = src.width(), h = src.height();
    const size_t n = size_t(w) * h;
    auto indexOf = [w](int x, int y) { return size_t(y) * w + x; };

    std::vector<int> smooth[3] = {std::vector<int>(n), std::vector<int>(n), std::vector<int>(n)};
    std::vector<int> al(n);
    std::vector<int> planes[3] = {std::vector<int>(n, 255), std::vector<int>(n, 255), std::vector<int>(n, 255)};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t p = src.pixel(x, y);
            const int a = A(p);
            al[indexOf(x, y)] = a;
            const int c[3] = {R(p), G(p), B(p)};
            for (int k = 0; k < 3; ++k)
                smooth[k][indexOf(x, y)] = a < 10 ? 255 : c[k] + 255 - a;
        }

    if (contrastScale > 0) {
        int64_t mean[3];
        for (int k = 0; k < 3; ++k) {
            int64_t sum = 0;
            for (size_t i = 0; i < n; ++i)
                sum += smooth[k][i];
            mean[k] = sum / int64_t(n);
        }
        const int pw = w + 18, ph = h + 18;
        std::vector<int> pad[3];
        for (int k = 0; k < 3; ++k) {
            pad[k].resize(size_t(pw) * ph);
            for (int y = 0; y < ph; ++y)
                for (int x = 0; x < pw; ++x)
                    pad[k][size_t(y) * pw + x] = smooth[k][indexOf(std::clamp(x - 9, 0, w - 1), std::clamp(y - 9, 0, h - 1))];
        }
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                for (int k = 0; k < 3; ++k) {
                    int64_t s = 0;
                    for (int dy = -4; dy <= 4; ++dy)
                        for (int dx = -4; dx <= 4; ++dx)
                            s += pad[k][size_t(y + 9 + dy) * pw + (x + 9 + dx)];
                    const int64_t c = pad[k][size_t(y + 9) * pw + (x + 9)];
                    const int64_t v =
                        c + platform::Round64(double((c - (((s - c) / 80) * 2 + mean[k]) / 3) * contrastScale) / 100.0);
                    smooth[k][indexOf(x, y)] = int(std::clamp<int64_t>(v, 0, 255));
                }
    }
    auto sum = [&](int x, int y) { return smooth[0][indexOf(x, y)] + smooth[1][indexOf(x, y)] + smooth[2][indexOf(x, y)]; };

    const int64_t maxi =
        platform::Round64((average * 100.0 + 1000) * std::min(35.0, w / 200.0) * std::min(35.0, h / 200.0));
    const double decay = lengthScale / 1500.0 + 0.7;
    const int divisor = (255 - lengthScale) / 8 + 8;
    for (int64_t i = 0; i <= maxi && w >= 3 && h >= 3; ++i) {
        int rx, ry, x, y;
        for (;;) {
            rx = rng.random(w);
            ry = rng.random(h);
            x = std::clamp(rx, 1, w - 2);
            y = std::clamp(ry, 1, h - 2);
            const int e = rng.random(255);
            if (e > sum(x, y) / 3)
                break;
        }
        int maxGx = INT_MIN, maxGy = INT_MIN;
        for (int k = 0; k < 3; ++k) {
            auto s = [&](int dx, int dy) { return smooth[k][indexOf(x + dx, y + dy)]; };
            const int gy =
                (3 * s(-1, -1) + 10 * s(0, -1) + 3 * s(1, -1)) - (3 * s(-1, 1) + 10 * s(0, 1) + 3 * s(1, 1));
            const int gx =
                (3 * s(-1, -1) + 10 * s(-1, 0) + 3 * s(-1, 1)) - (3 * s(1, -1) + 10 * s(1, 0) + 3 * s(1, 1));
            maxGx = std::max(maxGx, gx);
            maxGy = std::max(maxGy, gy);
        }
        const int gradient = std::abs(maxGx) + std::abs(maxGy);
        float m;
        if (gradient > blending + 1) {
            m = float(double(float(std::atan2(double(maxGy), double(maxGx)))) + 1.5707);
        } else if (rng.random(100) < 27) {
            m = rng.random(100) <= 50 ? 3.81229f : 0.6707f;
        } else {
            m = rng.random(100) <= 50 ? 2.74159f : -0.4f;
        }
        double p = double((768 - sum(x, y)) / 64);
        double fx = rx, fy = ry;
        for (int count = 0; count < 5000;) {
            const size_t at = indexOf(x, y);
            const int deviation = ((planes[0][at] + planes[1][at] + planes[2][at]) - sum(x, y)) / divisor;
            if (deviation <= -5) {
                const int v = std::min(255, platform::Round(1.1 * smooth[0][at]));
                planes[0][at] = planes[1][at] = planes[2][at] = v;
            } else {
                const int z = std::max(deviation, 0);
                planes[0][at] = (planes[0][at] * (255 - z)) / 256;
                planes[1][at] = planes[2][at] = planes[0][at];
            }
            double d = 0;
            if (rng.random(100) >= 25) {
                int best = 768;
                for (int k = 0; k < 16; ++k) {
                    const double a = -1.2 + k * 0.17142857142857143;
                    const int cx = platform::Round(fx + std::cos(double(m) + a));
                    const int cy = platform::Round(fy + std::sin(double(m) + a));
                    if (cx > 0 && cy > 0 && cx < w - 1 && cy < h - 1 && sum(cx, cy) < best + blending / 3) {
                        best = sum(cx, cy);
                        d = a;
                    }
                }
            }
            if (gradient < blending + 1)
                d = rng.randomReal() * 0.3 - 0.15;
            fx = fx + std::cos(double(m) + d);
            fy = fy + std::sin(double(m) + d);
            x = platform::Round(fx);
            y = platform::Round(fy);
            count = count + 1;
            p = p * decay;
            if (p < 0.01)
                break;
            if (x < 1)
                x = 1, fx = 1;
            if (y < 1)
                y = 1, fy = 1;
            if (x >= w - 1)
                x = w - 2, fx = w - 2;
            if (y >= h - 1)
                y = h - 2, fy = h - 2;
        }
    }

    std::vector<uint32_t> out(n);
    const double u = colour / 255.0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const size_t at = indexOf(x, y);
            const int g = planes[0][at];
            int o[3] = {g, g, g};
            if (colour > 0 && g <= 200) {
                const int c[3] = {smooth[0][at], smooth[1][at], smooth[2][at]};
                const int lum = (30 * c[0] + 59 * c[1] + 11 * c[2]) / 100;
                const int chroma = std::max({c[0], c[1], c[2]}) - std::min({c[0], c[1], c[2]});
                int tint[3] = {g, g, g};
                if (!(chroma < 10 || lum < 5)) {
                    double ratio = double(g) / lum;
                    if (ratio < 0.7)
                        ratio = 0.7 * ratio + 0.21;
                    const double s = std::min(1.0, chroma / 50.0);
                    for (int k = 0; k < 3; ++k) {
                        const int t = std::clamp(platform::Round(c[k] * ratio), 0, 255);
                        tint[k] = platform::Round(g * (1 - s) + t * s);
                    }
                }
                for (int k = 0; k < 3; ++k)
                    o[k] = platform::Round(g * (1 - u) + tint[k] * u);
            }
            const int a = al[at];
            out[at] = Argb(a, o[0] * a / 255, o[1] * a / 255, o[2] * a / 255);
        }
    return ImageOf(out, w, h);
}

} // namespace pencilref
