#include "compression/GateStreamBits.h"

#include <algorithm>
#include <array>
#include <bit>

namespace {

// Each byte with its bit order reversed: the low bit of a chunk goes to the high bit first.
constexpr std::array<std::uint8_t, 256> MakeReversed()
{
  std::array<std::uint8_t, 256> table{};
  for (unsigned int i = 0; i < 256; i++) {
    unsigned int r = 0;
    for (int b = 0; b < 8; b++)
      if (i & (1u << b))
        r |= 0x80u >> b;
    table[i] = static_cast<std::uint8_t>(r);
  }
  return table;
}

constexpr std::array<std::uint8_t, 256> Reversed = MakeReversed();

} // namespace

void CGateStreamBits::WriteWord(std::uint32_t value)
{
  int left = 32;
  while (left > 0) {
    const int room = static_cast<int>(m_BitIndex) + 1;
    const int k = std::min(room, left);
    const std::uint32_t low = (1u << k) - 1;
    // Bit j of the chunk lands on bit m_BitIndex - j of the buffer.
    const int shift = 7 - static_cast<int>(m_BitIndex);
    const std::uint32_t bits = static_cast<std::uint32_t>(Reversed[value & low]) >> shift;
    const std::uint32_t mask = static_cast<std::uint32_t>(Reversed[low]) >> shift;
    m_Buffer = (m_Buffer & ~mask) | bits;
    m_TotalBits += static_cast<std::uint32_t>(k);
    value >>= k;
    left -= k;
    if (k == room) {
      WriteByte();
      ClearBuffer();
      ResetMask();
    } else {
      m_BitIndex -= static_cast<std::uint32_t>(k);
      m_Mask >>= k;
    }
  }
}

void CGateStreamBits::WriteWordFloat(float value)
{
  WriteWord(std::bit_cast<std::uint32_t>(value));
}
