#include "engine/runtime/effect_lock.h"

#include "engine/runtime/engine_host.h"

#include <atomic>

namespace pq {

std::recursive_mutex gEffectLock;

namespace {
bool gStopRequested = false;
std::atomic<bool> gShuttingDown{false};
uint64_t gBusyOwner = 0;
} // namespace

bool EffectStopRequested()
{
    std::lock_guard lock(gEffectLock);
    return gStopRequested;
}

void SetEffectStopRequested(bool value)
{
    std::lock_guard lock(gEffectLock);
    gStopRequested = value;
}

bool EngineShuttingDown()
{
    return gShuttingDown.load();
}

void SetEngineShuttingDown(bool value)
{
    gShuttingDown.store(value);
}

bool TryTakeBusy(EngineHost& host, int number, uint64_t runId, int* running)
{
    std::lock_guard lock(gEffectLock);
    const int current = host.runningEffect();
    if (current != -1) {
        if (running)
            *running = current;
        return false;
    }
    host.setRunningEffect(number);
    gBusyOwner = runId;
    return true;
}

void ReleaseBusy(EngineHost& host, int number, uint64_t runId)
{
    std::lock_guard lock(gEffectLock);
    if (gBusyOwner != runId || runId == 0)
        return;
    gBusyOwner = 0;
    if (host.runningEffect() == number)
        host.setRunningEffect(-1);
}

uint64_t BusyOwner()
{
    std::lock_guard lock(gEffectLock);
    return gBusyOwner;
}

} // namespace pq
