#pragma once

#include "engine/lut/cube_lut.h"
#include "gfx/image.h"

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QWidget>

#include <memory>

namespace pq {

// The LUT selector's thumbnail: the photo scaled to fit 540 x 540 (rounded,
// at least 1 pixel), or the photo itself when it fits already.
gfx::Image MakeLUTThumbnail(const gfx::Image& photo);

// The last parsed table of the selector, keyed by the .cube text itself,
// so that two tables of the same name never share an entry.
class LUTParseCache {
public:
    // The parsed table of that text (invalid when it does not parse).
    std::shared_ptr<const CubeLUT> parse(const QByteArray& bytes);
    int parses() const { return parses_; }

private:
    QByteArray key_;
    std::shared_ptr<const CubeLUT> table_;
    int parses_ = 0;
};

// Where the preview box of `box` size shows a picture of `image` size:
// scaled by min(box width / width, box height / height), enlarging too,
// rounded to whole pixels (at least 1) and centred. Empty for an empty
// picture.
QRect FitPreviewRect(QSize image, QSize box);

// The preview box: the graded thumbnail fitted (FitPreviewRect) and drawn
// with the cubic B = C = 1/3, the untouched thumbnail while the right
// button is held, a slate plate without a picture.
class LUTPreview : public QWidget {
    Q_OBJECT
public:
    explicit LUTPreview(QWidget* parent = nullptr);

    void setThumbnail(const gfx::Image& thumbnail);
    void setPreview(const gfx::Image& preview);
    const gfx::Image& thumbnail() const { return thumbnail_; }
    const gfx::Image& preview() const { return preview_; }
    bool showingSource() const { return showingSource_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    gfx::Image thumbnail_;
    gfx::Image preview_;
    bool showingSource_ = false;
    // The last picture drawn, resampled for the box: made again only when
    // the picture or the box changes.
    gfx::Image scaledFrom_;
    QImage scaled_;
};

} // namespace pq
