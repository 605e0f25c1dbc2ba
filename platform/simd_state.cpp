#include "platform/simd_state.h"

namespace platform {

void ClearUpperSimdState()
{
#if defined(__x86_64__) || defined(__i386__)
    static const bool kAvx = __builtin_cpu_supports("avx");
    if (kAvx)
        asm volatile("vzeroupper");
#endif
}

} // namespace platform
