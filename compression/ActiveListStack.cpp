#include "compression/ActiveListStack.h"

#include <algorithm>

CActiveList* CActiveListStack::Push(std::unique_ptr<CActiveList> pList)
{
  m_Lists.push_front(std::move(pList));
  return m_Lists.front().get();
}

CActiveList* CActiveListStack::AddTail(std::unique_ptr<CActiveList> pList)
{
  m_Lists.push_back(std::move(pList));
  return m_Lists.back().get();
}

std::unique_ptr<CActiveList> CActiveListStack::Pop()
{
  if (m_Lists.empty())
    return nullptr;
  std::unique_ptr<CActiveList> pList = std::move(m_Lists.front());
  m_Lists.pop_front();
  return pList;
}

std::unique_ptr<CActiveList> CActiveListStack::Remove(const CActiveList* pList)
{
  const auto it = std::find_if(m_Lists.begin(), m_Lists.end(),
                               [pList](const auto& p) { return p.get() == pList; });
  if (it == m_Lists.end())
    return nullptr;
  std::unique_ptr<CActiveList> pTaken = std::move(*it);
  m_Lists.erase(it);
  return pTaken;
}

CActiveList* CActiveListStack::GetAt(int index) const
{
  if (index < 0 || index >= GetCount())
    return nullptr;
  return std::next(m_Lists.begin(), index)->get();
}
