// The left panel: tools, the five effect families and the two buttons at
// its foot; showing the selected effect in the lists and on the sliders.
#include "app/main_window.h"

#include "catalogue/effect_catalogue.h"
#include "ui/debug_log.h"
#include "ui/theme_style.h"
#include "ui/translate.h"
#include "ui/widgets/expander.h"
#include "ui/widgets/icon_button.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QVBoxLayout>

namespace pq {

namespace {

struct FamilyDesign {
    const char* expander;
    const char* caption;
    const char* list;
    const char* icon;
    const char* iconButton;
    const char* plate;
};

constexpr FamilyDesign kFamilies[5] = {
    {"Expander1", "      Sketch && Drawing", "ListBox1", "pencil", "SpeedButton19", "Rectangle13"},
    {"Expander2", "      Pen && Ink", "ListBox2", "pen", "SpeedButton20", "Rectangle12"},
    {"Expander3", "      Painting", "ListBox3", "brush", "SpeedButton21", "Rectangle11"},
    {"Expander4", "      Photo lab", "ListBox4", "camera", "SpeedButton22", "Rectangle10"},
    {"Expander5", "      Stylize", "ListBox5", "shapes", "SpeedButton26", "Rectangle16"},
};

constexpr int kTextIndent = 38;

QLabel* SectionHeading(const char* name, const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    QFont font = InterfaceFont(12, QFont::DemiBold);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 1.2);
    label->setFont(font);
    label->setContentsMargins(6, 0, 0, 0);
    return label;
}

} // namespace

void MainWindow::buildLeftPanel(QWidget* parent)
{
    auto* outer = new QVBoxLayout(parent);
    outer->setContentsMargins(0, 0, 0, 0);
    leftPanel = new QWidget(parent);
    leftPanel->setObjectName(QStringLiteral("leftPanel"));
    leftPanel->setAttribute(Qt::WA_StyledBackground);
    leftPanel->setFixedWidth(268);
    outer->addWidget(leftPanel);
    auto* panel = new QVBoxLayout(leftPanel);
    panel->setContentsMargins(0, 6, 0, 6);

    leftPanelScroll = new QScrollArea(leftPanel);
    leftPanelScroll->setObjectName(QStringLiteral("leftPanelScroll"));
    leftPanelScroll->setWidgetResizable(true);
    leftPanelScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    leftPanelScroll->setFrameShape(QFrame::NoFrame);
    panel->addWidget(leftPanelScroll);

    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("LeftPanelContent"));
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(10, 12, 10, 10);
    column->setSpacing(0);

    // Tools.
    toolsHeading = SectionHeading("toolsHeading", Translate(QStringLiteral("TOOLS")), content);
    column->addWidget(toolsHeading);
    column->addSpacing(8);
    auto* tools = new QGridLayout;
    tools->setHorizontalSpacing(2);
    tools->setVerticalSpacing(2);
    const auto tool = [&](const char* name, const char* icon, const char* caption, int index) {
        auto* button = new IconButton(QString::fromLatin1(icon), content);
        button->setObjectName(QString::fromLatin1(name));
        button->setText(Translate(QString::fromLatin1(caption)));
        button->setCaptionFont(InterfaceFont(13));
        button->setIconPixelSize(18);
        button->setFixedHeight(32);
        button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        tools->addWidget(button, index / 2, index % 2);
        return button;
    };
    cropButton = tool("cropButton", "crop", "Crop", 0);
    resizeButton = tool("resizeButton", "resize", "Resize", 1);
    rotateLeftButton = tool("rotateLeftButton", "rotateleft", "Rotate left", 2);
    rotateRightButton = tool("rotateRightButton", "rotateright", "Rotate right", 3);
    textButton = tool("textButton", "text", "Add text", 4);
    textureButton = tool("textureButton", "texture", "Add texture", 5);
    frameButton = tool("frameButton", "frame", "Add a frame", 6);
    enhanceButton = tool("enhanceButton", "enhance", "Auto-enhance", 7);
    column->addLayout(tools);
    column->addSpacing(18);

    // Effect families: an accordion of plates, each with its icon.
    filtersHeading = SectionHeading("filtersHeading", Translate(QStringLiteral("ARTISTIC FILTERS")), content);
    column->addWidget(filtersHeading);
    column->addSpacing(8);
    effectFamilies = new QWidget(content);
    effectFamilies->setObjectName(QStringLiteral("effectFamilies"));
    auto* families = new QVBoxLayout(effectFamilies);
    families->setContentsMargins(0, 0, 0, 0);
    families->setSpacing(8);
    for (int f = 0; f < 5; ++f) {
        const FamilyDesign& design = kFamilies[f];
        auto* plate = new QFrame(effectFamilies);
        plate->setObjectName(QString::fromLatin1(design.plate));
        auto* plateLayout = new QVBoxLayout(plate);
        plateLayout->setContentsMargins(0, 5, 4, 5);
        auto* list = new QListWidget;
        list->setObjectName(QString::fromLatin1(design.list));
        list->setFont(InterfaceFont(14));
        list->setCursor(Qt::PointingHandCursor);
        list->addItems(FamilyListCaptions(f + 1));
        auto* expander = new Expander(Translate(QString::fromLatin1(design.caption)), list, plate);
        expander->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        expander->setObjectName(QString::fromLatin1(design.expander));
        expander->setTextIndent(kTextIndent);
        plateLayout->addWidget(expander);
        auto* icon = new IconButton(QString::fromLatin1(design.icon), plate);
        icon->setObjectName(QString::fromLatin1(design.iconButton));
        icon->setFixedSize(24, 24);
        icon->setIconPixelSize(18);
        icon->setHoverFill(Qt::transparent);
        icon->move(10, 5 + (Expander::kHeaderHeight - 24) / 2);
        icon->raise();
        families->addWidget(plate);
        familyExpanders[f] = expander;
        effectLists[f] = list;
        familyIcons[f] = icon;
        familyPlates[f] = plate;
        connect(expander, &Expander::headerClicked, this, [this, f] { GuardedCall("toggleFamily", [this, f] { toggleFamily(f); }); });
        connect(icon, &QAbstractButton::clicked, this, [this, f] { GuardedCall("toggleFamily", [this, f] { toggleFamily(f); }); });
    }
    column->addWidget(effectFamilies);
    column->addStretch(1);
    column->addSpacing(18);

    manualBrushButton = new QPushButton(Translate(QStringLiteral("Manual brush")), content);
    manualBrushButton->setObjectName(QStringLiteral("manualBrushButton"));
    defaultImageButton = new QPushButton(Translate(QStringLiteral("Default Image")), content);
    defaultImageButton->setObjectName(QStringLiteral("defaultImageButton"));
    defaultImageButton->setProperty("role", "ghost");
    for (QPushButton* b : {manualBrushButton, defaultImageButton}) {
        b->setFixedHeight(36);
        b->setFont(InterfaceFont(14, QFont::Medium));
        b->setCursor(Qt::PointingHandCursor);
    }
    column->addWidget(manualBrushButton);
    column->addSpacing(10);
    column->addWidget(defaultImageButton);

    splitViewState = new QCheckBox(QStringLiteral("Show original image"), content);
    splitViewState->setObjectName(QStringLiteral("splitViewState"));
    splitViewState->hide();

    leftPanelScroll->setWidget(content);
}

