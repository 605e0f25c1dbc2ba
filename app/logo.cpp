#include "app/logo.h"

#include "platform/numeric.h"
#include "ui/theme_style.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>

namespace pq {

void PaintLogoMark(QPainter& p, const QRectF& r)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const double s = std::min(r.width(), r.height());
    const QPointF c = r.center();
    const double discRadius = s * 0.29;
    const double spread = s * 0.19;
    struct Disc {
        double angleDeg;
        QColor inner;
        QColor outer;
    };
    const Disc discs[3] = {
        {-90, QColor(0x8E, 0xE3, 0xF5, 235), QColor(0x4F, 0xA8, 0xD8, 215)},
        {30, QColor(0xF9, 0xA8, 0xD4, 235), QColor(0xD9, 0x5A, 0xA5, 215)},
        {150, QColor(0xFD, 0xE6, 0x8A, 235), QColor(0xF2, 0xA9, 0x3B, 215)},
    };
    for (const Disc& d : discs) {
        const double a = d.angleDeg * M_PI / 180.0;
        const QPointF centre = c + QPointF(std::cos(a) * spread, std::sin(a) * spread);
        QRadialGradient g(centre - QPointF(discRadius * 0.3, discRadius * 0.35), discRadius * 1.3);
        g.setColorAt(0, d.inner);
        g.setColorAt(1, d.outer);
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawEllipse(centre, discRadius, discRadius);
    }
    // A soft white core where the three colours meet.
    QRadialGradient core(c, discRadius * 0.55);
    core.setColorAt(0, QColor(255, 255, 255, 150));
    core.setColorAt(1, QColor(255, 255, 255, 0));
    p.setBrush(core);
    p.drawEllipse(c, discRadius * 0.55, discRadius * 0.55);
    p.restore();
}

QImage LogoImage(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    PaintLogoMark(p, QRectF(0, 0, size, size));
    return image;
}

QPixmap LogoWithName(qreal dpr, double scale, const QColor& textColor)
{
    // Laid out at the interface scale itself, so that the name is measured
    // in the font it is drawn with: a pixmap drawn at a finer ratio sets
    // text wider than its unscaled metrics say.
    const QString name = QStringLiteral("Pastelloquin");
    const QFont font = InterfaceFont(std::max(1, platform::Round(17 * scale)), QFont::DemiBold);
    const QFontMetricsF metrics(font);
    const double markSize = 26 * scale;
    const double gap = 9 * scale;
    const int width = int(std::ceil(markSize + gap + metrics.horizontalAdvance(name) + 2 * scale));
    const int height = std::max(int(std::ceil(30 * scale)), int(std::ceil(metrics.height())));
    QPixmap pixmap(int(std::ceil(width * dpr)), int(std::ceil(height * dpr)));
    pixmap.setDevicePixelRatio(dpr);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    PaintLogoMark(p, QRectF(0, (height - markSize) / 2.0, markSize, markSize));
    p.setFont(font);
    p.setPen(textColor);
    p.drawText(QRectF(markSize + gap, 0, width - markSize - gap, height), Qt::AlignVCenter | Qt::AlignLeft, name);
    return pixmap;
}

} // namespace pq
