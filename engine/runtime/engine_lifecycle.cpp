#include "engine/runtime/effect_lock.h"
#include "engine/runtime/effect_runtime.h"
#include "engine/lut/lut_cache.h"

#include "platform/thread_pool.h"

namespace pq {

void InitializeEngine()
{
    platform::configureDefaultThreadPool();
    SetEngineShuttingDown(false);
}

void FinalizeEngine()
{
    platform::shutdownThreadPool();
    ClearLUTCache();
}

} // namespace pq
