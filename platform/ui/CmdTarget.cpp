#include "platform/ui/CmdTarget.h"

namespace platform {

bool CCmdTarget::OnCmdMsg(unsigned id, CCmdUI* pCmdUI)
{
  return OnOwnCmdMsg(id, pCmdUI);
}

bool CCmdTarget::OnOwnCmdMsg(unsigned id, CCmdUI* pCmdUI)
{
  const SCommandEntry* entry = m_CommandMap.Find(id);
  if (!entry)
    return false;
  if (pCmdUI) {
    if (!entry->Update && !entry->Handler)
      return false;
    pCmdUI->m_Handled = true;
    if (entry->Update)
      entry->Update(*pCmdUI);
    return true;
  }
  if (!entry->Handler)
    return false;
  entry->Handler();
  return true;
}

CCmdUI CCmdTarget::QueryCommand(unsigned id)
{
  CCmdUI ui(id);
  if (!OnCmdMsg(id, &ui) || !ui.m_Handled)
    ui.m_Enabled = false;
  return ui;
}

bool CCmdTarget::DoCommand(unsigned id)
{
  const CCmdUI ui = QueryCommand(id);
  if (!ui.m_Enabled)
    return false;
  return OnCmdMsg(id, nullptr);
}

} // namespace platform
