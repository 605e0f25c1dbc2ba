#include "engine/runtime/effect_lock.h"
#include "engine/runtime/effect_runtime.h"
#include "engine/lut/lut_cache.h"

#include "platform/thread_pool.h"

namespace pq {

void InitializeEngine()
{
    platform::ConfigureDefaultThreadPool();
    SetEngineShuttingDown(false);
}

void FinalizeEngine()
{
    platform::ShutdownThreadPool();
    ClearLUTCache();
}

} // namespace pq
