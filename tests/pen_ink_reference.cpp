#include "pen_ink_reference.h"

#include "gfx/band_canvas.h"
#include "gfx/canvas.h"
#include "gfx/filters.h"
#include "gfx/surface.h"
#include "platform/numeric.h"

#include <QImage>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <utility>
#include <vector>

namespace peninkref {
namespace {

using platform::Round;

int R(uint32_t p) { return int((p >> 16) & 255); }
int G(uint32_t p) { return int((p >> 8) & 255); }
int B(uint32_t p) { return int(p & 255); }
int A(uint32_t p) { return int(p >> 24); }

uint32_t Argb(int a, int r, int g, int b)
{
    return uint32_t(a) << 24 | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b);
}

// Channel times alpha Over 255, to the nearest integer.
int TimesAlpha(int c, int a)
{
    return (c * a + 127) / 255;
}

// A straight colour at alpha a as the shape calls take it (Premultiplied).
uint32_t InkColour(int a, int r, int g, int b)
{
    return Argb(a, TimesAlpha(r, a), TimesAlpha(g, a), TimesAlpha(b, a));
}

gfx::Image ImageOf(const std::vector<uint32_t>& px, int w, int h)
{
    QImage q(w, h, gfx::kPixelFormat);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            reinterpret_cast<uint32_t*>(q.scanLine(y))[x] = px[size_t(y) * w + x];
    return gfx::Image::adopt(std::move(q));
}

std::vector<uint32_t> PixelsOf(const gfx::Image& img)
{
    std::vector<uint32_t> px(size_t(img.width()) * img.height());
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            px[size_t(y) * img.width() + x] = img.pixel(x, y);
    return px;
}

// ---- Contours ---------------------------------------------------------------

// What the outline mask and the comic print's contours do differently.
struct ContourRules {
    float sigma = 1.0f;
    int windowRadius = 6;
    int minChain = 4;
    std::function<int(int n, int h)> opacity;
    int baseRadius = 0;
    bool againstGradient = true; // dot centre one pixel toward the dark side
    int discExtra = 0;           // disc offsets Reach r + discExtra
    double fringe = 0.5;         // covered when D <= r + fringe
    double edgeShare = 0.4, cornerShare = 0.12;
};

int HighThreshold(int strength)
{
    if (strength <= 50)
        return Round(800.0 - 12.0 * strength);
    return std::max(20, Round(200.0 - 3.6 * (strength - 50)));
}

std::vector<uint8_t> Contours(const gfx::Image& src, int strength, const ContourRules& rules)
{
    const int w = src.width(), h = src.height();
    std::vector<uint8_t> mask(size_t(w) * h, 0);
    if (w < 3 || h < 3)
        return mask;
    auto indexOf = [w](int x, int y) { return size_t(y) * w + x; };
    auto inside = [w, h](int x, int y) { return x >= 0 && y >= 0 && x < w && y < h; };

    const int high = HighThreshold(strength);
    const int low = (3 * high) / 10;
    const float highRatio = float(3.5 - 0.02 * strength);
    const float lowRatio = float(double(highRatio) * 0.5);

    // Luma of the blurred pixels.
    const gfx::Image blurred = gfx::GaussianBlur(src, rules.sigma, rules.sigma, gfx::EdgeMode::Clamp);
    std::vector<int> luma(size_t(w) * h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t p = blurred.pixel(x, y);
            const int a = A(p);
            if (a == 0)
                luma[indexOf(x, y)] = 0;
            else if (a == 255)
                luma[indexOf(x, y)] = (299 * R(p) + 587 * G(p) + 114 * B(p)) / 1000;
            else {
                auto un = [a](int c) { return std::clamp(c * 255.0 / a, 0.0, 255.0); };
                luma[indexOf(x, y)] = Round(0.299 * un(R(p)) + 0.587 * un(G(p)) + 0.114 * un(B(p)));
            }
        }

    // Sobel inside the border.
    std::vector<int> gx(size_t(w) * h, 0), gy(size_t(w) * h, 0), mag(size_t(w) * h, 0);
    for (int y = 1; y <= h - 2; ++y)
        for (int x = 1; x <= w - 2; ++x) {
            auto l = [&](int dx, int dy) { return luma[indexOf(x + dx, y + dy)]; };
            const int sx = l(1, -1) + 2 * l(1, 0) + l(1, 1) - l(-1, -1) - 2 * l(-1, 0) - l(-1, 1);
            const int sy = l(-1, 1) + 2 * l(0, 1) + l(1, 1) - l(-1, -1) - 2 * l(0, -1) - l(1, -1);
            gx[indexOf(x, y)] = sx;
            gy[indexOf(x, y)] = sy;
            mag[indexOf(x, y)] = std::abs(sx) + std::abs(sy);
        }

    // Integral image of the magnitude.
    const int sw = w + 1;
    std::vector<int64_t> sums(size_t(sw) * (h + 1), 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            sums[size_t(y + 1) * sw + x + 1] =
                sums[size_t(y) * sw + x + 1] + mag[indexOf(x, y)] + sums[size_t(y + 1) * sw + x] - sums[size_t(y) * sw + x];

    // Non-maximum suppression.
    std::vector<int> nms(size_t(w) * h, 0);
    for (int y = 1; y <= h - 2; ++y)
        for (int x = 1; x <= w - 2; ++x) {
            const int m = mag[indexOf(x, y)];
            if (m < low)
                continue;
            const int ax = std::abs(gx[indexOf(x, y)]), ay = std::abs(gy[indexOf(x, y)]);
            int ox; // offsets of the first neighbour compared; the second is opposite
            int oy;
            if (ax == 0) {
                ox = 0, oy = -1;
            } else if (ay == 0) {
                ox = -1, oy = 0;
            } else {
                const int ratio = (ay * 1000) / ax;
                if (ratio <= 413)
                    ox = -1, oy = 0;
                else if (ratio >= 2415)
                    ox = 0, oy = -1;
                else if (gx[indexOf(x, y)] * gy[indexOf(x, y)] > 0)
                    ox = -1, oy = -1;
                else
                    ox = 1, oy = -1;
            }
            if (m >= mag[indexOf(x + ox, y + oy)] && m >= mag[indexOf(x - ox, y - oy)])
                nms[indexOf(x, y)] = m;
        }

    // Classification against the local mean.
    std::vector<int> cls(size_t(w) * h, 0);
    const int windowRadius = rules.windowRadius;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int suppressed = nms[indexOf(x, y)];
            if (suppressed == 0)
                continue;
            const int x0 = std::max(0, x - windowRadius), x1 = std::min(w - 1, x + windowRadius);
            const int y0 = std::max(0, y - windowRadius), y1 = std::min(h - 1, y + windowRadius);
            const int64_t sum = sums[size_t(y1 + 1) * sw + x1 + 1] - sums[size_t(y0) * sw + x1 + 1] -
                                sums[size_t(y1 + 1) * sw + x0] + sums[size_t(y0) * sw + x0];
            const int mean = int(sum / (int64_t(x1 - x0 + 1) * (y1 - y0 + 1)));
            if (suppressed >= high && suppressed >= Round(mean * double(highRatio)))
                cls[indexOf(x, y)] = 2;
            else if (suppressed >= low && suppressed >= Round(mean * double(lowRatio)))
                cls[indexOf(x, y)] = 1;
        }

    // Hysteresis from every strong pixel; chains that are too short go.
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (cls[indexOf(x, y)] != 2)
                continue;
            std::vector<std::pair<int, int>> stack{{x, y}}, chain;
            cls[indexOf(x, y)] = 255;
            while (!stack.empty()) {
                const auto [px, py] = stack.back();
                stack.pop_back();
                chain.emplace_back(px, py);
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = px + dx, ny = py + dy;
                        if ((dx != 0 || dy != 0) && inside(nx, ny) &&
                            (cls[indexOf(nx, ny)] == 1 || cls[indexOf(nx, ny)] == 2)) {
                            cls[indexOf(nx, ny)] = 255;
                            stack.emplace_back(nx, ny);
                        }
                    }
            }
            const int mark = int(chain.size()) < rules.minChain ? 0 : 3;
            for (const auto& [cx, cy] : chain)
                cls[indexOf(cx, cy)] = mark;
        }

    // Stamping: every write keeps the Larger value.
    auto raise = [&](int x, int y, int v) {
        if (inside(x, y) && v > mask[indexOf(x, y)])
            mask[indexOf(x, y)] = uint8_t(std::min(v, 255));
    };
    const int baseRadius = rules.baseRadius;
    const int largest = baseRadius + std::max(1, baseRadius / 2);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (cls[indexOf(x, y)] != 3)
                continue;
            const int suppressed = nms[indexOf(x, y)];
            const int opacity = rules.opacity(suppressed, high);
            if (opacity <= 0)
                continue;
            int r = baseRadius;
            if (baseRadius > 0) {
                int64_t sum = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        if (inside(x + dx, y + dy))
                            sum += std::abs(gx[indexOf(x + dx, y + dy)] - gx[indexOf(x, y)]) +
                                   std::abs(gy[indexOf(x + dx, y + dy)] - gy[indexOf(x, y)]);
                const float disorder = float(double(sum) / (9.0 * suppressed));
                if (disorder > 0.35 && disorder < 1.5)
                    r = std::min(baseRadius + Round((disorder - 0.35) * baseRadius * 1.5), largest);
            }
            int cx = x, cy = y;
            if (rules.againstGradient) {
                if (gx[indexOf(x, y)] > 0)
                    cx = x - 1;
                else if (gx[indexOf(x, y)] < 0)
                    cx = x + 1;
                if (gy[indexOf(x, y)] > 0)
                    cy = y - 1;
                else if (gy[indexOf(x, y)] < 0)
                    cy = y + 1;
                cx = std::clamp(cx, 0, w - 1);
                cy = std::clamp(cy, 0, h - 1);
            }
            if (r == 0) {
                raise(cx, cy, opacity);
                const int edge = Round(rules.edgeShare * opacity), corner = Round(rules.cornerShare * opacity);
                for (const auto& [dx, dy] : {std::pair{-1, 0}, {1, 0}, {0, -1}, {0, 1}})
                    raise(cx + dx, cy + dy, edge);
                for (const auto& [dx, dy] : {std::pair{-1, -1}, {1, -1}, {-1, 1}, {1, 1}})
                    raise(cx + dx, cy + dy, corner);
                continue;
            }
            const int reach = r + rules.discExtra;
            for (int dy = -reach; dy <= reach; ++dy)
                for (int dx = -reach; dx <= reach; ++dx) {
                    const float distance = float(std::sqrt(double(dx * dx + dy * dy)));
                    if (r + rules.fringe >= distance) {
                        const float coverage = float(std::clamp(r + rules.fringe - distance, 0.0, 1.0));
                        raise(cx + dx, cy + dy, Round(opacity * double(coverage)));
                    }
                }
        }
    return mask;
}

