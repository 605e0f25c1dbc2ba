// Brush sheets, the template-matching atlas and the round brush tips.
#include "images.h"

#include "common.h"
#include "marks.h"

#include <QPainter>

#include <cstdio>

namespace gen {

namespace {

constexpr int kCell = 256;

// What the painting effects need of a mark: it passes their cell test (a
// pixel of the middle column at y = 64..192 with alpha above 10), it has a
// clear long axis, and it keeps clear of the cell's border.
bool UsableMark(const Field& a, int margin)
{
    bool kept = false;
    for (int y : {64, 96, 128, 160, 192})
        kept |= a.at(kCell / 2, y) * 255.f > 12.f;
    if (!kept)
        return false;
    double w = 0, sx = 0, sy = 0;
    for (int y = 0; y < a.h; ++y)
        for (int x = 0; x < a.w; ++x) {
            const float v = a.at(x, y);
            if (v > 0.f && (x < margin || y < margin || x >= a.w - margin || y >= a.h - margin))
                return false;
            w += v;
            sx += v * x;
            sy += v * y;
        }
    if (w < 500)
        return false;
    const double cx = sx / w, cy = sy / w;
    double mxx = 0, myy = 0, mxy = 0;
    for (int y = 0; y < a.h; ++y)
        for (int x = 0; x < a.w; ++x) {
            const double v = a.at(x, y);
            mxx += v * (x - cx) * (x - cx);
            myy += v * (y - cy) * (y - cy);
            mxy += v * (x - cx) * (y - cy);
        }
    const double tr = mxx + myy, det = mxx * myy - mxy * mxy;
    const double disc = std::sqrt(std::max(0.0, tr * tr / 4 - det));
    return (tr / 2 - disc) > 0 && (tr / 2 + disc) / (tr / 2 - disc) > 2.2;
}

// Draws marks until one is usable, shrinking it a little on every retry.
Field FindMark(const std::function<Field(uint32_t, float)>& draw, uint32_t seed, int margin = 6)
{
    float shrink = 1.f;
    for (int attempt = 0; attempt < 24; ++attempt) {
        Field f = draw(seed + uint32_t(attempt) * 7919u, shrink);
        if (UsableMark(f, margin)) {
            if (qEnvironmentVariableIsSet("PQ_GEN_TIMES") && attempt > 0)
                std::fprintf(stderr, "mark %u: %d retries\n", seed, attempt);
            return f;
        }
        if (attempt % 2 == 1)
            shrink *= 0.93f;
    }
    return draw(seed, 0.6f);
}

float Sign(Rng& r) { return r.chance(0.5) ? 1.f : -1.f; }

// One bristle mark of the default (impasto) sheet.
Field DefaultMark(int index, uint32_t seed, float shrink)
{
    Rng r(seed);
    BristleSpec sp;
    float length = float(r.range(190, 228));
    float angle = float(r.range(-0.35, 0.35));
    float curv = 0.f;
    switch (index % 8) {
    case 0: // loaded flat brush
        sp.width = float(r.range(80, 100));
        sp.dryness = float(r.range(0.25, 0.45));
        sp.startRound = 0.2f;
        sp.endTaper = 0.15f;
        break;
    case 1: // round brush, tapering
        sp.width = float(r.range(48, 64));
        sp.startRound = 0.6f;
        sp.endTaper = 0.85f;
        sp.taperLength = 0.45f;
        sp.dryness = 0.3f;
        sp.bristle = 1.8f;
        curv = Sign(r) * float(r.range(1.0 / 500, 1.0 / 260));
        break;
    case 2: // dry-brush scumble
        sp.width = float(r.range(80, 105));
        sp.dryness = float(r.range(0.7, 0.9));
        sp.dryStart = float(r.range(0.1, 0.3));
        sp.bristle = 2.8f;
        sp.clump = 0.5f;
        sp.fray = 0.2f;
        break;
    case 3: // curved filbert
        sp.width = float(r.range(62, 80));
        sp.startRound = 0.5f;
        sp.endTaper = 0.5f;
        sp.dryness = 0.45f;
        curv = Sign(r) * float(r.range(1.0 / 260, 1.0 / 170));
        break;
    case 4: // short heavy dab
        sp.width = float(r.range(74, 92));
        length = float(r.range(150, 175));
        sp.dryness = 0.2f;
        sp.startRound = 0.45f;
        sp.endTaper = 0.3f;
        sp.ridge = 0.2f;
        break;
    case 5: // wide flat, streaky
        sp.width = float(r.range(95, 112));
        sp.bristle = 3.2f;
        sp.clump = 0.55f;
        sp.dryness = 0.55f;
        sp.startRound = 0.15f;
        break;
    case 6: // thin rigger line with a dry tail
        sp.width = float(r.range(30, 40));
        sp.startRound = 0.8f;
        sp.endTaper = 0.9f;
        sp.taperLength = 0.5f;
        sp.dryness = 0.6f;
        sp.bristle = 1.5f;
        curv = Sign(r) * float(r.range(1.0 / 400, 1.0 / 220));
        break;
    default: // worn brush with split bristles
        sp.width = float(r.range(70, 90));
        sp.clump = 0.7f;
        sp.bristle = 2.5f;
        sp.fray = 0.28f;
        sp.dryness = 0.5f;
        sp.rough = 0.1f;
        break;
    }
    sp.width *= shrink;
    length *= shrink;
    const StrokeGeom g = StrokeGeom::centred(128.f, 128.f, angle, length, curv);
    return BristleMark(kCell, kCell, g, sp, seed);
}

Field PastelMark(int index, uint32_t seed, float shrink)
{
    Rng r(seed);
    const Field tooth = PastelTooth(kCell, kCell, seed + 100);
    Field pressure(kCell, kCell);
    const float angle = float(r.range(-0.3, 0.3));
    auto add = [&](const StrokeGeom& g, const PastelSpec& sp, uint32_t s) {
        const Field p = PastelPressure(kCell, kCell, g, sp, s);
        for (size_t i = 0; i < p.v.size(); ++i)
            pressure.v[i] = std::max(pressure.v[i], p.v[i]);
    };
    PastelSpec sp;
    switch (index % 4) {
    case 0: { // side of the stick: a broad band with square ends
        sp.width = float(r.range(70, 100)) * shrink;
        sp.squareEnds = 1.f;
        sp.pressure = float(r.range(0.8, 0.9));
        sp.crumble = 0.12f;
        add(StrokeGeom::centred(128, 128, angle, float(r.range(190, 220)) * shrink, 0.f), sp, seed);
        break;
    }
    case 1: { // tip stroke, firm then lifting
        sp.width = float(r.range(34, 50)) * shrink;
        sp.pressure = float(r.range(0.85, 1.0));
        sp.fade = 0.55f;
        add(StrokeGeom::centred(128, 128, angle, float(r.range(190, 225)) * shrink,
                                Sign(r) * float(r.range(0, 1.0 / 300))),
            sp, seed);
        break;
    }
    case 2: { // a row of short hatching strokes
        const int n = 5 + r.below(3);
        const float span = float(r.range(170, 200)) * shrink;
        const float tilt = float(r.range(0.5, 0.9)) * Sign(r);
        for (int k = 0; k < n; ++k) {
            PastelSpec h;
            h.width = float(r.range(18, 26)) * shrink;
            h.pressure = float(r.range(0.85, 0.97));
            h.fade = 0.3f;
            const float along = (float(k) / float(n - 1) - 0.5f) * span;
            const float cx = 128 + std::cos(angle) * along, cy = 128 + std::sin(angle) * along;
            add(StrokeGeom::centred(cx, cy, angle + kPi / 2 + tilt * 0.5f, float(r.range(80, 100)) * shrink, 0.f), h,
                seed + uint32_t(k) * 31u);
        }
        break;
    }
    default: { // zigzag scribble filling a band
        const int n = 7 + r.below(3);
        const float span = float(r.range(170, 200)) * shrink;
        const float amp = float(r.range(38, 48)) * shrink;
        float px = 128 - std::cos(angle) * span / 2, py = 128 - std::sin(angle) * span / 2;
        for (int k = 1; k <= n; ++k) {
            const float along = (float(k) / float(n) - 0.5f) * span;
            const float off = (k % 2 ? amp : -amp);
            const float nx = 128 + std::cos(angle) * along - std::sin(angle) * off;
            const float ny = 128 + std::sin(angle) * along + std::cos(angle) * off;
            PastelSpec z;
            z.width = float(r.range(20, 26)) * shrink;
            z.pressure = float(r.range(0.85, 0.95));
            z.fade = 0.15f;
            StrokeGeom g;
            g.x0 = px;
            g.y0 = py;
            g.angle = std::atan2(ny - py, nx - px);
            g.length = std::sqrt((nx - px) * (nx - px) + (ny - py) * (ny - py));
            add(g, z, seed + uint32_t(k) * 17u);
            px = nx;
            py = ny;
        }
        break;
    }
    }
    return PastelCoverage(pressure, tooth, seed + 7);
}

Field WatercolorMark(int index, uint32_t seed, float shrink)
{
    Rng r(seed);
    WashSpec sp;
    sp.wash = float(r.range(0.28, 0.42));
    sp.rim = float(r.range(0.3, 0.45));
    sp.rimWidth = float(r.range(1.8, 3.2));
    sp.flow = float(r.range(0.3, 0.5));
    sp.granulation = float(r.range(0.04, 0.1));
    sp.pool = float(r.range(0.15, 0.35));
    const float angle = float(r.range(-0.35, 0.35));
    const float ca = std::cos(angle), sa = std::sin(angle);
    Field shape(kCell, kCell);
    Field breakup; // dry-brush gaps, laid over the finished wash
    auto unite = [&](const Field& f) {
        for (size_t i = 0; i < f.v.size(); ++i)
            shape.v[i] = std::max(shape.v[i], f.v[i]);
    };
    switch (index % 6) {
    case 0:
    case 2: { // blot pooled from two or three touching puddles
        const int n = 2 + r.below(2);
        const float span = float(r.range(70, 95)) * shrink;
        for (int k = 0; k < n; ++k) {
            const float along = (float(k) / float(n - 1) - 0.5f) * span;
            const float rx = float(r.range(50, 70)) * shrink, ry = float(r.range(30, 44)) * shrink;
            unite(BlotShape(kCell, kCell, 128 + ca * along, 128 + sa * along + float(r.range(-6, 6)), rx, ry,
                            angle + float(r.range(-0.25, 0.25)), 0.26f, seed + uint32_t(k) * 13u));
        }
        if (index % 6 == 2)
            sp.bloom = float(r.range(0.4, 0.8));
        break;
    }
    case 1: { // brush-drawn wash stroke
        const StrokeGeom g = StrokeGeom::centred(128, 128, angle, float(r.range(195, 225)) * shrink,
                                                 Sign(r) * float(r.range(0, 1.0 / 240)));
        shape = WashStrokeShape(kCell, kCell, g, float(r.range(60, 82)) * shrink, 0.5f, 0.2f, seed + 1);
        break;
    }
    case 3: { // wet in wet: soft, feathered edge
        const Field blob = BlotShape(kCell, kCell, 128, 128, float(r.range(88, 100)) * shrink,
                                     float(r.range(34, 44)) * shrink, angle, 0.2f, seed + 1);
        shape = Blur(blob, 5.f, false);
        for (int y = 0; y < kCell; ++y)
            for (int x = 0; x < kCell; ++x) {
                const float n = 0.22f * Fbm(float(x) / 12.f, float(y) / 12.f, 4, 0.55f, seed + 3);
                shape.at(x, y) = Clamp01((shape.at(x, y) + n - 0.2f) * 1.5f);
            }
        sp.softness = 6.f;
        sp.rim = 0.06f;
        sp.wash = float(r.range(0.4, 0.55));
        break;
    }
    case 4: { // splash: a blot thrown along its axis, with droplets
        unite(BlotShape(kCell, kCell, 118, 128, float(r.range(62, 76)) * shrink, float(r.range(34, 42)) * shrink, angle,
                        0.3f, seed + 1));
        const int drops = 3 + r.below(4);
        for (int k = 0; k < drops; ++k) {
            const float along = float(r.range(70, 105)) * shrink * (r.chance(0.75) ? 1.f : -1.f);
            const float off = float(r.range(-18, 18)) * shrink;
            const float rad = float(r.range(3, 9)) * shrink;
            unite(BlotShape(kCell, kCell, 118 + ca * along - sa * off, 128 + sa * along + ca * off, rad * 1.3f, rad,
                            angle, 0.15f, seed + 40u + uint32_t(k)));
        }
        break;
    }
    default: { // dragged brush: the wash breaks up on the paper's tooth
        const StrokeGeom g = StrokeGeom::centred(128, 128, angle, float(r.range(195, 225)) * shrink,
                                                 Sign(r) * float(r.range(0, 1.0 / 300)));
        shape = WashStrokeShape(kCell, kCell, g, float(r.range(56, 76)) * shrink, 0.8f, 0.15f, seed + 1);
        const Field tooth = PastelTooth(kCell, kCell, seed + 5);
        breakup = Field(kCell, kCell, 1.f);
        for (int y = 0; y < kCell; ++y)
            for (int x = 0; x < kCell; ++x) {
                float s, t;
                g.local(float(x) + 0.5f, float(y) + 0.5f, s, t);
                const float dry = 0.7f * Smoothstep(0.35f, 1.f, s / g.length);
                breakup.at(x, y) = Smoothstep(dry - 0.1f, dry + 0.1f, tooth.at(x, y));
            }
        sp.rim = float(r.range(0.2, 0.3));
        break;
    }
    }
    Field wash = WatercolorWash(shape, sp, angle + float(r.range(-0.5, 0.5)), seed + 2);
    if (!breakup.v.empty())
        for (size_t i = 0; i < wash.v.size(); ++i)
            wash.v[i] *= breakup.v[i];
    return wash;
}

QImage Sheet(int count, int rows, const std::function<Field(int, uint32_t, float)>& markFn, uint32_t seed, Rgb ink)
{
    std::vector<Field> marks(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        marks[size_t(i)] = FindMark([&](uint32_t s, float shrink) { return markFn(i, s, shrink); }, seed + uint32_t(i) * 101u);
    QImage img(kCell * 8, kCell * rows, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    for (int i = 0; i < count; ++i)
        p.drawImage(kCell * (i % 8), kCell * (i / 8), ToAlphaImage(marks[size_t(i)], ink));
    return img;
}

} // namespace

QImage DefaultBrushSheet()
{
    return Sheet(40, 6, DefaultMark, 1000, Hex(0x2A2018));
}

QImage PastelBrushSheet()
{
    return Sheet(16, 2, PastelMark, 2000, Hex(0x3A2A40));
}

QImage WatercolorBrushSheet()
{
    return Sheet(24, 3, WatercolorMark, 3000, Hex(0x1E3A5A));
}

QImage TemplateMatchingSheet()
{
    // Dark marks on white, 250-pixel cells; the last two cells stay blank.
    constexpr int kCell = 250;
    QImage img(kCell * 5, kCell * 8, QImage::Format_RGB32);
    img.fill(Qt::white);
    for (int i = 0; i < 38; ++i) {
        const Field mark = FindMark(
            [&](uint32_t s, float shrink) {
                // Smooth painting uses cells 26 and 36: a loaded flat stroke and a
                // round tapering one suit its template matching best.
                const int type = i == 26 ? 0 : (i == 36 ? 1 : i * 3 + 1);
                Field big = DefaultMark(type, s, shrink * 0.97f);
                // Template marks are firmer than paint marks: more solid body.
                for (float& v : big.v)
                    v = Clamp01(v * 1.15f);
                return big;
            },
            5000 + uint32_t(i) * 37u, 8);
        for (int y = 0; y < kCell; ++y) {
            auto* row = reinterpret_cast<uint32_t*>(img.scanLine(250 * (i / 5) + y)) + 250 * (i % 5);
            for (int x = 0; x < kCell; ++x) {
                const float a = mark.at(x + 3, y + 3);
                const int g = std::clamp(int(std::lround(255.f * (1.f - 0.93f * a))), 0, 255);
                row[x] = 0xFF000000u | uint32_t(g) << 16 | uint32_t(g) << 8 | uint32_t(g);
            }
        }
    }
    return img;
}

QImage BrushTip(int width, int height, uint32_t seed)
{
    // The footprint of a round bristle brush: a soft disc made of bristle
    // clumps, a few stray hairs at the rim.
    Field a(width, height);
    const float cx = float(width) * 0.5f, cy = float(height) * 0.5f;
    const float rx = float(width) * 0.44f, ry = float(height) * 0.44f;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const float dx = (float(x) + 0.5f - cx) / rx, dy = (float(y) + 0.5f - cy) / ry;
            const float r = std::sqrt(dx * dx + dy * dy);
            const float th = std::atan2(dy, dx);
            const float rim = 1.f + 0.08f * Perlin(std::cos(th) * 3.f + 4.f, std::sin(th) * 3.f + 4.f, seed);
            const float body = 1.f - Smoothstep(0.45f * rim, 1.f * rim, r);
            // Bristle clumps: small tufts, splaying outward near the rim.
            const float clumps = 0.5f + 0.5f * (0.7f * Perlin(float(x) / 2.4f, float(y) / 2.4f, seed + 1) +
                                                0.3f * Perlin(th * 9.f, r * 4.f, seed + 2));
            a.at(x, y) = Clamp01(body * (0.62f + 0.55f * Smoothstep(0.2f, 0.8f, clumps)));
        }
    for (int x = 0; x < width; ++x)
        a.at(x, 0) = a.at(x, height - 1) = 0.f;
    for (int y = 0; y < height; ++y)
        a.at(0, y) = a.at(width - 1, y) = 0.f;
    return ToAlphaImage(a, Hex(0x202020));
}

} // namespace gen
