#pragma once

#include <QRectF>
#include <QSize>
#include <QSizeF>

namespace pq {

// How the image is put on the page, in the order of the mode list.
enum class PrintScaleMode { BestFit = 0, StretchToFill = 1, OriginalSize = 2 };

struct PrintSettings {
    bool landscape = false;
    PrintScaleMode mode = PrintScaleMode::BestFit;
    double imageDpi = 300.0; // below 1 counts as 96
    double marginMm = 10.0;  // below 0 counts as 0
};

// What the printer reports: page size in its pixels and its resolution.
// Empty (or a resolution below 11 in the preview) means no usable printer.
struct PrinterMetrics {
    QSize pagePixels;
    double dpiX = 0;
    double dpiY = 0;
};

double EffectiveImageDpi(double imageDpi);
double EffectiveMargin(double marginMm);

// The page in millimetres: the printer's page when it reports a
// resolution of at least 11 in both directions, else A4 in the chosen
// orientation.
QSizeF PreviewPageMm(const PrinterMetrics& printer, bool landscape);

struct PreviewLayout {
    QRectF page;      // white page with its outline
    QRectF printable; // the page less the margins: the clip
    QRectF image;     // where the image is drawn
};
// The preview of an imageSize picture in a box of boxSize pixels; an empty
// layout for an empty box or image.
PreviewLayout LayoutPreview(QSizeF boxSize, QSize imageSize, const PrinterMetrics& printer,
                            const PrintSettings& settings);

struct PageLayout {
    QRectF printable;
    QRectF image; // not clipped to the margins
};
// The image on the printed page, in printer pixels. A resolution of 0
// never divides: the margin is then 0 and "Original Size" prints 1:1.
PageLayout LayoutPage(const PrinterMetrics& printer, QSize imageSize, const PrintSettings& settings);

} // namespace pq
