#pragma once

#include <cstdint>
#include <cstring>
#include <new>

// The growable array of element pointers that every list of the mesh model uses. It never
// constructs elements and destroys them only in DeleteAll. Accessors are unchecked: they
// are the most called operations of the system. An array may be given room of its owner's
// (the adjacency lists of a vertex): it spills to the heap only beyond that room and comes
// back to it when emptied, so the common short lists cost no allocation.
template <class T>
class CArray3d
{
public:
  CArray3d() = default;
  // pRoom must outlive the array.
  CArray3d(T** pRoom, int room) : m_pData(pRoom), m_MaxSize(room), m_Room(room), m_pRoom(pRoom) {}
  ~CArray3d() { FreeData(); }

  CArray3d(const CArray3d&) = delete;
  CArray3d& operator=(const CArray3d&) = delete;

  int GetSize() const { return m_Size; }
  int GetMaxSize() const { return m_MaxSize; }
  int GetGrowBy() const { return m_GrowBy; }
  // The entries that fit in the owner's room; 0 for a plain array.
  int GetRoom() const { return m_Room; }
  T* GetAt(int i) const { return m_pData[i]; }
  T* operator[](int i) const { return m_pData[i]; }
  T** GetData() const { return m_pData; }

  void SetAt(int i, T* p) { m_pData[i] = p; }

  void SetAtGrow(int i, T* p)
  {
    if (i >= m_Size)
      SetSize(i + 1);
    m_pData[i] = p;
  }

  int Add(T* p)
  {
    const int index = m_Size;
    SetAtGrow(index, p);
    return index;
  }

  void SetSize(int n, int growBy = -1);
  // Appends at(0) .. at(n - 1), the storage grown as SetSize grows it, each entry written once
  // (SetSize clears the entries it adds): for a caller that appends many at a time.
  template <class At>
  void Append(int n, At at);
  void InsertAt(int i, T* p, int n = 1);

  void RemoveAt(int i, int n = 1)
  {
    const int moved = m_Size - (i + n);
    if (moved > 0)
      std::memmove(m_pData + i, m_pData + i + n, static_cast<size_t>(moved) * sizeof(T*));
    m_Size -= n;
  }

  void RemoveAll() { SetSize(0); }

  int Contains(const T* p) const { return IndexFrom(p) >= 0 ? 1 : 0; }

  int IndexFrom(const T* p) const
  {
    for (int i = 0; i < m_Size; i++)
      if (m_pData[i] == p)
        return i;
    return -1;
  }

  int AddUnique(T* p) { return Contains(p) ? 1 : Add(p); }

  void Swap(int i, int j)
  {
    if (i == j)
      return;
    T* tmp = m_pData[i];
    m_pData[i] = m_pData[j];
    m_pData[j] = tmp;
  }

  // From any list of element pointers with GetSize and operator[] (a neighbour list too).
  template <class Source>
  void Copy(const Source& source)
  {
    const int n = source.GetSize();
    SetSize(n);
    for (int k = 0; k < n; k++)
      m_pData[k] = source[k];
  }

  void DeleteAll()
  {
    for (int i = 0; i < m_Size; i++) {
      if (m_pData[i]) {
        delete m_pData[i];
        m_pData[i] = nullptr;
      }
    }
    RemoveAll();
  }

private:
  // The capacity SetSize gives for n entries beyond the present one.
  int GrownMax(int n) const
  {
    int step = m_GrowBy;
    if (step == 0) {
      step = m_Size / 8;
      if (step < 4)
        step = 4;
      else if (step > 1024)
        step = 1024;
    }
    return n > m_MaxSize + step ? n : m_MaxSize + step;
  }

  void FreeData()
  {
    if (m_pData != m_pRoom)
      delete[] m_pData;
  }

  T** m_pData = nullptr;
  int m_Size = 0;
  int m_MaxSize = 0;
  int m_GrowBy = 0;
  int m_Room = 0;
  T** m_pRoom = nullptr;
};

template <class T>
void CArray3d<T>::SetSize(int n, int growBy)
{
  if (growBy != -1)
    m_GrowBy = growBy;

  if (n <= 0) {
    FreeData();
    m_pData = m_pRoom;
    m_Size = 0;
    m_MaxSize = m_Room;
    return;
  }
  if (!m_pData) {
    m_pData = new T*[n]();
    m_Size = m_MaxSize = n;
    return;
  }
  if (n <= m_MaxSize) {
    if (n > m_Size)
      std::memset(m_pData + m_Size, 0, static_cast<size_t>(n - m_Size) * sizeof(T*));
    m_Size = n;
    return;
  }

  const int newMax = GrownMax(n);
  T** data = new T*[newMax];  // allocated first: a failure leaves the array as it was
  std::memcpy(data, m_pData, static_cast<size_t>(m_Size) * sizeof(T*));
  std::memset(data + m_Size, 0, static_cast<size_t>(n - m_Size) * sizeof(T*));
  FreeData();
  m_pData = data;
  m_Size = n;
  m_MaxSize = newMax;
}

template <class T>
void CArray3d<T>::InsertAt(int i, T* p, int n)
{
  if (i < m_Size) {
    const int oldSize = m_Size;
    SetSize(m_Size + n);
    std::memmove(m_pData + i + n, m_pData + i, static_cast<size_t>(oldSize - i) * sizeof(T*));
    std::memset(m_pData + i, 0, static_cast<size_t>(n) * sizeof(T*));
  } else {
    SetSize(i + n);
  }
  for (int k = i; k < i + n; k++)
    m_pData[k] = p;
}

template <class T>
template <class At>
void CArray3d<T>::Append(int n, At at)
{
  if (n <= 0)
    return;
  const int size = m_Size;
  if (!m_pData) {
    m_pData = new T*[size + n];
    m_MaxSize = size + n;
  } else if (size + n > m_MaxSize) {
    const int newMax = GrownMax(size + n);
    T** data = new T*[newMax];  // allocated first: a failure leaves the array as it was
    std::memcpy(data, m_pData, static_cast<size_t>(size) * sizeof(T*));
    FreeData();
    m_pData = data;
    m_MaxSize = newMax;
  }
  for (int i = 0; i < n; i++)
    m_pData[size + i] = at(i);
  m_Size = size + n;
}
