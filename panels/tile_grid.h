#pragma once

#include <QImage>
#include <QScrollArea>
#include <QString>

#include <vector>

namespace pq {

// The frame and texture selectors' grid of picture tiles: 120 x 120 tiles
// on a 130 pitch (design units), left to right and top down, each with its
// name at the bottom and a blue stroke while selected. Scrolls vertically.
class TileGrid : public QScrollArea {
    Q_OBJECT
public:
    // How a tile shows its picture: scaled to fit, or at its own size
    // repeated (textures).
    enum class Fill { Fit, Repeat };

    explicit TileGrid(QWidget* parent = nullptr);

    static constexpr int kTileSize = 120;
    static constexpr int kPitch = 130;

    // Replaces every tile; no tile is selected afterwards.
    void setTiles(const std::vector<std::pair<QString, QImage>>& tiles, Fill fill);
    int count() const { return int(tiles_.size()); }
    QString name(int index) const;
    void setPicture(int index, const QImage& picture);
    QImage picture(int index) const;

    // The first tile of that name without regard to case, or -1.
    int find(const QString& name) const;
    // Shows the stroke on that tile only (-1: none); no signal.
    void select(int index);
    int selected() const { return selected_; }
    // Scrolls so that the tile's top is at the top of the view.
    void scrollToTile(int index);
    // The tile's place in the grid's content, in pixels.
    QRect tileRect(int index) const;
    // Tiles per row at the current width and interface size.
    int perRow() const;
    Q_INVOKABLE void setInterfaceScale(double scale);

signals:
    void tileClicked(int index);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    class Tile;
    void placeTiles();
    int scaled(double units) const;

    std::vector<Tile*> tiles_;
    QWidget* content_ = nullptr;
    int selected_ = -1;
};

} // namespace pq
