#pragma once

#include <QString>
#include <QStringList>

namespace pq {

// Where a batch writes each input's result.

// Beside the input: its name without extension, "_PQ", and its extension
// in lower case, ".bmp" written as ".png"; no extension stays none.
// photo.JPG gives photo_PQ.jpg, scan.bmp scan_PQ.png.
QString BatchOutputFileName(const QString& input);

// The output of every input, in order. A name that would replace an input
// of the batch or an output planned before it gets "_2", "_3"... before
// its extension (a_PQ_2.png); paths are compared without regard to case.
// Other existing files are replaced.
QStringList BatchOutputFileNames(const QStringList& inputs);

} // namespace pq
