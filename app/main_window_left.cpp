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

struct TFamilyDesign {
    const char* expander;
    const char* caption;
    const char* list;
    const char* icon;
    const char* iconButton;
    const char* plate;
};

constexpr TFamilyDesign kFamilies[5] = {
    {"Expander1", "      Sketch && Drawing", "ListBox1", "pencil", "SpeedButton19", "Rectangle13"},
    {"Expander2", "      Pen && Ink", "ListBox2", "pen", "SpeedButton20", "Rectangle12"},
    {"Expander3", "      Painting", "ListBox3", "brush", "SpeedButton21", "Rectangle11"},
    {"Expander4", "      Photo lab", "ListBox4", "camera", "SpeedButton22", "Rectangle10"},
    {"Expander5", "      Stylize", "ListBox5", "shapes", "SpeedButton26", "Rectangle16"},
};

constexpr int kTextIndent = 38;

QLabel* sectionHeading(const char* name, const QString& text, QWidget* parent)
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

void TForm1::BuildLeftPanel(QWidget* parent)
{
    auto* outer = new QVBoxLayout(parent);
    outer->setContentsMargins(0, 0, 0, 0);
    LeftPanelRect = new QWidget(parent);
    LeftPanelRect->setObjectName(QStringLiteral("LeftPanelRect"));
    LeftPanelRect->setAttribute(Qt::WA_StyledBackground);
    LeftPanelRect->setFixedWidth(268);
    outer->addWidget(LeftPanelRect);
    auto* panel = new QVBoxLayout(LeftPanelRect);
    panel->setContentsMargins(0, 6, 0, 6);

    PresentedScrollBox2 = new QScrollArea(LeftPanelRect);
    PresentedScrollBox2->setObjectName(QStringLiteral("PresentedScrollBox2"));
    PresentedScrollBox2->setWidgetResizable(true);
    PresentedScrollBox2->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    PresentedScrollBox2->setFrameShape(QFrame::NoFrame);
    panel->addWidget(PresentedScrollBox2);

    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("LeftPanelContent"));
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(10, 12, 10, 10);
    column->setSpacing(0);

    // Tools.
    Label3 = sectionHeading("Label3", Translate(QStringLiteral("TOOLS")), content);
    column->addWidget(Label3);
    column->addSpacing(8);
    auto* tools = new QGridLayout;
    tools->setHorizontalSpacing(2);
    tools->setVerticalSpacing(2);
    const auto tool = [&](const char* name, const char* icon, const char* caption, int index) {
        auto* button = new TIconButton(QString::fromLatin1(icon), content);
        button->setObjectName(QString::fromLatin1(name));
        button->setText(Translate(QString::fromLatin1(caption)));
        button->setCaptionFont(InterfaceFont(13));
        button->setIconPixelSize(18);
        button->setFixedHeight(32);
        button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        tools->addWidget(button, index / 2, index % 2);
        return button;
    };
    Label5 = tool("Label5", "crop", "Crop", 0);
    Label6 = tool("Label6", "resize", "Resize", 1);
    Label7 = tool("Label7", "rotateleft", "Rotate left", 2);
    Label8 = tool("Label8", "rotateright", "Rotate right", 3);
    Label9 = tool("Label9", "text", "Add text", 4);
    Label10 = tool("Label10", "texture", "Add texture", 5);
    Label21 = tool("Label21", "frame", "Add a frame", 6);
    LabelEnhance = tool("LabelEnhance", "enhance", "Auto-enhance", 7);
    column->addLayout(tools);
    column->addSpacing(18);

    // Effect families: an accordion of plates, each with its icon.
    Label4 = sectionHeading("Label4", Translate(QStringLiteral("ARTISTIC FILTERS")), content);
    column->addWidget(Label4);
    column->addSpacing(8);
    EffectsLayout = new QWidget(content);
    EffectsLayout->setObjectName(QStringLiteral("EffectsLayout"));
    auto* families = new QVBoxLayout(EffectsLayout);
    families->setContentsMargins(0, 0, 0, 0);
    families->setSpacing(8);
    for (int f = 0; f < 5; ++f) {
        const TFamilyDesign& design = kFamilies[f];
        auto* plate = new QFrame(EffectsLayout);
        plate->setObjectName(QString::fromLatin1(design.plate));
        auto* plateLayout = new QVBoxLayout(plate);
        plateLayout->setContentsMargins(0, 5, 4, 5);
        auto* list = new QListWidget;
        list->setObjectName(QString::fromLatin1(design.list));
        list->setFont(InterfaceFont(14));
        list->setCursor(Qt::PointingHandCursor);
        list->addItems(FamilyListCaptions(f + 1));
        auto* expander = new TExpander(Translate(QString::fromLatin1(design.caption)), list, plate);
        expander->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        expander->setObjectName(QString::fromLatin1(design.expander));
        expander->setTextIndent(kTextIndent);
        plateLayout->addWidget(expander);
        auto* icon = new TIconButton(QString::fromLatin1(design.icon), plate);
        icon->setObjectName(QString::fromLatin1(design.iconButton));
        icon->setFixedSize(24, 24);
        icon->setIconPixelSize(18);
        icon->setHoverFill(Qt::transparent);
        icon->move(10, 5 + (TExpander::kHeaderHeight - 24) / 2);
        icon->raise();
        families->addWidget(plate);
        Expanders[f] = expander;
        ListBoxes[f] = list;
        FamilyIcons[f] = icon;
        FamilyPlates[f] = plate;
        connect(expander, &TExpander::headerClicked, this, [this, f] { GuardedCall("ExpanderClick", [this, f] { ExpanderClick(f); }); });
        connect(icon, &QAbstractButton::clicked, this, [this, f] { GuardedCall("ExpanderClick", [this, f] { ExpanderClick(f); }); });
    }
    column->addWidget(EffectsLayout);
    column->addStretch(1);
    column->addSpacing(18);

    Button3 = new QPushButton(Translate(QStringLiteral("Manual brush")), content);
    Button3->setObjectName(QStringLiteral("Button3"));
    DefaultImageButton = new QPushButton(Translate(QStringLiteral("Default Image")), content);
    DefaultImageButton->setObjectName(QStringLiteral("DefaultImageButton"));
    DefaultImageButton->setProperty("role", "ghost");
    for (QPushButton* b : {Button3, DefaultImageButton}) {
        b->setFixedHeight(36);
        b->setFont(InterfaceFont(14, QFont::Medium));
        b->setCursor(Qt::PointingHandCursor);
    }
    column->addWidget(Button3);
    column->addSpacing(10);
    column->addWidget(DefaultImageButton);

    CheckBox1 = new QCheckBox(QStringLiteral("Show original image"), content);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->hide();

    PresentedScrollBox2->setWidget(content);
}

