#include "AllocationProbe.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<int> g_Probes{0};
std::atomic<std::size_t> g_Largest{0};

void* Allocate(std::size_t size)
{
  CAllocationProbe::Note(size);
  return std::malloc(size ? size : 1);
}
} // namespace

CAllocationProbe::CAllocationProbe()
{
  g_Largest = 0;
  g_Probes++;
}

CAllocationProbe::~CAllocationProbe()
{
  g_Probes--;
}

std::size_t CAllocationProbe::Largest() const
{
  return g_Largest;
}

void CAllocationProbe::Note(std::size_t size)
{
  if (g_Probes.load(std::memory_order_relaxed) == 0)
    return;
  std::size_t largest = g_Largest.load(std::memory_order_relaxed);
  while (size > largest && !g_Largest.compare_exchange_weak(largest, size)) {
  }
}

// The global operators of the suite, so that every container's request is seen. Aligned
// forms keep the library's own pair.
void* operator new(std::size_t size)
{
  if (void* p = Allocate(size))
    return p;
  throw std::bad_alloc();
}

void* operator new[](std::size_t size)
{
  return operator new(size);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
  return Allocate(size);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
  return Allocate(size);
}

void operator delete(void* p) noexcept
{
  std::free(p);
}

void operator delete[](void* p) noexcept
{
  std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
  std::free(p);
}

void operator delete[](void* p, std::size_t) noexcept
{
  std::free(p);
}

void operator delete(void* p, const std::nothrow_t&) noexcept
{
  std::free(p);
}

void operator delete[](void* p, const std::nothrow_t&) noexcept
{
  std::free(p);
}
