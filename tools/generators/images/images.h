#pragma once

// The built-in pictures. Each function draws one image from fixed seeds.

#include <QImage>

#include <cstdint>

namespace gen {

// The default photo, 960 x 1440.
QImage DefaultImage();

// Surface textures, tileable, about mid-grey on average.
QImage CanvasTexture(int size, uint32_t seed);
QImage PaperTexture(int size, uint32_t seed);
QImage ImpastoTexture(int size, uint32_t seed);
QImage RoughWatercolorTexture(int size, uint32_t seed);
QImage CardboardTexture(int size, uint32_t seed);
QImage FabricTexture(int size, uint32_t seed);
// Cold-pressed watercolour paper, tileable at width x height.
QImage WatercolorPaper(int width, int height, uint32_t seed);
// Crossed pencil hatching, dark at the left edge and white at the right.
QImage PencilTexture();
// Film grain with dust, hairs and scratches.
QImage OldFilmTexture();

// Brush sheets of 256-pixel cells, 8 per row, on a transparent ground.
QImage DefaultBrushSheet();   // 40 bristle marks, 2048 x 1536
QImage PastelBrushSheet();    // 16 pastel marks, 2048 x 512
QImage WatercolorBrushSheet(); // 24 watercolour marks, 2048 x 768
// Dark marks on white, 250-pixel cells, 5 per row, 38 marks: 1250 x 2000.
QImage TemplateMatchingSheet();
// Soft round bristle tips with an alpha channel.
QImage BrushTip(int width, int height, uint32_t seed);

// Picture frame `number` (1..9) with a transparent opening.
QImage PictureFrame(int number);

// The splash window's artwork, at twice the window's units: the 512 x 512
// card, the 234 x 213 swirls (the back one with its shadow, the top one with
// its inner glow), the 220 x 50 wordmark and the 90 x 26 edition lettering.
QImage SplashBackground();
QImage SplashBackSwirl();
QImage SplashBackSwirlShadow();
QImage SplashTopSwirl();
QImage SplashTopSwirlGlow();
QImage ProductLogo();
QImage AtelioLettering();

} // namespace gen
