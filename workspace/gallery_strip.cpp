#include "workspace/gallery_strip.h"

#include "ui/interface_scale.h"
#include "ui/theme.h"
#include "ui/theme_style.h"
#include "ui/translate.h"
#include "ui/widgets/icon_button.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

namespace pq {

GalleryStrip::GalleryStrip(QWidget* parent) : QWidget(parent)
{
    setCursor(Qt::PointingHandCursor);
    setFixedHeight(kCollapsedHeight);

    tileArea = new QWidget(this);
    tileArea->setObjectName(QStringLiteral("tileArea"));
    auto* row = new QHBoxLayout(tileArea);
    row->setContentsMargins(0, 0, 8, 0);
    row->setSpacing(0);

    addButtonArea = new QWidget(tileArea);
    addButtonArea->setObjectName(QStringLiteral("addButtonArea"));
    addButtonArea->setFixedWidth(104);
    auto* buttonBox = new QVBoxLayout(addButtonArea);
    buttonBox->setAlignment(Qt::AlignCenter);
    addToGalleryButton = new IconButton(QStringLiteral("plus"), addButtonArea);
    addToGalleryButton->setObjectName(QStringLiteral("addToGalleryButton"));
    addToGalleryButton->setFixedSize(55, 55);
    addToGalleryButton->setIconPixelSize(26);
    addToGalleryButton->setRadius(14);
    addToGalleryButton->setRestFill(QColor(0x11, 0x18, 0x27, 0xA0));
    addToGalleryButton->setToolTip(Translate(QStringLiteral("Add image to gallery")));
    buttonBox->addWidget(addToGalleryButton);
    row->addWidget(addButtonArea);

    tileScroll = new QScrollArea(tileArea);
    tileScroll->setObjectName(QStringLiteral("tileScroll"));
    tileScroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    tileScroll->setFrameShape(QFrame::NoFrame);
    tileScroll->setWidgetResizable(false);
    tileScroll->viewport()->setAutoFillBackground(false);
    tileRow = new QWidget;
    tileRow->setObjectName(QStringLiteral("tileRow"));
    auto* flow = new QHBoxLayout(tileRow);
    flow->setContentsMargins(0, 0, 0, 0);
    flow->setSpacing(0);
    flow->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    tileRow->resize(0, kExpandedHeight - 4);
    tileScroll->setWidget(tileRow);
    // setWidget turns the row's fill on: it would show white at the tiles'
    // round corners and grey after the last one.
    tileRow->setAutoFillBackground(false);
    row->addWidget(tileScroll, 1);

    tileArea->hide();
}

void GalleryStrip::setExpanded(bool expanded)
{
    expanded_ = expanded;
    setFixedHeight(Units(expanded ? kExpandedHeight : kCollapsedHeight));
    tileArea->setVisible(expanded);
    tileArea->setGeometry(rect());
    update();
}

void GalleryStrip::paintEvent(QPaintEvent*)
{
    const UiPalette& palette = CurrentPalette();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QColor fill = expanded_ ? palette.plate : palette.panel;
    fill.setAlphaF(expanded_ || hovered_ ? 0.85 : 0.25);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(rect()), 10, 10);
    if (tileArea->isVisible())
        tileArea->setGeometry(rect());
}

void GalleryStrip::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit clicked();
    event->accept();
}

void GalleryStrip::enterEvent(QEnterEvent* event)
{
    hovered_ = true;
    update();
    QWidget::enterEvent(event);
}

void GalleryStrip::leaveEvent(QEvent* event)
{
    hovered_ = false;
    update();
    QWidget::leaveEvent(event);
}

GalleryToggle::GalleryToggle(QWidget* parent) : QWidget(parent)
{
    setCursor(Qt::PointingHandCursor);
    setFixedHeight(22);
    toggleLabel = new QLabel(this);
    toggleLabel->setObjectName(QStringLiteral("toggleLabel"));
    toggleLabel->setFont(InterfaceFont(12, QFont::Medium));
    toggleLabel->setAlignment(Qt::AlignCenter);
    toggleLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    setExpanded(false);
}

void GalleryToggle::setExpanded(bool expanded)
{
    toggleLabel->setText(expanded ? Translate(QStringLiteral("Hide gallery")) + QStringLiteral("  \u25BC")
                                         : Translate(QStringLiteral("Show gallery")) + QStringLiteral("  \u25B2"));
    toggleLabel->setProperty("tag", expanded ? 1 : 0);
    const int labelWidth =
        std::max(Units(100), toggleLabel->fontMetrics().horizontalAdvance(toggleLabel->text()) + Units(20));
    toggleLabel->setGeometry(Units(5), 0, labelWidth, Units(22));
    setFixedWidth(labelWidth + Units(10));
}

void GalleryToggle::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(ThemedColor(QColor(0x11, 0x18, 0x27, 0xA0)));
    p.drawRoundedRect(QRectF(rect()), 10, 10);
}

void GalleryToggle::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit clicked();
    event->accept();
}

} // namespace pq
