#include "platform/simd_state.h"

namespace platform {

void clearUpperSimdState()
{
#if defined(__x86_64__) || defined(__i386__)
    static const bool avx = __builtin_cpu_supports("avx");
    if (avx)
        asm volatile("vzeroupper");
#endif
}

} // namespace platform
