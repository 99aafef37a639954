#pragma once

#include <string>

// What the update handlers of one command decide before a menu shows, before a button bar
// refreshes and before the command runs.
namespace platform {

class CCmdUI
{
public:
  explicit CCmdUI(unsigned id) : m_nID(id) {}

  void Enable(bool enable = true) { m_Enabled = enable; }
  // 0 unchecked, 1 checked.
  void SetCheck(int check = 1) { m_Checked = check; }
  void SetText(const std::string& text) { m_Text = text; m_HasText = true; }

  unsigned m_nID;
  bool m_Enabled = true;
  int m_Checked = 0;
  bool m_HasText = false;
  std::string m_Text;
  // Set by the target that owns the command; a command no target handles stays greyed.
  bool m_Handled = false;
};

} // namespace platform