// ---- Generators -------------------------------------------------------------

// The crosshatch's own generator.
struct HatchGenerator {
    uint32_t state = 0x9E3779B1u;
    float next()
    {
        state = state * 1664525u + 1013904223u;
        return float((state >> 8) * (1.0 / 16777216.0));
    }
};

// The program's shared generator.
struct SharedGenerator {
    uint32_t seed;
    void step() { seed = seed * 134775813u + 1u; }
    double real()
    {
        step();
        return seed / 4294967296.0;
    }
    int random(int n)
    {
        step();
        return int((uint64_t(seed) * uint64_t(n)) >> 32);
    }
};

// A polyline stroked with round caps, or a polygon filled, on the whole surface.
void StrokeLine(gfx::Surface& s, std::vector<QPointF> pts, double width, uint32_t colour, gfx::ShapeBlend blend)
{
    gfx::BandCanvas(s, 0, s.height()).strokePolyline(pts, width, colour, blend);
}

void FillShape(gfx::Surface& s, std::vector<QPointF> pts, uint32_t colour, gfx::ShapeBlend blend)
{
    gfx::BandCanvas(s, 0, s.height()).fillPolygon(pts, colour, blend);
}

} // namespace

std::vector<uint8_t> OutlineMask(const gfx::Image& src, int strength, int thickness)
{
    const int w = src.width(), h = src.height();
    ContourRules rules;
    rules.sigma = 1.0f;
    rules.windowRadius = std::min(14, std::max(6, std::min(w, h) / 120));
    rules.minChain = std::max(4, std::min(w, h) / 300);
    const float strengthFactor = float(strength / 100.0 * 0.7 + 0.3);
    const float thicknessFactor = float(thickness / 100.0 * 0.4 + 0.6);
    rules.opacity = [=](int suppressed, int high) {
        return std::min(255, Round((strength / 5 + (suppressed * 175) / std::max(1, high) + 20) * double(strengthFactor) * double(thicknessFactor)));
    };
    rules.baseRadius = Round(0.03 * thickness);
    rules.againstGradient = true;
    rules.discExtra = 0;
    rules.fringe = 0.5;
    rules.edgeShare = 0.4;
    rules.cornerShare = 0.12;
    return Contours(src, strength, rules);
}

