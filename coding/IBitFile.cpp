#include "coding/IBitFile.h"

#include <cstdio>

namespace
{
std::vector<std::uint8_t> ReadWholeFile(std::FILE* file)
{
  std::vector<std::uint8_t> bytes;
  if (!file)
    return bytes;
  std::uint8_t block[65536];
  std::size_t n = 0;
  while ((n = std::fread(block, 1, sizeof block, file)) > 0)
    bytes.insert(bytes.end(), block, block + n);
  return bytes;
}
} // namespace

CIBitFile::CIBitFile(const char* fileName) : m_Owner(1)
{
  const FilePtr file(std::fopen(fileName, "rb"));
  m_pStream = file.get();
  m_Opened = file != nullptr;
  Begin(ReadWholeFile(file.get()));
}

std::uint16_t CIBitFile::ClassId() const
{
  return 0x5002;
}

bool CIBitFile::IsA(unsigned int id) const
{
  return CIBitStream::IsA(id);
}

int CIBitFile::IsValid() const
{
  return m_Opened && CIBitStream::IsValid() ? 1 : 0;
}

std::ostream& CIBitFile::Dump(std::ostream& out) const
{
  CBitBuffer::Dump(out);
  return DumpStream(out, m_pStream, m_Owner);
}
