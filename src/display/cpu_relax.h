// cpu_relax(): the hint inside a loop that spins on another thread's flag, telling the core it is
// waiting. On x86 it is PAUSE, which keeps the spin from hogging the sibling hyperthread and from
// paying for a memory-order flush when the flag turns; on ARM64 it is YIELD; elsewhere (WebAssembly
// among them) there is no such hint and it does nothing. It never changes what the loop computes.
#pragma once

#if defined(__x86_64__) || defined(__i386__) || defined(_M_X64) || defined(_M_IX86)
#include <emmintrin.h>

inline void cpu_relax() { _mm_pause(); }
#elif defined(__aarch64__)
inline void cpu_relax() { __asm__ __volatile__("yield"); }
#else
inline void cpu_relax() {}
#endif
