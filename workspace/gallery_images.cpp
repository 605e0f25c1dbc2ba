#include "workspace/gallery_images.h"

#include "gfx/canvas.h"
#include "gfx/surface.h"
#include "ui/translate.h"

#include <QFileInfo>

#include <algorithm>

namespace pq {
namespace {

uint32_t NextXorShift(uint32_t& state)
{
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

const QString kSourceKey = QStringLiteral("Source image");
const QString kResultKey = QStringLiteral("Pastelloquin image");

} // namespace

bool ImagesDiffer(const gfx::Image& a, const gfx::Image& b, int samples)
{
    if (a.isNull() && b.isNull())
        return false;
    if (a.isNull() || b.isNull())
        return true;
    if (a.sameAs(b))
        return false;
    if (a.width() != b.width() || a.height() != b.height())
        return true;
    const int width = a.width();
    const int height = a.height();
    if (width <= 0 || height <= 0)
        return false;

    uint32_t state = uint32_t(a.id()) ^ uint32_t(b.id()) ^ (uint32_t(width) * 73856093u) ^
                     (uint32_t(height) * 19349663u);
    const int64_t count = std::min<int64_t>(std::max(samples, 1), int64_t(width) * height);
    // Both images keep 32-bit premultiplied rows: words compare directly.
    for (int64_t n = 0; n < count; ++n) {
        const uint32_t x = NextXorShift(state) % uint32_t(width);
        const uint32_t y = NextXorShift(state) % uint32_t(height);
        if (a.pixel(int(x), int(y)) != b.pixel(int(x), int(y)))
            return true;
    }
    return false;
}

gfx::Image FitImageToSize(const gfx::Image& image, int targetWidth, int targetHeight)
{
    if (image.isNull() || !gfx::IsSaneSize(targetWidth, targetHeight))
        return {};
    if (image.width() == targetWidth && image.height() == targetHeight)
        return image;
    gfx::Surface surface = gfx::Surface::make(targetWidth, targetHeight);
    if (surface.isNull())
        return {};
    surface.clear(QColor(255, 255, 255, 255));
    {
        gfx::Canvas canvas(surface);
        canvas.drawImage(image, (targetWidth - image.width()) / 2.0, (targetHeight - image.height()) / 2.0,
                         gfx::Sampling::Mitchell);
    }
    return surface.snapshot();
}

QString GalleryShortName(const QString& fileName, bool isSource)
{
    if (!fileName.isEmpty())
        return QFileInfo(fileName).fileName();
    return isSource ? kSourceKey : kResultKey;
}

bool IsGalleryNameKey(const QString& shortName)
{
    return shortName == kSourceKey || shortName == kResultKey;
}

QString GalleryHint(const QString& shortName, int width, int height)
{
    const QString name = IsGalleryNameKey(shortName) ? Translate(shortName) : shortName;
    QString usage = Translate(QStringLiteral("Drag && drop: blend with current"));
    usage.replace(QStringLiteral("&&"), QStringLiteral("&"));
    return name + QStringLiteral("\r\n") + QString::number(width) + QStringLiteral(" \u00D7 ") +
           QString::number(height) + QStringLiteral(" px\r\n") +
           Translate(QStringLiteral("Right-click: set as source or result")) + QStringLiteral("\r\n") + usage;
}

} // namespace pq
