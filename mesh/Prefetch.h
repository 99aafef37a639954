#pragma once

// Asks for the cache line at p (null or not: a prefetch never faults). Written as the
// instruction on x86-64: GCC takes a function holding only the builtin for one without
// effects, and where such a helper is not inlined its calls are dropped.
[[gnu::always_inline]] inline void PrefetchLine(const void* p)
{
#if defined(__x86_64__)
  asm volatile("prefetcht0 (%0)" : : "r"(p));
#else
  __builtin_prefetch(p);
#endif
}
