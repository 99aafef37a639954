#pragma once

#include "mesh/PointerHash.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// A bit per address hash, set for each address inserted: an address whose bit is clear was
// never inserted. Asked before a set while the members are few among many addresses looked
// up, it turns almost every other address away with one load from a small table.
class CPointerFilter
{
public:
  CPointerFilter() = default;
  // Room for n addresses with about one false pass in 32.
  explicit CPointerFilter(std::size_t n)
  {
    std::size_t bits = 512;
    while (bits < 32 * n)
      bits *= 2;
    m_Bits.assign(bits / 64, 0);
    m_Mask = bits - 1;
  }

  int IsEmpty() const { return m_Bits.empty() ? 1 : 0; }

  void Insert(const void* p)
  {
    const std::size_t bit = PointerHome(p) & m_Mask;
    m_Bits[bit / 64] |= std::uint64_t{1} << (bit % 64);
  }

  bool MayContain(const void* p) const { return View().MayContain(p); }

  // The table by value, for a loop that stores pointers: the compiler would otherwise read
  // the table's address and mask again after every store.
  struct SView
  {
    const std::uint64_t* bits;
    std::size_t mask;
    bool MayContain(const void* p) const
    {
      const std::size_t bit = PointerHome(p) & mask;
      return ((bits[bit / 64] >> (bit % 64)) & 1) != 0;
    }
  };
  SView View() const { return SView{m_Bits.data(), m_Mask}; }

private:
  std::vector<std::uint64_t> m_Bits;
  std::size_t m_Mask = 0;
};
