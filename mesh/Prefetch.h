#pragma once

#include <cstddef>

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

// Asks for every cache line of the object ahead of its use: a mesh element straddles two or
// three lines, and the fields a later read needs may lie on any of them. Walks that know the
// elements a few steps before they read them issue these for a whole neighbourhood at once,
// so that the misses overlap instead of following one another.
template <class T>
void PrefetchWhole(const T* p)
{
  const char* bytes = reinterpret_cast<const char*>(p);
  for (std::size_t offset = 0; offset < sizeof(T); offset += 64)
    PrefetchLine(bytes + offset);
  PrefetchLine(bytes + sizeof(T) - 1);
}
