#pragma once

#include "coding/BitBuffer.h"

#include <vector>

// Output bit stream into memory: bit fields packed into bytes, and whole bytes of the range
// coder at byte boundaries. Coders encode into one and write the finished bytes out at once
// (WriteFile), so that what they cost is the coding, not the disk.
class COBitStream : public CBitBuffer
{
public:
  COBitStream() = default;
  ~COBitStream() override = default;

  COBitStream(const COBitStream&) = delete;
  COBitStream& operator=(const COBitStream&) = delete;

  std::uint16_t ClassId() const override;
  bool IsA(unsigned int id) const override;
  std::unique_ptr<CBitBuffer> Clone() const override;

  void PutBit(unsigned int bit)
  {
    SetBit(bit);
    if (Advance()) {
      WriteByte();
      ClearBuffer();
    }
  }

  // The low n bits of value (n from 0 to 32), least significant first; as many at once as
  // the current byte takes.
  void WriteBits(std::uint32_t value, int n)
  {
    if (n > 32)
      n = 32;
    while (n > 0) {
      const int room = static_cast<int>(m_BitIndex) + 1;
      const int k = n < room ? n : room;
      const int low = room - k;
      const std::uint32_t field = ((1u << k) - 1) << low;
      m_Buffer = (m_Buffer & ~field) | (ReverseBits(value, k) << low);
      m_TotalBits += static_cast<std::uint32_t>(k);
      value >>= k;
      n -= k;
      if (k < room) {
        m_BitIndex -= static_cast<std::uint32_t>(k);
        m_Mask >>= k;
        return;
      }
      ResetMask();
      WriteByte();
      ClearBuffer();
    }
  }

  void WriteFloat(float value);

  // Completes the current byte with pad bits; on a byte boundary that is a whole pad byte.
  void Flush(unsigned int padBit);
  // Hands the bytes so far to where the stream goes; nothing to do in memory.
  virtual void FlushStream() {}

  // A whole byte at a byte boundary: a partly written byte is first padded with zeros.
  void PutAlignedByte(std::uint8_t byte)
  {
    if (m_BitIndex < 7) {
      Flush(0);
      FlushStream();
    }
    m_Bytes.push_back(byte);
    m_TotalBits += 8;
  }

  void WriteByte() { m_Bytes.push_back(static_cast<std::uint8_t>(m_Buffer)); }

  // The complete bytes written so far (a partial byte is still in the buffer).
  const std::vector<std::uint8_t>& GetBytes() const { return m_Bytes; }
  // Writes the complete bytes to the file, over what it held and cut to their length; 1 on
  // success.
  int WriteFile(const char* fileName) const;

protected:
  std::vector<std::uint8_t> m_Bytes;
};
