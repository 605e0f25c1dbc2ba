#include "workspace/gallery_tiles.h"

#include "platform/tick.h"
#include "ui/theme.h"
#include "ui/theme_style.h"
#include "ui/translate.h"

#include <QCursor>
#include <QEnterEvent>
#include <QGraphicsDropShadowEffect>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace pq {
namespace {

QGraphicsDropShadowEffect* Shadow(QWidget* owner, double distance, double directionDegrees, double opacity,
                                  QColor color, double blur)
{
    auto* shadow = new QGraphicsDropShadowEffect(owner);
    const double a = directionDegrees * M_PI / 180.0;
    shadow->setOffset(distance * std::cos(a), distance * std::sin(a));
    color.setAlphaF(opacity);
    shadow->setColor(color);
    shadow->setBlurRadius(blur);
    return shadow;
}

} // namespace

// ---- Tile ----

GalleryTile::GalleryTile(bool isSource, QWidget* parent) : QWidget(parent), isSource_(isSource)
{
    setFixedSize(kRowWidth, kRowHeight);
    setCursor(Qt::PointingHandCursor);
    setMouseTracking(true);
    setGraphicsEffect(Shadow(this, 3, 45, 0.5, Qt::black, 6));
}

void GalleryTile::setThumbnail(const QImage& thumbnail)
{
    thumbnail_ = thumbnail;
    update();
}

void GalleryTile::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF box(tileRect());
    QPainterPath clip;
    clip.addRoundedRect(box, 15, 15);
    p.setClipPath(clip);
    p.fillRect(box, ThemedColor(QColor::fromRgba(0xFF111827)));
    if (!thumbnail_.isNull()) {
        // Fitted and centred; the thumbnail holds device pixels.
        const double dpr = thumbnail_.devicePixelRatio();
        const double w = thumbnail_.width() / dpr;
        const double h = thumbnail_.height() / dpr;
        const double s = std::min(box.width() / w, box.height() / h);
        const QRectF target(box.center().x() - w * s / 2.0, box.center().y() - h * s / 2.0, w * s, h * s);
        p.drawImage(target, thumbnail_);
    }
    p.setClipping(false);
    if (isSource_) {
        p.setPen(QPen(Qt::white, 1.0));
        p.setBrush(QColor::fromRgba(0xFF87CEFA));
        p.drawEllipse(QRectF(box.x() + box.width() / 2.0 - 5.0, box.y() + 2.0, 10.0, 10.0));
    }
}

void GalleryTile::enterEvent(QEnterEvent* event)
{
    emit entered(this);
    QWidget::enterEvent(event);
}

void GalleryTile::leaveEvent(QEvent* event)
{
    emit left(this);
    QWidget::leaveEvent(event);
}

void GalleryTile::mouseMoveEvent(QMouseEvent* event)
{
    const QRect box = tileRect();
    const QPointF at = event->position() - QPointF(box.topLeft());
    emit moved(this, QPointF(std::clamp(at.x() / box.width(), 0.0, 1.0), std::clamp(at.y() / box.height(), 0.0, 1.0)));
    QWidget::mouseMoveEvent(event);
}

void GalleryTile::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() == Qt::RightButton)
        emit rightPressed(this, event->globalPosition().toPoint());
    else if (event->button() == Qt::LeftButton)
        emit leftPressed(this);
}

// ---- Context menu ----