void TForm1::ExpanderClick(int family)
{
    if (family < 0 || family >= 5)
        return;
    const bool open = !Expanders[family]->isExpanded();
    for (int f = 0; f < 5; ++f)
        if (f != family)
            Expanders[f]->setExpanded(false);
    Expanders[family]->setExpanded(open);
}

QListWidget* TForm1::ListBoxOfFamily(int family) const
{
    return family >= 1 && family <= 5 ? ListBoxes[family - 1] : nullptr;
}

void TForm1::UpdateListboxes(QListWidget* box, int itemIndex)
{
    const int number = FDocument.SelectedEffectNumber;
    const TParameters* entry = ParamsEntry(FDocument.Params, number);
    const TParameters none;
    const TParameters& p = entry ? *entry : none;
    for (int k = 0; k < 5; ++k) {
        const QString caption = p.name(k + 1);
        ParamLabels[k]->setText(caption.isEmpty() ? QString() : Translate(caption));
        TrackBars[k]->setValue(p.value(k + 1));
        TrackBars[k]->setEnabled(!caption.isEmpty());
        ValueLabels[k]->setText(QString::number(p.value(k + 1)));
        ValueLabels[k]->setEnabled(!caption.isEmpty());
    }
    for (QListWidget* list : ListBoxes) {
        if (list == box)
            continue;
        list->clearSelection();
        list->setCurrentRow(-1);
    }
    if (box) {
        if (itemIndex >= 0 && itemIndex < box->count())
            box->setCurrentRow(itemIndex);
        UpdateEffectAccent(box, itemIndex);
    }
    const EffectDefinition* effect = FindEffect(number);
    ContourRow->setVisible(effect && effect->drawsContours);
    HideContourColorWindow();
    UpdateOptionBoxes();
    // A preview of the newly selected effect follows.
    if (!UpdatePreviewTimer.isActive())
        UpdatePreviewTimer.start();
}

void TForm1::UpdateEffectAccent(QListWidget* box, int itemIndex)
{
    if (!FEffectAccentBar) {
        FEffectAccentBar = new QWidget(this);
        FEffectAccentBar->setObjectName(QStringLiteral("FEffectAccentBar"));
        FEffectAccentBar->setAttribute(Qt::WA_TransparentForMouseEvents);
        FEffectAccentBar->setAttribute(Qt::WA_StyledBackground);
        FEffectAccentBar->setFixedSize(4, 18);
    }
    // Detached: kept by the window, hidden.
    FEffectAccentBar->hide();
    FEffectAccentBar->setParent(this);
    if (!box || itemIndex < 0 || itemIndex >= box->count())
        return;
    QWidget* host = box->parentWidget() ? box->parentWidget() : box;
    FEffectAccentBar->setParent(host);
    const int itemHeight = TExpander::kItemHeight;
    const QPoint origin = host == box ? QPoint(0, 0) : box->pos();
    FEffectAccentBar->move(origin.x() - 18, origin.y() + itemIndex * itemHeight + (itemHeight - 18) / 2);
    FEffectAccentBar->raise();
    FEffectAccentBar->show();
}

} // namespace pq
