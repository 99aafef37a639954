#pragma once

#include <sys/mman.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>
#include <type_traits>

// Uninitialised scratch arrays of trivial elements for the adjacency builds.
namespace scratch {

// Arrays of a megabyte or more are mapped from the system and unmapped after the build: from
// the heap, a large mesh's build would leave tens of bytes per vertex of freed heap resident
// beside the mesh.
inline constexpr std::size_t kMappedBytes = std::size_t{1} << 20;

struct SScratchRelease
{
  std::size_t mappedBytes = 0;
  void operator()(void* p) const
  {
    if (mappedBytes)
      ::munmap(p, mappedBytes);
    else
      std::free(p);
  }
};

template <class T>
using Buffer = std::unique_ptr<T[], SScratchRelease>;

template <class T>
inline Buffer<T> MakeBuffer(std::size_t n)
{
  static_assert(std::is_trivially_default_constructible_v<T> && std::is_trivially_destructible_v<T>);
  const std::size_t bytes = std::max<std::size_t>(n * sizeof(T), 1);
  if (bytes >= kMappedBytes) {
    void* p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p != MAP_FAILED)
      return Buffer<T>(static_cast<T*>(p), SScratchRelease{bytes});
  }
  void* p = std::malloc(bytes);
  if (!p)
    throw std::bad_alloc();
  return Buffer<T>(static_cast<T*>(p), SScratchRelease{});
}

} // namespace scratch
