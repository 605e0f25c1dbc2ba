#include "workspace/print_page.h"

#include "ui/translate.h"

#include <QImage>
#include <QPaintDevice>
#include <QPainter>

namespace pq {

PrinterMetrics MetricsOf(const QPaintDevice& device)
{
    PrinterMetrics metrics;
    metrics.pagePixels = QSize(device.width(), device.height());
    metrics.dpiX = device.logicalDpiX();
    metrics.dpiY = device.logicalDpiY();
    return metrics;
}

QString PrintImagePage(QPaintDevice& device, const gfx::Image& image, const PrintSettings& settings)
{
    if (image.isNull())
        return Translate(QStringLiteral("No image loaded"));
    const PrinterMetrics metrics = MetricsOf(device);
    const PageLayout layout = LayoutPage(metrics, image.size(), settings);

    // Transparent parts print white.
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    {
        QPainter p(&flat);
        p.drawImage(0, 0, image.qimage());
    }

    QPainter painter;
    if (!painter.begin(&device))
        return Translate(QStringLiteral("The printer could not start the page."));
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(layout.image, flat, QRectF(flat.rect()));
    if (!painter.end())
        return Translate(QStringLiteral("The printer could not finish the page."));
    return {};
}

} // namespace pq
