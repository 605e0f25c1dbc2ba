#include "images.h"
namespace gen {
static QImage blank(int w, int h, bool alpha) { QImage i(w, h, alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32); i.fill(alpha ? Qt::transparent : Qt::gray); return i; }
QImage defaultImage() { return blank(960, 1440, false); }
QImage impastoTexture(int size, uint32_t) { return blank(size, size, false); }
QImage pencilTexture() { return blank(512, 166, false); }
QImage oldFilmTexture() { return blank(2904, 2064, false); }
QImage defaultBrushSheet() { return blank(2048, 1536, true); }
QImage pastelBrushSheet() { return blank(2048, 512, true); }
QImage watercolorBrushSheet() { return blank(2048, 768, true); }
QImage templateMatchingSheet() { QImage i(1250, 2000, QImage::Format_RGB32); i.fill(Qt::white); return i; }
QImage brushTip(int w, int h, uint32_t) { return blank(w, h, true); }
QImage pictureFrame(int n) { static const int s[9][2] = {{2225,2196},{2244,2424},{1122,1212},{816,1456},{2260,3000},{1100,1100},{1957,2331},{100,100},{2138,2128}}; return blank(s[n-1][0], s[n-1][1], true); }
}
