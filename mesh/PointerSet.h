#pragma once

#include "mesh/PointerHash.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// A set of addresses in one flat array (open addressing, linear probing, at most half full):
// adding costs no allocation of its own and a lookup reads one or two neighbouring slots, where
// a node-based set allocates a node per element and chases two pointers per lookup.
template <class T>
class CPointerSet
{
public:
  // 1 when p was not in the set yet; 0 for null, which is never a member.
  int Insert(const T* p)
  {
    if (!p)
      return 0;
    if (2 * (m_Count + 1) > m_Slots.size())
      Grow();
    const std::size_t i = Find(p);
    if (m_Slots[i] == p)
      return 0;
    m_Slots[i] = p;
    m_Count++;
    return 1;
  }

  int Contains(const T* p) const
  {
    if (!p || m_Count == 0)
      return 0;
    return m_Slots[Find(p)] == p ? 1 : 0;
  }

  std::size_t Size() const { return m_Count; }
  int IsEmpty() const { return m_Count == 0 ? 1 : 0; }

  // Empties the set and gives its memory back.
  void Clear()
  {
    std::vector<const T*>().swap(m_Slots);
    m_Count = 0;
  }

private:
  // The slot that holds p, or the empty slot where it would go.
  std::size_t Find(const T* p) const
  {
    const std::size_t mask = m_Slots.size() - 1;
    std::size_t i = PointerHome(p) & mask;
    while (m_Slots[i] && m_Slots[i] != p)
      i = (i + 1) & mask;
    return i;
  }

  void Grow()
  {
    std::vector<const T*> old(m_Slots.empty() ? 64 : 2 * m_Slots.size(), nullptr);
    old.swap(m_Slots);
    for (const T* p : old)
      if (p)
        m_Slots[Find(p)] = p;
  }

  std::vector<const T*> m_Slots;
  std::size_t m_Count = 0;
};
