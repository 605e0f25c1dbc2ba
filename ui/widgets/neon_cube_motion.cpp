#include "ui/widgets/neon_cube_motion.h"

#include "platform/numeric.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace pq {
namespace {

// Periods in seconds of the six phases.
constexpr std::array<double, 6> kPeriods{6.0, 15.0, 10.0, 16.0, 20.0, 4.0};
constexpr std::array<QRgb, 3> kKeyColors{0xFF00CFFF, 0xFF00FF88, 0xFFFF8C00};
constexpr double kCameraZ = -5.0;
constexpr double kAngleOfView = 75.0;
constexpr double kEdgeThickness = 0.112;

double Ease(double p)
{
    return 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * p);
}

struct Vec {
    double x, y, z;
};

int Channel(QRgb a, QRgb b, int shift, double f)
{
    const int ca = int((a >> shift) & 0xFF);
    const int cb = int((b >> shift) & 0xFF);
    return platform::Round(ca + (cb - ca) * f);
}

} // namespace

void NeonCubeMotion::advance()
{
    for (size_t i = 0; i < phases.size(); ++i) {
        phases[i] += (kTickMs / 1000.0) / kPeriods[i];
        if (phases[i] >= 1.0)
            phases[i] -= 1.0;
    }
}

QRgb NeonCubeMotion::color() const
{
    const double c = 3.0 * phases[5];
    const int k = std::clamp(int(c), 0, 2);
    const double f = c - k;
    const QRgb a = kKeyColors[size_t(k)];
    const QRgb b = kKeyColors[size_t((k + 1) % 3)];
    return qRgba(Channel(a, b, 16, f), Channel(a, b, 8, f), Channel(a, b, 0, f), 255);
}

std::vector<NeonCubeMotion::Edge> NeonCubeMotion::edges(QSizeF viewport) const
{
    const double turnY = 2.0 * std::numbers::pi * phases[0];
    const double turnX = 2.0 * std::numbers::pi * phases[1] + 20.0 * std::numbers::pi / 180.0;
    const Vec at{17.0 * Ease(phases[2]) - 7.5, 18.0 * Ease(phases[3]) - 7.5, 4.5 * Ease(phases[4]) + 2.0};
    const auto place = [&](Vec v) {
        // Turn about X, then about Y, then move to the container's place.
        const double y1 = v.y * std::cos(turnX) - v.z * std::sin(turnX);
        const double z1 = v.y * std::sin(turnX) + v.z * std::cos(turnX);
        const double x2 = v.x * std::cos(turnY) + z1 * std::sin(turnY);
        const double z2 = -v.x * std::sin(turnY) + z1 * std::cos(turnY);
        return Vec{x2 + at.x, y1 + at.y, z2 + at.z};
    };
    const double focal = viewport.height() / 2.0 / std::tan(kAngleOfView / 2.0 * std::numbers::pi / 180.0);
    const QPointF centre(viewport.width() / 2.0, viewport.height() / 2.0);
    const QRgb base = color();

    std::vector<Edge> result;
    // Corners differing in one coordinate are joined.
    for (int axis = 0; axis < 3; ++axis)
        for (int s = 0; s < 4; ++s) {
            const double u = (s & 1) ? 1.0 : -1.0;
            const double w = (s & 2) ? 1.0 : -1.0;
            Vec a{}, b{};
            if (axis == 0)
                a = {-1, u, w}, b = {1, u, w};
            else if (axis == 1)
                a = {u, -1, w}, b = {u, 1, w};
            else
                a = {u, w, -1}, b = {u, w, 1};
            const Vec pa = place(a), pb = place(b);
            const double da = std::max(0.1, pa.z - kCameraZ), db = std::max(0.1, pb.z - kCameraZ);
            const double mid = (pa.z + pb.z) / 2.0;
            const double dim = 1.0 - 0.85 * std::clamp((std::abs(mid) - 1.0) / 5.0, 0.0, 1.0);
            const QRgb c = qRgba(platform::Round(qRed(base) * dim), platform::Round(qGreen(base) * dim),
                                 platform::Round(qBlue(base) * dim), 255);
            const double depth = (da + db) / 2.0;
            result.push_back({QLineF(centre + QPointF(pa.x, pa.y) * (focal / da), centre + QPointF(pb.x, pb.y) * (focal / db)),
                              kEdgeThickness * focal / depth, c, depth});
        }
    std::sort(result.begin(), result.end(), [](const Edge& l, const Edge& r) { return l.depth > r.depth; });
    return result;
}

FrameTimeTest::Verdict FrameTimeTest::tick(int64_t nowMs)
{
    if (decided())
        return verdict_;
    if (!started_) {
        started_ = true;
        last_ = nowMs;
        return verdict_;
    }
    ++count_;
    if (count_ > 30)
        sum_ += nowMs - last_;
    last_ = nowMs;
    if (count_ == 90) {
        const double average = double(sum_) / 60.0;
        verdict_ = average > 60.0 ? Verdict::TooSlow : average > 40.0 ? Verdict::NoGlow : Verdict::Fine;
    }
    return verdict_;
}

void FrameTimeTest::restart()
{
    if (decided())
        return;
    started_ = false;
    count_ = 0;
    last_ = 0;
    sum_ = 0;
}

} // namespace pq
