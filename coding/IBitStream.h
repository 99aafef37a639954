#pragma once

#include "coding/BitBuffer.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

// Input bit stream from memory. The buffer always holds the byte that the next bit comes
// from. Reading past the end gives 0 bits and bytes, and is remembered: IsPastEnd (and
// IsValid) tell a decoder that its input ran out, so that it stops instead of decoding zeros.
// GetRemainingBits lets a decoder check a count against what the stream can still hold
// before it allocates anything for it.
class CIBitStream : public CBitBuffer
{
public:
  explicit CIBitStream(std::vector<std::uint8_t> bytes);
  CIBitStream(const std::uint8_t* data, std::size_t size);
  ~CIBitStream() override = default;

  CIBitStream(const CIBitStream&) = delete;
  CIBitStream& operator=(const CIBitStream&) = delete;

  std::uint16_t ClassId() const override;
  bool IsA(unsigned int id) const override;
  std::unique_ptr<CBitBuffer> Clone() const override;
  // 0 when something was read past the end.
  int IsValid() const override;

  bool IsPastEnd() const { return m_PastEnd; }

  // Bits not yet taken, the rest of the buffered byte included.
  std::uint64_t GetRemainingBits() const
  {
    const std::uint64_t buffered = m_AtEnd ? 0 : m_BitIndex + 1;
    return buffered + 8 * static_cast<std::uint64_t>(m_Bytes.size() - m_Next);
  }

  // Reads the next byte into the buffer; 0 (and an empty buffer) at the end.
  int ReadByte()
  {
    if (m_Next >= m_Bytes.size()) {
      m_Buffer = 0;
      m_AtEnd = true;
      return 0;
    }
    m_Buffer = m_Bytes[m_Next++];
    return 1;
  }

  int CurrentBit() const { return (m_Buffer & m_Mask) == m_Mask ? 1 : 0; }

  int ReadBit()
  {
    const int bit = TakeBit();
    if (Advance())
      ReadByte();
    return bit;
  }

  // 0 only when this bit completed a byte and no further byte could be read.
  int GetBit(std::uint32_t& bit)
  {
    bit = static_cast<std::uint32_t>(TakeBit());
    if (Advance())
      return ReadByte();
    return 1;
  }

  // Up to n bits, least significant first; returns how many were taken. A field of up to 25
  // bits that the buffered byte and the four after it hold is taken from one window of them,
  // its bits reversed a byte at a time; others, and those near the end, bit group by bit group.
  int ReadBitsUpTo(std::uint32_t& value, int n)
  {
    if (n < 1 || n > 25 || m_AtEnd || m_Bytes.size() - m_Next < 4)
      return ReadBitsInGroups(value, n);
    const std::uint8_t* next = m_Bytes.data() + m_Next;
    // Bits of the buffered byte taken already; the window's top bit is the next one.
    const int used = 7 - static_cast<int>(m_BitIndex);
    const std::uint32_t window = (m_Buffer << 24 | std::uint32_t(next[0]) << 16 |
                                  std::uint32_t(next[1]) << 8 | next[2]) << used;
    const std::uint32_t field = window >> (32 - n) << (32 - n);
    value = std::uint32_t(bitorder::ReversedBytes[field >> 24]) |
            std::uint32_t(bitorder::ReversedBytes[(field >> 16) & 0xFF]) << 8 |
            std::uint32_t(bitorder::ReversedBytes[(field >> 8) & 0xFF]) << 16 |
            std::uint32_t(bitorder::ReversedBytes[field & 0xFF]) << 24;
    PassField(next, used, n);
    return n;
  }
  // The same for up to 64 bits: a field of up to 57 that the buffered byte and the eight after
  // it hold is taken from one 64-bit window, its bits reversed whole; others in fields of up
  // to 25 bits.
  int ReadLongBitsUpTo(std::uint64_t& value, int n)
  {
    if (n < 1 || n > 57 || m_AtEnd || m_Bytes.size() - m_Next < 8)
      return ReadLongBitsInFields(value, n);
    const std::uint8_t* next = m_Bytes.data() + m_Next;
    std::uint64_t ahead = 0;
    std::memcpy(&ahead, next, sizeof(ahead));
    const int used = 7 - static_cast<int>(m_BitIndex);
    const std::uint64_t window = (std::uint64_t(m_Buffer) << 56 | ToBigEndian(ahead) >> 8) << used;
    value = ReversedBits(window >> (64 - n) << (64 - n));
    PassField(next, used, n);
    return n;
  }
  // n bits; a short read is traced with the number of bits it got.
  std::uint32_t BReadBits(int n);
  float ReadFloat();
  double ReadDouble();
  // A sign bit (1 negative), then an n-bit magnitude.
  std::int32_t ReadSignedInt(int n);

  // A whole byte for the range decoder, after skipping the rest of a partly read byte.
  std::uint8_t GetAlignedByte()
  {
    if (m_BitIndex < 7) {
      while (!Advance()) {
      }
      ReadByte();
    }
    if (m_AtEnd)
      m_PastEnd = true;
    const auto byte = static_cast<std::uint8_t>(m_Buffer);
    ReadByte();
    m_TotalBits += 8;
    return byte;
  }

protected:
  // For the file: the bytes are read first, then the stream starts on them.
  CIBitStream() = default;
  void Begin(std::vector<std::uint8_t> bytes);

private:
  int ReadBitsInGroups(std::uint32_t& value, int n);
  int ReadLongBitsInFields(std::uint64_t& value, int n);
  // After a field of n bits taken from a window whose top `used` bits of the buffered byte were
  // taken before it: the field ends `end` bits below the buffered byte's top, and the whole
  // bytes passed are read.
  void PassField(const std::uint8_t* next, int used, int n)
  {
    const int end = used + n;
    const int passed = end >> 3;
    if (passed > 0) {
      m_Buffer = next[passed - 1];
      m_Next += static_cast<std::size_t>(passed);
    }
    m_BitIndex = static_cast<std::uint32_t>(7 - (end & 7));
    m_Mask = 1u << m_BitIndex;
    m_TotalBits += static_cast<std::uint32_t>(n);
  }

  // The eight bytes as read from memory, most significant first.
  static std::uint64_t ToBigEndian(std::uint64_t bytes)
  {
    return std::endian::native == std::endian::little ? __builtin_bswap64(bytes) : bytes;
  }
  // The 64 bits in the opposite order: the bytes' order, then each byte's bits.
  static std::uint64_t ReversedBits(std::uint64_t x)
  {
    x = __builtin_bswap64(x);
    x = (x >> 1 & 0x5555555555555555ull) | (x & 0x5555555555555555ull) << 1;
    x = (x >> 2 & 0x3333333333333333ull) | (x & 0x3333333333333333ull) << 2;
    return (x >> 4 & 0x0F0F0F0F0F0F0F0Full) | (x & 0x0F0F0F0F0F0F0F0Full) << 4;
  }

  int TakeBit()
  {
    if (m_AtEnd)
      m_PastEnd = true;
    return CurrentBit();
  }

  std::vector<std::uint8_t> m_Bytes;
  std::size_t m_Next = 0;
  bool m_AtEnd = false;   // the buffer holds no byte of the stream
  bool m_PastEnd = false; // a bit or byte was taken beyond the end
};
