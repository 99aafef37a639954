#pragma once

#include "mesh/Prefetch.h"

#include <cstddef>

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
