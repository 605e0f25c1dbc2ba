#pragma once

#include <QImage>
#include <QRectF>

class QPainter;

namespace pq {

// The product mark: three overlapping pastel discs, drawn into r.
void PaintLogoMark(QPainter& painter, const QRectF& r);
// The mark as an image of the given size (device pixels).
QImage LogoImage(int size);

} // namespace pq
