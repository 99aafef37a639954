#pragma once

#include "scene/StreamFile.h"

// The lines of a text mesh file, each at most 254 characters, ended by "\n" or "\r\n". A longer
// line is an error, never split: its rest would be read as a line of its own.
class CTextLineReader
{
public:
  static constexpr int MaxLine = 254;

  explicit CTextLineReader(const char* fileName);

  int IsOpen() const { return m_File.IsOpen(); }
  // Bytes of the file; 0 when it is not open.
  long long GetSize() const { return m_Size; }
  // 1 with the next line in Line(), 0 at the end of the file, -1 for a line too long or a read
  // error.
  int Next();
  // The line without its end; a zero-terminated text.
  const char* Line() const { return m_Line; }
  // Next, for a line that must be there: 1 only when one was read.
  int Require() { return Next() == 1 ? 1 : 0; }

private:
  CStreamFile m_File;
  long long m_Size = 0;
  char m_Line[MaxLine + 2] = {};
};
