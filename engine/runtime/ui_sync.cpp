#include "engine/runtime/ui_sync.h"

#include "engine/runtime/effect_abort.h"
#include "platform/ui_bridge.h"

namespace pq {

void SyncWithUi(const std::function<void()>& fn)
{
    if (!platform::CurrentUiBridge().runSync(fn))
        throw EAbort();
}

void PostToUi(std::function<void()> fn)
{
    platform::CurrentUiBridge().post(std::move(fn));
}

} // namespace pq
