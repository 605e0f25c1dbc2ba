#include "panels/tile_grid.h"

#include "ui/theme.h"
#include "ui/interface_scale.h"
#include "ui/theme_style.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace pq {
namespace {

QColor TileLabelColor()
{
    return gThemeMode == ThemeMode::Light ? QColor(0x1E, 0x2A, 0x38) : QColor(0xFF, 0xFF, 0xFF);
}

} // namespace

class TileGrid::Tile : public QWidget {
public:
    Tile(const QString& name, const QImage& picture, Fill fill, QWidget* parent)
        : QWidget(parent), name_(name), picture_(picture), fill_(fill)
    {
        setFixedSize(kTileSize, kTileSize);
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::NoFocus);
        setToolTip(name);
    }

    QString name_;
    QImage picture_;
    Fill fill_;
    bool selected_ = false;
    std::function<void()> clicked;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        // The caption band and font follow the interface size.
        const double scale = WidgetScale(this);
        const int band = int(std::nearbyint(20 * scale));
        const QRect pictureArea(0, 0, width(), height() - band);
        if (!picture_.isNull()) {
            if (fill_ == Fill::Repeat) {
                p.fillRect(pictureArea, QBrush(picture_));
            } else {
                const QSize fitted = picture_.size().scaled(pictureArea.size(), Qt::KeepAspectRatio);
                QRect at(QPoint(0, 0), fitted);
                at.moveCenter(pictureArea.center());
                p.drawImage(at, picture_);
            }
        }
        // White would vanish on the light theme's white grid.
        p.setPen(TileLabelColor());
        p.setFont(InterfaceFont(std::max(1, int(std::nearbyint(11 * scale)))));
        p.drawText(QRect(0, height() - band, width(), band), Qt::AlignCenter,
                   p.fontMetrics().elidedText(name_, Qt::ElideRight, width() - 4));
        if (selected_) {
            p.setPen(QPen(QColor(0x1E, 0x90, 0xFF), 3));
            p.setBrush(Qt::NoBrush);
            p.drawRect(QRectF(1.5, 1.5, width() - 3, height() - 3));
        }
    }
    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton && clicked)
            clicked();
    }
};

TileGrid::TileGrid(QWidget* parent) : QScrollArea(parent), content_(new QWidget)
{
    setObjectName(QStringLiteral("tileGrid"));
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The window style's thin bar whatever the style: three columns of
    // 130 and the bar fit the 410 of the tile area.
    SetDesignStyleSheet(verticalScrollBar(), QStringLiteral("QScrollBar:vertical { width: 6px; }"));
    setWidgetResizable(false);
    setFocusPolicy(Qt::NoFocus);
    content_->setObjectName(QStringLiteral("tileFlow"));
    setWidget(content_);
    // setWidget turns the content's fill on.
    content_->setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    content_->setAttribute(Qt::WA_TranslucentBackground);
}

void TileGrid::setTiles(const std::vector<std::pair<QString, QImage>>& tiles, Fill fill)
{
    for (Tile* tile : tiles_)
        delete tile;
    tiles_.clear();
    selected_ = -1;
    for (const auto& [name, picture] : tiles) {
        auto* tile = new Tile(name, picture, fill, content_);
        const int index = int(tiles_.size());
        tile->setObjectName(QStringLiteral("tile%1").arg(index));
        tile->clicked = [this, index] { emit tileClicked(index); };
        // Built in design units like the rest of the panel.
        ScaleWidgetTree(tile, WidgetScale(this));
        tile->show();
        tiles_.push_back(tile);
    }
    placeTiles();
}

QString TileGrid::name(int index) const
{
    return index >= 0 && index < count() ? tiles_[size_t(index)]->name_ : QString();
}

void TileGrid::setPicture(int index, const QImage& picture)
{
    if (index < 0 || index >= count())
        return;
    tiles_[size_t(index)]->picture_ = picture;
    tiles_[size_t(index)]->update();
}

QImage TileGrid::picture(int index) const
{
    return index >= 0 && index < count() ? tiles_[size_t(index)]->picture_ : QImage();
}

int TileGrid::find(const QString& name) const
{
    for (int i = 0; i < count(); ++i)
        if (tiles_[size_t(i)]->name_.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void TileGrid::select(int index)
{
    if (index < -1 || index >= count())
        index = -1;
    if (selected_ >= 0 && selected_ < count()) {
        tiles_[size_t(selected_)]->selected_ = false;
        tiles_[size_t(selected_)]->update();
    }
    selected_ = index;
    if (index >= 0) {
        tiles_[size_t(index)]->selected_ = true;
        tiles_[size_t(index)]->update();
    }
}

void TileGrid::scrollToTile(int index)
{
    verticalScrollBar()->setValue(index >= 0 && index < count() ? tileRect(index).top() - 5 : 0);
}

int TileGrid::scaled(double units) const
{
    return int(std::nearbyint(units * WidgetScale(this)));
}

int TileGrid::perRow() const
{
    const int width = viewport()->width();
    return std::max(1, int(width / (kPitch * WidgetScale(this))));
}

QRect TileGrid::tileRect(int index) const
{
    const int row = index / perRow(), column = index % perRow();
    return QRect(scaled(column * kPitch + 5), scaled(row * kPitch + 5), scaled(kTileSize), scaled(kTileSize));
}

void TileGrid::placeTiles()
{
    const int rows = tiles_.empty() ? 0 : (count() + perRow() - 1) / perRow();
    content_->resize(std::max(viewport()->width(), scaled(kPitch)), scaled(rows * kPitch));
    for (int i = 0; i < count(); ++i)
        tiles_[size_t(i)]->move(tileRect(i).topLeft());
}

void TileGrid::setInterfaceScale(double)
{
    // Once the whole tree is at the new scale.
    QTimer::singleShot(0, this, [this] { placeTiles(); });
}

void TileGrid::resizeEvent(QResizeEvent* event)
{
    QScrollArea::resizeEvent(event);
    placeTiles();
}

} // namespace pq
