#pragma once

#include <algorithm>
#include <cstring>

// A neighbour list of a quad vertex: element pointers, the first kRoom of them inside the list
// itself, where a vertex of the common valence keeps all of them. A longer list moves to a
// heap block whose address takes the room's place, and comes back to the room when emptied.
// 40 bytes: a subdivision step creates millions of vertices, and each byte is one it faults in.
template <class T>
class CQuadNeighborList
{
public:
  static constexpr int kRoom = 4;

  CQuadNeighborList() = default;
  ~CQuadNeighborList() { FreeBlock(); }

  CQuadNeighborList(const CQuadNeighborList&) = delete;
  CQuadNeighborList& operator=(const CQuadNeighborList&) = delete;

  int GetSize() const { return m_Size; }
  int GetMaxSize() const { return m_MaxSize; }
  T* GetAt(int i) const { return GetData()[i]; }
  T* operator[](int i) const { return GetAt(i); }
  T** GetData() { return IsSpilled() ? m_pBlock : m_Room; }
  T* const* GetData() const { return IsSpilled() ? m_pBlock : m_Room; }

  int IndexFrom(const T* p) const
  {
    T* const* data = GetData();
    for (int i = 0; i < m_Size; i++)
      if (data[i] == p)
        return i;
    return -1;
  }
  // Appends p unless listed already.
  void AddUnique(T* p)
  {
    if (IndexFrom(p) >= 0)
      return;
    SetSize(m_Size + 1);
    GetData()[m_Size - 1] = p;
  }
  void RemoveAll() { SetSize(0); }
  // Sizes the list to n entries, keeping its storage when it is large enough. The entries are
  // left as they are: the caller writes all n.
  T** Resize(int n)
  {
    if (n <= 0 || n > m_MaxSize) {
      RemoveAll();
      SetSize(n);
    }
    m_Size = std::max(n, 0);
    return GetData();
  }
  // New entries are null.
  void SetSize(int n);

private:
  bool IsSpilled() const { return m_MaxSize > kRoom; }
  void FreeBlock()
  {
    if (IsSpilled())
      delete[] m_pBlock;
  }

  int m_Size = 0;
  int m_MaxSize = kRoom;
  union {
    T* m_Room[kRoom] = {};
    T** m_pBlock;
  };
};

template <class T>
void CQuadNeighborList<T>::SetSize(int n)
{
  if (n <= 0) {
    FreeBlock();
    std::fill_n(m_Room, kRoom, nullptr);
    m_Size = 0;
    m_MaxSize = kRoom;
    return;
  }
  if (n > m_MaxSize) {
    // Grown as the arrays of the mesh grow: by an eighth, at least 4 and at most 1024 entries.
    const int step = std::clamp(m_Size / 8, 4, 1024);
    const int max = std::max(n, m_MaxSize + step);
    T** block = new T*[max];  // allocated first: a failure leaves the list as it was
    std::memcpy(block, GetData(), static_cast<size_t>(m_Size) * sizeof(T*));
    FreeBlock();
    m_pBlock = block;
    m_MaxSize = max;
  }
  if (n > m_Size)
    std::fill(GetData() + m_Size, GetData() + n, nullptr);
  m_Size = n;
}
