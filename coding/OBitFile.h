#pragma once

#include "coding/BitBuffer.h"

// Output bit file: bit fields packed into bytes, and whole bytes of the range coder
// written at byte boundaries of the same file.
class COBitFile : public CBitBuffer
{
public:
  // Creates or truncates the file. IsValid tells whether it could be opened.
  explicit COBitFile(const char* fileName);
  ~COBitFile() override = default;

  // A stream has one owner: a bit file is neither copied nor cloned.
  COBitFile(const COBitFile&) = delete;
  COBitFile& operator=(const COBitFile&) = delete;

  std::uint16_t ClassId() const override;
  bool IsA(unsigned int id) const override;
  std::unique_ptr<CBitBuffer> Clone() const override;
  // 0 when the file could not be opened or a write failed.
  int IsValid() const override;
  std::ostream& Dump(std::ostream& out) const override;

  void PutBit(unsigned int bit)
  {
    SetBit(bit);
    if (Advance()) {
      WriteByte();
      ClearBuffer();
    }
  }

  // The low n bits of value (n from 0 to 32), least significant first.
  void WriteBits(std::uint32_t value, int n)
  {
    for (int i = 0; i < n && i < 32; i++)
      PutBit((value >> i) & 1);
  }

  void WriteFloat(float value);

  // Completes the current byte with pad bits; on a byte boundary that is a whole pad byte.
  void Flush(unsigned int padBit);
  void FlushStream();

  // A whole byte at a byte boundary: a partly written byte is first padded with zeros.
  void PutAlignedByte(std::uint8_t byte)
  {
    if (m_BitIndex < 7) {
      Flush(0);
      FlushStream();
    }
    Put(byte);
    m_TotalBits += 8;
  }

  void WriteByte() { Put(static_cast<std::uint8_t>(m_Buffer)); }

private:
  void Put(std::uint8_t byte)
  {
    if (m_pStream)
      putc_unlocked(byte, m_pStream.get());
  }

  FilePtr m_pStream;
  int m_Owner = 0;
};
