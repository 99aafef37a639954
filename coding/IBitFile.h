#pragma once

#include "coding/IBitStream.h"

// Input bit file: the memory stream on the bytes of a file, read whole when it is opened.
class CIBitFile : public CIBitStream
{
public:
  // Opens and reads the file. IsValid tells whether it could be opened.
  explicit CIBitFile(const char* fileName);
  ~CIBitFile() override = default;

  CIBitFile(const CIBitFile&) = delete;
  CIBitFile& operator=(const CIBitFile&) = delete;

  std::uint16_t ClassId() const override;
  bool IsA(unsigned int id) const override;
  // 0 when the file could not be opened or something was read past its end.
  int IsValid() const override;
  std::ostream& Dump(std::ostream& out) const override;

private:
  const void* m_pStream = nullptr; // only shown by Dump: null when the file could not be opened
  int m_Owner = 0;
  bool m_Opened = false;
};
