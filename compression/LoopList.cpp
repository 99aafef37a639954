#include "compression/LoopList.h"

#include "mesh/Edge3d.h"
#include "mesh/Vertex3d.h"

CLoopList::CNode* CLoopList::NewNode(CVertex3d* item)
{
  CNode* pNode = m_pFree;
  if (pNode)
    m_pFree = pNode->m_pNext;
  else
    pNode = &m_Pool.emplace_back();
  *pNode = CNode{item, nullptr, nullptr};
  return pNode;
}

void CLoopList::Link(CNode* pNode, CNode* pPrev, CNode* pNext)
{
  pNode->m_pPrev = pPrev;
  pNode->m_pNext = pNext;
  (pPrev ? pPrev->m_pNext : m_pHead) = pNode;
  (pNext ? pNext->m_pPrev : m_pTail) = pNode;
  m_Count++;
}

CLoopList::POSITION CLoopList::InsertBefore(POSITION pos, CVertex3d* item)
{
  CNode* pNode = NewNode(item);
  if (!pos)
    Link(pNode, nullptr, m_pHead);
  else
    Link(pNode, pos->m_pPrev, pos);
  return pNode;
}

CLoopList::POSITION CLoopList::InsertLoopBefore(POSITION pos, const CLoopList& from,
                                                POSITION start)
{
  POSITION first = InsertBefore(pos, GetAt(start));
  for (POSITION p = from.GetNextPos(start); p != start; p = from.GetNextPos(p))
    InsertBefore(pos, GetAt(p));
  InsertBefore(pos, GetAt(start));
  return first;
}

CLoopList::POSITION CLoopList::InsertAfter(POSITION pos, CVertex3d* item)
{
  CNode* pNode = NewNode(item);
  if (!pos)
    Link(pNode, m_pTail, nullptr);
  else
    Link(pNode, pos, pos->m_pNext);
  return pNode;
}

void CLoopList::RemoveAt(POSITION pos)
{
  (pos->m_pPrev ? pos->m_pPrev->m_pNext : m_pHead) = pos->m_pNext;
  (pos->m_pNext ? pos->m_pNext->m_pPrev : m_pTail) = pos->m_pPrev;
  pos->m_pItem = nullptr;
  pos->m_pPrev = nullptr;
  pos->m_pNext = m_pFree;
  m_pFree = pos;
  m_Count--;
}

CVertex3d* CLoopList::RemoveHead()
{
  if (!m_pHead)
    return nullptr;
  CVertex3d* item = m_pHead->m_pItem;
  RemoveAt(m_pHead);
  return item;
}

void CLoopList::RemoveAll()
{
  m_Pool.clear();
  m_pFree = m_pHead = m_pTail = nullptr;
  m_Count = 0;
}

CLoopList::POSITION CLoopList::Find(const CVertex3d* item) const
{
  for (CNode* p = m_pHead; p; p = p->m_pNext)
    if (p->m_pItem == item)
      return p;
  return nullptr;
}

void CLoopList::RemoveItem(const CVertex3d* item)
{
  if (POSITION pos = Find(item))
    RemoveAt(pos);
}

CVertex3d* CLoopList::GetPrevInLoop(const CVertex3d* item) const
{
  const POSITION pos = Find(item);
  return pos ? GetPrevItem(pos) : nullptr;
}

CVertex3d* CLoopList::GetNextInLoop(const CVertex3d* item) const
{
  const POSITION pos = Find(item);
  return pos ? GetNextItem(pos) : nullptr;
}

int CLoopList::IsEdgeOfLoop(const CEdge3d* pEdge) const
{
  const POSITION pos = Find(pEdge->v1());
  if (!pos)
    return 0;
  return (GetNextItem(pos) == pEdge->v2() || GetPrevItem(pos) == pEdge->v2()) ? 1 : 0;
}

int CLoopList::CountFlag(int flag) const
{
  const auto wanted = static_cast<signed char>(flag);
  int n = 0;
  for (CNode* p = m_pHead; p; p = p->m_pNext)
    n += static_cast<signed char>(p->m_pItem->GetFlag()) == wanted ? 1 : 0;
  return n;
}

int CLoopList::CountItem(const CVertex3d* item) const
{
  int n = 0;
  for (CNode* p = m_pHead; p; p = p->m_pNext)
    n += p->m_pItem == item ? 1 : 0;
  return n;
}
