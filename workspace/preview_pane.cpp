#include "workspace/preview_pane.h"

#include "ui/theme.h"
#include "ui/theme_style.h"
#include "ui/widgets/icon_button.h"
#include "workspace/document.h"

#include <QGraphicsOpacityEffect>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>

#include <vector>

namespace pq {

namespace {

// Three box passes approximate a gaussian of the given sigma on the alpha
// channel of a premultiplied black image.
void BlurAlpha(QImage& image, double sigma)
{
    const int w = image.width();
    const int h = image.height();
    const int radius = std::max(1, int(sigma * 0.93 + 0.5));
    std::vector<int> line(std::max(w, h));
    auto pass = [&](bool horizontal) {
        const int outer = horizontal ? h : w;
        const int inner = horizontal ? w : h;
        for (int o = 0; o < outer; ++o) {
            auto at = [&](int i) -> QRgb& {
                return horizontal ? reinterpret_cast<QRgb*>(image.scanLine(o))[i]
                                  : reinterpret_cast<QRgb*>(image.scanLine(i))[o];
            };
            for (int i = 0; i < inner; ++i)
                line[i] = qAlpha(at(i));
            int sum = 0;
            for (int i = -radius; i <= radius; ++i)
                sum += line[std::clamp(i, 0, inner - 1)];
            for (int i = 0; i < inner; ++i) {
                const int a = sum / (2 * radius + 1);
                at(i) = qRgba(0, 0, 0, a);
                sum += line[std::min(i + radius + 1, inner - 1)] - line[std::max(i - radius, 0)];
            }
        }
    };
    for (int k = 0; k < 3; ++k) {
        pass(true);
        pass(false);
    }
}

QPainterPath PaneShape(const QRectF& r)
{
    QPainterPath path;
    path.addRoundedRect(r, 16, 16);
    return path;
}

} // namespace

PreviewPane::PreviewPane(Document& document, QWidget* parent) : QWidget(parent), document_(document)
{
    setFixedSize(kSize, kSize);
    setCursor(Qt::SizeAllCursor);

    auto* box = new QWidget(this);
    box->setObjectName(QStringLiteral("zoomBox"));
    box->setGeometry(65, 188 - 8, 100, 36);
    box->setStyleSheet(QStringLiteral("#zoomBox { background: #111827; border-radius: 15px; }"));
    auto* zoomLayout = new QHBoxLayout(box);
    zoomLayout->setContentsMargins(6, 0, 6, 0);
    zoomLayout->setSpacing(0);
    auto* zoomOut = new IconButton(QStringLiteral("zoomout"), box);
    zoomOut->setObjectName(QStringLiteral("zoomOutIcon"));
    zoomOut->setIconPixelSize(16);
    zoomOut->setFixedSize(24, 24);
    auto* label = new QLabel(QStringLiteral("100%"), box);
    label->setObjectName(QStringLiteral("zoomPercentLabel"));
    label->setAlignment(Qt::AlignCenter);
    label->setFont(InterfaceFont(12, QFont::Medium));
    auto* zoomIn = new IconButton(QStringLiteral("zoomin"), box);
    zoomIn->setObjectName(QStringLiteral("zoomInIcon"));
    zoomIn->setIconPixelSize(16);
    zoomIn->setFixedSize(24, 24);
    zoomLayout->addWidget(zoomOut);
    zoomLayout->addWidget(label, 1);
    zoomLayout->addWidget(zoomIn);
    // Invisible until the pane is hovered.
    auto* fade = new QGraphicsOpacityEffect(box);
    fade->setOpacity(0.0);
    box->setGraphicsEffect(fade);
    box->installEventFilter(this);
    label->installEventFilter(this);
    connect(zoomIn, &QAbstractButton::clicked, this, &PreviewPane::zoomInClicked);
    connect(zoomOut, &QAbstractButton::clicked, this, &PreviewPane::zoomOutClicked);
    zoomBox = box;
    zoomPercentLabel = label;
    zoomOutIcon = zoomOut;
    zoomInIcon = zoomIn;

    percentLabel = new QLabel(QStringLiteral("0%"), this);
    percentLabel->setObjectName(QStringLiteral("percentLabel"));
    percentLabel->setAlignment(Qt::AlignCenter);
    percentLabel->setFont(InterfaceFont(14, QFont::DemiBold));
    percentLabel->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
    percentLabel->setGeometry((kSize - 60) / 2, (kSize - 24) / 2, 60, 24);
    percentLabel->hide();
}

void PreviewPane::setBitmap(const QImage& bitmap)
{
    bitmap_ = bitmap;
    update();
}

const QImage& PreviewPane::innerShadow()
{
    if (shadow_.size() == size())
        return shadow_;
    QImage ring(size(), QImage::Format_ARGB32_Premultiplied);
    ring.fill(Qt::transparent);
    {
        QPainter p(&ring);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath outside;
        outside.setFillRule(Qt::OddEvenFill);
        outside.addRect(QRectF(rect()).adjusted(-50, -50, 50, 50));
        outside.addPath(PaneShape(QRectF(rect())));
        p.translate(4, 4);
        p.fillPath(outside, Qt::black);
    }
    BlurAlpha(ring, 7.0);
    // Shadow colour $E5000000: scale the alpha by 0xE5 / 255.
    for (int y = 0; y < ring.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(ring.scanLine(y));
        for (int x = 0; x < ring.width(); ++x)
            row[x] = qRgba(0, 0, 0, qAlpha(row[x]) * 0xE5 / 255);
    }
    shadow_ = ring;
    return shadow_;
}

void PreviewPane::paintEvent(QPaintEvent*)
{
    const UiPalette& palette = CurrentPalette();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF r(rect());
    const QPainterPath shape = PaneShape(r);

    p.save();
    p.setClipPath(shape);
    if (bitmap_.isNull())
        p.fillRect(r, palette.frame);
    else
        p.drawImage(r, bitmap_);
    // Softer on the light theme's white pane.
    p.setOpacity(gThemeMode == ThemeMode::Light ? 0.45 : 1.0);
    p.drawImage(QPointF(0, 0), innerShadow());
    p.restore();

    // Round corners on the panel colour.
    QPainterPath corners;
    corners.setFillRule(Qt::OddEvenFill);
    corners.addRect(r);
    corners.addPath(shape);
    p.fillPath(corners, palette.panel);

    // Only the current preview's progress: a superseded one's is dropped.
    const int percent = document_.shared->currentPreviewProgress();
    if (percent > 0 && percent < 100) {
        const QRectF pc = percentLabel->geometry();
        const double radius = pc.height() / 2 + 10;
        const QRectF ring(pc.center() - QPointF(radius, radius), QSizeF(2 * radius, 2 * radius));
        // A backing inside the ring, so that the figure reads on any picture.
        p.setPen(Qt::NoPen);
        p.setBrush(ThemedColor(QColor(0x11, 0x18, 0x27, 200)));
        p.drawEllipse(pc.center(), radius - 2, radius - 2);
        QPen pen(palette.accentStrong, 3);
        pen.setCapStyle(Qt::RoundCap);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawArc(ring, 90 * 16, -int(percent / 100.0 * 360 * 16));
    }
}

void PreviewPane::mousePressEvent(QMouseEvent* event)
{
    emit mousePressed(event->button(), event->position());
}

void PreviewPane::mouseMoveEvent(QMouseEvent* event)
{
    emit mouseMoved(event->buttons(), event->position());
}

void PreviewPane::mouseReleaseEvent(QMouseEvent* event)
{
    emit mouseReleased(event->button(), event->position());
}

void PreviewPane::wheelEvent(QWheelEvent* event)
{
    event->accept();
    const int delta = event->angleDelta().y() != 0 ? event->angleDelta().y() : event->angleDelta().x();
    if (delta != 0)
        emit wheelTurned(delta);
}

bool PreviewPane::eventFilter(QObject* watched, QEvent* event)
{
    // Presses on the zoom box stay there (they would pan the pane).
    if ((watched == zoomBox || watched == zoomPercentLabel)
        && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick))
        return true;
    if ((watched == zoomBox || watched == zoomPercentLabel) && event->type() == QEvent::MouseButtonRelease) {
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            emit zoomResetClicked();
        return true;
    }
    if (watched == zoomPercentLabel && event->type() == QEvent::Enter) {
        if (auto* fade = qobject_cast<QGraphicsOpacityEffect*>(zoomBox->graphicsEffect()))
            fade->setOpacity(0.8);
    }
    // The zoom box is invisible until the mouse is over it.
    if (watched == zoomBox && (event->type() == QEvent::Enter || event->type() == QEvent::Leave)) {
        if (auto* fade = qobject_cast<QGraphicsOpacityEffect*>(zoomBox->graphicsEffect()))
            fade->setOpacity(event->type() == QEvent::Enter ? 0.8 : 0.0);
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace pq
