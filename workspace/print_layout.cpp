#include "workspace/print_layout.h"

#include "platform/numeric.h"

#include <algorithm>

namespace pq {
namespace {

constexpr double kMmPerInch = 25.4;

QRectF CentredOn(QPointF centre, double width, double height)
{
    return QRectF(centre.x() - width / 2.0, centre.y() - height / 2.0, width, height);
}

} // namespace

double EffectiveImageDpi(double imageDpi)
{
    return imageDpi < 1.0 ? 96.0 : imageDpi;
}

double EffectiveMargin(double marginMm)
{
    return marginMm > 0.0 ? marginMm : 0.0;
}

QSizeF PreviewPageMm(const PrinterMetrics& printer, bool landscape)
{
    if (printer.pagePixels.isEmpty() || printer.dpiX < 11.0 || printer.dpiY < 11.0)
        return landscape ? QSizeF(297.0, 210.0) : QSizeF(210.0, 297.0);
    return QSizeF(printer.pagePixels.width() / printer.dpiX * kMmPerInch,
                  printer.pagePixels.height() / printer.dpiY * kMmPerInch);
}

PreviewLayout LayoutPreview(QSizeF boxSize, QSize imageSize, const PrinterMetrics& printer,
                            const PrintSettings& settings)
{
    if (boxSize.width() < 1.0 || boxSize.height() < 1.0 || imageSize.isEmpty())
        return {};
    const QSizeF pageMm = PreviewPageMm(printer, settings.landscape);
    const double s = std::min((boxSize.width() - 40.0) / pageMm.width(), (boxSize.height() - 40.0) / pageMm.height());
    PreviewLayout layout;
    layout.page = CentredOn(QPointF(boxSize.width() / 2.0, boxSize.height() / 2.0), pageMm.width() * s,
                            pageMm.height() * s);
    const double margin = EffectiveMargin(settings.marginMm) * s;
    layout.printable = layout.page.adjusted(margin, margin, -margin, -margin);
    const QPointF centre = layout.printable.center();
    switch (settings.mode) {
    case PrintScaleMode::StretchToFill:
        layout.image = layout.printable;
        break;
    case PrintScaleMode::OriginalSize: {
        const double k = kMmPerInch / EffectiveImageDpi(settings.imageDpi) * s;
        layout.image = CentredOn(centre, imageSize.width() * k, imageSize.height() * k);
        break;
    }
    case PrintScaleMode::BestFit: {
        const double k = std::min(layout.printable.width() / imageSize.width(),
                                  layout.printable.height() / imageSize.height());
        layout.image = CentredOn(centre, imageSize.width() * k, imageSize.height() * k);
        break;
    }
    }
    return layout;
}

PageLayout LayoutPage(const PrinterMetrics& printer, QSize imageSize, const PrintSettings& settings)
{
    PageLayout layout;
    const double w = printer.pagePixels.width();
    const double h = printer.pagePixels.height();
    const double dpiX = std::max(0.0, printer.dpiX);
    const double dpiY = std::max(0.0, printer.dpiY);
    const double margin = EffectiveMargin(settings.marginMm);
    const double marginX = dpiX / kMmPerInch * margin;
    const double marginY = dpiY / kMmPerInch * margin;
    layout.printable = QRectF(marginX, marginY, w - 2.0 * marginX, h - 2.0 * marginY);
    if (imageSize.isEmpty())
        return layout;
    const double iw = imageSize.width();
    const double ih = imageSize.height();
    switch (settings.mode) {
    case PrintScaleMode::StretchToFill:
        layout.image = layout.printable;
        break;
    case PrintScaleMode::OriginalSize: {
        // The horizontal resolution serves both directions.
        const double k = dpiX > 0.0 ? dpiX / EffectiveImageDpi(settings.imageDpi) : 1.0;
        layout.image = CentredOn(QPointF(w / 2.0, h / 2.0), iw * k, ih * k);
        break;
    }
    case PrintScaleMode::BestFit: {
        const double s = std::min(layout.printable.width() / iw, layout.printable.height() / ih);
        const double dw = iw * s;
        const double dh = ih * s;
        const QPointF centre = layout.printable.center();
        layout.image = QRectF(centre.x() - platform::Round(dw / 2.0), centre.y() - platform::Round(dh / 2.0), dw, dh);
        break;
    }
    }
    return layout;
}

} // namespace pq
