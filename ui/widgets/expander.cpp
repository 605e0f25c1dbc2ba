#include "ui/widgets/expander.h"

#include "platform/numeric.h"
#include "ui/theme_style.h"
#include "ui/widgets/icons.h"

#include <QListWidget>
#include <QMouseEvent>
#include <QFontMetricsF>
#include <QPainter>

namespace pq {

Expander::Expander(const QString& text, QListWidget* list, QWidget* parent)
    : QWidget(parent), text_(text), list_(list)
{
    setMouseTracking(true);
    list_->setParent(this);
    list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setFrameShape(QFrame::NoFrame);
    list_->setUniformItemSizes(true);
    list_->hide();
    setFont(InterfaceFont(15, QFont::Medium));
    setFixedHeight(kHeaderHeight);
}

void Expander::setText(const QString& text)
{
    text_ = text;
    update();
}

void Expander::setTextIndent(int indent)
{
    indent_ = indent;
    relayout();
    update();
}

QString Expander::caption() const
{
    // "&&" in the text shows one ampersand.
    QString shown = text_.trimmed();
    shown.replace(QStringLiteral("&&"), QStringLiteral("&"));
    return shown;
}

QRectF Expander::captionRect() const
{
    const qreal indent = indent_ * scale_;
    return QRectF(indent, 0, width() - indent - 26 * scale_, headerHeight());
}

int Expander::headerHeight() const
{
    return platform::Round(kHeaderHeight * scale_);
}

int Expander::itemHeight() const
{
    return platform::Round(kItemHeight * scale_);
}

void Expander::setInterfaceScale(double scale)
{
    scale_ = scale;
    setFixedHeight(expanded_ ? expandedHeight() : headerHeight());
    relayout();
    updateGeometry();
    update();
}

void Expander::setCaptionOffset(std::optional<qreal> x)
{
    if (captionOffset_ == x)
        return;
    captionOffset_ = x;
    update();
}

int Expander::expandedHeight() const
{
    return headerHeight() + list_->count() * itemHeight();
}

void Expander::setExpanded(bool expanded)
{
    if (expanded_ == expanded)
        return;
    expanded_ = expanded;
    list_->setVisible(expanded_);
    setFixedHeight(expanded_ ? expandedHeight() : headerHeight());
    relayout();
    update();
    emit expandedChanged(expanded_);
}

QSize Expander::sizeHint() const
{
    return QSize(platform::Round(210 * scale_), expanded_ ? expandedHeight() : headerHeight());
}

void Expander::relayout()
{
    const int left = platform::Round((indent_ - 6) * scale_);
    list_->setGeometry(left, headerHeight(), width() - left, list_->count() * itemHeight());
}

void Expander::resizeEvent(QResizeEvent*)
{
    relayout();
}

void Expander::paintEvent(QPaintEvent*)
{
    const UiPalette& palette = CurrentPalette();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor color = headerHovered_ || expanded_ ? palette.textStrong : palette.text;
    p.setPen(color);
    p.setFont(font());
    const QRectF textRect = captionRect();
    if (captionOffset_) {
        p.save();
        p.setClipRect(textRect);
        p.drawText(textRect.translated(*captionOffset_, 0).adjusted(0, 0, 4096, 0), Qt::AlignVCenter | Qt::AlignLeft,
                   caption());
        p.restore();
    } else {
        p.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft,
                   QFontMetricsF(p.font()).elidedText(caption(), Qt::ElideRight, textRect.width() + 1));
    }

    // The arrow points down when closed and up when open.
    const qreal dpr = devicePixelRatioF();
    const int arrowSize = platform::Round(16 * scale_);
    QPixmap arrow = RenderIcon(QStringLiteral("chevron"), color, arrowSize, dpr, 2.0);
    const QPointF at(width() - 24 * scale_, (headerHeight() - arrowSize) / 2.0);
    if (expanded_) {
        const qreal half = arrowSize / 2.0;
        p.save();
        p.translate(at + QPointF(half, half));
        p.rotate(180);
        p.drawPixmap(QPointF(-half, -half), arrow);
        p.restore();
    } else {
        p.drawPixmap(at, arrow);
    }
}

void Expander::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && event->position().y() < headerHeight()) {
        emit headerClicked();
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void Expander::mouseMoveEvent(QMouseEvent* event)
{
    const bool overHeader = event->position().y() < headerHeight();
    if (overHeader != headerHovered_) {
        headerHovered_ = overHeader;
        setCursor(overHeader ? Qt::PointingHandCursor : Qt::ArrowCursor);
        update();
    }
    QWidget::mouseMoveEvent(event);
}

void Expander::leaveEvent(QEvent* event)
{
    headerHovered_ = false;
    update();
    QWidget::leaveEvent(event);
}

} // namespace pq
