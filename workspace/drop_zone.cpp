#include "workspace/drop_zone.h"

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

TDropZone::TDropZone(QWidget* parent) : QWidget(parent)
{
    setFixedSize(350, 250);
    setCursor(Qt::DragCopyCursor);
    Label12 = new QLabel(Translate(QStringLiteral("Browse files")), this);
    Label12->setObjectName(QStringLiteral("Label12"));
    Label12->setFont(InterfaceFont(14, QFont::DemiBold));
    Label12->setCursor(Qt::PointingHandCursor);
    Label12->setAlignment(Qt::AlignCenter);
    Label12->setAttribute(Qt::WA_Hover);
    Label12->setGeometry(0, 190, 350, 24);
    Label12->installEventFilter(this);
    setAcceptDrops(true);
}

bool TDropZone::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Label12 && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        emit browseClicked();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TDropZone::dragEnterEvent(QDragEnterEvent* event)
{
    if (AcceptsDrop && AcceptsDrop(event->mimeData())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void TDropZone::dragMoveEvent(QDragMoveEvent* event)
{
    if (AcceptsDrop && AcceptsDrop(event->mimeData())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void TDropZone::dropEvent(QDropEvent* event)
{
    event->setDropAction(Qt::CopyAction);
    event->accept();
    if (Dropped)
        Dropped(event->mimeData());
}

void TDropZone::paintEvent(QPaintEvent*)
{
    const TUiPalette& palette = CurrentPalette();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor hot = GThemeMode == tmLight ? palette.textSecondary : palette.border.lighter(130);
    const QColor stroke = hovered_ ? hot : palette.muted;
    QPen pen(stroke, 2, Qt::DashLine);
    pen.setDashPattern({4, 3});
    p.setPen(pen);
    p.setBrush(hovered_ ? ThemedColor(QColor(255, 255, 255, 8)) : QBrush(Qt::NoBrush));
    p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 20, 20);

    const qreal dpr = devicePixelRatioF();
    p.drawPixmap(QPointF((width() - 81) / 2.0, 34), RenderIcon(QStringLiteral("picture"), stroke, 81, dpr, 1.0));

    p.setPen(palette.text);
    p.setFont(InterfaceFont(16, QFont::DemiBold));
    p.drawText(QRect(0, 128, width(), 26), Qt::AlignCenter, Translate(QStringLiteral("No image loaded")));
    p.setPen(palette.textSecondary);
    p.setFont(InterfaceFont(14));
    p.drawText(QRect(0, 164, width(), 22), Qt::AlignCenter, Translate(QStringLiteral("Drop image here or")));
}

void TDropZone::enterEvent(QEnterEvent* event)
{
    hovered_ = true;
    update();
    QWidget::enterEvent(event);
}

void TDropZone::leaveEvent(QEvent* event)
{
    hovered_ = false;
    update();
    QWidget::leaveEvent(event);
}

} // namespace pq
