#include "engine/effect_runtime.h"
#include "engine/lut_cache.h"

#include "platform/thread_pool.h"

namespace pq {

void InitializeEngine()
{
    platform::configureDefaultThreadPool();
}

void FinalizeEngine()
{
    platform::shutdownThreadPool();
    ClearLUTCache();
}

} // namespace pq
