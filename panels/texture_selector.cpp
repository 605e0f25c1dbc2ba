#include "panels/texture_selector.h"

#include "panels/number_box.h"
#include "panels/selector_style.h"
#include "panels/texture_preview.h"
#include "panels/tile_grid.h"
#include "platform/numeric.h"

#include <QDoubleSpinBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>
#include <cmath>

namespace pq {
namespace {

constexpr double kMinScale = 0.1;
constexpr double kMaxScale = 10.0;

} // namespace

TextureSelector::TextureSelector(std::vector<NamedImage>& textures, Document::TextureChoice& stored,
                                 const gfx::Image& picture, QWidget* parent)
    : TileSelector(textures, QStringLiteral("textureSelector"), QSize(742, 500),
                   QStringLiteral("Click on your chosen texture"), parent),
      stored_(stored)
{
    strengthLabel = MakeSelectorLabel(QStringLiteral("strength"), this, "strengthLabel", QRect(40, 340, 150, 22));
    strengthBox = new NumberBox(this);
    strengthBox->setObjectName(QStringLiteral("strengthBox"));
    strengthBox->setRange(0, 100);
    strengthBox->setValue(50);
    strengthBox->setGeometry(40, 366, 100, 30);
    scaleLabel = MakeSelectorLabel(QStringLiteral("scale"), this, "scaleLabel", QRect(220, 340, 150, 22));
    scaleBox = new QDoubleSpinBox(this);
    scaleBox->setObjectName(QStringLiteral("scaleBox"));
    scaleBox->setRange(kMinScale, kMaxScale);
    scaleBox->setDecimals(2);
    scaleBox->setSingleStep(0.1);
    scaleBox->setValue(1.0);
    scaleBox->setKeyboardTracking(false);
    scaleBox->setButtonSymbols(QAbstractSpinBox::NoButtons);
    scaleBox->setAlignment(Qt::AlignCenter);
    scaleBox->setGeometry(220, 366, 100, 30);
    for (QAbstractSpinBox* box : {static_cast<QAbstractSpinBox*>(strengthBox), static_cast<QAbstractSpinBox*>(scaleBox)})
        box->setFocusPolicy(Qt::ClickFocus);

    auto* previewGround = MakePreviewGround(this, QRect(492, 85, 210, 210));
    preview = new TexturePreview(previewGround);
    preview->move(5, 5);
    preview->setPicture(picture);

    loadCustomButton = MakeSelectorButton(QStringLiteral("Load custom texture"), this, "loadCustomButton",
                                          QRect(492, 310, 210, 37), "ghost");
    cancelButton = MakeSelectorButton(QStringLiteral("Cancel"), this, "cancelButton", QRect(436, 436, 120, 40), "ghost");
    applyButton = MakeSelectorButton(QStringLiteral("Apply texture"), this, "applyButton", QRect(576, 436, 140, 40),
                                     "primary");

    connect(strengthBox, &QSpinBox::valueChanged, this, &TextureSelector::refreshPreview);
    connect(scaleBox, &QDoubleSpinBox::valueChanged, this, &TextureSelector::refreshPreview);
    connect(preview, &TexturePreview::scaleWheel, this, [this](double factor) {
        scaleBox->setValue(std::clamp(double(currentScale()) * factor, kMinScale, kMaxScale));
    });
    finishSetUp({strengthBox, scaleBox});
    loadTiles();
}

void TextureSelector::loadTiles()
{
    std::vector<std::pair<QString, QImage>> shown;
    tileTextures_.clear();
    for (const NamedImage& entry : images_) {
        if (entry.image.isNull())
            continue;
        shown.emplace_back(entry.name, entry.image.qimage());
        tileTextures_.push_back(entry.image);
    }
    tiles->setTiles(shown, TileGrid::Fill::Repeat);
    if (!restoreChoice())
        selectTile(tiles->count() >= 2 ? 1 : (tiles->count() > 0 ? 0 : -1));
}

bool TextureSelector::restoreChoice()
{
    if (!stored_.settingsValid)
        return false;
    {
        const QSignalBlocker blockStrength(strengthBox);
        const QSignalBlocker blockScale(scaleBox);
        strengthBox->setValue(std::clamp(platform::Round(stored_.strength), 0, 100));
        scaleBox->setValue(std::clamp(double(stored_.scale), kMinScale, kMaxScale));
    }
    const int index = stored_.name.isEmpty() ? -1 : tiles->find(stored_.name);
    if (index < 0)
        return false;
    selectTile(index);
    tiles->scrollToTile(index);
    return true;
}

void TextureSelector::selectTile(int index)
{
    tiles->select(index);
    refreshPreview();
}

double TextureSelector::currentStrength() const
{
    const double strength = strengthBox->typedOrValue();
    return std::clamp(strength, 0.0, 100.0);
}

float TextureSelector::currentScale() const
{
    bool ok = false;
    const double typed = scaleBox->locale().toDouble(scaleBox->text().trimmed(), &ok);
    const double scale = ok && std::isfinite(typed) ? typed : scaleBox->value();
    return float(std::clamp(scale, kMinScale, kMaxScale));
}

void TextureSelector::refreshPreview()
{
    previewTimer_.stop();
    const int index = tiles->selected();
    preview->setTexture(index >= 0 ? tileTextures_[size_t(index)] : gfx::Image(), currentStrength(), currentScale());
}

void TextureSelector::storeChoice()
{
    if (const int index = storeTile(stored_); index >= 0)
        stored_.image = tileTextures_[size_t(index)];
    stored_.strength = float(strengthBox->value());
    stored_.scale = float(scaleBox->value());
}

void TextureSelector::apply()
{
    if (!finish())
        return;
    const int index = tiles->selected();
    if (index >= 0)
        emit textureChosen(tileTextures_[size_t(index)], platform::Round(currentStrength()), currentScale());
    emit closeRequested();
}

} // namespace pq
