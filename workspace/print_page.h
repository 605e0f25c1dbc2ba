#pragma once

#include "gfx/image.h"
#include "workspace/print_layout.h"

#include <QString>

class QPaintDevice;

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

} // namespace pq
