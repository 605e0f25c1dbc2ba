#include "workspace/effect_lists.h"

#include "catalogue/effect_catalogue.h"
#include "ui/interface_scale.h"
#include "ui/debug_log.h"
#include "ui/theme_style.h"
#include "ui/translate.h"
#include "ui/widgets/expander.h"
#include "ui/widgets/icon_button.h"

#include <QFrame>
#include <QListWidget>
#include <QVBoxLayout>

namespace pq {
namespace {

struct FamilyDesign {
    const char* caption;
    const char* icon;
};

constexpr FamilyDesign kFamilies[5] = {
    {"      Sketch && Drawing", "pencil"}, {"      Pen && Ink", "pen"},  {"      Painting", "brush"},
    {"      Photo lab", "camera"},         {"      Stylize", "shapes"},
};

constexpr int kTextIndent = 38;

} // namespace

EffectLists::EffectLists(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("effectFamilies"));
    auto* families = new QVBoxLayout(this);
    families->setContentsMargins(0, 0, 0, 0);
    families->setSpacing(8);
    for (int f = 0; f < 5; ++f) {
        const FamilyDesign& design = kFamilies[f];
        const QString number = QString::number(f + 1);
        auto* plate = new QFrame(this);
        plate->setObjectName(QStringLiteral("familyPlate") + number);
        plate->setProperty("role", "familyPlate");
        auto* plateLayout = new QVBoxLayout(plate);
        plateLayout->setContentsMargins(0, 5, 4, 5);
        auto* list = new QListWidget;
        list->setObjectName(QStringLiteral("effectList") + number);
        list->setFont(InterfaceFont(14));
        list->setCursor(Qt::PointingHandCursor);
        list->addItems(FamilyListCaptions(f + 1));
        auto* expander = new Expander(Translate(QString::fromLatin1(design.caption)), list, plate);
        expander->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        expander->setObjectName(QStringLiteral("familyExpander") + number);
        expander->setTextIndent(kTextIndent);
        plateLayout->addWidget(expander);
        auto* icon = new IconButton(QString::fromLatin1(design.icon), plate);
        icon->setObjectName(QStringLiteral("familyIcon") + number);
        icon->setFixedSize(24, 24);
        icon->setIconPixelSize(18);
        icon->setHoverFill(Qt::transparent);
        icon->move(10, 5 + (Expander::kHeaderHeight - 24) / 2);
        icon->raise();
        families->addWidget(plate);
        expanders_[size_t(f)] = expander;
        lists_[size_t(f)] = list;
        icons_[size_t(f)] = icon;
        plates_[size_t(f)] = plate;
        connect(expander, &Expander::headerClicked, this,
                [this, f] { GuardedCall("toggleFamily", [this, f] { toggleFamily(f); }); });
        connect(icon, &QAbstractButton::clicked, this,
                [this, f] { GuardedCall("toggleFamily", [this, f] { toggleFamily(f); }); });
        connect(list, &QListWidget::itemClicked, this, [this, f, list](QListWidgetItem* item) {
            const int row = list->row(item);
            if (row >= 0)
                emit effectClicked(100 * (f + 1) + row);
        });
    }
}

void EffectLists::select(int number)
{
    QListWidget* selected = list(number / 100);
    for (QListWidget* other : lists_) {
        if (other == selected)
            continue;
        other->clearSelection();
        other->setCurrentRow(-1);
    }
    if (!selected)
        return;
    const int row = number % 100;
    if (row >= 0 && row < selected->count())
        selected->setCurrentRow(row);
    placeAccent(selected, row);
}

void EffectLists::toggleFamily(int family)
{
    if (family < 0 || family >= 5)
        return;
    const bool open = !expanders_[size_t(family)]->isExpanded();
    for (int f = 0; f < 5; ++f)
        if (f != family)
            expanders_[size_t(f)]->setExpanded(false);
    expanders_[size_t(family)]->setExpanded(open);
}

void EffectLists::expandOnly(int family)
{
    for (int f = 0; f < 5; ++f)
        expanders_[size_t(f)]->setExpanded(f == family);
}

QListWidget* EffectLists::list(int family) const
{
    return family >= 1 && family <= 5 ? lists_[size_t(family - 1)] : nullptr;
}

Expander* EffectLists::expander(int family) const
{
    return family >= 1 && family <= 5 ? expanders_[size_t(family - 1)] : nullptr;
}

void EffectLists::placeAccent(QListWidget* list, int row)
{
    if (!accent_) {
        accent_ = new QWidget(this);
        accent_->setObjectName(QStringLiteral("effectAccentBar"));
        accent_->setAttribute(Qt::WA_TransparentForMouseEvents);
        accent_->setAttribute(Qt::WA_StyledBackground);
    }
    accent_->setFixedSize(Units(4), Units(18));
    // Detached: kept by the lists, hidden.
    accent_->hide();
    accent_->setParent(this);
    if (!list || row < 0 || row >= list->count())
        return;
    QWidget* host = list->parentWidget() ? list->parentWidget() : list;
    accent_->setParent(host);
    const int itemHeight = Units(Expander::kItemHeight);
    const QPoint origin = host == list ? QPoint(0, 0) : list->pos();
    accent_->move(origin.x() - Units(18), origin.y() + row * itemHeight + (itemHeight - Units(18)) / 2);
    accent_->raise();
    accent_->show();
}

} // namespace pq
