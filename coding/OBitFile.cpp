#include "coding/OBitFile.h"

#include <bit>

COBitFile::COBitFile(const char* fileName)
    : m_pStream(std::fopen(fileName, "wb")), m_Owner(1)
{
}

std::uint16_t COBitFile::ClassId() const
{
  return 0x5005;
}

bool COBitFile::IsA(unsigned int id) const
{
  return CBitBuffer::IsA(id) || (id & 0xFFFF) == CBitBuffer::ClassId();
}

std::unique_ptr<CBitBuffer> COBitFile::Clone() const
{
  return nullptr;
}

int COBitFile::IsValid() const
{
  return m_pStream && !std::ferror(m_pStream.get()) ? 1 : 0;
}

std::ostream& COBitFile::Dump(std::ostream& out) const
{
  CBitBuffer::Dump(out);
  return DumpStream(out, m_pStream.get(), m_Owner);
}

void COBitFile::WriteFloat(float value)
{
  WriteBits(std::bit_cast<std::uint32_t>(value), 32);
}

void COBitFile::Flush(unsigned int padBit)
{
  do
    SetBit(padBit);
  while (!Advance());
  WriteByte();
  ClearBuffer();
}

void COBitFile::FlushStream()
{
  if (m_pStream)
    std::fflush(m_pStream.get());
}
