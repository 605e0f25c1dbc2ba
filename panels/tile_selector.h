#pragma once

#include "engine/repository/image_repository.h"

#include <QSize>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <initializer_list>
#include <vector>

class QLabel;
class QPushButton;

namespace pq {

class PanelCloseButton;
class TileGrid;

// What the frame and texture selectors share: the panel with its title,
// close button and grid of tiles over a list of pictures (the user's own
// images join the list for the rest of the run), Apply and Cancel that end
// the panel once and remember the choice, Esc and Enter, and a preview
// refreshed a moment after typing in a box stops.
class TileSelector : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTypingDelayMs = 500;

    // Rebuilds the tiles from the list, then restores the stored choice.
    virtual void loadTiles() = 0;
    virtual void selectTile(int index) = 0;
    // Apply, Cancel (also the close button and Esc).
    virtual void apply() = 0;
    void cancel();
    // "Load custom ..." with these files in place of the dialog (the first
    // one is taken).
    void loadCustom(const QStringList& files);

    // The open dialog; tests replace it. Empty when cancelled.
    std::function<QString()> getOpenFileName;
    // A message for the user.
    std::function<void(const QString&)> tell;

    TileGrid* tiles = nullptr;
    QLabel* titleLabel = nullptr;
    QPushButton* loadCustomButton = nullptr;
    QPushButton* cancelButton = nullptr;
    QPushButton* applyButton = nullptr;
    PanelCloseButton* closeButton = nullptr;

signals:
    // The overlay is to close.
    void closeRequested();

protected:
    // The panel named `name` at `size`, with its close button, title and
    // tile grid; `images` must outlive it.
    TileSelector(std::vector<NamedImage>& images, const QString& name, QSize size, const QString& title,
                 QWidget* parent);

    // Wires the grid, the shared buttons and the preview timer once all the
    // panel's widgets exist; typing in `typingBoxes` refreshes the preview
    // when it pauses.
    void finishSetUp(std::initializer_list<QWidget*> typingBoxes);
    // False when the panel has ended already; else ends it and stores the
    // choice.
    bool finish();
    virtual void storeChoice() = 0;
    virtual void refreshPreview() = 0;
    // Marks the choice valid and records the selected tile's number and
    // name (a nameless tile keeps the old name); the tile, -1 for none.
    template <class Choice> int storeTile(Choice& choice) const
    {
        choice.settingsValid = true;
        return storeSelectedTile(choice.name, choice.number);
    }

    bool eventFilter(QObject* watched, QEvent* event) override;

    std::vector<NamedImage>& images_;
    QTimer previewTimer_;

private:
    int storeSelectedTile(QString& name, int& number) const;

    std::vector<QWidget*> typingBoxes_;
    bool finished_ = false;
};

} // namespace pq
