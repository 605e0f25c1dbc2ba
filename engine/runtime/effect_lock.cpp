#include "engine/runtime/effect_lock.h"

#include "engine/runtime/engine_host.h"

#include <atomic>

namespace pq {

std::recursive_mutex GEffectLock;

namespace {
bool gStopRequested = false;
std::atomic<bool> gShuttingDown{false};
uint64_t gBusyOwner = 0;
} // namespace

bool EffectStopRequested()
{
    std::lock_guard lock(GEffectLock);
    return gStopRequested;
}

void SetEffectStopRequested(bool value)
{
    std::lock_guard lock(GEffectLock);
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
    std::lock_guard lock(GEffectLock);
    const int current = host.FCurrentEffectNumber();
    if (current != -1) {
        if (running)
            *running = current;
        return false;
    }
    host.SetFCurrentEffectNumber(number);
    gBusyOwner = runId;
    return true;
}

void ReleaseBusy(EngineHost& host, int number, uint64_t runId)
{
    std::lock_guard lock(GEffectLock);
    if (gBusyOwner != runId || runId == 0)
        return;
    gBusyOwner = 0;
    if (host.FCurrentEffectNumber() == number)
        host.SetFCurrentEffectNumber(-1);
}

uint64_t BusyOwner()
{
    std::lock_guard lock(GEffectLock);
    return gBusyOwner;
}

} // namespace pq
