#include "scripting/script_host.h"

#include "engine/lut/lut_choice.h"

namespace pq {

ScriptHost::~ScriptHost() = default;

void ChooseScriptLUTFile(LUTChoice& choice, const QString& path)
{
    choice.filePath = path;
    choice.data.clear();
    choice.name.clear();
}

void ChooseScriptEmbeddedLUT(LUTChoice& choice, const QString& name)
{
    choice.filePath.clear();
    if (!choice.loadEmbeddedLUT(name))
        choice.initEmbeddedLUTs();
}

} // namespace pq
