#pragma once

#include "mesh/PointerHash.h"
#include "mesh/Prefetch.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

class CFace3d;

// A face's slots: up to four in place, which is all that most faces ever hold (one candidate
// per edge and one more), and more in a heap block. A lookup then reads the table's line alone.
class CFaceSlotList
{
public:
  CFaceSlotList() = default;
  CFaceSlotList(const CFaceSlotList&) = delete;
  CFaceSlotList& operator=(const CFaceSlotList&) = delete;
  CFaceSlotList(CFaceSlotList&& other) noexcept { Take(other); }
  CFaceSlotList& operator=(CFaceSlotList&& other) noexcept
  {
    if (this != &other) {
      Free();
      Take(other);
    }
    return *this;
  }
  ~CFaceSlotList() { Free(); }

  const int* begin() const { return Data(); }
  const int* end() const { return Data() + m_Size; }
  int size() const { return static_cast<int>(m_Size); }
  bool empty() const { return m_Size == 0; }
  // Keeps its storage, for the next slots of a face at the same address.
  void clear() { m_Size = 0; }

  void push_back(int slot)
  {
    if (m_Size == m_Capacity)
      Grow();
    Data()[m_Size++] = slot;
  }

  // Removes the slots that remove(slot) accepts, the others keeping their order; remove is
  // asked once per slot, in order, so that it may act on the slots it keeps.
  template <class Remove>
  void EraseIf(Remove remove)
  {
    int* p = Data();
    std::uint32_t kept = 0;
    for (std::uint32_t i = 0; i < m_Size; i++)
      if (!remove(p[i]))
        p[kept++] = p[i];
    m_Size = kept;
  }

private:
  static constexpr std::uint32_t kInPlace = 4;

  bool IsInPlace() const { return m_Capacity == kInPlace; }
  int* Data() { return IsInPlace() ? m_In : m_pHeap; }
  const int* Data() const { return IsInPlace() ? m_In : m_pHeap; }

  void Grow()
  {
    const std::uint32_t capacity = 2 * m_Capacity;
    int* pNew = new int[capacity];
    std::copy(Data(), Data() + m_Size, pNew);
    Free();
    m_pHeap = pNew;
    m_Capacity = capacity;
  }
  void Free()
  {
    if (!IsInPlace())
      delete[] m_pHeap;
    m_Capacity = kInPlace;
  }
  void Take(CFaceSlotList& other)
  {
    m_Size = other.m_Size;
    m_Capacity = other.m_Capacity;
    if (other.IsInPlace())
      std::copy(other.m_In, other.m_In + other.m_Size, m_In);
    else
      m_pHeap = other.m_pHeap;
    other.m_Capacity = kInPlace;
    other.m_Size = 0;
  }

  std::uint32_t m_Size = 0;
  std::uint32_t m_Capacity = kInPlace;
  union
  {
    int m_In[kInPlace];
    int* m_pHeap;
  };
};

// The slots of the candidates on each face: open addressing on the face's address, so that a
// lookup reads one line instead of walking a bucket's chain. A face once entered keeps its
// place; forgetting it empties its list (which keeps its storage for a face at the same address).
class CFaceSlotTable
{
public:
  // The face's list; null when the face was never entered (an empty list after Forget).
  const CFaceSlotList* Find(const CFace3d* pFace) const
  {
    if (!pFace || m_Entries.empty())
      return nullptr;
    const SEntry& entry = m_Entries[Probe(pFace)];
    return entry.pFace == pFace ? &entry.list : nullptr;
  }
  CFaceSlotList* Find(const CFace3d* pFace)
  {
    return const_cast<CFaceSlotList*>(std::as_const(*this).Find(pFace));
  }

  // Starts loading the line where the face's entry lies, most often its home.
  void Prefetch(const CFace3d* pFace) const
  {
    if (!m_Entries.empty())
      PrefetchLine(&m_Entries[PointerHome(pFace) & (m_Entries.size() - 1)]);
  }

  // The face's list, entered empty when new.
  CFaceSlotList& At(const CFace3d* pFace)
  {
    if (2 * (m_Used + 1) > m_Entries.size())
      Grow();
    SEntry& entry = m_Entries[Probe(pFace)];
    if (!entry.pFace) {
      entry.pFace = pFace;
      m_Used++;
    }
    return entry.list;
  }

  // Room for n faces in all, so that entering them moves no entry.
  void Reserve(std::size_t n)
  {
    std::size_t size = m_Entries.empty() ? 64 : m_Entries.size();
    while (size < 2 * (n + 1))
      size *= 2;
    if (size > m_Entries.size())
      Rehash(size);
  }

  void Forget(const CFace3d* pFace)
  {
    if (CFaceSlotList* pSlots = Find(pFace))
      pSlots->clear();
  }

  void Clear()
  {
    m_Entries.clear();
    m_Used = 0;
  }

private:
  // 32 bytes: two entries to a cache line.
  struct SEntry
  {
    const CFace3d* pFace = nullptr;
    CFaceSlotList list;
  };

  // The face's entry, or the empty one where it would go.
  std::size_t Probe(const CFace3d* pFace) const
  {
    const std::size_t mask = m_Entries.size() - 1;
    std::size_t i = PointerHome(pFace) & mask;
    while (m_Entries[i].pFace && m_Entries[i].pFace != pFace)
      i = (i + 1) & mask;
    return i;
  }

  void Grow() { Rehash(m_Entries.empty() ? 64 : 2 * m_Entries.size()); }

  void Rehash(std::size_t size)
  {
    std::vector<SEntry> old = std::move(m_Entries);
    m_Entries.clear();
    m_Entries.resize(size);
    for (SEntry& entry : old)
      if (entry.pFace)
        m_Entries[Probe(entry.pFace)] = std::move(entry);
  }

  std::vector<SEntry> m_Entries;
  std::size_t m_Used = 0;
};
