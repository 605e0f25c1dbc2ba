#include "app/right_panel.h"

#include "workspace/effect_panel.h"
#include "workspace/preview_pane.h"
#include "workspace/preview_panel.h"

#include <QScrollArea>
#include <QVBoxLayout>

namespace pq {

RightPanel::RightPanel(Document& document, const UserDialogs& dialogs, QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("rightPanel"));
    setAttribute(Qt::WA_StyledBackground);
    setFixedWidth(275);
    auto* panel = new QVBoxLayout(this);
    panel->setContentsMargins(0, 6, 0, 6);

    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("rightPanelScroll"));
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setFrameShape(QFrame::NoFrame);
    panel->addWidget(scroll);

    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("rightPanelContent"));
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(16, 12, 16, 10);
    column->setSpacing(14);

    effects_ = new EffectPanel(document, dialogs, content);
    preview_ = new PreviewPanel(document, *effects_, content);
    column->addWidget(preview_->pane(), 0, Qt::AlignHCenter);
    column->addWidget(effects_, 1);
    scroll->setWidget(content);
}

} // namespace pq
