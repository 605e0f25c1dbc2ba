#include "app/left_panel.h"

#include "app/commands.h"
#include "ui/debug_log.h"
#include "ui/theme_style.h"
#include "ui/translate.h"
#include "ui/widgets/icon_button.h"
#include "workspace/effect_lists.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace pq {
namespace {

QLabel* SectionHeading(const char* name, const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    QFont font = InterfaceFont(12, QFont::DemiBold);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 1.2);
    label->setFont(font);
    label->setContentsMargins(6, 0, 0, 0);
    // A heading too long for the panel scrolls instead of widening it.
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    return label;
}

struct Tool {
    const char* command;
    const char* icon;
    const char* caption;
};

constexpr Tool kTools[] = {
    {"crop", "crop", "Crop"},           {"resize", "resize", "Resize"},
    {"rotateLeft", "rotateleft", "Rotate left"}, {"rotateRight", "rotateright", "Rotate right"},
    {"addText", "text", "Add text"},    {"addTexture", "texture", "Add texture"},
    {"addFrame", "frame", "Add a frame"}, {"autoEnhance", "enhance", "Auto-enhance"},
};

} // namespace

LeftPanel::LeftPanel(const CommandTable& commands, QWidget* parent) : QWidget(parent), commands_(commands)
{
    setObjectName(QStringLiteral("leftPanel"));
    setAttribute(Qt::WA_StyledBackground);
    setFixedWidth(268);
    auto* panel = new QVBoxLayout(this);
    panel->setContentsMargins(0, 6, 0, 6);

    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("leftPanelScroll"));
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setFrameShape(QFrame::NoFrame);
    panel->addWidget(scroll);

    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("leftPanelContent"));
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(10, 12, 10, 10);
    column->setSpacing(0);

    column->addWidget(SectionHeading("toolsHeading", Translate(QStringLiteral("TOOLS")), content));
    column->addSpacing(8);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(2);
    grid->setVerticalSpacing(2);
    int index = 0;
    for (const Tool& tool : kTools) {
        auto* button = new IconButton(QString::fromLatin1(tool.icon), content);
        const QString name = QString::fromLatin1(tool.command);
        button->setObjectName(name + QStringLiteral("Button"));
        button->setText(Translate(QString::fromLatin1(tool.caption)));
        button->setCaptionFont(InterfaceFont(13));
        button->setIconPixelSize(18);
        button->setFixedHeight(32);
        button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        grid->addWidget(button, index / 2, index % 2);
        ++index;
        tools_.insert(name, button);
        connect(button, &QAbstractButton::clicked, this,
                [this, name] { GuardedCall("tool", [&] { commands_.run(name); }); });
    }
    column->addLayout(grid);
    column->addSpacing(18);

    // Effect families: an accordion of plates, each with its icon.
    column->addWidget(SectionHeading("filtersHeading", Translate(QStringLiteral("ARTISTIC FILTERS")), content));
    column->addSpacing(8);
    lists_ = new EffectLists(content);
    column->addWidget(lists_);
    column->addStretch(1);
    column->addSpacing(18);

    auto* manualBrush = new QPushButton(Translate(QStringLiteral("Manual brush")), content);
    manualBrush->setObjectName(QStringLiteral("manualBrushButton"));
    defaultImageButton_ = new QPushButton(Translate(QStringLiteral("Default Image")), content);
    defaultImageButton_->setObjectName(QStringLiteral("defaultImageButton"));
    defaultImageButton_->setProperty("role", "ghost");
    for (QPushButton* b : {manualBrush, defaultImageButton_}) {
        b->setFixedHeight(36);
        b->setFont(InterfaceFont(14, QFont::Medium));
        b->setCursor(Qt::PointingHandCursor);
    }
    column->addWidget(manualBrush);
    column->addSpacing(10);
    column->addWidget(defaultImageButton_);
    connect(manualBrush, &QPushButton::clicked, this,
            [this] { GuardedCall("manualBrush", [this] { commands_.run(QStringLiteral("manualBrush")); }); });
    connect(defaultImageButton_, &QPushButton::clicked, this,
            [this] { GuardedCall("defaultImage", [this] { commands_.run(QStringLiteral("defaultImage")); }); });

    scroll->setWidget(content);
}

} // namespace pq
