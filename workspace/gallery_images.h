#pragma once

#include "gfx/image.h"

#include <QString>

namespace pq {

// Whether two images differ, judged from at most `samples` pixels at
// positions drawn from a xorshift generator seeded by both ids and the
// size: the same pair always gives the same answer. Null and null are
// equal, null and an image differ, the same image never differs, and
// images of different sizes always differ.
bool ImagesDiffer(const gfx::Image& a, const gfx::Image& b, int samples);

// The image centred, unscaled, on an opaque white target-sized canvas at a
// position kept in floating point (an odd difference leaves a half-pixel
// offset), drawn with Mitchell sampling: a smaller image gets white
// borders, a larger one is cut. An image already of that size is returned
// as is; null for a null image or a bad size.
gfx::Image FitImageToSize(const gfx::Image& image, int targetWidth, int targetHeight);

// A tile's short name: the file's name without its folder, else the
// untranslated key "Source image" or "Pastelloquin image".
QString GalleryShortName(const QString& fileName, bool isSource);
bool IsGalleryNameKey(const QString& shortName);

// The tile's hint: name, size, and the two usage lines; a name key is
// translated, a file name kept. Qt shows "&&" as is in tooltips, so the
// usage line's "&&" reads as one "&".
QString GalleryHint(const QString& shortName, int width, int height);

} // namespace pq
