#pragma once

// Hints to the processor for busy waits and memory that will be needed soon.

namespace platform {

// Eases a spin-wait's loop on the core and its sibling.
inline void Pause()
{
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

// Asks for the cache line holding p. Written as an instruction the compiler
// keeps: a plain prefetch builtin counts as free of side effects, so a helper
// made only of prefetches would be dropped.
inline void Prefetch(const void* p)
{
#if defined(__x86_64__) || defined(__i386__)
    asm volatile("prefetcht0 %0" : : "m"(*static_cast<const char*>(p)));
#else
    __builtin_prefetch(p);
#endif
}

// Asks for the cache line holding p, to be written.
inline void PrefetchForWrite(const void* p)
{
#if defined(__x86_64__) || defined(__i386__)
    asm volatile("prefetchw %0" : : "m"(*static_cast<const char*>(p)));
#else
    __builtin_prefetch(p, 1);
#endif
}

} // namespace platform
