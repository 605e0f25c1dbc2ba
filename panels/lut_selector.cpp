#include "panels/lut_selector.h"

#include "engine/lut/lut_choice.h"
#include "engine/lut/lut_mapper.h"
#include "ui/widgets/panel_close_button.h"
#include "panels/selector_style.h"
#include "ui/theme.h"
#include "ui/theme_style.h"
#include "ui/translate.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSet>
#include <QThreadPool>

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

LUTSelector::LUTSelector(QWidget* parent) : QWidget(parent), previewTimer_(this)
{
    setObjectName(QStringLiteral("lutSelector"));
    setAttribute(Qt::WA_StyledBackground);
    setFixedSize(990, 690);
    setStyleSheet(QStringLiteral(
        "#lutSelector { background: #111827; border-radius: 15px; }"
        "QLabel { color: #FFFFFF; background: transparent; }"
        "#titleLabel { color: #D5D5D5; }"
        "#lutListGround, #lutPreviewGround { background: #1E2A3C; border-radius: 8px; }"
        "QListWidget { background: transparent; border: none; color: #FFFFFF; outline: none; }"
        "QListWidget::item { height: 30px; padding-left: 10px; border-radius: 6px; }"
        "QListWidget::item:hover { background: #263045; }"
        "QListWidget::item:selected { background: #2563EB; color: #FFFFFF; }"));
    // The name's blue-grey reads on the dark ground only; the light theme
    // keeps it dark enough to stand out from its pale ground.
    const QString currentLUTColor = gThemeMode == ThemeMode::Light ? QStringLiteral("#4A5A70") : QStringLiteral("#9AB0CC");

    closeButton = new PanelCloseButton(this);
    closeButton->move(952, 12);
    titleLabel = new QLabel(QStringLiteral("Select LUT"), this);
    titleLabel->setObjectName(QStringLiteral("titleLabel"));
    titleLabel->setAlignment(Qt::AlignCenter);
    titleLabel->setFont(InterfaceFont(18, QFont::DemiBold));
    titleLabel->setGeometry(60, 14, 870, 32);
    listCaption = MakeSelectorLabel(QStringLiteral("Embedded LUTs:"), this, "listCaption", QRect(20, 48, 360, 22));

    auto* listGround = new QWidget(this);
    listGround->setObjectName(QStringLiteral("lutListGround"));
    listGround->setAttribute(Qt::WA_StyledBackground);
    listGround->setGeometry(20, 75, 360, 510);
    lutList = new QListWidget(listGround);
    lutList->setObjectName(QStringLiteral("lutList"));
    lutList->setFont(InterfaceFont(13));
    lutList->setCursor(Qt::PointingHandCursor);
    lutList->setGeometry(listGround->rect().adjusted(6, 6, -6, -6));
    lutList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    loadFromDiskButton = MakeSelectorButton(QStringLiteral("Load from disk..."), this, "loadFromDiskButton",
                                            QRect(20, 620, 360, 40), "ghost");

    previewCaption = MakeSelectorLabel(QStringLiteral("Preview:"), this, "previewCaption", QRect(400, 48, 564, 22));
    auto* previewGround = new QWidget(this);
    previewGround->setObjectName(QStringLiteral("lutPreviewGround"));
    previewGround->setAttribute(Qt::WA_StyledBackground);
    previewGround->setGeometry(400, 75, 564, 510);
    preview = new LUTPreview(previewGround);
    preview->setGeometry(previewGround->rect());
    currentLUTLabel = MakeSelectorLabel(QString(), this, "currentLUTLabel", QRect(400, 595, 564, 22));
    currentLUTLabel->setAlignment(Qt::AlignCenter);
    currentLUTLabel->setStyleSheet(QStringLiteral("color: %1;").arg(currentLUTColor));
    currentLUTLabel->setTextFormat(Qt::PlainText);
    currentLUTLabel->setFont(InterfaceFont(13, QFont::Medium));
    cancelButton = MakeSelectorButton(QStringLiteral("Cancel"), this, "cancelButton", QRect(664, 620, 140, 40), "ghost");
    selectButton = MakeSelectorButton(QStringLiteral("Select"), this, "selectButton", QRect(824, 620, 140, 40),
                                      "primary");

    previewTimer_.setSingleShot(true);
    previewTimer_.setInterval(kPreviewDelayMs);
    connect(&previewTimer_, &QTimer::timeout, this, &LUTSelector::updatePreview);

    getOpenFileNames = [this](const QString& title, const QString& filter) {
        return DefaultOpenFiles(window(), title, filter);
    };
    connect(lutList, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
        if (!initializing_)
            chooseItem(item);
    });
    connect(loadFromDiskButton, &QPushButton::clicked, this, &LUTSelector::loadFromDisk);
    connect(cancelButton, &QPushButton::clicked, this, &LUTSelector::cancel);
    connect(closeButton, &QAbstractButton::clicked, this, &LUTSelector::cancel);
    connect(selectButton, &QPushButton::clicked, this, &LUTSelector::select);

    // Enter and Esc reach the panel before the focused control.
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
    setFocusPolicy(Qt::StrongFocus);
}

QListWidgetItem* LUTSelector::addItem(const QString& text)
{
    auto* item = new QListWidgetItem(text, lutList);
    return item;
}

void LUTSelector::initialize(const QString& currentLUTName, const QByteArray& currentLUTData,
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

void LUTSelector::chooseItem(QListWidgetItem* item)
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

void LUTSelector::loadFromDisk()
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
    QPointer<LUTSelector> self(this);
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

void LUTSelector::addPicked(const std::vector<PickedLUT>& picked)
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
        // Another panel may have imported the same name meanwhile.
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

bool LUTSelector::finish()
{
    if (finished_)
        return false;
    finished_ = true;
    previewTimer_.stop();
    return true;
}

void LUTSelector::select()
{
    if (!finish())
        return;
    emit lutApplied(selectedLUTName, selectedFilePath.isEmpty() ? selectedLUTData : QByteArray(), selectedFilePath);
    emit closeRequested();
}

void LUTSelector::cancel()
{
    if (finish())
        emit closeRequested();
}

bool LUTSelector::eventFilter(QObject* watched, QEvent* event)
{
    if (HandleSelectorKeys(event, [this] { cancel(); }, [this] { select(); }))
        return true;
    return QWidget::eventFilter(watched, event);
}

void LUTSelector::showCurrent()
{
    currentLUTLabel->setText(selectedLUTName);
    previewTimer_.start();
}

void LUTSelector::setSourcePhoto(const gfx::Image& photo)
{
    preview->setThumbnail(MakeLUTThumbnail(photo));
}

void LUTSelector::updatePreview()
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
    // Mapped on a pool thread; the result comes back only to the panel
    // that asked, and only when it is still the latest.
    ++previewsInFlight_;
    QPointer<LUTSelector> self(this);
    QThreadPool::globalInstance()->start([self, generation, thumbnail, table] {
        auto mapped = std::make_shared<gfx::Image>(MapLUTToImage(thumbnail, *table, 100));
        QMetaObject::invokeMethod(
            qApp,
            [self, generation, mapped] {
                if (!self)
                    return;
                --self->previewsInFlight_;
                if (self->previewGeneration_ != generation)
                    return;
                self->preview->setPreview(*mapped);
                emit self->previewShown();
            },
            Qt::QueuedConnection);
    });
}

} // namespace pq
