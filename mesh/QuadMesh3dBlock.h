#pragma once

#include <cstdint>
#include <memory>
#include <utility>

// Room for up to `capacity` elements of a quad mesh, taken in one allocation and handed out
// in order: a subdivision step creates its vertices and quads here instead of one heap object
// each. The block owns what it constructed and destroys it with itself; its untouched room
// costs no resident memory.
template <class T>
class CQuadMeshBlock
{
public:
  explicit CQuadMeshBlock(int capacity)
    : m_pData(std::allocator<T>().allocate(static_cast<size_t>(capacity))), m_Capacity(capacity)
  {
  }
  ~CQuadMeshBlock()
  {
    for (int i = 0; i < m_Used; i++)
      std::destroy_at(m_pData + i);
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

  bool Holds(const T* p) const
  {
    const auto address = reinterpret_cast<std::uintptr_t>(p);
    const auto first = reinterpret_cast<std::uintptr_t>(m_pData);
    return address >= first && address < first + sizeof(T) * static_cast<size_t>(m_Used);
  }

private:
  T* m_pData;
  int m_Capacity;
  int m_Used = 0;
};
