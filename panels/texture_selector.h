#pragma once

#include "gfx/image.h"
#include "panels/tile_selector.h"
#include "workspace/document.h"

class QDoubleSpinBox;
class QLabel;

namespace pq {

class NumberBox;
class TexturePreview;

// The texture selector: a paper or canvas texture from the list (the
// user's own images join it for the rest of the run), its strength and
// scale, and a preview of the result with the texture over it that can be
// dragged and zoomed. Apply and Cancel both remember the choice in
// `stored`, which "Add texture", the manual brush and scripts use.
class TextureSelector : public TileSelector {
    Q_OBJECT
public:
    TextureSelector(std::vector<NamedImage>& textures, Document::TextureChoice& stored, const gfx::Image& picture,
                    QWidget* parent = nullptr);

    QSize sizeHint() const override { return QSize(742, 500); }

    void loadTiles() override;
    void selectTile(int index) override;
    // The boxes' text as typed so far (else their values), within
    // 0..100 and 0.1..10.
    double currentStrength() const;
    float currentScale() const;
    void apply() override;

    QLabel* scaleLabel = nullptr;
    QDoubleSpinBox* scaleBox = nullptr;
    QLabel* strengthLabel = nullptr;
    NumberBox* strengthBox = nullptr;
    TexturePreview* preview = nullptr;

signals:
    // Apply with a selected texture; a close request follows.
    void textureChosen(const gfx::Image& texture, int strength, float scale);

private:
    void storeChoice() override;
    bool restoreChoice();
    void refreshPreview() override;

    Document::TextureChoice& stored_;
    std::vector<gfx::Image> tileTextures_;
};

} // namespace pq
