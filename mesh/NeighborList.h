#pragma once

#include "mesh/ElementRef.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>

// The neighbour list of a vertex (its vertices or its faces), with the interface of CArray3d
// that the adjacency code uses. Entries are 32-bit references relative to the list
// (mesh/ElementRef.h). The room holds the common valence inline; a longer list, or one that
// names an element out of reach, keeps full pointers in a heap block instead. The block grows
// as CArray3d's storage grows, so that a list sized at once and a list grown an entry at a time
// end alike, and the list goes back to its room when emptied. A spilled list keeps its block's
// address and capacity in the room, marked by a first entry that no element can have (the
// reference to the list's own second entry): a vertex holds two lists, and every word counts.
template <class T>
class CNeighborList
{
public:
  static constexpr int kRoom = 6;

  CNeighborList() {}  // user-provided: a const owner needs no initialiser of its own
  ~CNeighborList() { FreeSpill(); }

  CNeighborList(const CNeighborList&) = delete;
  CNeighborList& operator=(const CNeighborList&) = delete;

  int GetSize() const { return m_Size; }
  int GetMaxSize() const { return IsSpilled() ? m_Room[1] : kRoom; }
  int GetRoom() const { return kRoom; }
  // 1 when the entries live in the heap block rather than in the room.
  int IsSpilled() const { return m_Room[0] == kSpilled ? 1 : 0; }

  T* GetAt(int i) const { return IsSpilled() ? Spill()[i] : Decode(m_Room[i]); }
  T* operator[](int i) const { return GetAt(i); }

  void SetAt(int i, T* p)
  {
    if (IsSpilled()) {
      Spill()[i] = p;
      return;
    }
    std::int32_t code = 0;
    if (Encode(p, &code)) {
      m_Room[i] = code;
      return;
    }
    Widen(kRoom);
    Spill()[i] = p;
  }

  void SetAtGrow(int i, T* p)
  {
    if (i >= m_Size)
      SetSize(i + 1);
    SetAt(i, p);
  }

  // Within the storage an addition only writes the entry: no resize, no clearing first.
  int Add(T* p)
  {
    const int index = m_Size;
    if (IsSpilled()) {
      if (index < m_Room[1]) {
        Spill()[index] = p;
        m_Size = index + 1;
        return index;
      }
    } else if (index < kRoom && Encode(p, &m_Room[index])) {
      m_Size = index + 1;
      return index;
    }
    SetAtGrow(index, p);
    return index;
  }

  // The list becomes the n elements at(0) .. at(n - 1), in order, with the storage that
  // SetSize(n) and n calls of SetAt leave: for a caller that writes whole lists, without the
  // per-entry checks of SetAt.
  template <class At>
  void Assign(int n, At at);
  // Assign, for a caller that knows every element is null or in reach of the list
  // (elementref::EncodeInReach): the room is written without a check per entry, to the same
  // storage.
  template <class At>
  void AssignInReach(int n, At at)
  {
    if (n <= 0 || n > kRoom || IsSpilled()) {
      Assign(n, at);
      return;
    }
    m_Size = n;
    for (int i = 0; i < n; i++)
      m_Room[i] = elementref::EncodeInReach(this, at(i));
  }

  void SetSize(int n);
  void RemoveAt(int i, int n = 1);
  void RemoveAll() { SetSize(0); }

  int IndexFrom(const T* p) const;
  int Contains(const T* p) const { return IndexFrom(p) >= 0 ? 1 : 0; }
  int AddUnique(T* p) { return Contains(p) ? 1 : Add(p); }

  void Swap(int i, int j)
  {
    if (i == j)
      return;
    T* a = GetAt(i);
    SetAt(i, GetAt(j));
    SetAt(j, a);
  }

  // Deletes the elements listed, then empties the list.
  void DeleteAll()
  {
    for (int i = 0; i < m_Size; i++)
      delete GetAt(i);
    RemoveAll();
  }

  class const_iterator
  {
  public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = T*;
    using difference_type = std::ptrdiff_t;
    using pointer = T* const*;
    using reference = T*;

    const_iterator() = default;
    const_iterator(const CNeighborList* pList, int i) : m_pList(pList), m_i(i) {}
    T* operator*() const { return m_pList->GetAt(m_i); }
    const_iterator& operator++()
    {
      ++m_i;
      return *this;
    }
    const_iterator operator++(int)
    {
      const_iterator before = *this;
      ++m_i;
      return before;
    }
    bool operator==(const const_iterator& o) const { return m_i == o.m_i; }

