#pragma once

#include <string>
#include <vector>

class QSettings;

// The most recently opened files, newest first, kept in the settings between sessions.
namespace platform {

class CRecentFileList
{
public:
  explicit CRecentFileList(int maxSize) : m_MaxSize(maxSize) {}

  // Puts the path first; an entry already listed moves up instead of appearing twice.
  void Add(const std::string& path);
  void Remove(int index);
  int GetSize() const { return static_cast<int>(m_Files.size()); }
  int GetMaxSize() const { return m_MaxSize; }
  const std::string& GetAt(int index) const { return m_Files[index]; }

  // Section "Recent File List", keys "File1" to "FileN".
  void ReadList(QSettings& settings);
  void WriteList(QSettings& settings) const;

private:
  int m_MaxSize;
  std::vector<std::string> m_Files;
};

} // namespace platform
