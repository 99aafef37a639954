#include "platform/ui/RecentFileList.h"

#include <QSettings>

#include <algorithm>

namespace platform {

namespace {
const char* const kSection = "Recent File List";

QString KeyOf(int index)
{
  return QString("File%1").arg(index + 1);
}
} // namespace

void CRecentFileList::Add(const std::string& path)
{
  if (path.empty() || m_MaxSize <= 0)
    return;
  const auto it = std::find(m_Files.begin(), m_Files.end(), path);
  if (it != m_Files.end())
    m_Files.erase(it);
  m_Files.insert(m_Files.begin(), path);
  if (GetSize() > m_MaxSize)
    m_Files.resize(m_MaxSize);
}

void CRecentFileList::Remove(int index)
{
  if (index < 0 || index >= GetSize())
    return;
  m_Files.erase(m_Files.begin() + index);
}

void CRecentFileList::ReadList(QSettings& settings)
{
  m_Files.clear();
  settings.beginGroup(kSection);
  for (int i = 0; i < m_MaxSize; i++) {
    const QString value = settings.value(KeyOf(i)).toString();
    if (!value.isEmpty())
      m_Files.push_back(value.toStdString());
  }
  settings.endGroup();
}

void CRecentFileList::WriteList(QSettings& settings) const
{
  settings.beginGroup(kSection);
  for (int i = 0; i < m_MaxSize; i++) {
    if (i < GetSize())
      settings.setValue(KeyOf(i), QString::fromStdString(m_Files[i]));
    else
      settings.remove(KeyOf(i));
  }
  settings.endGroup();
}

} // namespace platform
