#pragma once

#include "mesh/PointerHash.h"
#include "mesh/Prefetch.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// A map from addresses to values for scratch work that is emptied again and again: open
// addressing in one flat array, and emptying only moves a stamp, so that a small batch costs
// neither an allocation per entry nor a pass over the whole table.
template <class Value>
class CPointerStampMap
{
public:
  // Forgets every entry; the memory stays for the next batch, unless the last batch was a
  // large one: a small batch in a large table would find each entry in a cache line of its own.
  void Clear()
  {
    if (m_Slots.size() > kLargest && 16 * m_Count < m_Slots.size()) {
      std::vector<SSlot>(kLargest).swap(m_Slots);
      m_Stamp = 1;
      m_Count = 0;
      return;
    }
    m_Count = 0;
    if (++m_Stamp != 0)
      return;
    // The stamp wrapped: the older entries would look current again.
    for (SSlot& slot : m_Slots)
      slot.stamp = 0;
    m_Stamp = 1;
  }

  // The entry of the key, made with a value of Value{} when absent (*pAdded says which); the
  // pointer holds until the next Find or Clear.
  Value* Find(const void* key, bool* pAdded)
  {
    if (2 * (m_Count + 1) > m_Slots.size())
      Grow();
    const std::size_t mask = m_Slots.size() - 1;
    for (std::size_t i = PointerHome(key) & mask;; i = (i + 1) & mask) {
      SSlot& slot = m_Slots[i];
      if (slot.stamp != m_Stamp) {
        slot.stamp = m_Stamp;
        slot.key = key;
        slot.value = Value{};
        m_Count++;
        *pAdded = true;
        return &slot.value;
      }
      if (slot.key == key) {
        *pAdded = false;
        return &slot.value;
      }
    }
  }

  // The entry of the key; null when absent.
  Value* FindExisting(const void* key)
  {
    if (m_Slots.empty())
      return nullptr;
    const std::size_t mask = m_Slots.size() - 1;
    for (std::size_t i = PointerHome(key) & mask;; i = (i + 1) & mask) {
      SSlot& slot = m_Slots[i];
      if (slot.stamp != m_Stamp)
        return nullptr;
      if (slot.key == key)
        return &slot.value;
    }
  }

  // Asks for the line of the key's home slot ahead of a Find or FindExisting of it.
  void Prefetch(const void* key) const
  {
    if (!m_Slots.empty())
      PrefetchLine(&m_Slots[PointerHome(key) & (m_Slots.size() - 1)]);
  }

  std::size_t Size() const { return m_Count; }
  std::size_t Capacity() const { return m_Slots.size(); }

private:
  static constexpr std::size_t kLargest = 4096;

  struct SSlot
  {
    const void* key = nullptr;
    std::uint32_t stamp = 0;
    Value value{};
  };

  void Grow()
  {
    std::vector<SSlot> old(m_Slots.empty() ? 64 : 2 * m_Slots.size());
    old.swap(m_Slots);
    const std::size_t mask = m_Slots.size() - 1;
    for (const SSlot& slot : old) {
      if (slot.stamp != m_Stamp)
        continue;
      std::size_t i = PointerHome(slot.key) & mask;
      while (m_Slots[i].stamp == m_Stamp)
        i = (i + 1) & mask;
      m_Slots[i] = slot;
    }
  }

  std::vector<SSlot> m_Slots;
  std::size_t m_Count = 0;
  std::uint32_t m_Stamp = 1;
};
