#include "marks.h"

namespace gen {

void StrokeGeom::local(float px, float py, float& s, float& t) const
{
    const float dx = std::cos(angle), dy = std::sin(angle);
    const float nx = -dy, ny = dx;
    const float qx = px - x0, qy = py - y0;
    if (std::fabs(curvature) < 1e-6f) {
        s = qx * dx + qy * dy;
        t = qx * nx + qy * ny;
        return;
    }
    const float r = 1.f / curvature;
    const float cx = x0 + nx * r, cy = y0 + ny * r;
    const float bx = x0 - cx, by = y0 - cy;
    const float vx = px - cx, vy = py - cy;
    const float theta = std::atan2(bx * vy - by * vx, bx * vx + by * vy);
    s = theta / curvature;
    const float dist = std::sqrt(vx * vx + vy * vy);
    t = curvature > 0 ? std::fabs(r) - dist : dist - std::fabs(r);
}

void StrokeGeom::point(float s, float& x, float& y) const
{
    const float dx = std::cos(angle), dy = std::sin(angle);
    if (std::fabs(curvature) < 1e-6f) {
        x = x0 + dx * s;
        y = y0 + dy * s;
        return;
    }
    const float nx = -dy, ny = dx;
    const float r = 1.f / curvature;
    const float cx = x0 + nx * r, cy = y0 + ny * r;
    const float bx = x0 - cx, by = y0 - cy;
    const float th = s * curvature;
    x = cx + bx * std::cos(th) - by * std::sin(th);
    y = cy + bx * std::sin(th) + by * std::cos(th);
}

StrokeGeom StrokeGeom::centred(float cx, float cy, float angle, float length, float curvature)
{
    // Walk back half the length from the middle along the arc.
    StrokeGeom g;
    g.angle = angle;
    g.length = length;
    g.curvature = curvature;
    g.x0 = cx;
    g.y0 = cy;
    float mx, my;
    StrokeGeom probe = g;
    probe.angle = angle - curvature * length * 0.5f;
    probe.x0 = 0;
    probe.y0 = 0;
    probe.point(length * 0.5f, mx, my);
    probe.x0 = cx - mx;
    probe.y0 = cy - my;
    return probe;
}

float BristleAt(const StrokeGeom& g, const BristleSpec& sp, uint32_t seed, float px, float py, float* streak)
{
    const float l = g.length;
    const float hw0 = sp.width * 0.5f;
    const float capLen = std::max(2.f, sp.startRound * sp.width);
    float s, t;
    g.local(px, py, s, t);
    if (s < -4.f || s > l + 4.f || std::fabs(t) > hw0 * 1.4f + 4.f)
        return 0.f;
    const float u = std::clamp(s / l, 0.f, 1.f);
    // Outline: rounded start, tapering end, ragged sides.
    float prof = 1.f;
    if (s < capLen) {
        const float k = std::clamp((capLen - s) / capLen, 0.f, 1.f);
        prof = std::sqrt(std::max(0.f, 1.f - k * k));
    }
    prof *= 1.f - sp.endTaper * std::pow(Smoothstep(1.f - sp.taperLength, 1.f, u), 1.2f);
    prof *= 1.f + 0.04f * Perlin(s / 60.f, 3.3f, seed + 11);
    const uint32_t side = t >= 0 ? seed + 1 : seed + 2;
    const float rag = sp.rough * (0.55f * Perlin(s / 14.f, 0.5f, side) + 0.3f * Perlin(s / 4.f, 0.5f, side + 7) +
                                  0.15f * Perlin(s / 1.5f, 0.5f, side + 13));
    const float hw = hw0 * prof * (1.f + rag);
    const float dEdge = hw - std::fabs(t);
    // Each bristle stops at its own length: a frayed end.
    const float tb = t / sp.bristle;
    const float fr = 0.5f + 0.5f * Perlin(tb * 0.7f, 1.7f, seed + 3);
    const float sEnd = l * (1.f - sp.fray * fr) - 2.f;
    const float dEnd = sEnd - s;
    float cover = Smoothstep(-0.6f, 1.4f, dEdge) * Smoothstep(-0.5f, 2.5f, dEnd) * Smoothstep(-0.5f, 1.5f, s);
    if (cover <= 0.f)
        return 0.f;
    // Bristle streaks run along the stroke and drift slowly.
    const float b = 0.5f + 0.5f * (0.5f * Perlin(tb, s / 150.f, seed + 4) + 0.3f * Perlin(tb * 2.3f, s / 260.f, seed + 6) +
                                    sp.clump * Perlin(tb / 3.5f, s / 200.f, seed + 5));
    if (streak)
        *streak = b;
    // Paint runs out toward the end: only the fullest bristles mark.
    const float load = 1.f - sp.dryness * std::pow(Smoothstep(sp.dryStart, 1.f, u), 0.8f);
    const float th = (1.f - load) * 1.05f + 0.06f;
    cover *= Smoothstep(th - 0.07f, th + 0.07f, b);
    // Streaky paint body; edges carry a little ridge.
    const float body = 0.5f + 0.42f * Smoothstep(0.12f, 0.88f, b) + 0.08f * Perlin(t / 9.f, s / 40.f, seed + 8);
    const float ridge = sp.ridge * std::exp(-std::max(0.f, dEdge) / 3.f);
    const float start = 0.08f * (1.f - Smoothstep(0.f, 0.25f, u));
    return Clamp01(cover * sp.density * (body + ridge + start));
}

Field BristleMark(int w, int h, const StrokeGeom& g, const BristleSpec& sp, uint32_t seed)
{
    // Only the box around the stroke can hold paint.
    float x0 = 1e9f, y0 = 1e9f, x1 = -1e9f, y1 = -1e9f;
    for (int q = 0; q <= 16; ++q) {
        float px, py;
        g.point(g.length * float(q) / 16.f, px, py);
        x0 = std::min(x0, px);
        y0 = std::min(y0, py);
        x1 = std::max(x1, px);
        y1 = std::max(y1, py);
    }
    const float grow = sp.width * 0.75f + 6.f;
    const int bx0 = std::max(0, int(x0 - grow)), bx1 = std::min(w, int(x1 + grow) + 1);
    const int by0 = std::max(0, int(y0 - grow)), by1 = std::min(h, int(y1 + grow) + 1);
    Field out(w, h);
    ParallelRows(std::max(0, by1 - by0), [&](int row) {
        const int y = by0 + row;
        for (int x = bx0; x < bx1; ++x)
            out.at(x, y) = BristleAt(g, sp, seed, float(x) + 0.5f, float(y) + 0.5f, nullptr);
    });
    return out;
}

Field PastelTooth(int w, int h, uint32_t seed)
{
    Field f1;
    WorleyField(w, h, std::max(2, w / 5), std::max(2, h / 5), seed, &f1, nullptr);
    Field fine = FbmField(w, h, std::max(2, w / 4), std::max(2, h / 4), 2, 0.5f, seed + 1);
    Field tooth(w, h);
    for (size_t i = 0; i < tooth.v.size(); ++i)
        tooth.v[i] = -f1.v[i] + 1.2f * fine.v[i];
    tooth = Blur(tooth, 0.8f, true);
    // Even out to a uniform spread so pressure maps to coverage linearly.
    std::vector<float> sorted = tooth.v;
    std::sort(sorted.begin(), sorted.end());
    for (float& v : tooth.v) {
        const auto it = std::lower_bound(sorted.begin(), sorted.end(), v);
        v = float(it - sorted.begin()) / float(sorted.size());
    }
    return tooth;
}

Field PastelPressure(int w, int h, const StrokeGeom& g, const PastelSpec& sp, uint32_t seed)
{
    Field out(w, h);
    const float l = g.length;
    const float hw0 = sp.width * 0.5f;
    ParallelRows(h, [&](int y) {
        for (int x = 0; x < w; ++x) {
            float s, t;
            g.local(float(x) + 0.5f, float(y) + 0.5f, s, t);
            if (s < -10.f || s > l + 10.f || std::fabs(t) > hw0 * 1.5f + 8.f)
                continue;
            const float u = std::clamp(s / l, 0.f, 1.f);
            const uint32_t side = t >= 0 ? seed + 1 : seed + 2;
            const float crumb = sp.crumble * (0.5f * Perlin(s / 18.f, 0.3f, side) + 0.5f * Perlin(s / 5.f, 0.3f, side + 9));
            // A round tip or the square edge of a stick on its side.
            float prof = 1.f;
            const float cap = hw0 * (1.f - sp.squareEnds * 0.85f);
            if (s < cap) {
                const float k = (cap - s) / cap;
                prof = std::sqrt(std::max(0.f, 1.f - k * k));
            } else if (s > l - cap) {
                const float k = (s - (l - cap)) / cap;
                prof = std::sqrt(std::max(0.f, 1.f - k * k));
            }
            const float hw = hw0 * prof * (1.f + crumb);
            const float dEdge = hw - std::fabs(t);
            const float edge = Smoothstep(-1.f, std::max(2.f, hw0 * 0.25f), dEdge);
            if (edge <= 0.f)
                continue;
            const float press = sp.pressure * (1.f - sp.fade * Smoothstep(0.3f, 1.f, u)) *
                                (1.f + 0.12f * Perlin(s / 45.f, t / 30.f, seed + 3)) *
                                (1.f + 0.06f * Perlin(s / 9.f, t / 12.f, seed + 4));
            out.at(x, y) = Clamp01(press * edge);
        }
    });
    return out;
}

Field PastelCoverage(const Field& pressure, const Field& tooth, uint32_t seed)
{
    Field out(pressure.w, pressure.h);
    for (int y = 0; y < pressure.h; ++y)
        for (int x = 0; x < pressure.w; ++x) {
            const float p = pressure.at(x, y);
            if (p <= 0.f)
                continue;
            const float th = 1.12f - 1.25f * p;
            const float c = Smoothstep(th - 0.09f, th + 0.09f, tooth.at(x, y));
            // Loose dust of pigment next to the stroke.
            const float dust = p < 0.15f && HashUnit(x, y, seed) > 0.985f ? 0.5f : 0.f;
            out.at(x, y) = std::max(c * (0.82f + 0.18f * p), dust);
        }
    return out;
}

Field BlotShape(int w, int h, float cx, float cy, float rx, float ry, float angle, float wobble, uint32_t seed)
{
    // The wavering outline depends only on the direction from the centre:
    // tabulate it once, sampled on a circle so that it closes.
    constexpr int kSteps = 1024;
    std::vector<float> outline(kSteps + 1);
    for (int i = 0; i <= kSteps; ++i) {
        const float th = float(i) / float(kSteps) * 2.f * kPi;
        const float cxn = std::cos(th), syn = std::sin(th);
        outline[size_t(i)] = 1.f + wobble * (0.65f * Fbm(cxn * 1.3f + 5.f, syn * 1.3f + 5.f, 3, 0.5f, seed) +
                                             0.27f * Perlin(cxn * 5.f + 9.f, syn * 5.f + 9.f, seed + 1) +
                                             0.08f * Perlin(cxn * 14.f, syn * 14.f, seed + 2));
    }
    Field m(w, h);
    const float ca = std::cos(angle), sa = std::sin(angle);
    ParallelRows(h, [&](int y) {
        for (int x = 0; x < w; ++x) {
            const float dx = float(x) + 0.5f - cx, dy = float(y) + 0.5f - cy;
            const float u = (dx * ca + dy * sa) / rx, v = (-dx * sa + dy * ca) / ry;
            const float r = std::sqrt(u * u + v * v);
            if (r > 1.6f)
                continue;
            float th = std::atan2(v, u);
            if (th < 0.f)
                th += 2.f * kPi;
            const float f = th / (2.f * kPi) * float(kSteps);
            const int i = std::min(kSteps - 1, int(f));
            const float edge = Mix(outline[size_t(i)], outline[size_t(i) + 1], f - float(i));
            m.at(x, y) = Clamp01((edge - r) * std::min(rx, ry) + 0.5f);
        }
    });
    return m;
}

Field WashStrokeShape(int w, int h, const StrokeGeom& g, float width, float taper, float wobble, uint32_t seed)
{
    Field m(w, h);
    const float l = g.length;
    ParallelRows(h, [&](int y) {
        for (int x = 0; x < w; ++x) {
            float s, t;
            g.local(float(x) + 0.5f, float(y) + 0.5f, s, t);
            const float u = s / l;
            if (u < -0.2f || u > 1.2f)
                continue;
            // Round brush: full in the middle, tapering at both ends.
            const float prof = std::sqrt(std::max(0.f, 1.f - std::pow(std::fabs(2.f * std::clamp(u, 0.f, 1.f) - 1.f), 2.f + 4.f * (1.f - taper))));
            const uint32_t side = t >= 0 ? seed + 1 : seed + 2;
            const float hw = 0.5f * width * prof * (1.f + wobble * (0.7f * Perlin(s / 30.f, 0.f, side) + 0.3f * Perlin(s / 8.f, 0.f, side + 3)));
            const float inside = hw - std::fabs(t);
            const float ends = std::min(s, l - s);
            m.at(x, y) = Clamp01(std::min(inside, ends + hw * 0.2f) + 0.5f);
        }
    });
    return m;
}

Field WatercolorWash(const Field& mask, const WashSpec& sp, float poolAngle, uint32_t seed)
{
    const int w = mask.w, h = mask.h;
    Field hard(w, h);
    for (size_t i = 0; i < hard.v.size(); ++i)
        hard.v[i] = mask.v[i] > 0.5f ? 1.f : 0.f;
    // Distance inside the outline, with the mask's own anti-aliasing.
    Field d = InsideDistance(hard);
    for (size_t i = 0; i < d.v.size(); ++i)
        d.v[i] = hard.v[i] > 0.f ? d.v[i] - 1.f + mask.v[i] : mask.v[i] - 0.5f;
    // Backrun: an irregular region inside whose edge dried as a second rim.
    Field bloom;
    if (sp.bloom > 0.f) {
        bloom = Field(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                bloom.at(x, y) = FastFbm(float(x) / 45.f, float(y) / 45.f, seed + 5);
    }
    // Granulation follows a fine paper grain.
    Field grain = FbmField(w, h, std::max(2, w / 3), std::max(2, h / 3), 2, 0.5f, seed + 9);
    Field out(w, h);
    const float pc = std::cos(poolAngle), ps = std::sin(poolAngle);
    ParallelRows(h, [&](int y) {
        for (int x = 0; x < w; ++x) {
            const float m = mask.at(x, y);
            const float dist = d.at(x, y);
            if (m <= 0.f && sp.softness <= 1.f)
                continue;
            const float fx = float(x) / float(w), fy = float(y) / float(h);
            float a = sp.wash * (1.f + sp.flow * FastFbm(fx * 2.5f, fy * 2.5f, seed + 1));
            // Pigment settles toward one end.
            a *= 1.f + sp.pool * ((fx - 0.5f) * pc + (fy - 0.5f) * ps) * 2.f;
            // Pigment carried to the drying edge: a dark rim and a broader shade.
            const float rimNoise = 0.75f + 0.5f * (0.5f + 0.5f * Perlin(fx * 14.f, fy * 14.f, seed + 2));
            a += sp.rim * std::exp(-std::max(0.f, dist) / sp.rimWidth) * rimNoise;
            a += 0.1f * std::exp(-std::max(0.f, dist) / 14.f);
            if (sp.bloom > 0.f && dist > 5.f) {
                const float bv = bloom.at(x, y) - (0.3f - 0.3f * sp.bloom);
                const float inner = Smoothstep(5.f, 12.f, dist);
                // Lighter inside the backrun, with a darker fringe just inside its edge.
                const float in = Smoothstep(-0.01f, 0.02f, bv);
                a = Mix(a, a * 0.72f + 0.22f * std::exp(-std::max(0.f, bv) * 28.f), in * inner);
            }
            a *= 1.f + sp.granulation * grain.at(x, y) * 2.f;
            float edge;
            if (sp.softness > 1.f)
                edge = m; // the mask itself is feathered
            else
                edge = Clamp01(dist + 0.5f);
            out.at(x, y) = Clamp01(a * edge);
        }
    });
    return out;
}

} // namespace gen
