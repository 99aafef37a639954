#include "scene/TextLineReader.h"

#include <filesystem>
#include <system_error>

CTextLineReader::CTextLineReader(const char* fileName)
{
  if (!m_File.Open(fileName, "r"))
    return;
  std::error_code error;
  const auto size = std::filesystem::file_size(fileName, error);
  m_Size = error ? 0 : static_cast<long long>(size);
}

int CTextLineReader::Next()
{
  std::FILE* file = m_File.Get();
  if (!file)
    return 0;
  int length = 0;
  int c = 0;
  while ((c = getc_unlocked(file)) != EOF && c != '\n') {
    if (length == MaxLine + 1)  // room for the line and a '\r' before its newline
      return -1;
    m_Line[length++] = static_cast<char>(c);
  }
  if (std::ferror(file))
    return -1;
  if (c == EOF && length == 0)
    return 0;
  if (length > 0 && m_Line[length - 1] == '\r')
    length--;
  if (length > MaxLine)
    return -1;
  m_Line[length] = '\0';
  return 1;
}
