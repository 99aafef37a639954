#include "compression/GateStreamBits.h"

#include <array>
#include <bit>

namespace {

// Each byte with its bit order reversed.
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

// The word with its 32 bits in reverse order: the low bit, written first, becomes the high one.
std::uint32_t Reverse(std::uint32_t w)
{
  return (std::uint32_t{Reversed[w & 0xffu]} << 24) | (std::uint32_t{Reversed[(w >> 8) & 0xffu]} << 16) |
         (std::uint32_t{Reversed[(w >> 16) & 0xffu]} << 8) | std::uint32_t{Reversed[w >> 24]};
}

} // namespace

void CGateStreamBits::WriteWordFloat(float value)
{
  WriteWord(std::bit_cast<std::uint32_t>(value));
}

void CGateStreamBits::WriteWords(const std::uint32_t* words, std::size_t n)
{
  // The bits of the partial byte (its high 7 - m_BitIndex bits) and then each reversed word
  // run through a 64-bit accumulator that hands out whole bytes; fewer than 8 bits stay.
  int pending = 7 - static_cast<int>(m_BitIndex);
  std::uint64_t acc = (m_Buffer & 0xffu) >> (m_BitIndex + 1);
  const std::size_t start = m_Bytes.size();
  m_Bytes.resize(start + 4 * n);
  std::uint8_t* out = m_Bytes.data() + start;
  for (std::size_t i = 0; i < n; i++) {
    acc = (acc << 32) | Reverse(words[i]);
    const int shift = pending;
    out[0] = static_cast<std::uint8_t>(acc >> (shift + 24));
    out[1] = static_cast<std::uint8_t>(acc >> (shift + 16));
    out[2] = static_cast<std::uint8_t>(acc >> (shift + 8));
    out[3] = static_cast<std::uint8_t>(acc >> shift);
    out += 4;
  }
  const std::uint32_t low = static_cast<std::uint32_t>(acc & ((1u << pending) - 1));
  m_Buffer = pending == 0 ? 0 : low << (8 - pending);
  m_TotalBits += static_cast<std::uint32_t>(32 * n);
}
