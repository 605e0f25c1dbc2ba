#include "engine/runtime/effect_api.h"

namespace pq {

platform::Random& RunRandom()
{
    if (platform::RunContext* run = platform::CurrentRunContext())
        return run->rng;
    thread_local platform::Random fallback(NextRunSeed());
    return fallback;
}

} // namespace pq
