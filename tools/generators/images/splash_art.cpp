// The splash window's artwork: the card behind everything, the painted
// back swirl with its shadow, the ribbon of the top swirl with its inner
// glow, the product wordmark and the "ATELIO" lettering. Everything is
// drawn at twice the window's units, from fixed seeds; the letters are our
// own monoline shapes, so no font is involved.
#include "images.h"

#include "common.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QRadialGradient>

#include <cmath>
#include <vector>

namespace gen {
namespace {

constexpr double kScale = 2.0;
constexpr double kDegree = 3.14159265358979323846 / 180.0;

QImage Transparent(int w, int h)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QColor ToColor(const Rgb& c, double alpha = 1.0)
{
    return QColor::fromRgbF(float(Clamp01(c.r)), float(Clamp01(c.g)), float(Clamp01(c.b)), float(alpha));
}

// The pastel ramp of the artwork: sky, lilac, rose, peach, butter.
Rgb PastelAt(double t)
{
    static const Rgb stops[] = {Hex(0x8EE3F5), Hex(0xB9A7FB), Hex(0xF6A5D3), Hex(0xFDBA8C), Hex(0xFDE68A)};
    constexpr int n = 5;
    t = std::clamp(t, 0.0, 1.0) * (n - 1);
    const int i = std::min(int(t), n - 2);
    return Mix(stops[i], stops[i + 1], float(t - i));
}

Field AlphaField(const QImage& image)
{
    Field f(image.width(), image.height());
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            f.at(x, y) = float(row[x] >> 24) / 255.f;
    }
    return f;
}

// ---- Letters ----------------------------------------------------------

// A glyph: centre lines in units of the x-height (or cap height), y up,
// dots as (centre, radius), and its horizontal extent.
struct Glyph {
    std::vector<std::vector<QPointF>> strokes;
    std::vector<std::pair<QPointF, double>> dots;
    double left = 0;
    double right = 0;
};

std::vector<QPointF> Arc(double cx, double cy, double rx, double ry, double fromDeg, double toDeg)
{
    std::vector<QPointF> points;
    const int steps = std::max(8, int(std::abs(toDeg - fromDeg) / 4));
    for (int i = 0; i <= steps; ++i) {
        const double a = (fromDeg + (toDeg - fromDeg) * i / steps) * kDegree;
        points.emplace_back(cx + rx * std::cos(a), cy + ry * std::sin(a));
    }
    return points;
}

std::vector<QPointF> Line(std::initializer_list<QPointF> points)
{
    return std::vector<QPointF>(points);
}

std::vector<QPointF> Join(std::vector<QPointF> a, const std::vector<QPointF>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Glyph LowerCase(char c)
{
    Glyph g;
    const auto bowl = [] { return Arc(0.5, 0.5, 0.5, 0.5, 0, 360); };
    g.right = 1.0;
    switch (c) {
    case 'o': g.strokes = {bowl()}; break;
    case 'p': g.strokes = {bowl(), Line({{0, 1}, {0, -0.45}})}; break;
    case 'q': g.strokes = {bowl(), Line({{1, 1}, {1, -0.45}})}; break;
    case 'a': g.strokes = {bowl(), Line({{1, 1}, {1, 0}})}; break;
    case 'e': g.strokes = {Join(Line({{0.02, 0.5}, {1, 0.5}}), Arc(0.5, 0.5, 0.5, 0.5, 0, 312))}; break;
    case 'l':
        g.strokes = {Line({{0, 1.45}, {0, 0}})};
        g.right = 0;
        break;
    case 'i':
        g.strokes = {Line({{0, 1}, {0, 0}})};
        g.dots = {{QPointF(0, 1.36), 0.14}};
        g.right = 0;
        break;
    case 't':
        g.strokes = {Join(Line({{0.2, 1.38}, {0.2, 0.28}}), Arc(0.46, 0.28, 0.26, 0.28, 180, 270)),
                     Line({{-0.04, 1}, {0.52, 1}})};
        g.left = -0.04;
        g.right = 0.52;
        break;
    case 'u':
        g.strokes = {Join(Join(Line({{0, 1}, {0, 0.5}}), Arc(0.5, 0.5, 0.5, 0.5, 180, 360)), Line({{1, 0.5}, {1, 1}})),
                     Line({{1, 1}, {1, 0}})};
        break;
    case 'n':
        g.strokes = {Line({{0, 0}, {0, 1}}),
                     Join(Join(Line({{0, 0}, {0, 0.5}}), Arc(0.5, 0.5, 0.5, 0.5, 180, 0)), Line({{1, 0.5}, {1, 0}}))};
        break;
    case 's':
        g.strokes = {Join(Arc(0.36, 0.75, 0.33, 0.25, 32, 270), Arc(0.36, 0.25, 0.33, 0.25, 90, -148))};
        g.left = 0.03;
        g.right = 0.69;
        break;
    default: break;
    }
    return g;
}

Glyph Capital(char c)
{
    Glyph g;
    switch (c) {
    case 'A':
        g.strokes = {Line({{0, 0}, {0.45, 1}, {0.9, 0}}), Line({{0.17, 0.38}, {0.73, 0.38}})};
        g.right = 0.9;
        break;
    case 'T':
        g.strokes = {Line({{0, 1}, {0.8, 1}}), Line({{0.4, 1}, {0.4, 0}})};
        g.right = 0.8;
        break;
    case 'E':
        g.strokes = {Line({{0.6, 1}, {0, 1}, {0, 0}, {0.6, 0}}), Line({{0, 0.5}, {0.5, 0.5}})};
        g.right = 0.6;
        break;
    case 'L':
        g.strokes = {Line({{0, 1}, {0, 0}, {0.56, 0}})};
        g.right = 0.56;
        break;
    case 'I': g.strokes = {Line({{0, 1}, {0, 0}})}; break;
    case 'O':
        g.strokes = {Arc(0.5, 0.5, 0.5, 0.5, 0, 360)};
        g.right = 1.0;
        break;
    default: break;
    }
    return g;
}

// The outline of a word set from glyphs: `unit` pixels per unit, strokes
// `weight` units wide, `gap` units between the glyphs' extents, the
// baseline at `baseline`, starting at x.
QPainterPath SetWord(const std::vector<Glyph>& glyphs, double x, double baseline, double unit, double weight,
                     double gap)
{
    QPainterPath centreLines;
    QPainterPath dots;
    for (size_t i = 0; i < glyphs.size(); ++i) {
        const Glyph& g = glyphs[i];
        const double origin = x - g.left * unit;
        const auto place = [&](const QPointF& p) { return QPointF(origin + p.x() * unit, baseline - p.y() * unit); };
        for (const auto& stroke : g.strokes) {
            centreLines.moveTo(place(stroke.front()));
            for (size_t k = 1; k < stroke.size(); ++k)
                centreLines.lineTo(place(stroke[k]));
        }
        for (const auto& [centre, radius] : g.dots)
            dots.addEllipse(place(centre), radius * unit, radius * unit);
        x = origin + g.right * unit + gap * unit;
    }
    QPainterPathStroker stroker;
    stroker.setWidth(weight * unit);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    return stroker.createStroke(centreLines).united(dots).simplified();
}

double WordWidth(const std::vector<Glyph>& glyphs, double gap)
{
    double width = 0;
    for (const Glyph& g : glyphs)
        width += g.right - g.left;
    return width + gap * double(glyphs.size() - 1);
}

// ---- Swirls -----------------------------------------------------------

// A point of the swirls' spiral: t = 0 at the outer end, 1 at the centre.
struct SpiralPoint {
    QPointF at;
    QPointF normal;
};

SpiralPoint Spiral(double t, QPointF centre, double outerRadius, double innerRadius, double startDeg, double turns)
{
    const auto point = [&](double s) {
        const double r = outerRadius + (innerRadius - outerRadius) * std::pow(s, 0.85);
        const double a = startDeg * kDegree + s * turns * 2 * 3.14159265358979323846;
        return QPointF(centre.x() + r * std::cos(a), centre.y() + r * std::sin(a) * 0.92);
    };
    const QPointF p = point(t);
    const QPointF ahead = point(std::min(1.0, t + 1e-3));
    const QPointF behind = point(std::max(0.0, t - 1e-3));
    QPointF d = ahead - behind;
    const double len = std::hypot(d.x(), d.y());
    d /= (len > 0 ? len : 1);
    return {p, QPointF(-d.y(), d.x())};
}

} // namespace

QImage SplashBackground()
{
    const int size = int(512 * kScale);
    QImage image = Transparent(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    // A deep slate ground, lighter behind the swirls.
    QRadialGradient ground(QPointF(256, 196) * kScale, 440 * kScale);
    ground.setColorAt(0, QColor(0x2B, 0x3B, 0x57));
    ground.setColorAt(0.5, QColor(0x18, 0x22, 0x35));
    ground.setColorAt(1, QColor(0x0A, 0x10, 0x1B));
    p.fillRect(image.rect(), ground);

    // Pastel light washing in from the corners.
    const struct {
        double x, y, radius;
        uint32_t color;
        int alpha;
    } blooms[] = {
        {70, 60, 250, 0x61B9D2, 74}, {470, 130, 230, 0xF472B6, 52}, {90, 480, 260, 0xFBBF24, 38},
        {450, 470, 220, 0x818CF8, 58}, {256, 200, 150, 0xC4B5FD, 26},
    };
    for (const auto& b : blooms) {
        QColor c = ToColor(Hex(b.color));
        c.setAlpha(b.alpha);
        QRadialGradient g(QPointF(b.x, b.y) * kScale, b.radius * kScale);
        g.setColorAt(0, c);
        c.setAlpha(0);
        g.setColorAt(1, c);
        p.fillRect(image.rect(), g);
    }

    // A few pale paint flecks, as if flicked from a brush.
    Rng rng(0x5A1A5);
    for (int i = 0; i < 70; ++i) {
        const double angle = rng.range(0, 2 * kPi);
        const double reach = rng.range(150, 250);
        const QPointF at = QPointF(256 + std::cos(angle) * reach * 1.05, 200 + std::sin(angle) * reach) * kScale;
        const double radius = std::pow(rng.uniform(), 2.5) * 3.2 * kScale + 0.6 * kScale;
        p.setPen(Qt::NoPen);
        p.setBrush(ToColor(PastelAt(rng.uniform()), rng.range(0.10, 0.30)));
        p.drawEllipse(at, radius, radius * rng.range(0.8, 1.0));
    }
    p.end();

    // Watercolour paper: a cloudy wash and a fine tooth.
    const Field wash = FbmField(size, size, 5, 5, 5, 0.55f, 1969);
    const Field tooth = FbmField(size, size, 96, 96, 2, 0.5f, 1970);
    ParallelRows(size, [&](int y) {
        auto* row = reinterpret_cast<uint32_t*>(image.scanLine(y));
        for (int x = 0; x < size; ++x) {
            const float k = 1.f + 0.07f * wash.at(x, y) + 0.035f * tooth.at(x, y);
            const auto channel = [k](uint32_t v) { return uint32_t(std::clamp(int(std::lround(float(v) * k)), 0, 255)); };
            const uint32_t px = row[x];
            row[x] = 0xFF000000u | channel((px >> 16) & 255) << 16 | channel((px >> 8) & 255) << 8 | channel(px & 255);
        }
    });

    // The card's rounded corners and a hairline of light along its edge.
    QImage mask = Transparent(size, size);
    {
        QPainter m(&mask);
        m.setRenderHint(QPainter::Antialiasing);
        m.setPen(Qt::NoPen);
        m.setBrush(Qt::black);
        m.drawRoundedRect(QRectF(0, 0, size, size), 30 * kScale, 30 * kScale);
    }
    QPainter edge(&image);
    edge.setRenderHint(QPainter::Antialiasing);
    edge.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    edge.drawImage(0, 0, mask);
    edge.setCompositionMode(QPainter::CompositionMode_SourceOver);
    QLinearGradient rim(0, 0, 0, size);
    rim.setColorAt(0, QColor(255, 255, 255, 60));
    rim.setColorAt(1, QColor(255, 255, 255, 14));
    edge.setPen(QPen(QBrush(rim), 1.2 * kScale));
    edge.setBrush(Qt::NoBrush);
    const double inset = 0.6 * kScale;
    edge.drawRoundedRect(QRectF(inset, inset, size - 2 * inset, size - 2 * inset), 30 * kScale - inset,
                         30 * kScale - inset);
    return image;
}

QImage SplashBackSwirl()
{
    // A broad brush stroke laid in a spiral: bristle by bristle, pastel
    // along its length, drying out toward its inner end.
    const int w = int(234 * kScale);
    const int h = int(213 * kScale);
    QImage image = Transparent(w, h);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(w / 2.0, h / 2.0);
    const double outer = 96 * kScale;
    const double inner = 10 * kScale;
    Rng rng(304);
    constexpr int kBristles = 46;
    struct Bristle {
        double offset;
        double alpha;
        double dryAt;
        double hueShift;
    };
    std::vector<Bristle> bristles;
    for (int i = 0; i < kBristles; ++i)
        bristles.push_back({rng.range(-0.5, 0.5), rng.range(0.35, 0.8), rng.range(0.78, 1.0), rng.range(-0.06, 0.06)});
    constexpr int kSteps = 900;
    for (const Bristle& b : bristles) {
        QPointF last;
        for (int i = 0; i <= kSteps; ++i) {
            const double t = double(i) / kSteps;
            if (t > b.dryAt)
                break;
            const SpiralPoint s = Spiral(t, centre, outer, inner, 200, 1.6);
            const double width = (4 + 44 * std::sin(3.14159265358979 * std::pow(1 - t, 0.6) * 0.5 + 0.2)) * kScale * 0.5;
            const double wobble = 0.04 * std::sin(t * 37 + b.offset * 11);
            const QPointF at = s.at + s.normal * ((b.offset + wobble) * width);
            if (i > 0) {
                const double fade = std::min(1.0, (b.dryAt - t) / 0.08);
                QPen pen(ToColor(PastelAt(std::clamp(t * 1.1 + b.hueShift, 0.0, 1.0)), b.alpha * fade), 1.5 * kScale);
                pen.setCapStyle(Qt::RoundCap);
                p.setPen(pen);
                p.drawLine(last, at);
            }
            last = at;
        }
    }
    return image;
}

QImage SplashBackSwirlShadow()
{
    const Field alpha = Blur(AlphaField(SplashBackSwirl()), float(3.0 * kScale), false);
    return ToAlphaImage(alpha, Rgb(0, 0, 0));
}

QImage SplashTopSwirl()
{
    // A smooth ribbon circling the other way, light on its outer edge.
    const int w = int(234 * kScale);
    const int h = int(213 * kScale);
    QImage image = Transparent(w, h);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(w / 2.0 + 3 * kScale, h / 2.0 - 2 * kScale);
    constexpr int kSteps = 600;
    std::vector<QPointF> left;
    std::vector<QPointF> right;
    std::vector<QPointF> middle;
    for (int i = 0; i <= kSteps; ++i) {
        const double t = double(i) / kSteps;
        const SpiralPoint s = Spiral(t, centre, 84 * kScale, 6 * kScale, 20, 1.25);
        const double half = (0.8 + 8.5 * std::pow(std::sin(3.14159265358979 * t), 1.3)) * kScale;
        left.push_back(s.at + s.normal * half);
        right.push_back(s.at - s.normal * half);
        middle.push_back(s.at + s.normal * (half * 0.45));
    }
    QPainterPath ribbon;
    ribbon.moveTo(left.front());
    for (size_t i = 1; i < left.size(); ++i)
        ribbon.lineTo(left[i]);
    for (size_t i = right.size(); i-- > 0;)
        ribbon.lineTo(right[i]);
    ribbon.closeSubpath();
    QLinearGradient fill(QPointF(0, 0), QPointF(w, h));
    fill.setColorAt(0, ToColor(Mix(PastelAt(0.0), Rgb(1, 1, 1), 0.35f)));
    fill.setColorAt(0.5, ToColor(Mix(PastelAt(0.45), Rgb(1, 1, 1), 0.25f)));
    fill.setColorAt(1, ToColor(Mix(PastelAt(0.8), Rgb(1, 1, 1), 0.3f)));
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawPath(ribbon);
    // The sheen along the ribbon.
    QPainterPath sheen;
    sheen.moveTo(middle[40]);
    for (size_t i = 41; i < middle.size() - 60; ++i)
        sheen.lineTo(middle[i]);
    QPen pen(QColor(255, 255, 255, 150), 1.4 * kScale);
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawPath(sheen);
    return image;
}

QImage SplashTopSwirlGlow()
{
    // The ribbon's inner glow: strongest just inside its edges.
    const Field alpha = AlphaField(SplashTopSwirl());
    const Field soft = Blur(alpha, float(2.5 * kScale), false);
    Field glow(alpha.w, alpha.h);
    for (size_t i = 0; i < glow.v.size(); ++i)
        glow.v[i] = Clamp01(alpha.v[i] * (1.f - soft.v[i]) * 2.2f);
    return ToAlphaImage(glow, Hex(0x334356));
}

QImage ProductLogo()
{
    // The wordmark, 220 x 50 units; its x-height ends 18 units from the
    // top, so the version can stand above its last letter.
    const int w = int(220 * kScale);
    const int h = int(50 * kScale);
    QImage image = Transparent(w, h);
    std::vector<Glyph> glyphs;
    for (const char c : std::string("pastelloquin"))
        glyphs.push_back(LowerCase(c));
    const double gap = 0.44;
    const double weight = 0.2;
    const double unit = (w - 4 * kScale) / (WordWidth(glyphs, gap) + weight);
    const double baseline = 18 * kScale + unit;
    const QPainterPath word = SetWord(glyphs, 2 * kScale + weight * unit / 2, baseline, unit, weight, gap);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(0, 0, w, 0);
    for (int i = 0; i <= 4; ++i)
        fill.setColorAt(i / 4.0, ToColor(Mix(PastelAt(i / 4.0), Rgb(1, 1, 1), 0.5f)));
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawPath(word);
    return image;
}

QImage AtelioLettering()
{
    // Wide-tracked capitals, 90 x 26 units, in pale gold.
    const int w = int(90 * kScale);
    const int h = int(26 * kScale);
    QImage image = Transparent(w, h);
    std::vector<Glyph> glyphs;
    for (const char c : std::string("ATELIO"))
        glyphs.push_back(Capital(c));
    const double gap = 0.62;
    const double weight = 0.11;
    const double unit = 12 * kScale;
    const double width = (WordWidth(glyphs, gap) + weight) * unit;
    const double baseline = (26 + 12) / 2.0 * kScale;
    const QPainterPath word = SetWord(glyphs, (w - width) / 2 + weight * unit / 2, baseline, unit, weight, gap);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(0, baseline - unit, 0, baseline);
    fill.setColorAt(0, QColor(0xF6, 0xE3, 0xB4));
    fill.setColorAt(1, QColor(0xE0, 0xB9, 0x78));
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawPath(word);
    return image;
}

} // namespace gen
