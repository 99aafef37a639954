#include "scene/StreamFile.h"

int CStreamFile::Open(const char* fileName, const char* mode)
{
  Close();
  m_pFile = std::fopen(fileName, mode);
  return IsOpen();
}

int CStreamFile::Close()
{
  if (!m_pFile)
    return 0;
  const bool failed = std::ferror(m_pFile) != 0;
  // Closing flushes the last buffered bytes: a write error may show only then.
  const bool closed = std::fclose(m_pFile) == 0;
  m_pFile = nullptr;
  return !failed && closed ? 1 : 0;
}

int CStreamFile::Flush()
{
  if (!m_pFile)
    return 0;
  return std::fflush(m_pFile) == 0 && !std::ferror(m_pFile) ? 1 : 0;
}
