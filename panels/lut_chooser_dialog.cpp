#include "panels/lut_chooser_dialog.h"

#include "ui/theme_style.h"
#include "ui/translate.h"
#include "engine/lut/lut_choice.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <vector>

namespace pq {

namespace {

// Item roles: a disk file's path; an imported table's bytes.
constexpr int kPathRole = Qt::UserRole;
constexpr int kBytesRole = Qt::UserRole + 1;

std::vector<NamedLUT>& zipLUTList()
{
    static std::vector<NamedLUT> list;
    return list;
}

QStringList defaultOpenFiles(QWidget* parent, const QString& title, const QString& filter)
{
    QFileDialog dialog(parent, title);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilters(filter.split(QStringLiteral(";;")));
    dialog.setDefaultSuffix(QStringLiteral("cube"));
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

} // namespace

QStringList ImportedLUTNames()
{
    QStringList names;
    for (const NamedLUT& lut : zipLUTList())
        names << lut.name;
    return names;
}

TLUTChooserDialog::TLUTChooserDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FrameLUTSelector"));
    setWindowTitle(Translate(QStringLiteral("Select LUT")));
    setModal(true);
    resize(420, 560);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 16, 20, 18);
    column->setSpacing(10);
    LblTitle = new QLabel(Translate(QStringLiteral("Select LUT")), this);
    LblTitle->setObjectName(QStringLiteral("LblTitle"));
    LblTitle->setAlignment(Qt::AlignCenter);
    LblTitle->setFont(InterfaceFont(18, QFont::DemiBold));
    column->addWidget(LblTitle);
    LblLUTs = new QLabel(Translate(QStringLiteral("Embedded LUTs:")), this);
    LblLUTs->setObjectName(QStringLiteral("LblLUTs"));
    LblLUTs->setFont(InterfaceFont(13));
    column->addWidget(LblLUTs);
    LstLUTs = new QListWidget(this);
    LstLUTs->setObjectName(QStringLiteral("LstLUTs"));
    LstLUTs->setFont(InterfaceFont(13));
    LstLUTs->setCursor(Qt::PointingHandCursor);
    column->addWidget(LstLUTs, 1);
    BtnLoadDisk = new QPushButton(Translate(QStringLiteral("Load from disk...")), this);
    BtnLoadDisk->setObjectName(QStringLiteral("BtnLoadDisk"));
    BtnLoadDisk->setAutoDefault(false);
    column->addWidget(BtnLoadDisk);
    LblCurrentLUT = new QLabel(this);
    LblCurrentLUT->setObjectName(QStringLiteral("LblCurrentLUT"));
    LblCurrentLUT->setAlignment(Qt::AlignCenter);
    LblCurrentLUT->setTextFormat(Qt::PlainText);
    LblCurrentLUT->setFont(InterfaceFont(13, QFont::Medium));
    column->addWidget(LblCurrentLUT);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    BtnCancel = new QPushButton(Translate(QStringLiteral("Cancel")), this);
    BtnCancel->setObjectName(QStringLiteral("BtnCancel"));
    BtnCancel->setProperty("role", "ghost");
    BtnCancel->setAutoDefault(false);
    BtnApply = new QPushButton(Translate(QStringLiteral("Select")), this);
    BtnApply->setObjectName(QStringLiteral("BtnApply"));
    BtnApply->setProperty("role", "primary");
    BtnApply->setDefault(true);
    for (QPushButton* b : {BtnLoadDisk, BtnCancel, BtnApply}) {
        b->setFixedHeight(36);
        b->setFont(InterfaceFont(13, QFont::Medium));
        b->setCursor(Qt::PointingHandCursor);
    }
    BtnCancel->setFixedWidth(120);
    BtnApply->setFixedWidth(120);
    buttons->addWidget(BtnCancel);
    buttons->addWidget(BtnApply);
    column->addLayout(buttons);

    FGetOpenFileNames = [this](const QString& title, const QString& filter) {
        return defaultOpenFiles(this, title, filter);
    };
    connect(LstLUTs, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
        if (!FInitializing)
            ChooseItem(item);
    });
    connect(LstLUTs, &QListWidget::itemActivated, this, [this] { BtnApplyClick(); });
    connect(BtnLoadDisk, &QPushButton::clicked, this, &TLUTChooserDialog::BtnLoadDiskClick);
    connect(BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(BtnApply, &QPushButton::clicked, this, &TLUTChooserDialog::BtnApplyClick);
}

