#pragma once

#include "coding/OBitStream.h"

// Output bit file: the memory stream whose bytes go to a file, at each FlushStream and when
// the file object is destroyed (a partial byte still in the buffer is lost then).
class COBitFile : public COBitStream
{
public:
  // Creates or truncates the file. IsValid tells whether it could be opened.
  explicit COBitFile(const char* fileName);
  ~COBitFile() override;

  // A stream has one owner: a bit file is neither copied nor cloned.
  COBitFile(const COBitFile&) = delete;
  COBitFile& operator=(const COBitFile&) = delete;

  std::uint16_t ClassId() const override;
  bool IsA(unsigned int id) const override;
  // 0 when the file could not be opened or a write failed.
  int IsValid() const override;
  std::ostream& Dump(std::ostream& out) const override;

  // Writes the bytes so far to the file and flushes it.
  void FlushStream() override;

private:
  void WritePending();

  FilePtr m_pStream;
  int m_Owner = 0;
  bool m_WriteFailed = false;
};
