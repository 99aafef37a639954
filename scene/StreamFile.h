#pragma once

#include <cstdio>

// An open stdio file with one owner, in text or binary mode: the file object that the scene
// and mesh writers share (a header writer opens it, mesh writers append, the caller closes).
class CStreamFile
{
public:
  CStreamFile() = default;
  ~CStreamFile() { Close(); }

  CStreamFile(const CStreamFile&) = delete;
  CStreamFile& operator=(const CStreamFile&) = delete;

  // Closes a file already open first; 1 when the new one is open.
  int Open(const char* fileName, const char* mode);
  // 1 when everything written reached the file; 0 after a write error or when nothing is open.
  int Close();
  // Pushes buffered bytes out; 0 when the file has failed so far.
  int Flush();
  int IsOpen() const { return m_pFile ? 1 : 0; }
  int HasError() const { return m_pFile && std::ferror(m_pFile) ? 1 : 0; }
  std::FILE* Get() const { return m_pFile; }

private:
  std::FILE* m_pFile = nullptr;
};
