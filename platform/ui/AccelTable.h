#pragma once

#include "platform/ui/MenuTable.h"

#include <vector>

class QKeyEvent;

// The accelerator table of a frame, matched by our own key filter rather than by Qt
// shortcuts: the table holds duplicate keys, and the first entry of a key must win.
namespace platform {

class CAccelTable
{
public:
  CAccelTable() = default;
  explicit CAccelTable(std::vector<SAccel> entries) : m_Entries(std::move(entries)) {}

  // The command of the first entry matching the key, or 0.
  unsigned Find(int key, Qt::KeyboardModifiers modifiers) const;
  unsigned Find(const QKeyEvent& event) const;

  const std::vector<SAccel>& GetEntries() const { return m_Entries; }

private:
  std::vector<SAccel> m_Entries;
};

} // namespace platform
