#pragma once

#include "platform/ui/CmdUI.h"

#include <functional>
#include <map>

// One command target's table: for each command id, its handler and its optional update handler.
namespace platform {

using CommandHandler = std::function<void()>;
using UpdateHandler = std::function<void(CCmdUI&)>;

struct SCommandEntry
{
  CommandHandler Handler;
  UpdateHandler Update;
};

class CCommandMap
{
public:
  void On(unsigned id, CommandHandler handler, UpdateHandler update = {});
  // An inclusive range of ids sharing one handler that receives the id (recent files).
  void OnRange(unsigned first, unsigned last, const std::function<void(unsigned)>& handler,
               const std::function<void(CCmdUI&)>& update = {});
  void OnUpdate(unsigned id, UpdateHandler update);
  const SCommandEntry* Find(unsigned id) const;

private:
  std::map<unsigned, SCommandEntry> m_Entries;
};

} // namespace platform
