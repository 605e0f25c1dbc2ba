#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>

namespace pq {

// The program's line icons, drawn from built-in SVG in any colour.
// Unknown names give an empty pixmap.
QPixmap RenderIcon(const QString& name, const QColor& color, int size, qreal devicePixelRatio = 1.0,
                   qreal strokeWidth = 1.8);
bool HasIcon(const QString& name);

} // namespace pq
