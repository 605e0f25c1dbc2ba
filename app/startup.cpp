#include "app/startup.h"

#include "platform/numeric.h"

#include <QFileInfo>

#include <algorithm>
#include <chrono>
#include <random>

namespace pq {

QString StartupErrorText(const QString& message)
{
    return QStringLiteral("Pastelloquin startup error: ") + message + QStringLiteral("\r\n\r\n")
           + QStringLiteral("The application will now exit.");
}

QString StartupImageArgument(const QStringList& arguments)
{
    if (arguments.size() < 2)
        return {};
    const QString& first = arguments.at(1);
    if (first.isEmpty() || first.startsWith(QLatin1String("-psn"), Qt::CaseSensitive))
        return {};
    const QFileInfo info(first);
    if (!info.exists() || info.isDir())
        return {};
    return first;
}

bool DrawRunsUpdateCheck(int draw)
{
    return draw >= 90;
}

int StartupUpdateDraw()
{
    // Seeded from the clock, apart from the effects' shared generator so
    // that the draw does not shift their sequences.
    const auto seed = static_cast<unsigned>(std::chrono::system_clock::now().time_since_epoch().count());
    std::minstd_rand rng(seed);
    return std::uniform_int_distribution<int>(0, 99)(rng);
}

float UIZoomAtFirstShow(const QString& setting, float automaticZoom)
{
    float zoom = automaticZoom;
    if (!setting.isEmpty()) {
        bool ok = false;
        const int percent = setting.trimmed().toInt(&ok);
        zoom = (ok ? percent : 100) / 100.0f;
    }
    return std::clamp(zoom, 0.5f, 1.5f);
}

float ComputeAutoUiZoom(const QRect& workArea)
{
    const double w = workArea.width();
    const double h = workArea.height();
    if (w <= 0 || h <= 0)
        return 1.0f;
    double z = std::min((w - 16) / 1419.0, (h - 16) / 1150.0);
    z = std::clamp(z, 0.5, 1.0);
    return static_cast<float>(z);
}

QRect InitialWindowRect(const QRect& screen, const QRect& workArea)
{
    const int w = platform::Round(0.98 * screen.width());
    const int h = platform::Round(0.98 * screen.height());
    const int left = workArea.left() + (workArea.width() - w) / 2;
    const int top = workArea.top() + (workArea.height() - h) / 2;
    return QRect(left, top, w, h);
}

QRect RestoreRectForWorkArea(const QRect& workArea, const QSize& minimum)
{
    double w = 0.9 * workArea.width();
    double h = 0.9 * workArea.height();
    w = std::min<double>(std::max<double>(w, minimum.width()), workArea.width());
    h = std::min<double>(std::max<double>(h, minimum.height()), workArea.height());
    const int left = platform::Round(workArea.left() + (workArea.width() - w) / 2);
    const int top = platform::Round(workArea.top() + (workArea.height() - h) / 2);
    return QRect(left, top, platform::Round(w), platform::Round(h));
}

} // namespace pq
