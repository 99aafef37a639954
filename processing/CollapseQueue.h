#pragma once

#include "processing/QuadHeap.h"

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

// The candidates of a greedy simplification, cheapest first; among equal keys the lower order
// (the position at which a scan of the candidates in their own order would meet them) wins,
// so that the queue picks exactly what that scan would.
//
// Entries are lazy: a candidate whose key changes is pushed again and its older entries are
// dropped when they come up, because the caller's test says they are no longer current. A
// candidate that is current but cannot be used now is set aside as blocked until the caller,
// after an edit around it, hands it back (Unblock); it costs nothing while it waits.
//
// The order names the candidate: each order belongs to one candidate until Clear. Setting
// aside or handing back is an index away, in a table of the orders.
//
// With a key of eight bytes, an entry holds only the key and the order, in sixteen bytes; the
// table keeps, per order, the candidate, whether it waits, and whether the last key pushed
// still has its entry in the heap: pushing that key again adds nothing. (A second entry of the
// same key and order would come out right after the first, to be judged the same way: it could
// only cost time.)
//
// With a key of four bytes, the candidate fits in the entry's sixteen bytes beside the key and
// the order, and the table is touched only by the few candidates that are set aside: a queue of
// many cheap entries (one per half-edge) would otherwise pay a random access per push and per
// pop for what is nearly always "not waiting". Repeated pushes of one key then each add an
// entry.
template <class T, class Key>
class CCollapseQueue
{
  static constexpr bool kCarried = sizeof(Key) + sizeof(std::int32_t) + sizeof(T*) <= 16;

public:
  void Push(T* pItem, Key key, std::int64_t order)
  {
    if (key != key) {
      Unqueue(order);  // the key changed away from any pushed before
      return;  // a NaN never compares below anything: a scan would never choose it
    }
    if constexpr (kCarried) {
      if (!m_Waiting.empty())
        Forget(order);
      m_Heap.push({{pItem}, key, static_cast<std::int32_t>(order)});
      return;
    }
    SSlot& slot = SlotAt(order);
    if (slot.pItem == pItem && slot.queued && slot.lastKey == key && slot.waiting < 0)
      return;
    slot.pItem = pItem;
    Release(slot);
    slot.lastKey = key;
    slot.queued = true;
    m_Heap.push({{}, key, static_cast<std::int32_t>(order)});
  }

  // Whether SetAside may take the candidate at this key instead of a push: not when the key is a
  // NaN (a push drops it) or when an entry of this very key is in the heap already (a push adds
  // nothing, and that entry is judged when it comes up).
  int CanSetAside(const T* pItem, Key key, std::int64_t order) const
  {
    static_assert(!kCarried, "a carried entry has no table slot to remember its key");
    if (key != key)
      return 0;
    if (order >= 0 && static_cast<std::size_t>(order) < m_Slots.size()) {
      const SSlot& slot = m_Slots[static_cast<std::size_t>(order)];
      if (slot.pItem == pItem && slot.queued && slot.lastKey == key)
        return 0;
    }
    return 1;
  }
  // Blocks the candidate without an entry, as a push followed by a refusal when it came up
  // would leave it: for a caller that knows the refusal already (see CanSetAside).
  void SetAside(T* pItem, std::int64_t order)
  {
    SSlot& slot = SlotAt(order);
    slot.pItem = pItem;
    slot.queued = false;  // an entry of another key may wait in the heap, stale
    Block(slot, static_cast<std::int32_t>(order));
  }

  // The candidate's key changed and is neither pushed nor set aside (the candidate turned
  // unusable): a later push of the last key pushed must not be taken for one in the heap.
  void Unqueue(std::int64_t order)
  {
    if constexpr (!kCarried)
      if (order >= 0 && static_cast<std::size_t>(order) < m_Slots.size())
        m_Slots[static_cast<std::size_t>(order)].queued = false;
  }

  // Hands a blocked candidate back to the queue; nothing for one that is not blocked.
  void Unblock(T* pItem, Key key, std::int64_t order)
  {
    if (IsBlocked(pItem, order))
      Push(pItem, key, order);
  }

  // A candidate that is deleted must not stay blocked.
  void Forget(std::int64_t order)
  {
    if (order >= 0 && static_cast<std::size_t>(order) < m_Slots.size())
      Release(m_Slots[static_cast<std::size_t>(order)]);
  }

  // The cheapest candidate that is current (isCurrent(item, key), or isCurrent(item, key, order)
  // for callers whose items may be deleted while entries remain) and usable (isUsable(item)),
  // left in the queue; null when none is. Stale entries are dropped on the way, unusable
  // candidates blocked.
  template <class Current, class Usable>
  T* Top(Current isCurrent, Usable isUsable)
  {
    while (!m_Heap.empty()) {
      const SEntry top = m_Heap.top();
      if constexpr (kCarried) {
        if (!IsCurrent(isCurrent, top.pItem, top)) {
          m_Heap.pop();
          continue;
        }
        if (isUsable(top.pItem))
          return top.pItem;
        m_Heap.pop();
        SSlot& slot = SlotAt(top.order);
        slot.pItem = top.pItem;
        Block(slot, top.order);
        continue;
      }
      SSlot& slot = m_Slots[static_cast<std::size_t>(top.order)];
      if (!IsCurrent(isCurrent, slot.pItem, top)) {
        m_Heap.pop();
        Dropped(slot, top.key);
        continue;
      }
      if (T* pItem = TakeOrBlock(top, isUsable))
        return pItem;
    }
    return nullptr;
  }

