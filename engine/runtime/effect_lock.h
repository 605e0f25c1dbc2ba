#pragma once

#include <cstdint>
#include <mutex>

namespace pq {

class EngineHost;

// The engine lock. It guards the test-and-set of runningEffect with
// the engine's record of which run owns it, the stop flag
// GEffectStopRequested and the LUT filter's parse cache. Re-entrant: the UI
// thread may take it again from a nested event loop. Hold it only for a few
// statements, never across a message box or a UI call.
extern std::recursive_mutex gEffectLock;

// Set by AbortProcessing at shut-down, cleared by every ProcessEffect call.
// Read and written under gEffectLock (the accessors take it).
bool EffectStopRequested();
void SetEffectStopRequested(bool value);

// Set when the window begins to shut down: ProcessEffect then starts
// nothing. Cleared by InitializeEngine and when a host is installed.
bool EngineShuttingDown();
void SetEngineShuttingDown(bool value);

// UI thread. When no full run works (runningEffect is -1), records
// runId as the owner, sets runningEffect := number and returns true;
// otherwise returns false and stores the running number in *running.
bool TryTakeBusy(EngineHost& host, int number, uint64_t runId, int* running);

// UI thread. Ends the busy state only when runId still owns it; the number
// shown becomes -1 only if it is still `number`.
void ReleaseBusy(EngineHost& host, int number, uint64_t runId);

// The run that owns the busy state; 0 when none.
uint64_t BusyOwner();

} // namespace pq