void MainWindow::toggleFamily(int family)
{
    if (family < 0 || family >= 5)
        return;
    const bool open = !familyExpanders[family]->isExpanded();
    for (int f = 0; f < 5; ++f)
        if (f != family)
            familyExpanders[f]->setExpanded(false);
    familyExpanders[family]->setExpanded(open);
}

QListWidget* MainWindow::listOfFamily(int family) const
{
    return family >= 1 && family <= 5 ? effectLists[family - 1] : nullptr;
}

void MainWindow::showSelectedEffect(QListWidget* box, int itemIndex)
{
    const int number = document_.selectedEffect;
    const EffectParameters* entry = ParamsEntry(document_.params, number);
    const EffectParameters none;
    const EffectParameters& p = entry ? *entry : none;
    for (int k = 0; k < 5; ++k) {
        const QString caption = p.name(k + 1);
        sliderCaptions[k]->setText(caption.isEmpty() ? QString() : Translate(caption));
        sliders[k]->setValue(p.value(k + 1));
        sliders[k]->setEnabled(!caption.isEmpty());
        sliderValueLabels[k]->setText(QString::number(p.value(k + 1)));
        sliderValueLabels[k]->setEnabled(!caption.isEmpty());
    }
    for (QListWidget* list : effectLists) {
        if (list == box)
            continue;
        list->clearSelection();
        list->setCurrentRow(-1);
    }
    if (box) {
        if (itemIndex >= 0 && itemIndex < box->count())
            box->setCurrentRow(itemIndex);
        placeEffectAccent(box, itemIndex);
    }
    const EffectDefinition* effect = FindEffect(number);
    contourRow->setVisible(effect && effect->drawsContours);
    hideContourColorWindow();
    showEffectOptions();
    // A preview of the newly selected effect follows.
    if (!previewTimer.isActive())
        previewTimer.start();
}

void MainWindow::placeEffectAccent(QListWidget* box, int itemIndex)
{
    if (!effectAccentBar) {
        effectAccentBar = new QWidget(this);
        effectAccentBar->setObjectName(QStringLiteral("effectAccentBar"));
        effectAccentBar->setAttribute(Qt::WA_TransparentForMouseEvents);
        effectAccentBar->setAttribute(Qt::WA_StyledBackground);
        effectAccentBar->setFixedSize(4, 18);
    }
    // Detached: kept by the window, hidden.
    effectAccentBar->hide();
    effectAccentBar->setParent(this);
    if (!box || itemIndex < 0 || itemIndex >= box->count())
        return;
    QWidget* host = box->parentWidget() ? box->parentWidget() : box;
    effectAccentBar->setParent(host);
    const int itemHeight = Expander::kItemHeight;
    const QPoint origin = host == box ? QPoint(0, 0) : box->pos();
    effectAccentBar->move(origin.x() - 18, origin.y() + itemIndex * itemHeight + (itemHeight - 18) / 2);
    effectAccentBar->raise();
    effectAccentBar->show();
}

} // namespace pq
