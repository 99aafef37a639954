#pragma once

#include <array>
#include <cstddef>
#include <vector>

// Room for `size` elements of a hot loop's scratch list: on the stack for the common sizes (a
// ring or the faces around a face's corners), on the heap beyond. Uninitialised until written.
template <class T, std::size_t N = 64>
class CShortScratch
{
public:
  explicit CShortScratch(int size)
  {
    if (size > static_cast<int>(N)) {
      m_Long.resize(static_cast<std::size_t>(size));
      m_pData = m_Long.data();
    }
  }
  CShortScratch(const CShortScratch&) = delete;
  CShortScratch& operator=(const CShortScratch&) = delete;

  T* Data() { return m_pData; }

private:
  std::array<T, N> m_Short;  // read only where written
  std::vector<T> m_Long;
  T* m_pData = m_Short.data();
};
