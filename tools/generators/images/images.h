#pragma once

// The built-in pictures. Each function draws one image from fixed seeds.

#include <QImage>

#include <cstdint>

namespace gen {

// The default photo, 960 x 1440.
QImage defaultImage();

// Surface textures, tileable, about mid-grey on average.
QImage canvasTexture(int size, uint32_t seed);
QImage paperTexture(int size, uint32_t seed);
QImage impastoTexture(int size, uint32_t seed);
QImage roughWatercolorTexture(int size, uint32_t seed);
QImage cardboardTexture(int size, uint32_t seed);
QImage fabricTexture(int size, uint32_t seed);
// Cold-pressed watercolour paper, tileable at width x height.
QImage watercolorPaper(int width, int height, uint32_t seed);
// Crossed pencil hatching, dark at the left edge and white at the right.
QImage pencilTexture();
// Film grain with dust, hairs and scratches.
QImage oldFilmTexture();

// Brush sheets of 256-pixel cells, 8 per row, on a transparent ground.
QImage defaultBrushSheet();   // 40 bristle marks, 2048 x 1536
QImage pastelBrushSheet();    // 16 pastel marks, 2048 x 512
QImage watercolorBrushSheet(); // 24 watercolour marks, 2048 x 768
// Dark marks on white, 250-pixel cells, 5 per row, 38 marks: 1250 x 2000.
QImage templateMatchingSheet();
// Soft round bristle tips with an alpha channel.
QImage brushTip(int width, int height, uint32_t seed);

// Picture frame `number` (1..9) with a transparent opening.
QImage pictureFrame(int number);

} // namespace gen
