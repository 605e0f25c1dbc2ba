#pragma once

#include "gfx/image.h"
#include "workspace/print_layout.h"

#include <QString>

class QPaintDevice;
class QPrinter;

namespace pq {

// The resolution and page of a paint device: a printer's page in its
// pixels, or an image standing in for one in tests.
PrinterMetrics MetricsOf(const QPaintDevice& device);

// Prints the image on one page of the device (a printer, or an image):
// transparent parts print white, the image is placed by LayoutPage and not
// clipped to the margins, and drawn with smooth interpolation. Returns an
// empty string on success, else the message to show (a painter that
// cannot begin on the device, no image).
QString PrintImagePage(QPaintDevice& device, const gfx::Image& image, const PrintSettings& settings);

// The printer that writes a PDF file: an A4 page in the orientation at 300
// dpi, printed whole (the layout keeps the margins). False when the
// printer refuses the page.
bool SetUpPdfPrinter(QPrinter& printer, const QString& fileName, bool landscape);
// That page's metrics, for the preview.
PrinterMetrics PdfPageMetrics(bool landscape);

// Prints the image on one page of a PDF file through SetUpPdfPrinter,
// written beside the file and renamed when done. Returns an empty string
// on success, else the message to show.
QString PrintImageToPdf(const gfx::Image& image, const PrintSettings& settings, const QString& fileName);

} // namespace pq