GalleryContextMenu::GalleryContextMenu(QWidget* parent) : QWidget(parent)
{
    setFixedSize(220, 58);
    setCursor(Qt::ArrowCursor);
    hide();
    setGraphicsEffect(Shadow(this, 4, 315, 0.6, Qt::black, 8));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 2, 0, 2);
    column->setSpacing(0);
    const auto makeEntry = [this, column](QLabel*& label) {
        auto* entry = new QWidget(this);
        entry->setFixedHeight(27);
        entry->setCursor(Qt::PointingHandCursor);
        entry->setAttribute(Qt::WA_Hover);
        entry->installEventFilter(this);
        label = new QLabel(entry);
        label->setFont(InterfaceFont(14));
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        label->setGeometry(14, 0, 200, 27);
        column->addWidget(entry);
        return entry;
    };
    setResultEntry = makeEntry(resultLabel_);
    setResultEntry->setObjectName(QStringLiteral("setResultEntry"));
    setSourceEntry = makeEntry(sourceLabel_);
    setSourceEntry->setObjectName(QStringLiteral("setSourceEntry"));
    retranslate();
    cursorPos = [] { return QCursor::pos(); };
    timer_.setInterval(150);
    connect(&timer_, &QTimer::timeout, this, &GalleryContextMenu::checkMouse);
}

void GalleryContextMenu::retranslate()
{
    resultLabel_->setText(Translate(QStringLiteral("Set as Result")));
    sourceLabel_->setText(Translate(QStringLiteral("Set as Source")));
    const QString colour = ThemedTextColor(QColor(Qt::white)).name();
    resultLabel_->setStyleSheet(QStringLiteral("color: %1; background: transparent;").arg(colour));
    sourceLabel_->setStyleSheet(QStringLiteral("color: %1; background: transparent;").arg(colour));
}

void GalleryContextMenu::popUp(QPoint pos)
{
    retranslate();
    move(pos.x(), pos.y() - height());
    show();
    raise();
    timer_.start();
}

void GalleryContextMenu::dismiss()
{
    timer_.stop();
    hide();
}

void GalleryContextMenu::checkMouse()
{
    if (!isVisible()) {
        timer_.stop();
        return;
    }
    const QRect area = QRect(mapToGlobal(QPoint(0, 0)), size()).adjusted(-6, -6, 6, 6);
    if (!area.contains(cursorPos()))
        dismiss();
}

void GalleryContextMenu::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(ThemedColor(QColor::fromRgba(0xFF374151)), 1.0));
    p.setBrush(ThemedColor(QColor::fromRgba(0xFF1F2937)));
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 15, 15);
}

bool GalleryContextMenu::eventFilter(QObject* watched, QEvent* event)
{
    auto* entry = qobject_cast<QWidget*>(watched);
    if (entry != setResultEntry && entry != setSourceEntry)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Enter:
        entry->setStyleSheet(QStringLiteral("background: %1; border-radius: 13px;")
                                 .arg(ThemedColor(QColor::fromRgba(0xFF374151)).name()));
        entry->setAttribute(Qt::WA_StyledBackground);
        break;
    case QEvent::Leave:
        entry->setStyleSheet(QString());
        break;
    case QEvent::MouseButtonPress:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            dismiss();
            if (entry == setResultEntry)
                emit setAsResult();
            else
                emit setAsSource();
            return true;
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

// ---- Magnifier ----

GalleryMagnifier::GalleryMagnifier(QWidget* parent) : QWidget(parent)
{
    setFixedSize(kMagnifierSize, kMagnifierSize);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_TranslucentBackground);
    hide();
    setGraphicsEffect(Shadow(this, 4, 45, 0.8, QColor::fromRgba(0xFF111827), 8));
    clock = [] { return double(platform::TickMs()) / 1000.0; };
    darkTheme = [] { return gThemeMode == ThemeMode::Dark; };
}

void GalleryMagnifier::setImage(const gfx::Image& image)
{
    image_ = image;
    update();
}

void GalleryMagnifier::setSpot(QPointF spot)
{
    spot_ = QPointF(std::clamp(spot.x(), 0.0, 1.0), std::clamp(spot.y(), 0.0, 1.0));
    update();
}

QImage GalleryMagnifier::render() const
{
    LensLook look;
    look.darkTheme = darkTheme && darkTheme();
    look.seconds = clock ? clock() : 0.0;
    return RenderMagnifier(image_, spot_, look, size());
}

void GalleryMagnifier::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawImage(0, 0, render());
}

} // namespace pq
