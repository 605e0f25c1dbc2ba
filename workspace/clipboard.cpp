#include "workspace/clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

namespace pq {

void CopyImageToClipboard(const gfx::Image& image)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (image.isNull() || !clipboard)
        return;
    // A copy of our pixels: the clipboard keeps its image after the
    // document has moved on.
    clipboard->setImage(image.toQImage().copy());
}

gfx::Image ImageFromMimeData(const QMimeData* data)
{
    if (!data || !data->hasImage())
        return {};
    const QImage image = qvariant_cast<QImage>(data->imageData());
    if (image.isNull() || !gfx::IsSaneSize(image.width(), image.height()))
        return {};
    return gfx::Image::fromQImage(image);
}

gfx::Image ImageFromClipboard()
{
    const QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return {};
    return ImageFromMimeData(clipboard->mimeData());
}

} // namespace pq