QListWidgetItem* TLUTChooserDialog::addItem(const QString& text)
{
    auto* item = new QListWidgetItem(text, LstLUTs);
    return item;
}

void TLUTChooserDialog::Initialize(const QString& ACurrentLUTName, const QByteArray& ACurrentLUTData,
                                   const QString& ACurrentFilePath)
{
    FInitializing = true;
    FLastAppliedItem = nullptr;
    LstLUTs->clear();
    for (const QString& name : EmbeddedLUTNames())
        addItem(name);
    for (const NamedLUT& lut : zipLUTList())
        addItem(lut.name)->setData(kBytesRole, lut.data);

    FSelectedLUTName = ACurrentLUTName;
    FSelectedLUTData = ACurrentLUTData;
    FSelectedFilePath = ACurrentFilePath;
    if (FSelectedLUTData.isEmpty() && !FSelectedFilePath.isEmpty() && QFileInfo::exists(FSelectedFilePath))
        FSelectedLUTData = ReadLUTFileBytes(FSelectedFilePath);

    QListWidgetItem* selected = nullptr;
    for (int i = 0; i < LstLUTs->count() && !selected; ++i)
        if (LstLUTs->item(i)->text() == FSelectedLUTName)
            selected = LstLUTs->item(i);
    if (!selected && LstLUTs->count() > 0)
        selected = LstLUTs->item(0);
    if (selected)
        LstLUTs->setCurrentItem(selected);
    if (FSelectedLUTData.isEmpty() && selected) {
        FSelectedLUTName = selected->text();
        const QVariant bytes = selected->data(kBytesRole);
        FSelectedLUTData = bytes.isValid() ? bytes.toByteArray() : ReadEmbeddedLUT(FSelectedLUTName);
    }
    FLastAppliedItem = selected;
    showCurrent();
    FInitializing = false;
}

void TLUTChooserDialog::ChooseItem(QListWidgetItem* item)
{
    if (!item || item == FLastAppliedItem)
        return;
    FLastAppliedItem = item;
    FSelectedLUTName = item->text();
    const QVariant bytes = item->data(kBytesRole);
    const QString path = item->data(kPathRole).toString();
    if (bytes.isValid()) {
        FSelectedLUTData = bytes.toByteArray();
        FSelectedFilePath.clear();
    } else if (!path.isEmpty()) {
        FSelectedFilePath = path;
        FSelectedLUTData = ReadLUTFileBytes(path);
    } else {
        FSelectedFilePath.clear();
        FSelectedLUTData = ReadEmbeddedLUT(FSelectedLUTName);
    }
    showCurrent();
}

void TLUTChooserDialog::BtnLoadDiskClick()
{
    const QStringList files =
        FGetOpenFileNames ? FGetOpenFileNames(Translate(QStringLiteral("Select LUT File (.cube)")),
                                              QStringLiteral("LUT Files (*.cube *.zip);;All Files (*)"))
                          : QStringList();
    QListWidgetItem* last = nullptr;
    for (const QString& file : files) {
        const QFileInfo info(file);
        if (!info.exists())
            continue;
        if (info.suffix().compare(QLatin1String("zip"), Qt::CaseInsensitive) != 0) {
            last = addItem(info.completeBaseName());
            last->setData(kPathRole, info.absoluteFilePath());
            continue;
        }
        std::vector<NamedLUT>& imported = zipLUTList();
        const size_t before = imported.size();
        ImportLUTZip(file, imported);
        for (size_t i = before; i < imported.size(); ++i) {
            last = addItem(imported[i].name);
            last->setData(kBytesRole, imported[i].data);
        }
    }
    if (last)
        LstLUTs->setCurrentItem(last);
}

void TLUTChooserDialog::BtnApplyClick()
{
    if (OnLUTApplied)
        OnLUTApplied(FSelectedLUTName, FSelectedFilePath.isEmpty() ? FSelectedLUTData : QByteArray(),
                     FSelectedFilePath);
    accept();
}

void TLUTChooserDialog::showCurrent()
{
    LblCurrentLUT->setText(FSelectedLUTName);
}

} // namespace pq
