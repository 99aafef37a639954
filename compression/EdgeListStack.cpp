#include "compression/EdgeListStack.h"

std::unique_ptr<CEdgeList> CEdgeListStack::RemoveHead()
{
  if (m_Lists.empty())
    return nullptr;
  std::unique_ptr<CEdgeList> pList = std::move(m_Lists.front());
  m_Lists.pop_front();
  return pList;
}

CEdgeList* CEdgeListStack::GetAt(int i) const
{
  if (i < 0 || i >= GetCount())
    return nullptr;
  return m_Lists[static_cast<std::size_t>(i)].get();
}

std::unique_ptr<CEdgeList> CEdgeListStack::RemoveAt(int i)
{
  if (i < 0 || i >= GetCount())
    return nullptr;
  const auto it = m_Lists.begin() + i;
  std::unique_ptr<CEdgeList> pList = std::move(*it);
  m_Lists.erase(it);
  return pList;
}
