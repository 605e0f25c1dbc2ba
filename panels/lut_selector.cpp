#include "panels/lut_chooser_dialog.h"

#include "ui/theme_style.h"
#include "ui/translate.h"
#include "engine/lut/lut_choice.h"
#include "engine/lut/lut_mapper.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSet>
#include <QThreadPool>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>
#include <vector>

namespace pq {

namespace {

// Item roles: a disk file's path; an imported table's bytes.
constexpr int kPathRole = Qt::UserRole;
constexpr int kBytesRole = Qt::UserRole + 1;

std::vector<NamedLUT>& ZipLUTList()
{
    static std::vector<NamedLUT> list;
    return list;
}

QStringList DefaultOpenFiles(QWidget* parent, const QString& title, const QString& filter)
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
    for (const NamedLUT& lut : ZipLUTList())
        names << lut.name;
    return names;
}

LUTChooserDialog::LUTChooserDialog(QWidget* parent) : QDialog(parent), previewTimer_(this)
{
    setObjectName(QStringLiteral("FrameLUTSelector"));
    setWindowTitle(Translate(QStringLiteral("Select LUT")));
    setModal(true);
    resize(990, 690);

    auto* sides = new QHBoxLayout(this);
    sides->setContentsMargins(0, 0, 0, 0);
    auto* column = new QVBoxLayout;
    sides->addLayout(column, 0);
    column->setContentsMargins(20, 16, 20, 18);
    column->setSpacing(10);
    titleLabel = new QLabel(Translate(QStringLiteral("Select LUT")), this);
    titleLabel->setObjectName(QStringLiteral("titleLabel"));
    titleLabel->setAlignment(Qt::AlignCenter);
    titleLabel->setFont(InterfaceFont(18, QFont::DemiBold));
    column->addWidget(titleLabel);
    listCaption = new QLabel(Translate(QStringLiteral("Embedded LUTs:")), this);
    listCaption->setObjectName(QStringLiteral("listCaption"));
    listCaption->setFont(InterfaceFont(13));
    column->addWidget(listCaption);
    lutList = new QListWidget(this);
    lutList->setObjectName(QStringLiteral("lutList"));
    lutList->setFont(InterfaceFont(13));
    lutList->setCursor(Qt::PointingHandCursor);
    column->addWidget(lutList, 1);
    loadFromDiskButton = new QPushButton(Translate(QStringLiteral("Load from disk...")), this);
    loadFromDiskButton->setObjectName(QStringLiteral("loadFromDiskButton"));
    loadFromDiskButton->setAutoDefault(false);
    column->addWidget(loadFromDiskButton);
    currentLUTLabel = new QLabel(this);
    currentLUTLabel->setObjectName(QStringLiteral("currentLUTLabel"));
    currentLUTLabel->setAlignment(Qt::AlignCenter);
    currentLUTLabel->setTextFormat(Qt::PlainText);
    currentLUTLabel->setFont(InterfaceFont(13, QFont::Medium));
    column->addWidget(currentLUTLabel);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    cancelButton = new QPushButton(Translate(QStringLiteral("Cancel")), this);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    cancelButton->setProperty("role", "ghost");
    cancelButton->setAutoDefault(false);
    selectButton = new QPushButton(Translate(QStringLiteral("Select")), this);
    selectButton->setObjectName(QStringLiteral("selectButton"));
    selectButton->setProperty("role", "primary");
    selectButton->setDefault(true);
    for (QPushButton* b : {loadFromDiskButton, cancelButton, selectButton}) {
        b->setFixedHeight(36);
        b->setFont(InterfaceFont(13, QFont::Medium));
        b->setCursor(Qt::PointingHandCursor);
    }
    cancelButton->setFixedWidth(120);
    selectButton->setFixedWidth(120);
    buttons->addWidget(cancelButton);
    buttons->addWidget(selectButton);
    column->addLayout(buttons);
    preview = new LUTPreview(this);
    preview->setMinimumSize(564, 510);
    auto* previewColumn = new QVBoxLayout;
    previewColumn->setContentsMargins(0, 60, 20, 90);
    previewColumn->addWidget(preview, 1);
    sides->addLayout(previewColumn, 1);
    previewTimer_.setSingleShot(true);
    previewTimer_.setInterval(kPreviewDelayMs);
    connect(&previewTimer_, &QTimer::timeout, this, &LUTChooserDialog::updatePreview);

    getOpenFileNames = [this](const QString& title, const QString& filter) {
        return DefaultOpenFiles(this, title, filter);
    };
    connect(lutList, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
        if (!initializing_)
            chooseItem(item);
    });
    connect(lutList, &QListWidget::itemActivated, this, [this] { select(); });
    connect(loadFromDiskButton, &QPushButton::clicked, this, &LUTChooserDialog::loadFromDisk);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(selectButton, &QPushButton::clicked, this, &LUTChooserDialog::select);
}

QListWidgetItem* LUTChooserDialog::addItem(const QString& text)
{
    auto* item = new QListWidgetItem(text, lutList);
    return item;
}