  private:
    const CNeighborList* m_pList = nullptr;
    int m_i = 0;
  };
  const_iterator begin() const { return const_iterator(this, 0); }
  const_iterator end() const { return const_iterator(this, m_Size); }

private:
  // The reference to 8 bytes past the list's rounded address: inside the list, never an element.
  static constexpr std::int32_t kSpilled = 1;

  T* Decode(std::int32_t code) const { return elementref::Decode<T>(this, code); }
  bool Encode(const T* p, std::int32_t* pCode) const { return elementref::Encode(this, p, pCode); }

  // Moves the entries into a heap block of the given capacity (at least the size).
  void Widen(int capacity);

  // Spilled: entry 0 is kSpilled, entry 1 the capacity, entries 2 and 3 the block's address.
  T** Spill() const
  {
    T** block = nullptr;
    std::memcpy(&block, &m_Room[2], sizeof block);
    return block;
  }
  void SetSpill(T** block, int capacity)
  {
    m_Room[0] = kSpilled;
    m_Room[1] = capacity;
    std::memcpy(&m_Room[2], &block, sizeof block);
  }

  void FreeSpill()
  {
    if (IsSpilled())
      delete[] Spill();
    m_Room[0] = 0;
  }

  static_assert(kRoom >= 4, "a spilled list keeps three words in the room");
  std::int32_t m_Size = 0;
  std::int32_t m_Room[kRoom] = {};
};

template <class T>
void CNeighborList<T>::Widen(int capacity)
{
  T** block = new T*[capacity];  // allocated first: a failure leaves the list as it was
  for (int i = 0; i < m_Size; i++)
    block[i] = GetAt(i);
  if (capacity > m_Size)
    std::memset(block + m_Size, 0, static_cast<size_t>(capacity - m_Size) * sizeof(T*));
  FreeSpill();
  SetSpill(block, capacity);
}

template <class T>
template <class At>
void CNeighborList<T>::Assign(int n, At at)
{
  // Within the storage only the size changes: the entries SetSize would clear are all written.
  if (n > 0 && n <= GetMaxSize())
    m_Size = n;
  else
    SetSize(n);
  int i = 0;
  if (!IsSpilled()) {
    for (; i < n; i++) {
      T* p = at(i);
      if (!Encode(p, &m_Room[i])) {
        // As SetAt: the first element out of reach sends the list to a block of the room's size.
        Widen(kRoom);
        Spill()[i++] = p;
        break;
      }
    }
  }
  if (i >= n)
    return;
  T** block = Spill();
  for (; i < n; i++)
    block[i] = at(i);
}

template <class T>
void CNeighborList<T>::SetSize(int n)
{
  if (n <= 0) {
    FreeSpill();
    std::memset(m_Room, 0, sizeof m_Room);
    m_Size = 0;
    return;
  }
  if (n <= GetMaxSize()) {
    for (int i = m_Size; i < n; i++) {
      if (IsSpilled())
        Spill()[i] = nullptr;
      else
        m_Room[i] = 0;
    }
    m_Size = n;
    return;
  }
  // The growth of CArray3d, so that lists sized at once and lists grown an entry at a time end
  // with the same storage.
  int step = m_Size / 8;
  if (step < 4)
    step = 4;
  else if (step > 1024)
    step = 1024;
  const int max = GetMaxSize();
  Widen(n > max + step ? n : max + step);
  m_Size = n;
}

template <class T>
void CNeighborList<T>::RemoveAt(int i, int n)
{
  const int moved = m_Size - (i + n);
  if (moved > 0) {
    if (IsSpilled())
      std::memmove(Spill() + i, Spill() + i + n, static_cast<size_t>(moved) * sizeof(T*));
    else
      std::memmove(m_Room + i, m_Room + i + n, static_cast<size_t>(moved) * sizeof(std::int32_t));
  }
  m_Size -= n;
}

template <class T>
int CNeighborList<T>::IndexFrom(const T* p) const
{
  if (IsSpilled()) {
    T* const* block = Spill();
    for (int i = 0; i < m_Size; i++)
      if (block[i] == p)
        return i;
    return -1;
  }
  // Every entry of the room is in reach: an element out of reach is not listed.
  std::int32_t code = 0;
  if (!Encode(p, &code))
    return -1;
  for (int i = 0; i < m_Size; i++)
    if (m_Room[i] == code)
      return i;
  return -1;
}
