#pragma once

#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QRectF>

class QPainter;

namespace pq {

// The product mark: three overlapping pastel discs, drawn into r.
void PaintLogoMark(QPainter& painter, const QRectF& r);
// The mark as an image of the given size (device pixels).
QImage LogoImage(int size);
// The main bar's logo: the mark and the product name in textColor, laid
// out at an interface scale, in pixels of the given ratio.
QPixmap LogoWithName(qreal devicePixelRatio, double scale, const QColor& textColor);

} // namespace pq
