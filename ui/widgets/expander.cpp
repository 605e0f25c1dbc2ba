#include "ui/widgets/expander.h"

#include "platform/numeric.h"
#include "ui/theme_style.h"
#include "ui/widgets/icons.h"

#include <QListWidget>
#include <QMouseEvent>
#include <QFontMetricsF>
#include <QPainter>

namespace pq {
namespace {

// The style's padding left of an item's text, in units, and the margins
// the view keeps around it, in pixels; the least size of a fitted item.
constexpr qreal kItemPadding = 4;
constexpr qreal kTextMargins = 4;
constexpr qreal kSmallestItemSize = 9;

} // namespace

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
    // A new caption (another language) is fitted to its row at once.
    connect(list_->model(), &QAbstractItemModel::dataChanged, this, [this] { fitItems(); });
    connect(list_->model(), &QAbstractItemModel::rowsInserted, this, [this] { fitItems(); });
    list_->installEventFilter(this);
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
    fitItems();
}

// An item too long for its row is set smaller, in steps of half a pixel
// down to 9 units, rather than cut; the others keep the list's font.
void Expander::fitItems()
{
    if (fittingItems_ || list_->width() <= 0)
        return;
    fittingItems_ = true;
    const QFont base = list_->font();
    const qreal baseSize = base.pixelSize() > 0 ? base.pixelSize() : base.pointSizeF() * logicalDpiY() / 72.0;
    const qreal room = list_->contentsRect().width() - kItemPadding * scale_ - kTextMargins;
    for (int i = 0; i < list_->count(); ++i) {
        QListWidgetItem* item = list_->item(i);
        const QString text = item->text();
        qreal size = baseSize;
        QFont font = base;
        while (size - 0.5 >= kSmallestItemSize * scale_ && QFontMetricsF(font).horizontalAdvance(text) > room) {
            size -= 0.5;
            font.setPointSizeF(size * 72.0 / logicalDpiY());
        }
        if (size == baseSize)
            item->setData(Qt::FontRole, QVariant());
        else
            item->setFont(font);
        // Rows as high as the list's room gives them, not as the style
        // rounds them: a taller row scrolls the last effect out of sight.
        item->setSizeHint(QSize(list_->viewport()->width(), itemHeight()));
    }
    list_->scrollToTop();
    fittingItems_ = false;
}

bool Expander::eventFilter(QObject* watched, QEvent* event)
{
    // The list is also sized and set in a new font from outside (a new
    // interface size).
    if (watched == list_ && (event->type() == QEvent::Resize || event->type() == QEvent::FontChange))
        fitItems();
    return QWidget::eventFilter(watched, event);
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
