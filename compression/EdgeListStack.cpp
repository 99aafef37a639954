#include "compression/EdgeListStack.h"

std::unique_ptr<CEdgeList> CEdgeListStack::RemoveHead()
{
  if (m_Lists.empty())
    return nullptr;
  std::unique_ptr<CEdgeList> pList = std::move(m_Lists.front());
  m_Lists.pop_front();
  return pList;
}