void LUTChooserDialog::initialize(const QString& currentLUTName, const QByteArray& currentLUTData,
                                   const QString& currentFilePath)
{
    initializing_ = true;
    lastAppliedItem_ = nullptr;
    lutList->clear();
    for (const QString& name : EmbeddedLUTNames())
        addItem(name);
    for (const NamedLUT& lut : ZipLUTList())
        addItem(lut.name)->setData(kBytesRole, lut.data);

    selectedLUTName = currentLUTName;
    selectedLUTData = currentLUTData;
    selectedFilePath = currentFilePath;
    if (selectedLUTData.isEmpty() && !selectedFilePath.isEmpty() && QFileInfo::exists(selectedFilePath))
        selectedLUTData = ReadLUTFileBytes(selectedFilePath);

    QListWidgetItem* selected = nullptr;
    for (int i = 0; i < lutList->count() && !selected; ++i)
        if (lutList->item(i)->text() == selectedLUTName)
            selected = lutList->item(i);
    if (!selected && lutList->count() > 0)
        selected = lutList->item(0);
    if (selected)
        lutList->setCurrentItem(selected);
    if (selectedLUTData.isEmpty() && selected) {
        selectedLUTName = selected->text();
        const QVariant bytes = selected->data(kBytesRole);
        selectedLUTData = bytes.isValid() ? bytes.toByteArray() : ReadEmbeddedLUT(selectedLUTName);
    }
    lastAppliedItem_ = selected;
    showCurrent();
    initializing_ = false;
}

void LUTChooserDialog::chooseItem(QListWidgetItem* item)
{
    if (!item || item == lastAppliedItem_)
        return;
    lastAppliedItem_ = item;
    selectedLUTName = item->text();
    const QVariant bytes = item->data(kBytesRole);
    const QString path = item->data(kPathRole).toString();
    if (bytes.isValid()) {
        selectedLUTData = bytes.toByteArray();
        selectedFilePath.clear();
    } else if (!path.isEmpty()) {
        selectedFilePath = path;
        selectedLUTData = ReadLUTFileBytes(path);
    } else {
        selectedFilePath.clear();
        selectedLUTData = ReadEmbeddedLUT(selectedLUTName);
    }
    showCurrent();
}

void LUTChooserDialog::loadFromDisk()
{
    if (loading_)
        return;
    const QStringList files =
        getOpenFileNames ? getOpenFileNames(Translate(QStringLiteral("Select LUT File (.cube)")),
                                              QStringLiteral("LUT Files (*.cube *.zip);;All Files (*)"))
                          : QStringList();
    if (std::none_of(files.begin(), files.end(), IsZipFileName)) {
        addPicked(PickLUTFiles(files, {}));
        emit diskFilesLoaded();
        return;
    }
    // Archives may be large: they are read on a worker, and the items are
    // added back here. The copy of the list shares its bytes.
    loading_ = true;
    loadFromDiskButton->setEnabled(false);
    QPointer<LUTChooserDialog> self(this);
    QThreadPool::globalInstance()->start([self, files, imported = ZipLUTList()]() {
        auto picked = std::make_shared<std::vector<PickedLUT>>(PickLUTFiles(files, imported));
        QMetaObject::invokeMethod(
            qApp,
            [self, picked] {
                if (!self)
                    return;
                self->loading_ = false;
                self->loadFromDiskButton->setEnabled(true);
                self->addPicked(*picked);
                emit self->diskFilesLoaded();
            },
            Qt::QueuedConnection);
    });
}

void LUTChooserDialog::addPicked(const std::vector<PickedLUT>& picked)
{
    std::vector<NamedLUT>& imported = ZipLUTList();
    QSet<QString> known;
    for (const NamedLUT& lut : imported)
        known.insert(lut.name.toCaseFolded());
    QListWidgetItem* last = nullptr;
    for (const PickedLUT& lut : picked) {
        if (!lut.path.isEmpty()) {
            last = addItem(lut.name);
            last->setData(kPathRole, lut.path);
            continue;
        }
        // Another chooser may have imported the same name meanwhile.
        if (known.contains(lut.name.toCaseFolded()))
            continue;
        known.insert(lut.name.toCaseFolded());
        imported.push_back({lut.name, lut.data});
        last = addItem(lut.name);
        last->setData(kBytesRole, lut.data);
    }
    if (last)
        lutList->setCurrentItem(last);
}

void LUTChooserDialog::select()
{
    if (onLUTApplied)
        onLUTApplied(selectedLUTName, selectedFilePath.isEmpty() ? selectedLUTData : QByteArray(),
                     selectedFilePath);
    accept();
}

void LUTChooserDialog::showCurrent()
{
    currentLUTLabel->setText(selectedLUTName);
    previewTimer_.start();
}

void LUTChooserDialog::setSourcePhoto(const gfx::Image& photo)
{
    preview->setThumbnail(MakeLUTThumbnail(photo));
}

void LUTChooserDialog::updatePreview()
{
    previewTimer_.stop();
    const gfx::Image thumbnail = preview->thumbnail();
    std::shared_ptr<const CubeLUT> table;
    if (!thumbnail.isNull() && !selectedLUTData.isEmpty())
        table = parseCache_.parse(selectedLUTData);
    const int generation = ++previewGeneration_;
    if (!table || !table->valid()) {
        preview->setPreview({});
        emit previewShown();
        return;
    }
    // Mapped on a pool thread; the result comes back only to the chooser
    // that asked, and only when it is still the latest.
    QPointer<LUTChooserDialog> self(this);
    QThreadPool::globalInstance()->start([self, generation, thumbnail, table] {
        auto mapped = std::make_shared<gfx::Image>(MapLUTToImage(thumbnail, *table, 100));
        QMetaObject::invokeMethod(
            qApp,
            [self, generation, mapped] {
                if (!self || self->previewGeneration_ != generation)
                    return;
                self->preview->setPreview(*mapped);
                emit self->previewShown();
            },
            Qt::QueuedConnection);
    });
}

} // namespace pq
