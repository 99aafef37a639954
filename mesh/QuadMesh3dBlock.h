#pragma once

#include <sys/mman.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <utility>

// Room for up to `capacity` elements of a quad mesh, taken in one allocation and handed out
// in order: a subdivision step creates its vertices and quads here instead of one heap object
// each. The block owns what it constructed and destroys it with itself; its untouched room
// costs no resident memory.
template <class T>
class CQuadMeshBlock
{
public:
  explicit CQuadMeshBlock(int capacity) : m_Capacity(capacity), m_MappedBytes(MappedBytes(capacity))
  {
    m_pData = m_MappedBytes ? Map(m_MappedBytes)
                            : std::allocator<T>().allocate(static_cast<size_t>(capacity));
  }
  ~CQuadMeshBlock()
  {
    for (int i = 0; i < m_Used; i++)
      std::destroy_at(m_pData + i);
    if (m_MappedBytes)
      ::munmap(m_pData, m_MappedBytes);
    else
      std::allocator<T>().deallocate(m_pData, static_cast<size_t>(m_Capacity));
  }

  CQuadMeshBlock(const CQuadMeshBlock&) = delete;
  CQuadMeshBlock& operator=(const CQuadMeshBlock&) = delete;

  // Constructs the next element; the caller sized the block for every element it makes.
  template <class... Args>
  T* Emplace(Args&&... args)
  {
    return std::construct_at(m_pData + m_Used++, std::forward<Args>(args)...);
  }

  // The room of element i, made or not: a step links elements before it makes them.
  T* Slot(int i) const { return m_pData + i; }
  // The index of the room p, made or not; -1 when p is no room of the block.
  int IndexOf(const T* p) const
  {
    const auto address = reinterpret_cast<std::uintptr_t>(p);
    const auto first = reinterpret_cast<std::uintptr_t>(m_pData);
    if (address < first || address >= first + sizeof(T) * static_cast<size_t>(m_Capacity))
      return -1;
    const size_t offset = address - first;
    return offset % sizeof(T) ? -1 : static_cast<int>(offset / sizeof(T));
  }

  bool Holds(const T* p) const
  {
    const auto address = reinterpret_cast<std::uintptr_t>(p);
    const auto first = reinterpret_cast<std::uintptr_t>(m_pData);
    return address >= first && address < first + sizeof(T) * static_cast<size_t>(m_Used);
  }

private:
  // Large blocks are mapped from the system in huge pages: a step fills its block front to
  // back at once, and faulting it in 4 KiB pages cost more than the step's arithmetic. Blocks
  // below the heap's own mapping threshold (32 MiB at most) come from the heap, which hands
  // out pages it holds already: fresh pages, huge or not, are zeroed by the kernel first, and
  // a huge one may wait for the kernel to compact memory.
  static constexpr size_t kMappedBytes = size_t{1} << 25;
  static constexpr size_t kHugePage = size_t{1} << 21;

  // 0 for a block small enough for the heap.
  static size_t MappedBytes(int capacity)
  {
    const size_t bytes = sizeof(T) * static_cast<size_t>(std::max(capacity, 0));
    return bytes < kMappedBytes ? 0 : (bytes + kHugePage - 1) / kHugePage * kHugePage;
  }

  static T* Map(size_t bytes)
  {
    void* p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
      throw std::bad_alloc();
    ::madvise(p, bytes, MADV_HUGEPAGE);  // a hint: without huge pages the block still works
    return static_cast<T*>(p);
  }

  T* m_pData = nullptr;
  int m_Capacity;
  size_t m_MappedBytes;
  int m_Used = 0;
};
