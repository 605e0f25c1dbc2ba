#pragma once

#include "engine/repository/image_repository.h"
#include "gfx/image.h"
#include "workspace/document.h"

#include <QTimer>
#include <QWidget>

#include <functional>
#include <vector>

class QDoubleSpinBox;
class QLabel;
class QPushButton;

namespace pq {

class NumberBox;
class PanelCloseButton;
class TexturePreview;
class TileGrid;

// The texture selector: a paper or canvas texture from the list (the
// user's own images join it for the rest of the run), its strength and
// scale, and a preview of the result with the texture over it that can be
// dragged and zoomed. Apply and Cancel both remember the choice in
// `stored`, which "Add texture", the manual brush and scripts use.
class TextureSelector : public QWidget {
    Q_OBJECT
public:
    TextureSelector(std::vector<NamedImage>& textures, Document::TextureChoice& stored, const gfx::Image& picture,
                    QWidget* parent = nullptr);

    QSize sizeHint() const override { return QSize(742, 500); }

    static constexpr int kTypingDelayMs = 500;

    void loadTextures();
    void selectTile(int index);
    // The boxes' text as typed so far (else their values), within
    // 0..100 and 0.1..10.
    double currentStrength() const;
    float currentScale() const;
    void apply();
    void cancel();
    // "Load custom texture" with these files in place of the dialog.
    void loadCustomTexture(const QStringList& files);

    std::function<QString()> getOpenFileName;
    std::function<void(const QString&)> tell;

    TileGrid* tiles = nullptr;
    QLabel* titleLabel = nullptr;
    QLabel* scaleLabel = nullptr;
    QDoubleSpinBox* scaleBox = nullptr;
    QLabel* strengthLabel = nullptr;
    NumberBox* strengthBox = nullptr;
    TexturePreview* preview = nullptr;
    QPushButton* loadCustomButton = nullptr;
    QPushButton* cancelButton = nullptr;
    QPushButton* applyButton = nullptr;
    PanelCloseButton* closeButton = nullptr;

signals:
    // Apply with a selected texture; a close request follows.
    void textureChosen(const gfx::Image& texture, int strength, float scale);
    void closeRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void storeChoice();
    bool restoreChoice();
    void refreshPreview();

    std::vector<NamedImage>& textures_;
    Document::TextureChoice& stored_;
    std::vector<gfx::Image> tileTextures_;
    QTimer previewTimer_;
    bool finished_ = false;
};

} // namespace pq
