#include "engine/effect_lock.h"
#include "engine/effect_runtime.h"
#include "engine/lut_cache.h"

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
