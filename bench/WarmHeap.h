#pragma once

#include <cstdlib>
#include <malloc.h>

// No block of the runs goes to its own mapping nor back to the system between runs (32 MB is
// glibc's largest mapping threshold), for our coder and the library's alike: otherwise whether
// a decoded mesh's pages are faulted in again depends on unrelated allocations in the process.
// ORVANE_COLD_HEAP=1 leaves glibc's defaults, to compare.
inline void KeepHeapWarm()
{
  static const bool s_Done = [] {
    const char* cold = std::getenv("ORVANE_COLD_HEAP");
    if (cold && cold[0] == '1')
      return false;
    return mallopt(M_MMAP_THRESHOLD, 32 << 20) && mallopt(M_TRIM_THRESHOLD, 1 << 30);
  }();
  (void)s_Done;
}