std::vector<uint8_t> ComicContourMask(const gfx::Image& src, int p5, int cell)
{
    ContourRules rules;
    rules.sigma = float(p5 / 100.0 + 1.0);
    rules.windowRadius = std::max(6, cell);
    rules.minChain = std::max(5, Round(0.6 * cell));
    rules.opacity = [=](int suppressed, int high) { return std::min(255, p5 / 5 + (suppressed * 150) / std::max(1, high) + 30); };
    rules.baseRadius = p5 > 25 ? std::min(12, Round((p5 - 20) / 20.0 * cell / 9.0)) : 0;
    rules.againstGradient = false;
    rules.discExtra = 1;
    rules.fringe = 1.0;
    rules.edgeShare = 0.65;
    rules.cornerShare = 0.3;
    return Contours(src, p5, rules);
}

// ---- Crosshatch -------------------------------------------------------------

gfx::Image Crosshatch(const gfx::Image& src, int p1, int p2, int p3, int p4, int p5)
{
    const int w = src.width(), h = src.height();
    if (w < 2 || h < 2)
        return ImageOf(std::vector<uint32_t>(size_t(w) * h, 0), w, h);
    auto indexOf = [w](int x, int y) { return size_t(y) * w + x; };
    auto inside = [w, h](int x, int y) { return x >= 0 && y >= 0 && x < w && y < h; };

    float spacing = float(30 - p1 / 100.0 * 28);
    if (spacing < 1.6f)
        spacing = 1.6f;
    const float t = float((p3 - 50) / 50.0);
    const float lengthBase = float(p4 / 100.0 * 147 + 3);
    const float widthBase = float(p5 / 100.0 * 3.2 + 0.3);
    const float irregularity = 0.2f;
    const float offsets[6] = {0, 90, 45, 135, 20, 110};
    const float thresholds[6] = {0.84f, 0.60f, 0.43f, 0.28f, 0.15f, 0.06f};
    const float spacings[6] = {1.0f, 1.0f, 1.05f, 0.92f, 0.80f, 0.72f};

    // Tone of the blurred bytes through the contrast curve.
    const gfx::Image blurred = gfx::GaussianBlur(src, 1.0f, 1.0f, gfx::EdgeMode::Clamp);
    std::vector<float> tone(size_t(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t p = blurred.pixel(x, y);
            const float u = float((0.299 * R(p) + 0.587 * G(p) + 0.114 * B(p)) / 255);
            const double du = u;
            const float v = float(du + (0.45 * t + 0.5) * (du * du * (3 - 2 * du) - du));
            float k = float((v - 0.5) * (0.5 * t + 1.2) + 0.5);
            if (k < 0)
                k = 0;
            if (k > 1)
                k = 1;
            tone[indexOf(x, y)] = k;
        }

    // Structure tensor.
    std::vector<float> jxx(size_t(w) * h), jxy(size_t(w) * h), jyy(size_t(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const float gx = tone[indexOf(std::min(x + 1, w - 1), y)] - tone[indexOf(std::max(x - 1, 0), y)];
            const float gy = tone[indexOf(x, std::min(y + 1, h - 1))] - tone[indexOf(x, std::max(y - 1, 0))];
            jxx[indexOf(x, y)] = gx * gx;
            jxy[indexOf(x, y)] = gx * gy;
            jyy[indexOf(x, y)] = gy * gy;
        }

    // Box mean of one line: a clipped window, its running sum in singles.
    auto lineMean = [](const std::vector<float>& in, int radius) {
        const int n = int(in.size());
        std::vector<float> out(static_cast<size_t>(n));
        float sum = 0;
        for (int i = 0; i <= std::min(radius, n - 1); ++i)
            sum += in[size_t(i)];
        for (int i = 0; i < n; ++i) {
            if (i > 0) {
                if (i + radius <= n - 1)
                    sum += in[size_t(i + radius)];
                if (i - radius - 1 >= 0)
                    sum -= in[size_t(i - radius - 1)];
            }
            const int count = std::min(i + radius, n - 1) - std::max(i - radius, 0) + 1;
            out[size_t(i)] = sum / float(count);
        }
        return out;
    };
    const int radius = std::clamp(Round(spacing), 2, 24);
    for (std::vector<float>* grid : {&jxx, &jxy, &jyy}) {
        std::vector<float>& g = *grid;
        for (int y = 0; y < h; ++y) {
            std::vector<float> line(static_cast<size_t>(w));
            for (int x = 0; x < w; ++x)
                line[size_t(x)] = g[indexOf(x, y)];
            line = lineMean(line, radius);
            for (int x = 0; x < w; ++x)
                g[indexOf(x, y)] = line[size_t(x)];
        }
        for (int x = 0; x < w; ++x) {
            std::vector<float> line(static_cast<size_t>(h));
            for (int y = 0; y < h; ++y)
                line[size_t(y)] = g[indexOf(x, y)];
            line = lineMean(line, radius);
            for (int y = 0; y < h; ++y)
                g[indexOf(x, y)] = line[size_t(y)];
        }
    }

    // Orientation along the Tone edges.
    const float a = 0.7853982f;
    const float bx = float(0.0007 * std::cos(2.0 * a)), by = float(0.0007 * std::sin(2.0 * a));
    std::vector<float> theta(size_t(w) * h);
    for (size_t i = 0; i < theta.size(); ++i)
        theta[i] = float(0.5 * std::atan2(2.0 * jxy[i] + by, (double(jxx[i]) - jyy[i]) + bx) + 1.5707963);

    // How far a stroke may run along (dx, dy) while the Tone stays near.
    auto trace = [&](float cx, float cy, float dx, float dy, float maxLength, float ref) -> float {
        for (double d = 1.5; d <= maxLength; d += 1.5) {
            const int sx = Round(float(cx + dx * d)), sy = Round(float(cy + dy * d));
            if (!inside(sx, sy) || std::abs(double(tone[indexOf(sx, sy)]) - ref) > 0.16)
                return float(d - 1.5);
        }
        return maxLength;
    };

    gfx::Surface sheet = gfx::Surface::make(w, h);
    sheet.clearPixel(0xFFFFFFFFu);
    HatchGenerator rng;
    for (int k = 0; k < 6; ++k) {
        const float threshold = thresholds[k];
        float s = float(double(spacing) * spacings[k]);
        if (s < 1.6f)
            s = 1.6f;
        for (float y = s / 2; y < h; y += s)
            for (float x = s / 2; x < w; x += s) {
                const float px = float(x + (rng.next() - 0.5) * s * (0.9 * irregularity + 0.7));
                const float py = float(y + (rng.next() - 0.5) * s * (0.9 * irregularity + 0.7));
                const int ix = Round(px), iy = Round(py);
                if (!inside(ix, iy))
                    continue;
                const float toneHere = tone[indexOf(ix, iy)];
                if (!(threshold + (rng.next() - 0.5) * 0.07 > toneHere))
                    continue;
                const float m = float(offsets[k] * 0.0174533 + 0.2 * std::sin(0.012 * px + 0.015 * py + k));
                const float ts = float(double(theta[indexOf(ix, iy)]) + m + (rng.next() - 0.5) * (0.55 * irregularity + 0.1));
                const float half = float(float(lengthBase * (rng.next() * (0.6 * irregularity + 0.85) + 0.28)) * 0.5);
                const float c = float(std::cos(double(ts))), n = float(std::sin(double(ts)));
                const float back = trace(px, py, -c, -n, half, toneHere);
                const float forward = trace(px, py, c, n, half, toneHere);
                if (back + double(forward) < 1.5)
                    continue;
                const float wgt = float(float((threshold - double(toneHere)) / (threshold + 0.001)) * 0.46 + 0.28);
                const int alpha = Round(wgt * 255.0);
                const float width = float(widthBase * (rng.next() * 0.6 + 0.8));
                const float bend = float((rng.next() - 0.5) * (widthBase + 0.09 * (double(back) + forward)) * (irregularity + 0.4));
                // Path points are singles.
                const std::vector<QPointF> path = {
                    {float(px - c * double(back)), float(py - n * double(back))},
                    {float(px - n * double(bend)), float(py + c * double(bend))},
                    {float(px + c * double(forward)), float(py + n * double(forward))}};
                StrokeLine(sheet, path, width, InkColour(alpha, 18, 18, 18), gfx::ShapeBlend::Multiply);
            }
    }

    std::vector<uint8_t> mask;
    if (p2 > 0)
        mask = OutlineMask(src, p2, p5);
    std::vector<uint32_t> out(size_t(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t p = sheet.row(y)[x];
            int value = (R(p) + G(p) + B(p)) / 3;
            if (!mask.empty() && mask[indexOf(x, y)] > 0) {
                const int maskValue = mask[indexOf(x, y)];
                value = (value * (255 - maskValue) + 18 * maskValue) / 255;
            }
            out[indexOf(x, y)] = A(src.pixel(x, y)) >= 10 ? Argb(255, value, value, value) : 0;
        }
    return ImageOf(out, w, h);
}

// ---- Felt-tip pen -----------------------------------------------------------

gfx::Image FeltTipPen(const gfx::Image& src, int p1, int p2, int p3, int p4, int p5, bool preview, bool erase,
                      const gfx::Image& previous, uint32_t seed)
{
    const int w = src.width(), h = src.height();
    auto indexOf = [w](int x, int y) { return size_t(y) * w + x; };
    auto inside = [w, h](int x, int y) { return x >= 0 && y >= 0 && x < w && y < h; };
    auto grey = [](uint32_t p) { return (30 * R(p) + 59 * G(p) + 11 * B(p)) / 100; };

    const int density = std::clamp(p1, 0, 100), opacity = std::clamp(p2, 0, 100), edgeIntensity = std::clamp(p5, 0, 100);
    const int step = std::max(1, Round((20 - 0.19 * density) / 1.5));
    const int strokeAlpha = Round(double(float(opacity / 100.0)) * 255);
    const int lengthBase = std::max(2, p3);
    const float widthBase = std::clamp(float(p4 / 4.0), 1.0f, 25.0f);
    const int edgeThreshold = std::max(5, 100 - edgeIntensity);
    const int hatchCount = std::max(1, Round(edgeIntensity / 20.0));
    SharedGenerator rng{seed};

    // Gradients of the Grey, left minus right and top minus bottom.
    std::vector<int> mag(size_t(w) * h, 0);
    std::vector<float> angle(size_t(w) * h, 0.0f);
    for (int y = 1; y <= h - 2; ++y)
        for (int x = 1; x <= w - 2; ++x) {
            auto g = [&](int dx, int dy) { return grey(src.pixel(x + dx, y + dy)); };
            const int sobelX = (g(-1, -1) + 2 * g(-1, 0) + g(-1, 1)) - (g(1, -1) + 2 * g(1, 0) + g(1, 1));
            const int sobelY = (g(-1, -1) + 2 * g(0, -1) + g(1, -1)) - (g(-1, 1) + 2 * g(0, 1) + g(1, 1));
            mag[indexOf(x, y)] = std::abs(sobelX) + std::abs(sobelY);
            if (sobelX != 0 || sobelY != 0)
                angle[indexOf(x, y)] = float(std::atan2(double(sobelY), double(sobelX)) + 1.5707);
        }

    gfx::Surface dest = gfx::Surface::make(w, h);
    if (preview || erase) {
        dest.clearPixel(0xFFFFFFFFu);
    } else if (!previous.isNull()) {
        gfx::Canvas canvas(dest);
        canvas.clear();
        canvas.drawImage(previous, 0, 0);
    }

    // Marker strokes.
    for (int y = 0; y < h; ++y) {
        if (y % step != 0)
            continue;
        for (int x = 0; x < w; x += step) {
            const uint32_t pixel = src.pixel(x, y);
            const int lum = grey(pixel);
            if (lum > 250)
                continue;
            if (rng.real() > 1 - lum / 400.0)
                continue;

            int c[3] = {R(pixel), G(pixel), B(pixel)};
            const int mx = std::max({c[0], c[1], c[2]}), mn = std::min({c[0], c[1], c[2]});
            if (mx - mn >= 35) {
                const int boost = std::clamp(2 * (mx - mn - 35), 0, 40);
                int boosted[3];
                for (int i = 0; i < 3; ++i) {
                    boosted[i] = c[i];
                    if (c[i] == mx)
                        boosted[i] = std::min(255, boosted[i] + boost);
                    if (c[i] == mn)
                        boosted[i] = std::max(0, boosted[i] - boost / 2);
                }
                std::copy(boosted, boosted + 3, c);
            }
            for (int& v : c)
                v = std::min(255, v + 20);

            float th;
            bool stopAtEdges;
            if (mag[indexOf(x, y)] > 40) {
                th = angle[indexOf(x, y)];
                stopAtEdges = false;
            } else {
                th = float(((rng.real() - 0.5) * 40 - 45) * 0.01745329252);
                stopAtEdges = true;
            }
            const float length = float(std::max(4.0, lengthBase * (rng.real() * 1.2 + 0.8)));
            const int steps = Round(length * 0.5);
            auto walk = [&](int sign) {
                int count = 0;
                for (int i = 1; i <= steps; ++i) {
                    const int sx = x + sign * Round(i * std::cos(double(th)));
                    const int sy = y + sign * Round(i * std::sin(double(th)));
                    if (!inside(sx, sy))
                        break;
                    if (stopAtEdges && mag[indexOf(sx, sy)] > std::max(50, edgeThreshold))
                        break;
                    const uint32_t q = src.pixel(sx, sy);
                    if (i > 0.2 * length && std::abs(c[0] - R(q)) + std::abs(c[1] - G(q)) + std::abs(c[2] - B(q)) > 90)
                        break;
                    ++count;
                }
                return count;
            };
            int forward = walk(1), backward = walk(-1);
            if (forward + backward < 2)
                forward = backward = 2;
            const float strokeWidth = float(std::max(1.5, widthBase * (rng.real() * 0.4 + 0.8)));
            const float jx = float((rng.real() - 0.5) * step * 0.5);
            const float jy = float((rng.real() - 0.5) * step * 0.5);
            const float tx = float(double(x) + jx), ty = float(double(y) + jy);
            // The rectangle turned by th about (tx, ty); corners as singles.
            const double cs = std::cos(double(th)), sn = std::sin(double(th));
            auto corner = [&](double u, double v) { return QPointF(float(tx + u * cs - v * sn), float(ty + u * sn + v * cs)); };
            const std::vector<QPointF> rect = {corner(-backward, -strokeWidth / 2.0), corner(forward, -strokeWidth / 2.0),
                                               corner(forward, strokeWidth / 2.0), corner(-backward, strokeWidth / 2.0)};
            FillShape(dest, rect, InkColour(strokeAlpha, c[0], c[1], c[2]), gfx::ShapeBlend::Multiply);
        }
    }

    // Ink hatching along the strong edges.
    if (edgeIntensity > 2) {
        for (int y = 2; y <= h - 3; y += 2)
            for (int x = 2; x <= w - 3; x += 2) {
                const int edge = mag[indexOf(x, y)];
                if (edge <= edgeThreshold)
                    continue;
                const float s = std::min(1.0f, float((edge - edgeThreshold) / 250.0));
                const int greyValue = std::clamp(Round(0.4 * grey(src.pixel(x, y))) + rng.random(40) - 20, 10, 110);
                const int alpha = std::clamp(Round(8.0 * s) + Round(0.45 * edgeIntensity) + 2, 3, 100);
                const float width = float(0.5 * s + 0.5);
                const int count = Round(hatchCount * double(s)) + 1;
                const float th = angle[indexOf(x, y)];
                const float hatchLength = float(std::max(3.0, (0.7 * s + 0.3) * 15));
                const int ex = x + Round(std::cos(double(th)) * hatchLength * 0.5);
                const int ey = y + Round(std::sin(double(th)) * hatchLength * 0.5);
                if (ex < 2 || ex > w - 3 || ey < 2 || ey > h - 3)
                    continue;
                float d = float(std::abs(double(th) - angle[indexOf(ex, ey)]));
                if (d > 3.141592654)
                    d = float(6.283185307 - d);
                if (d > 0.8)
                    continue;
                for (int i = 0; i < count; ++i) {
                    const float jx = float((rng.real() - 0.5) * 1.5);
                    const float jy = float((rng.real() - 0.5) * 1.5);
                    const float tickLength = float(hatchLength * (0.3 * rng.real() + 0.7));
                    const float da = float((rng.real() - 0.5) * 0.2);
                    const float hx = float(std::cos(double(th) + da) * tickLength * 0.5);
                    const float hy = float(std::sin(double(th) + da) * tickLength * 0.5);
                    const float x0 = float(double(x) - hx + jx), y0 = float(double(y) - hy + jy);
                    const float x1 = float(double(x) + hx + jx), y1 = float(double(y) + hy + jy);
                    const float b = float((rng.real() - 0.5) * 3);
                    const float qx = float((x0 + double(x1)) / 2 - b * (double(y1) - y0) * 0.1);
                    const float qy = float((y0 + double(y1)) / 2 + b * (double(x1) - x0) * 0.1);
                    // The shape calls have no curves: the quadratic goes down
                    // as straight pieces about 3 px long (2 to 16), its bulge
                    // counted four times.
                    const double chord = std::hypot(double(x1) - x0, double(y1) - y0);
                    const double bulge = std::hypot(qx - (x0 + double(x1)) / 2, qy - (y0 + double(y1)) / 2);
                    const int pieces = std::clamp(int(std::ceil((chord + 4 * bulge) / 3)), 2, 16);
                    std::vector<QPointF> curve;
                    for (int j = 0; j <= pieces; ++j) {
                        const double u = double(j) / pieces;
                        curve.emplace_back((1 - u) * (1 - u) * x0 + 2 * (1 - u) * u * qx + u * u * x1,
                                           (1 - u) * (1 - u) * y0 + 2 * (1 - u) * u * qy + u * u * y1);
                    }
                    StrokeLine(dest, curve, width, InkColour(alpha, greyValue, greyValue, greyValue), gfx::ShapeBlend::Multiply);
                }
            }
    }

    // Every pixel times the source's alpha.
    std::vector<uint32_t> out = PixelsOf(dest.snapshot());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int sa = A(src.pixel(x, y));
            const uint32_t p = out[indexOf(x, y)];
            out[indexOf(x, y)] = Argb(TimesAlpha(A(p), sa), TimesAlpha(R(p), sa), TimesAlpha(G(p), sa), TimesAlpha(B(p), sa));
        }
    return ImageOf(out, w, h);
}

// ---- Comic print ------------------------------------------------------------

gfx::Image ComicPrint(const gfx::Image& src, int p1, int p2, int p3, int p4, int p5)
{
    const int w = src.width(), h = src.height();
    if (w < 2 || h < 2)
        return ImageOf(std::vector<uint32_t>(size_t(w) * h, 0), w, h);
    auto indexOf = [w](int x, int y) { return size_t(y) * w + x; };

    const int cell = Round(0.36 * p1) + 4;
    const float halfCell = float(cell / 2.0);
    const float maxFactor = float(p3 / 100.0);
    float minFactor = float(p2 / 100.0);
    if (minFactor > maxFactor)
        minFactor = maxFactor;
    const float k = float(p4 / 50.0);

    // Separation into C, M, Y, K bytes.
    const gfx::Image sep =
        cell <= 8 ? src : gfx::GaussianBlur(src, float(cell / 6.0), float(cell / 6.0), gfx::EdgeMode::Clamp);
    std::vector<int> ink[4]; // C, M, cornerY, black
    for (auto& g : ink)
        g.assign(size_t(w) * h, 0);
    auto toByte = [](double v) { return Round(std::clamp(v * 255, 0.0, 255.0)); };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t p = sep.pixel(x, y);
            const int a = A(p);
            if (a == 0)
                continue;
            float c[3] = {float(R(p)), float(G(p)), float(B(p))};
            if (a < 255)
                for (float& v : c)
                    v = float(std::clamp(v * 255.0 / a, 0.0, 255.0));
            const float lum = float(0.299 * c[0] + 0.587 * c[1] + 0.114 * c[2]);
            for (float& v : c)
                v = float(std::clamp((lum * 10000.0 + (v - double(lum)) * 14500) / 10000, 0.0, 255.0));
            const float black = float(1 - std::max({c[0], c[1], c[2]}) / 255.0);
            if (black >= 0.999f) {
                ink[3][indexOf(x, y)] = 255;
                continue;
            }
            const float u = float(std::clamp(0.65 - 0.15 * k, 0.25, 0.75));
            const float blackShare = float(double(black) * u);
            for (int i = 0; i < 3; ++i) {
                float v = float((1 - c[i] / 255.0 - blackShare) / (1 - double(blackShare)));
                if (k < 1)
                    v = float(v * double(k));
                else if (k > 1)
                    v = float(std::min(1.0, v * double(k)));
                ink[i][indexOf(x, y)] = toByte(v);
            }
            ink[3][indexOf(x, y)] = toByte(black);
        }

    // The inks on their screens, printed Y, C, M, K.
    struct Screen {
        int ink;
        float angle;
        int r, g, b;
    };
    const Screen screens[4] = {{2, 0.0f, 255, 247, 0},
                               {0, 0.2617994f, 0, 200, 255},
                               {1, 1.308997f, 255, 0, 144},
                               {3, 0.7853982f, 20, 20, 20}};
    std::vector<uint32_t> paper(size_t(w) * h, 0xFFFFFFFFu);
    for (const Screen& sc : screens) {
        if (k < 0.1 && sc.ink != 3)
            continue;
        gfx::Surface layer = gfx::Surface::make(w, h);
        layer.clearPixel(0xFFFFFFFFu);
        const float sn = float(std::sin(double(sc.angle))), cs = float(std::cos(double(sc.angle)));
        double uLo = 1e300, uHi = -1e300, vLo = 1e300, vHi = -1e300;
        for (const auto& [cornerX, cornerY] : {std::pair{0, 0}, {w, 0}, {0, h}, {w, h}}) {
            const float u = float((cornerX * double(cs) + cornerY * double(sn)) / cell);
            const float v = float((-cornerX * double(sn) + cornerY * double(cs)) / cell);
            uLo = std::min(uLo, double(u)), uHi = std::max(uHi, double(u));
            vLo = std::min(vLo, double(v)), vHi = std::max(vHi, double(v));
        }
        const int uMin = int(std::floor(uLo)) - 1, uMax = int(std::ceil(uHi)) + 1;
        const int vMin = int(std::floor(vLo)) - 1, vMax = int(std::ceil(vHi)) + 1;
        for (int v = vMin; v <= vMax; ++v)
            for (int u = uMin; u <= uMax; ++u) {
                const int uc = u * cell, vc = v * cell;
                const float x = float(uc * double(cs) - vc * double(sn));
                const float y = float(uc * double(sn) + vc * double(cs));
                const int ix = Round(x), iy = Round(y);
                if (!(-cell <= ix && ix < w + cell && -cell <= iy && iy < h + cell))
                    continue;
                const int sx = std::clamp(ix, 0, w - 1), sy = std::clamp(iy, 0, h - 1);
                if (A(src.pixel(sx, sy)) == 0)
                    continue;
                float a = float(ink[sc.ink][indexOf(sx, sy)] / 255.0);
                if (a > 0)
                    a = float(std::pow(double(a), 0.75));
                float r = float(halfCell * double(maxFactor) * std::pow(double(a), 0.75));
                r = float(std::max(double(r), halfCell * double(minFactor)));
                if (r < 0.4)
                    continue;
                gfx::BandCanvas(layer, 0, h).fillCircle(QPointF(x, y), r, Argb(255, sc.r, sc.g, sc.b),
                                                         gfx::ShapeBlend::SrcOver);
            }
        // Multiplied onto the paper (both Opaque).
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const uint32_t s = layer.row(y)[x], d = paper[indexOf(x, y)];
                paper[indexOf(x, y)] = Argb(255, TimesAlpha(R(s), R(d)), TimesAlpha(G(s), G(d)), TimesAlpha(B(s), B(d)));
            }
    }
    std::vector<uint32_t> out =
        PixelsOf(gfx::GaussianBlur(ImageOf(paper, w, h), 0.4f, 0.4f, gfx::EdgeMode::Clamp));

    if (p5 > 0) {
        const std::vector<uint8_t> mask = ComicContourMask(src, p5, cell);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int m = mask[indexOf(x, y)];
                if (A(src.pixel(x, y)) > 0 && m > 0) {
                    const uint32_t p = out[indexOf(x, y)];
                    out[indexOf(x, y)] =
                        Argb(A(p), R(p) * (255 - m) / 255, G(p) * (255 - m) / 255, B(p) * (255 - m) / 255);
                }
            }
    }

    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int a = A(src.pixel(x, y));
            const uint32_t p = out[indexOf(x, y)];
            if (a == 0)
                out[indexOf(x, y)] = 0;
            else if (a < 255)
                out[indexOf(x, y)] = Argb(a, R(p) * a / 255, G(p) * a / 255, B(p) * a / 255);
        }
    return ImageOf(out, w, h);
}

} // namespace peninkref
