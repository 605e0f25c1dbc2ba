#pragma once

#include "gfx/image.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace pq {

// File names and formats of opening, dropping and saving images.

// The open dialog's filter (Qt syntax): JPEG, PNG, BMP and WebP, or any file.
QString OpenDialogFilter();
// The batch dialog's filter: the same photos, chosen many at a time.
QString BatchDialogFilter();
// The save dialog's filters in order: JPEG, PNG, WebP, all files.
QStringList SaveDialogFilters();

// Extensions a drop accepts: .jpg .jpeg .png .bmp .gif .tiff, any case.
bool IsDroppableImageName(const QString& fileName);
// The first name with an accepted extension that is an existing file.
QString FirstDroppableFile(const QStringList& fileNames,
                           const std::function<bool(const QString&)>& isFile);

struct SaveProposal {
    QString fileName; // full path, or a bare name without a source
    int filterIndex;  // 1 JPEG, 2 PNG
};
// The name proposed when saving the result of `sourceFileName`: its name
// with "_PQ" before its lower-case extension (".bmp" becomes ".png"), in
// its folder; "Pastelloquin_image.png" without a source.
SaveProposal ProposeSaveName(const QString& sourceFileName);

// Encodes the image in the format the name's extension names (.jpg, .jpeg,
// .png, .webp, any case) at quality 80, marks .jpg, .jpeg and .png output
// 300 DPI and writes it through a temporary file, so that a failure leaves
// an existing file as it was. False and *error ("Invalid extension" for any
// other extension) on failure.
bool SaveImageTo(const gfx::Image& image, const QString& fileName, QString* error = nullptr);

} // namespace pq
