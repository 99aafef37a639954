#pragma once

#include "platform/ui/CommandMap.h"

// Base of everything that handles menu commands: views, documents, frames, the application.
// A target that routes (a frame) offers the command to other targets before its own table.
namespace platform {

class CCmdTarget
{
public:
  CCmdTarget() = default;
  CCmdTarget(const CCmdTarget&) = delete;
  CCmdTarget& operator=(const CCmdTarget&) = delete;
  virtual ~CCmdTarget() = default;

  // With pCmdUI, runs the update step of the first target that has the command and answers
  // whether one had it; without, runs the first handler found and answers whether one ran.
  virtual bool OnCmdMsg(unsigned id, CCmdUI* pCmdUI);

  // The update step alone: m_Handled false means no target has the command (greyed).
  CCmdUI QueryCommand(unsigned id);
  // Runs the update step, then the handler when the command is enabled; answers whether it ran.
  bool DoCommand(unsigned id);

  CCommandMap& GetCommandMap() { return m_CommandMap; }

protected:
  // Offers the command to this target's own table only.
  bool OnOwnCmdMsg(unsigned id, CCmdUI* pCmdUI);

  CCommandMap m_CommandMap;
};

} // namespace platform
