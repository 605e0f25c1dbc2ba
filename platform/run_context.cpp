#include "platform/run_context.h"

namespace platform {
namespace {
thread_local RunContext* tCurrent = nullptr;
}

RunContext::~RunContext() = default;

RunContext* CurrentRunContext()
{
    return tCurrent;
}

void NoteOutOfMemory()
{
    if (tCurrent)
        tCurrent->outOfMemory.store(true, std::memory_order_relaxed);
}

ScopedRunContext::ScopedRunContext(RunContext* ctx) : previous_(tCurrent)
{
    tCurrent = ctx;
}

ScopedRunContext::~ScopedRunContext()
{
    tCurrent = previous_;
}

} // namespace platform
