#include "platform/ui/CommandMap.h"

namespace platform {

void CCommandMap::On(unsigned id, CommandHandler handler, UpdateHandler update)
{
  SCommandEntry& entry = m_Entries[id];
  entry.Handler = std::move(handler);
  if (update)
    entry.Update = std::move(update);
}

void CCommandMap::OnRange(unsigned first, unsigned last,
                          const std::function<void(unsigned)>& handler,
                          const std::function<void(CCmdUI&)>& update)
{
  for (unsigned id = first; id <= last; id++)
    On(id, [handler, id] { handler(id); }, update);
}

void CCommandMap::OnUpdate(unsigned id, UpdateHandler update)
{
  m_Entries[id].Update = std::move(update);
}

const SCommandEntry* CCommandMap::Find(unsigned id) const
{
  const auto it = m_Entries.find(id);
  return it == m_Entries.end() ? nullptr : &it->second;
}

} // namespace platform
