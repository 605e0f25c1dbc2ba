#include "scripting/script_context.h"

#include "engine/repository/image_repository.h"
#include "platform/numeric.h"

#include <algorithm>
#include <cmath>

namespace pq {
namespace {

int RoundSetting(float value)
{
    return std::isfinite(value) ? platform::Round(std::clamp(double(value), -1e9, 1e9)) : 0;
}

} // namespace

ScriptContext BuildScriptContext(ImageRepository& repository, const ScriptContextChoices& choices)
{
    ScriptContext context;
    repository.ensureLists();
    const gfx::Image selectedFrame = repository.sharedImage(&ImageRepository::selectedFrame);
    if (!selectedFrame.isNull())
        context.frames.push_back(selectedFrame);
    for (const NamedImage& item : repository.frameList)
        if (!item.image.isNull())
            context.frames.push_back(item.image);
    context.frameMarginSize = RoundSetting(choices.frameSize);
    context.frameMarginColor = choices.frameColor;
    if (!choices.storedTexture.isNull())
        context.textures.push_back(choices.storedTexture);
    for (const NamedImage& item : repository.textureList)
        if (!item.image.isNull())
            context.textures.push_back(item.image);
    context.textureStrength = RoundSetting(choices.textureStrength);
    context.textureScale = choices.textureScale;
    context.brushAtlas = repository.sharedImage(&ImageRepository::templateMatchingBrushes);
    return context;
}

gfx::Image StartupTexture(ImageRepository& repository)
{
    repository.ensureLists();
    const std::vector<NamedImage>& textures = repository.textureList;
    return textures.size() > 1 ? textures[1].image : gfx::Image();
}

} // namespace pq
