#include "workspace/gallery_strip.h"

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

THistoryStrip::THistoryStrip(QWidget* parent) : QWidget(parent)
{
    setCursor(Qt::PointingHandCursor);
    setFixedHeight(kCollapsedHeight);

    LayoutGalleryContainer = new QWidget(this);
    LayoutGalleryContainer->setObjectName(QStringLiteral("LayoutGalleryContainer"));
    auto* row = new QHBoxLayout(LayoutGalleryContainer);
    row->setContentsMargins(0, 0, 8, 0);
    row->setSpacing(0);

    LeftButtonLayout = new QWidget(LayoutGalleryContainer);
    LeftButtonLayout->setObjectName(QStringLiteral("LeftButtonLayout"));
    LeftButtonLayout->setFixedWidth(104);
    auto* buttonBox = new QVBoxLayout(LeftButtonLayout);
    buttonBox->setAlignment(Qt::AlignCenter);
    BtnAddToGallery = new TIconButton(QStringLiteral("plus"), LeftButtonLayout);
    BtnAddToGallery->setObjectName(QStringLiteral("BtnAddToGallery"));
    BtnAddToGallery->setFixedSize(55, 55);
    BtnAddToGallery->setIconPixelSize(26);
    BtnAddToGallery->setRadius(14);
    BtnAddToGallery->setRestFill(QColor(0x11, 0x18, 0x27, 0xA0));
    BtnAddToGallery->setToolTip(Translate(QStringLiteral("Add image to gallery")));
    buttonBox->addWidget(BtnAddToGallery);
    row->addWidget(LeftButtonLayout);

    ScrollBoxGallery = new QScrollArea(LayoutGalleryContainer);
    ScrollBoxGallery->setObjectName(QStringLiteral("ScrollBoxGallery"));
    ScrollBoxGallery->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ScrollBoxGallery->setFrameShape(QFrame::NoFrame);
    ScrollBoxGallery->setWidgetResizable(false);
    ScrollBoxGallery->viewport()->setAutoFillBackground(false);
    FlowLayoutGallery = new QWidget;
    FlowLayoutGallery->setObjectName(QStringLiteral("FlowLayoutGallery"));
    FlowLayoutGallery->setAutoFillBackground(false);
    auto* flow = new QHBoxLayout(FlowLayoutGallery);
    flow->setContentsMargins(0, 0, 0, 0);
    flow->setSpacing(0);
    flow->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    FlowLayoutGallery->resize(0, kExpandedHeight - 4);
    ScrollBoxGallery->setWidget(FlowLayoutGallery);
    row->addWidget(ScrollBoxGallery, 1);

    LayoutGalleryContainer->hide();
}

void THistoryStrip::setExpanded(bool expanded)
{
    expanded_ = expanded;
    setFixedHeight(expanded ? kExpandedHeight : kCollapsedHeight);
    LayoutGalleryContainer->setVisible(expanded);
    LayoutGalleryContainer->setGeometry(rect());
    update();
}

void THistoryStrip::paintEvent(QPaintEvent*)
{
    const TUiPalette& palette = CurrentPalette();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QColor fill = expanded_ ? palette.plate : palette.panel;
    fill.setAlphaF(expanded_ || hovered_ ? 0.85 : 0.25);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(rect()), 10, 10);
    if (LayoutGalleryContainer->isVisible())
        LayoutGalleryContainer->setGeometry(rect());
}

void THistoryStrip::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit clicked();
    event->accept();
}

void THistoryStrip::enterEvent(QEnterEvent* event)
{
    hovered_ = true;
    update();
    QWidget::enterEvent(event);
}

void THistoryStrip::leaveEvent(QEvent* event)
{
    hovered_ = false;
    update();
    QWidget::leaveEvent(event);
}

THistoryToggle::THistoryToggle(QWidget* parent) : QWidget(parent)
{
    setCursor(Qt::PointingHandCursor);
    setFixedHeight(22);
    HistoryToggleLabel = new QLabel(this);
    HistoryToggleLabel->setObjectName(QStringLiteral("HistoryToggleLabel"));
    HistoryToggleLabel->setFont(InterfaceFont(12, QFont::Medium));
    HistoryToggleLabel->setAlignment(Qt::AlignCenter);
    HistoryToggleLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    setExpanded(false);
}

void THistoryToggle::setExpanded(bool expanded)
{
    HistoryToggleLabel->setText(expanded ? Translate(QStringLiteral("Hide gallery")) + QStringLiteral("  \u25BC")
                                         : Translate(QStringLiteral("Show gallery")) + QStringLiteral("  \u25B2"));
    HistoryToggleLabel->setProperty("tag", expanded ? 1 : 0);
    const int labelWidth = std::max(100, HistoryToggleLabel->fontMetrics().horizontalAdvance(HistoryToggleLabel->text()) + 20);
    HistoryToggleLabel->setGeometry(5, 0, labelWidth, 22);
    setFixedWidth(labelWidth + 10);
}

void THistoryToggle::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(ThemedColor(QColor(0x11, 0x18, 0x27, 0xA0)));
    p.drawRoundedRect(QRectF(rect()), 10, 10);
}

void THistoryToggle::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit clicked();
    event->accept();
}

} // namespace pq
