#pragma once

#include <cstdint>
#include <functional>

namespace platform {

// Milliseconds since an arbitrary start, 32 bits, wrapping.
uint32_t TickMs();

// Replaces the clock (tests); an empty function restores the real one.
void SetTickSource(std::function<uint32_t()> source);

// Blocks the calling thread.
void SleepMs(int ms);

} // namespace platform
