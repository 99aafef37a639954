#pragma once

#include "processing/QuadHeap.h"

#include <cstdint>
#include <type_traits>
#include <unordered_set>
#include <vector>

// The candidates of a greedy simplification, cheapest first; among equal keys the lower order
// (the position at which a scan of the candidates in their own order would meet them) wins,
// so that the queue picks exactly what that scan would.
//
// Entries are lazy: a candidate whose key changes is pushed again and its older entries are
// dropped when they come up, because the caller's test says they are no longer current. A
// candidate that is current but cannot be used now is set aside as blocked until the caller,
// after an edit around it, hands it back (Unblock); it costs nothing while it waits.
template <class T, class Key>
class CCollapseQueue
{
public:
  void Push(T* pItem, Key key, std::int64_t order)
  {
    if (key != key)
      return;  // a NaN never compares below anything: a scan would never choose it
    m_Blocked.erase(pItem);
    m_Heap.push({key, static_cast<std::int32_t>(order), pItem});
  }

  // Hands a blocked candidate back to the queue; nothing for one that is not blocked.
  void Unblock(T* pItem, Key key, std::int64_t order)
  {
    if (m_Blocked.erase(pItem))
      Push(pItem, key, order);
  }

  // A candidate that is deleted must not stay blocked: its address may come back.
  void Forget(const T* pItem) { m_Blocked.erase(const_cast<T*>(pItem)); }

  // The cheapest candidate that is current (isCurrent(item, key), or isCurrent(item, key, order)
  // for callers whose items may be deleted while entries remain) and usable (isUsable(item)),
  // left in the queue; null when none is. Stale entries are dropped on the way, unusable
  // candidates blocked.
  template <class Current, class Usable>
  T* Top(Current isCurrent, Usable isUsable)
  {
    while (!m_Heap.empty()) {
      const SEntry top = m_Heap.top();
      if (!IsCurrent(isCurrent, top)) {
        m_Heap.pop();
        continue;
      }
      if (isUsable(top.pItem))
        return top.pItem;
      m_Heap.pop();
      m_Blocked.insert(top.pItem);
    }
    return nullptr;
  }

  int IsBlocked(const T* pItem) const { return m_Blocked.count(const_cast<T*>(pItem)) ? 1 : 0; }
  // Few candidates wait at any time: callers skip their search for them when none does, and
  // otherwise compare against this short list instead of asking the queue for each.
  int HasBlocked() const { return m_Blocked.empty() ? 0 : 1; }
  std::vector<T*> GetBlocked() const { return {m_Blocked.begin(), m_Blocked.end()}; }
  int IsEmpty() const { return m_Heap.empty() ? 1 : 0; }

  void Clear()
  {
    m_Heap.clear();
    m_Blocked.clear();
  }

private:
  struct SEntry
  {
    Key key;
    std::int32_t order;
    T* pItem;
    // Cheaper, then earlier. No two candidates share an order, so entries of different
    // candidates never tie and any heap pops them in the same sequence.
    bool Before(const SEntry& other) const
    {
      if (key != other.key)
        return key < other.key;
      return order < other.order;
    }
  };

  template <class Current>
  static bool IsCurrent(Current& isCurrent, const SEntry& entry)
  {
    if constexpr (std::is_invocable_v<Current&, T*, Key, std::int64_t>)
      return isCurrent(entry.pItem, entry.key, entry.order);
    else
      return isCurrent(entry.pItem, entry.key);
  }

  CQuadHeap<SEntry> m_Heap;
  std::unordered_set<T*> m_Blocked;
};
