#include "coding/OBitFile.h"

COBitFile::COBitFile(const char* fileName)
    : m_pStream(std::fopen(fileName, "wb")), m_Owner(1)
{
}

COBitFile::~COBitFile()
{
  WritePending();
}

std::uint16_t COBitFile::ClassId() const
{
  return 0x5005;
}

bool COBitFile::IsA(unsigned int id) const
{
  return COBitStream::IsA(id);
}

int COBitFile::IsValid() const
{
  return m_pStream && !m_WriteFailed && !std::ferror(m_pStream.get()) ? 1 : 0;
}

std::ostream& COBitFile::Dump(std::ostream& out) const
{
  CBitBuffer::Dump(out);
  return DumpStream(out, m_pStream.get(), m_Owner);
}

void COBitFile::FlushStream()
{
  WritePending();
  if (m_pStream)
    std::fflush(m_pStream.get());
}

// The bytes go out and leave memory, so a long file never holds all of itself.
void COBitFile::WritePending()
{
  if (m_pStream && !m_Bytes.empty() &&
      std::fwrite(m_Bytes.data(), 1, m_Bytes.size(), m_pStream.get()) != m_Bytes.size())
    m_WriteFailed = true;
  m_Bytes.clear();
}
