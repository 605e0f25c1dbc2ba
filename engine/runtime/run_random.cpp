#include "engine/runtime/effect_api.h"

namespace pq {

platform::Random& RunRandom()
{
    if (platform::RunContext* run = platform::currentRunContext())
        return run->rng;
    thread_local platform::Random fallback(nextRunSeed());
    return fallback;
}

} // namespace pq
