#pragma once

// What the fuzz targets share: a Qt application object for the readers
// that need one, and the checks that stop a run on a broken result.

#include "gfx/image.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

namespace fuzz {

// A core application, made once (image plug-ins and file paths need one).
void EnsureApplication();

// The input as a QByteArray that shares nothing with the fuzzer's buffer.
inline QByteArray Bytes(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// Stops the run (a crash the fuzzer records) unless every pixel is valid
// premultiplied data.
void RequirePremultiplied(const gfx::Image& image);

// Stops the run when the condition is false.
void Require(bool condition);

} // namespace fuzz
