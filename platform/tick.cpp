#include "platform/tick.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

namespace platform {
namespace {

std::atomic<bool> gHasSource{false};
std::mutex gSourceMutex;
std::function<uint32_t()> gSource;

} // namespace

uint32_t TickMs()
{
    if (gHasSource.load(std::memory_order_acquire)) {
        std::lock_guard lock(gSourceMutex);
        if (gSource)
            return gSource();
    }
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<uint32_t>(ms);
}

void SetTickSource(std::function<uint32_t()> source)
{
    std::lock_guard lock(gSourceMutex);
    gSource = std::move(source);
    gHasSource.store(static_cast<bool>(gSource), std::memory_order_release);
}

void SleepMs(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace platform
