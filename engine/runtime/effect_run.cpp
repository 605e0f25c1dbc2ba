#include "engine/runtime/effect_run.h"

#include "engine/runtime/effect_runtime.h"
#include "engine/runtime/engine_host.h"

#include <chrono>
#include <mutex>

namespace pq {
namespace {

std::atomic<uint64_t> gNextRunId{1};
std::atomic<int64_t> gFixedSeed{-1};

} // namespace

std::shared_ptr<EffectRunContext> EffectRunContext::begin(bool preview, int generation)
{
    auto run = std::make_shared<EffectRunContext>();
    run->fields = SharedFields();
    run->preview = preview;
    run->generation = generation;
    run->cancelEpoch = run->fields->cancel.epoch();
    run->runId = gNextRunId.fetch_add(1);
    const int64_t fixed = gFixedSeed.load();
    if (fixed >= 0)
        run->seed(uint32_t(fixed));
    else
        run->rng.setSeed(NextRunSeed());
    return run;
}

std::shared_ptr<EffectRunContext> EffectRunContext::begin(bool preview)
{
    return begin(preview, SharedFields()->previewGeneration.load());
}

bool EffectRunContext::isSuperseded() const
{
    return preview && fields && generation != fields->previewGeneration.load(std::memory_order_acquire);
}

bool EffectRunContext::isCancelled() const
{
    if (stopped_.load(std::memory_order_acquire))
        return true;
    if (!fields)
        return false;
    if (preview)
        return isSuperseded();
    return fields->cancel.epoch() != cancelEpoch;
}

EffectRunContext* CurrentRun()
{
    return dynamic_cast<EffectRunContext*>(platform::CurrentRunContext());
}

uint32_t NextRunSeed()
{
    static std::mutex mutex;
    static platform::Random sequence(static_cast<uint32_t>(
        std::chrono::steady_clock::now().time_since_epoch().count() ^
        std::chrono::system_clock::now().time_since_epoch().count()));
    std::lock_guard lock(mutex);
    return sequence.next();
}

void SetFixedRunSeed(int64_t seed)
{
    gFixedSeed.store(seed < 0 ? -1 : int64_t(uint32_t(seed)));
}

} // namespace pq
