#include "panels/frame_selector.h"

#include "gfx/frame_image.h"
#include "panels/color_button.h"
#include "panels/frame_preview.h"
#include "panels/number_box.h"
#include "panels/selector_style.h"
#include "panels/tile_grid.h"
#include "platform/numeric.h"
#include "ui/translate.h"

#include <QHash>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>

namespace pq {

FrameSelector::FrameSelector(std::vector<NamedImage>& frames, Document::FrameChoice& stored,
                             const gfx::Image& picture, QWidget* parent)
    : TileSelector(frames, QStringLiteral("frameSelector"), QSize(753, 529),
                   QStringLiteral("Click on your chosen frame"), parent),
      stored_(stored), picture_(picture)
{
    marginColorLabel = MakeSelectorLabel(QStringLiteral("margin color"), this, "marginColorLabel", QRect(40, 340, 150, 22));
    marginColorButton = new ColorButton(this);
    marginColorButton->setObjectName(QStringLiteral("marginColorButton"));
    marginColorButton->setGeometry(40, 366, 150, 30);
    marginSizeLabel = MakeSelectorLabel(QStringLiteral("margin size"), this, "marginSizeLabel", QRect(220, 340, 150, 22));
    marginSizeBox = new NumberBox(this);
    marginSizeBox->setObjectName(QStringLiteral("marginSizeBox"));
    marginSizeBox->setRange(0, kMaxMargin);
    marginSizeBox->setGeometry(220, 366, 100, 30);
    marginSizeBox->setFocusPolicy(Qt::ClickFocus);
    marginSizeBox->setValue(150);

    auto* previewGround = MakePreviewGround(this, QRect(497, 85, 210, 210));
    preview = new FramePreview(previewGround);
    preview->move(5, 5);
    preview->setPicture(picture_);

    loadCustomButton = MakeSelectorButton(QStringLiteral("Load custom frame"), this, "loadCustomButton",
                                          QRect(497, 310, 210, 37), "ghost");
    brushstrokeButton = MakeSelectorButton(QStringLiteral("Apply brushstrokes frame"), this, "brushstrokeButton",
                                           QRect(40, 420, 280, 37), "ghost");
    cancelButton = MakeSelectorButton(QStringLiteral("Cancel"), this, "cancelButton", QRect(447, 460, 120, 40), "ghost");
    applyButton = MakeSelectorButton(QStringLiteral("Apply frame"), this, "applyButton", QRect(587, 460, 140, 40), "primary");

    connect(marginSizeBox, &QSpinBox::valueChanged, this, &FrameSelector::refreshPreview);
    connect(marginColorButton, &ColorButton::colorChanged, this, &FrameSelector::refreshPreview);
    connect(brushstrokeButton, &QPushButton::clicked, this, &FrameSelector::applyBrushstrokeFrame);
    finishSetUp({marginSizeBox});
    loadTiles();
}

namespace {

// The frames' tiles are the same at every opening: each is scaled once.
gfx::Image FrameThumb(const gfx::Image& frame)
{
    constexpr int kKeptThumbs = 64;
    static QHash<qint64, gfx::Image> thumbs;
    const qint64 key = frame.qimage().cacheKey();
    if (const auto it = thumbs.constFind(key); it != thumbs.constEnd())
        return *it;
    if (thumbs.size() >= kKeptThumbs)
        thumbs.clear();
    return *thumbs.insert(key, MakeScaledThumb(frame, 240));
}

} // namespace

void FrameSelector::loadTiles()
{
    std::vector<std::pair<QString, QImage>> shown;
    tileFrames_.clear();
    matTile_ = -1;
    for (const NamedImage& entry : images_) {
        if (entry.image.isNull())
            continue;
        const bool mat = gfx::IsMatOnlyFrame(entry.image);
        if (mat)
            matTile_ = int(shown.size());
        const gfx::Image thumb = mat ? MakeMatThumbnail(marginColor(), currentMargin(), picture_.size())
                                     : FrameThumb(entry.image);
        shown.emplace_back(entry.name, thumb.qimage());
        tileFrames_.push_back(entry.image);
    }
    tiles->setTiles(shown, TileGrid::Fill::Fit);
    restoreChoice();
}

void FrameSelector::restoreChoice()
{
    int index = -1;
    if (stored_.settingsValid) {
        {
            const QSignalBlocker blockBox(marginSizeBox);
            marginSizeBox->setValue(std::clamp(platform::Round(stored_.size), 0, kMaxMargin));
        }
        marginColorButton->setColor(stored_.color);
        if (!stored_.name.isEmpty())
            index = tiles->find(stored_.name);
    }
    if (index < 0 && tiles->count() > 0)
        index = 0;
    selectTile(index);
    tiles->scrollToTile(index);
}

void FrameSelector::selectTile(int index)
{
    tiles->select(index);
    preview->setFrame(index >= 0 ? tileFrames_[size_t(index)] : gfx::Image());
    refreshPreview();
}

int FrameSelector::currentMargin() const
{
    const double margin = marginSizeBox->typedOrValue();
    return std::clamp(platform::Round(std::clamp(margin, 0.0, double(kMaxMargin))), 0, kMaxMargin);
}

QRgb FrameSelector::marginColor() const
{
    return marginColorButton->color();
}

void FrameSelector::refreshPreview()
{
    previewTimer_.stop();
    preview->setMargin(currentMargin(), marginColor());
    if (matTile_ >= 0)
        tiles->setPicture(matTile_, MakeMatThumbnail(marginColor(), currentMargin(), picture_.size()).qimage());
}

void FrameSelector::storeChoice()
{
    storeTile(stored_);
    stored_.size = float(marginSizeBox->value());
    stored_.color = marginColor();
}

void FrameSelector::apply()
{
    if (!finish())
        return;
    const int index = tiles->selected();
    if (index < 0) {
        emit closeRequested();
        return;
    }
    hide();
    emit frameChosen(tileFrames_[size_t(index)], currentMargin(), marginColor());
}

void FrameSelector::applyBrushstrokeFrame()
{
    if (!finish())
        return;
    emit brushstrokeFrameChosen(marginColor(), marginSizeBox->value(), kBrushstrokeBrushSize);
    emit closeRequested();
}

} // namespace pq
