#include "panels/tile_selector.h"

#include "ui/widgets/panel_close_button.h"
#include "panels/selector_style.h"
#include "panels/tile_grid.h"

#include <QEvent>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>

namespace pq {

TileSelector::TileSelector(std::vector<NamedImage>& images, const QString& name, QSize size, const QString& title,
                           QWidget* parent)
    : QWidget(parent), images_(images), previewTimer_(this)
{
    setObjectName(name);
    SetUpSelectorPanel(this, size);

    closeButton = new PanelCloseButton(this);
    closeButton->move(size.width() - 26 - 12, 12);
    titleLabel = MakeSelectorLabel(title, this, "titleLabel", QRect(40, 20, 410, 30));
    auto* tileArea = MakeTileArea(this);
    tiles = new TileGrid(tileArea);
    // The tiles keep their own 5-unit margins: two rows of 130 fill the
    // area's 260 and three columns its 410.
    tiles->setGeometry(tileArea->rect());

    getOpenFileName = [this] {
        return QFileDialog::getOpenFileName(
            window(), QString(), QString(),
            QStringLiteral("Image Files (*.png *.jpg *.jpeg *.bmp *.gif *.tiff *.webp);;All Files (*)"));
    };
}

void TileSelector::finishSetUp(std::initializer_list<QWidget*> typingBoxes)
{
    typingBoxes_.assign(typingBoxes);
    previewTimer_.setSingleShot(true);
    previewTimer_.setInterval(kTypingDelayMs);
    connect(&previewTimer_, &QTimer::timeout, this, &TileSelector::refreshPreview);
    connect(tiles, &TileGrid::tileClicked, this, &TileSelector::selectTile);
    connect(applyButton, &QPushButton::clicked, this, &TileSelector::apply);
    connect(cancelButton, &QPushButton::clicked, this, &TileSelector::cancel);
    connect(closeButton, &QAbstractButton::clicked, this, &TileSelector::cancel);
    connect(loadCustomButton, &QPushButton::clicked, this, [this] {
        const QString file = getOpenFileName ? getOpenFileName() : QString();
        if (!file.isEmpty())
            loadCustom({file});
    });

    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
    setFocusPolicy(Qt::StrongFocus);
}

bool TileSelector::finish()
{
    if (finished_)
        return false;
    finished_ = true;
    storeChoice();
    return true;
}

void TileSelector::cancel()
{
    if (finish())
        emit closeRequested();
}

int TileSelector::storeSelectedTile(QString& name, int& number) const
{
    const int index = tiles->selected();
    if (index >= 0) {
        if (!tiles->name(index).isEmpty())
            name = tiles->name(index);
        number = index + 1;
    }
    return index;
}

void TileSelector::loadCustom(const QStringList& files)
{
    QString name;
    const gfx::Image image = LoadCustomTileImage(files, tell, name);
    if (image.isNull())
        return;
    images_.push_back({name, image});
    loadTiles();
    selectTile(tiles->count() - 1);
    tiles->scrollToTile(tiles->count() - 1);
}

bool TileSelector::eventFilter(QObject* watched, QEvent* event)
{
    if (HandleSelectorKeys(event, [this] { cancel(); }, [this] { apply(); }))
        return true;
    // A box's own line edit is its child.
    if (event->type() == QEvent::KeyRelease && watched) {
        for (QWidget* box : typingBoxes_)
            if (watched == box || watched->parent() == box)
                previewTimer_.start();
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace pq
