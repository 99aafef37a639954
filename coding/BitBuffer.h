#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <ostream>

namespace bitorder {

constexpr std::array<std::uint8_t, 256> MakeReversedBytes()
{
  std::array<std::uint8_t, 256> table{};
  for (int v = 0; v < 256; v++) {
    int r = 0;
    for (int bit = 0; bit < 8; bit++)
      r |= ((v >> bit) & 1) << (7 - bit);
    table[v] = static_cast<std::uint8_t>(r);
  }
  return table;
}

inline constexpr std::array<std::uint8_t, 256> ReversedBytes = MakeReversedBytes();

} // namespace bitorder

// The one-byte bit buffer in front of every bit file. Bits fill a byte from its most
// significant bit down; the total counts every bit written or read, pad bits and whole
// range-coded bytes included, and is what every coder reports as its size.
class CBitBuffer
{
public:
  CBitBuffer();
  virtual ~CBitBuffer() = default;

  virtual std::uint16_t ClassId() const;
  virtual bool IsA(unsigned int id) const;
  virtual std::unique_ptr<CBitBuffer> Clone() const;
  virtual int IsValid() const;
  virtual std::ostream& Dump(std::ostream& out) const;

  // Sets (1) or clears (0) the current bit; any other value leaves the buffer as it is.
  void SetBit(unsigned int bit)
  {
    if (bit == 0)
      m_Buffer &= ~m_Mask;
    else if (bit == 1)
      m_Buffer |= m_Mask;
  }

  // Moves to the next bit; 1 when the byte is complete (and the position back at bit 7).
  int Advance()
  {
    m_TotalBits++;
    if (m_BitIndex > 0) {
      m_BitIndex--;
      m_Mask >>= 1;
      return 0;
    }
    ResetMask();
    return 1;
  }

  // The low k bits of value (k from 0 to 8) in reverse order: fields go least significant
  // bit first, while a byte fills from its most significant bit.
  static std::uint32_t ReverseBits(std::uint32_t value, int k)
  {
    return static_cast<std::uint32_t>(bitorder::ReversedBytes[value & ((1u << k) - 1)]) >> (8 - k);
  }

  std::uint32_t GetTotalBits() const { return m_TotalBits; }
  std::uint32_t GetBitIndex() const { return m_BitIndex; }

  void ResetMask()
  {
    m_BitIndex = 7;
    m_Mask = 0x80;
  }
  void ClearBuffer() { m_Buffer = 0; }
  void ClearTotal() { m_TotalBits = 0; }

protected:
  CBitBuffer(const CBitBuffer&) = default;
  CBitBuffer& operator=(const CBitBuffer&) = default;

  // The stream of a bit file: one owner, closed with the file object.
  struct CFileCloser
  {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };
  using FilePtr = std::unique_ptr<std::FILE, CFileCloser>;

  // The part of the printout that both bit files add after the buffer's own.
  static std::ostream& DumpStream(std::ostream& out, const void* stream, int owner);

  std::uint32_t m_Buffer;
  std::uint32_t m_BitIndex;
  std::uint32_t m_Mask;
  std::uint32_t m_TotalBits;
};
