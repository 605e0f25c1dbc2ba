#include "scripting/script_failure.h"

namespace pq {

void FailSurface(int64_t width, int64_t height)
{
    throw ScriptFailure(QStringLiteral("Could not create %1x%2 surface").arg(width).arg(height));
}

void CheckScriptSurfaceSize(int64_t width, int64_t height)
{
    if (width < 1 || height < 1 || width > kMaxScriptSide || height > kMaxScriptSide ||
        width * height > kMaxScriptPixels)
        FailSurface(width, height);
}

} // namespace pq
