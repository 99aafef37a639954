#pragma once

#include "coding/BitBuffer.h"

// Input bit file. The buffer always holds the byte that the next bit comes from. Reading
// past the end of the file gives 0 bits and bytes, and is remembered: IsPastEnd (and
// IsValid) tell a decoder that its input ran out, so that it stops instead of decoding zeros.
class CIBitFile : public CBitBuffer
{
public:
  // Opens the file and reads its first byte. IsValid tells whether it could be opened.
  explicit CIBitFile(const char* fileName);
  ~CIBitFile() override = default;

  CIBitFile(const CIBitFile&) = delete;
  CIBitFile& operator=(const CIBitFile&) = delete;

  std::uint16_t ClassId() const override;
  bool IsA(unsigned int id) const override;
  std::unique_ptr<CBitBuffer> Clone() const override;
  // 0 when the file could not be opened or something was read past its end.
  int IsValid() const override;
  std::ostream& Dump(std::ostream& out) const override;

  bool IsPastEnd() const { return m_PastEnd; }

  // Reads the next byte into the buffer; 0 (and an empty buffer) at the end of the file.
  int ReadByte()
  {
    const int c = m_pStream ? getc_unlocked(m_pStream.get()) : EOF;
    if (c == EOF) {
      m_Buffer = 0;
      m_AtEnd = true;
      return 0;
    }
    m_Buffer = static_cast<std::uint32_t>(c);
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

  // Up to n bits, least significant first; returns how many were taken.
  int ReadBitsUpTo(std::uint32_t& value, int n);
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

private:
  int TakeBit()
  {
    if (m_AtEnd)
      m_PastEnd = true;
    return CurrentBit();
  }

  FilePtr m_pStream;
  int m_Owner = 0;
  bool m_AtEnd = false;   // the buffer holds no byte of the file
  bool m_PastEnd = false; // a bit or byte was taken beyond the end
};
