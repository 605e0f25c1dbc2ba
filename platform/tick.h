#pragma once

#include <cstdint>
#include <functional>

namespace platform {

// Milliseconds since an arbitrary start, 32 bits, wrapping.
uint32_t tickMs();

// Replaces the clock (tests); an empty function restores the real one.
void setTickSource(std::function<uint32_t()> source);

// Blocks the calling thread.
void sleepMs(int ms);

} // namespace platform
