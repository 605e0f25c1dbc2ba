#include "workspace/drop_zone.h"

#include "ui/interface_scale.h"
#include "ui/theme.h"
#include "ui/theme_style.h"
#include "ui/translate.h"
#include "ui/widgets/icons.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

namespace pq {

DropZone::DropZone(QWidget* parent) : QWidget(parent)
{
    setFixedSize(350, 250);
    setCursor(Qt::DragCopyCursor);
    browseLink = new QLabel(Translate(QStringLiteral("Browse files")), this);
    browseLink->setObjectName(QStringLiteral("browseLink"));
    browseLink->setFont(InterfaceFont(14, QFont::DemiBold));
    browseLink->setCursor(Qt::PointingHandCursor);
    browseLink->setAlignment(Qt::AlignCenter);
    browseLink->setAttribute(Qt::WA_Hover);
    browseLink->setGeometry(0, 190, 350, 24);
    browseLink->installEventFilter(this);
    setAcceptDrops(true);
}

bool DropZone::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == browseLink && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        emit browseClicked();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void DropZone::dragEnterEvent(QDragEnterEvent* event)
{
    if (acceptsDrop && acceptsDrop(event->mimeData())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void DropZone::dragMoveEvent(QDragMoveEvent* event)
{
    if (acceptsDrop && acceptsDrop(event->mimeData())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void DropZone::dropEvent(QDropEvent* event)
{
    event->setDropAction(Qt::CopyAction);
    event->accept();
    if (dropped)
        dropped(event->mimeData());
}

void DropZone::paintEvent(QPaintEvent*)
{
    const UiPalette& palette = CurrentPalette();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // Drawn in design units at the interface scale.
    const qreal scale = WidgetScale(this);
    p.scale(scale, scale);
    const int w = qRound(width() / scale);
    const int h = qRound(height() / scale);
    const QColor hot = gThemeMode == ThemeMode::Light ? palette.textSecondary : palette.border.lighter(130);
    const QColor stroke = hovered_ ? hot : palette.muted;
    QPen pen(stroke, 2, Qt::DashLine);
    pen.setDashPattern({4, 3});
    p.setPen(pen);
    p.setBrush(hovered_ ? ThemedColor(QColor(255, 255, 255, 8)) : QBrush(Qt::NoBrush));
    p.drawRoundedRect(QRectF(0, 0, w, h).adjusted(1, 1, -1, -1), 20, 20);

    const qreal dpr = devicePixelRatioF() * scale;
    p.drawPixmap(QPointF((w - 81) / 2.0, 34), RenderIcon(QStringLiteral("picture"), stroke, 81, dpr, 1.0));

    p.setPen(palette.text);
    p.setFont(InterfaceFont(16, QFont::DemiBold));
    p.drawText(QRect(0, 128, w, 26), Qt::AlignCenter, Translate(QStringLiteral("No image loaded")));
    p.setPen(palette.textSecondary);
    p.setFont(InterfaceFont(14));
    p.drawText(QRect(0, 164, w, 22), Qt::AlignCenter, Translate(QStringLiteral("Drop image here or")));
}

void DropZone::enterEvent(QEnterEvent* event)
{
    hovered_ = true;
    update();
    QWidget::enterEvent(event);
}

void DropZone::leaveEvent(QEvent* event)
{
    hovered_ = false;
    update();
    QWidget::leaveEvent(event);
}

} // namespace pq
