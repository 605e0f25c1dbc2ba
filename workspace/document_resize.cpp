#include "workspace/document_resize.h"

#include "gfx/resample.h"

namespace pq {

ResizedDocument ResizeDocumentImages(const gfx::Image& source, const gfx::Image& result, int width, int height)
{
    if (width <= 0 || height <= 0 || source.isNull() || !gfx::IsSaneSize(width, height))
        return {};
    ResizedDocument resized;
    resized.source = gfx::Resize(source, width, height, gfx::Sampling::Mitchell);
    if (resized.source.isNull())
        return {};
    if (result.isNull() || result.sameAs(source))
        resized.result = resized.source;
    else
        resized.result = gfx::Resize(result, width, height, gfx::Sampling::Mitchell);
    if (resized.result.isNull())
        return {};
    return resized;
}

} // namespace pq