  // Top for a caller that keeps each candidate's current key where isCurrentKey(key, order)
  // reads it: a stale entry is dropped on that one reading, without a look at the table. It
  // asks that every candidate whose key changes be pushed, set aside or told Unqueue before
  // the next Top, and that isUsable change no key but that of the candidate it is given; then
  // the table's record of the last key pushed is right whenever a push reads it.
  template <class CurrentKey, class Usable>
  T* TopByKey(CurrentKey isCurrentKey, Usable isUsable)
  {
    static_assert(!kCarried, "a carried entry names its candidate itself");
    while (!m_Heap.empty()) {
      const SEntry top = m_Heap.top();
      if (!isCurrentKey(top.key, top.order)) {
        m_Heap.pop();
        continue;
      }
      if (T* pItem = TakeOrBlock(top, isUsable))
        return pItem;
    }
    return nullptr;
  }

  // Drops every entry that TopByKey would drop when it came up (isCurrentKey as there), under
  // the same conditions on the caller: a queue whose keys change often fills up with such
  // entries, and each level of a large heap costs its pops a cache miss. Carried entries keep
  // no record in the table, so for them any key test that Top's isCurrent agrees with will do.
  template <class CurrentKey>
  void DropStale(CurrentKey isCurrentKey)
  {
    m_Heap.erase_if([&isCurrentKey](const SEntry& entry) {
      return !isCurrentKey(entry.key, entry.order);
    });
  }
  std::size_t GetSize() const { return m_Heap.size(); }
  int IsBlocked(const T* pItem, std::int64_t order) const
  {
    if (order < 0 || static_cast<std::size_t>(order) >= m_Slots.size())
      return 0;
    const SSlot& slot = m_Slots[static_cast<std::size_t>(order)];
    return slot.pItem == pItem && slot.waiting >= 0 ? 1 : 0;
  }
  // Few candidates wait at any time: callers skip their search for them when none does, and
  // otherwise compare against this short list instead of asking the queue for each.
  int HasBlocked() const { return m_Waiting.empty() ? 0 : 1; }
  std::vector<T*> GetBlocked() const
  {
    std::vector<T*> items;
    items.reserve(m_Waiting.size());
    for (const std::int32_t order : m_Waiting)
      items.push_back(m_Slots[static_cast<std::size_t>(order)].pItem);
    return items;
  }
  int IsEmpty() const { return m_Heap.empty() ? 1 : 0; }

  void Clear()
  {
    m_Heap.clear();
    m_Slots.clear();
    m_Waiting.clear();
  }

private:
  struct SItemless
  {
  };
  struct SCarried
  {
    T* pItem;
  };
  struct SEntry : std::conditional_t<kCarried, SCarried, SItemless>
  {
    Key key;
    std::int32_t order;
    // Cheaper, then earlier. No two candidates share an order, so entries of different
    // candidates never tie and any heap pops them in the same sequence.
    bool Before(const SEntry& other) const
    {
      if (key != other.key)
        return key < other.key;
      return order < other.order;
    }
  };

  struct SSlot
  {
    T* pItem = nullptr;
    Key lastKey{};
    std::int32_t waiting = -1;  // the position in m_Waiting, -1 when not blocked
    bool queued = false;        // whether an entry of lastKey is in the heap
  };

  // An entry left the heap: if it was of the last key pushed, none of that key is left (its
  // twins, if any, come out right after it and find the flag down already).
  static void Dropped(SSlot& slot, Key key)
  {
    if (slot.lastKey == key)
      slot.queued = false;
  }

  SSlot& SlotAt(std::int64_t order)
  {
    const auto i = static_cast<std::size_t>(order);
    if (i >= m_Slots.size())
      m_Slots.resize(i + 1);
    return m_Slots[i];
  }

  void Block(SSlot& slot, std::int32_t order)
  {
    if (slot.waiting >= 0)
      return;
    slot.waiting = static_cast<std::int32_t>(m_Waiting.size());
    m_Waiting.push_back(order);
  }

  // The candidate of the entry on top when it is usable, left in the queue; else the entry
  // leaves the heap, the candidate waits blocked, and null.
  template <class Usable>
  T* TakeOrBlock(const SEntry& top, Usable& isUsable)
  {
    SSlot& slot = m_Slots[static_cast<std::size_t>(top.order)];
    if (isUsable(slot.pItem))
      return slot.pItem;
    m_Heap.pop();
    Dropped(slot, top.key);
    Block(slot, top.order);
    return nullptr;
  }

  // Takes the candidate off the waiting list by moving the last one into its place.
  void Release(SSlot& slot)
  {
    if (slot.waiting < 0)
      return;
    const std::int32_t last = m_Waiting.back();
    m_Waiting[static_cast<std::size_t>(slot.waiting)] = last;
    m_Slots[static_cast<std::size_t>(last)].waiting = slot.waiting;
    m_Waiting.pop_back();
    slot.waiting = -1;
  }

  template <class Current>
  static bool IsCurrent(Current& isCurrent, T* pItem, const SEntry& entry)
  {
    if constexpr (std::is_invocable_v<Current&, T*, Key, std::int64_t>)
      return isCurrent(pItem, entry.key, entry.order);
    else
      return isCurrent(pItem, entry.key);
  }

  CQuadHeap<SEntry> m_Heap;
  std::vector<SSlot> m_Slots;
  std::vector<std::int32_t> m_Waiting;
};
