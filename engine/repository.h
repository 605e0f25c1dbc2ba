#pragma once

#include "gfx/image.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace pq {

// One named entry of an image list (frames, textures).
struct NamedImage {
    QString name;
    gfx::Image image;
};

using T2DIntArray = std::vector<std::vector<int>>;

// The program's store of built-in images: brush sheets, stamp brushes,
// paper and film textures, texture and frame lists, the default photo.
// One instance, reached through Form3(). Its images are written on the UI
// thread; workers read copies of the handles (images are immutable).
class TForm3 {
public:
    gfx::Image DefaultImage;
    gfx::Image WatercolorTexture;
    gfx::Image Frame;
    gfx::Image Brushes;
    gfx::Image DefaultBrushes;
    gfx::Image WatercolorBrushes;
    gfx::Image PencilTexture;
    std::vector<NamedImage> FrameList;
    gfx::Image TemplateMatchingBrushes;
    std::vector<NamedImage> TextureList;
    gfx::Image PastelBrushes;
    gfx::Image OldFilmTexture;
    gfx::Image PaintBrushSim;
    gfx::Image PaintBrushSim2;
    gfx::Image PaintBrushSim3;
    gfx::Image VCLwatercolortexture;
    T2DIntArray WatercolorTexturePixels;
};

TForm3& Form3();

} // namespace pq
