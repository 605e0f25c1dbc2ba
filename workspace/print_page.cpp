#include "workspace/print_page.h"

#include "ui/translate.h"

#include <QFile>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPaintDevice>
#include <QPainter>
#include <QPrinter>

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

namespace {

constexpr int kPdfDpi = 300;

QPageLayout PdfPage(bool landscape)
{
    return QPageLayout(QPageSize(QPageSize::A4), landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(0, 0, 0, 0));
}

} // namespace

bool SetUpPdfPrinter(QPrinter& printer, const QString& fileName, bool landscape)
{
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(fileName);
    printer.setResolution(kPdfDpi);
    printer.setFullPage(true);
    return printer.setPageLayout(PdfPage(landscape));
}

PrinterMetrics PdfPageMetrics(bool landscape)
{
    PrinterMetrics metrics;
    metrics.pagePixels = PdfPage(landscape).fullRectPixels(kPdfDpi).size();
    metrics.dpiX = kPdfDpi;
    metrics.dpiY = kPdfDpi;
    return metrics;
}

QString PrintImageToPdf(const gfx::Image& image, const PrintSettings& settings, const QString& fileName)
{
    QPrinter printer(QPrinter::HighResolution);
    const QString part = fileName + QStringLiteral(".part");
    if (!SetUpPdfPrinter(printer, part, settings.landscape))
        return QStringLiteral("the PDF printer refused the A4 page");
    const QString error = PrintImagePage(printer, image, settings);
    if (!error.isEmpty()) {
        QFile::remove(part);
        return error;
    }
    QFile::remove(fileName);
    if (!QFile::rename(part, fileName)) {
        QFile::remove(part);
        return QStringLiteral("cannot write '%1'").arg(fileName);
    }
    return {};
}

} // namespace pq
