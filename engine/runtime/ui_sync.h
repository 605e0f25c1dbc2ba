#pragma once

#include <functional>

namespace pq {

// Runs fn on the UI thread and waits for it (runs it at once on the UI
// thread). Raises EAbort when the UI is gone (the bridge has been shut
// down), so a worker stops instead of going on without its hand-back.
// Exceptions raised by fn reach the caller. Never call it from inside a
// parallel body.
void SyncWithUi(const std::function<void()>& fn);

// Queues fn for the UI thread without waiting (runs it at once on the UI
// thread). Dropped after shut-down.
void PostToUi(std::function<void()> fn);

} // namespace pq
