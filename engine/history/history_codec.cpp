#include "engine/history/image_history.h"

#include "gfx/codec.h"

#include <algorithm>

namespace pq {
namespace {

// gfx::encode's PNG quality picks the zlib level (100 - q) / 10: level 2,
// the one the program saves PNG files with. Level 6 takes five times as
// long on a 12-megapixel picture (about 4 s against 0.8 s) for a slightly
// smaller snapshot.
constexpr int kPngQuality = 80;

} // namespace

bool ImageHistory::hasTransparency(const gfx::Image& image)
{
    if (image.isNull() || image.width() <= 0 || image.height() <= 0)
        return false;
    const int64_t threshold = std::max<int64_t>(1, int64_t(image.width()) * image.height() / 1000);
    int64_t count = 0;
    for (int y = 0; y < image.height(); ++y) {
        const gfx::Pixel* row = image.row(y);
        for (int x = 0; x < image.width(); ++x)
            if ((row[x] >> 24) != 255 && ++count >= threshold)
                return true;
    }
    return false;
}

QByteArray ImageHistory::encodeImage(const gfx::Image& image, int quality)
{
    if (image.isNull() || image.width() <= 0 || image.height() <= 0)
        return {};
    try {
        if (hasTransparency(image))
            return gfx::Encode(image, gfx::ImageFormat::Png, kPngQuality);
        return gfx::Encode(image, gfx::ImageFormat::Jpeg, quality);
    } catch (...) {
        return {};
    }
}

gfx::Image ImageHistory::decodeSnapshotImage(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return {};
    return gfx::DecodeData(bytes);
}

} // namespace pq
