#include "compression/ActiveList.h"

#include "compression/ActiveListIndex.h"
#include "mesh/Vertex3d.h"

#include <algorithm>
#include <limits>

namespace {
constexpr int BlockSize = 32;
constexpr std::uint64_t LabelMax = std::numeric_limits<std::uint64_t>::max();
// Room left between labels appended at either end, and the least room a relabelled window
// must leave between its labels.
constexpr std::uint64_t EndStep = std::uint64_t(1) << 32;
constexpr std::uint64_t MinSpacing = std::uint64_t(1) << 16;
} // namespace

CActiveList::~CActiveList()
{
  if (m_pIndex)
    m_pIndex->Detach();
}

SActiveNode* CActiveList::NewNode()
{
  if (!m_pFree) {
    m_Blocks.push_back(std::make_unique<SActiveNode[]>(BlockSize));
    SActiveNode* pBlock = m_Blocks.back().get();
    for (int i = 0; i < BlockSize; i++)
      pBlock[i].pNext = i + 1 < BlockSize ? &pBlock[i + 1] : nullptr;
    m_pFree = pBlock;
  }
  SActiveNode* pNode = m_pFree;
  m_pFree = pNode->pNext;
  *pNode = SActiveNode();
  return pNode;
}

void CActiveList::FreeNode(SActiveNode* pNode)
{
  pNode->pVertex = nullptr;
  pNode->pNext = m_pFree;
  m_pFree = pNode;
}

CActiveList::Position CActiveList::Link(CVertex3d* v, SActiveNode* pPrev, SActiveNode* pNext, int number)
{
  SActiveNode* pNode = NewNode();
  pNode->pVertex = v;
  pNode->VertexIndex = number;
  pNode->pPrev = pPrev;
  pNode->pNext = pNext;
  (pPrev ? pPrev->pNext : m_pHead) = pNode;
  (pNext ? pNext->pPrev : m_pTail) = pNode;
  m_Count++;
  AssignOrder(pNode);
  if (m_pIndex)
    m_pIndex->OnInsert(pNode);
  return Position(pNode);
}

void CActiveList::AssignOrder(SActiveNode* pNode)
{
  const std::uint64_t lo = pNode->pPrev ? pNode->pPrev->Order : 0;
  const std::uint64_t hi = pNode->pNext ? pNode->pNext->Order : LabelMax;
  if (!pNode->pPrev && !pNode->pNext) {
    pNode->Order = LabelMax / 2;
    return;
  }
  // Ends step by a fixed amount so that a list built by appends keeps room everywhere.
  const std::uint64_t half = (hi - lo) / 2;
  const std::uint64_t step = pNode->pPrev && pNode->pNext ? half : std::min(half, EndStep);
  if (step == 0) {
    Relabel(pNode);
    return;
  }
  pNode->Order = pNode->pNext ? hi - step : lo + step;
}

void CActiveList::Relabel(SActiveNode* pNode)
{
  // Widen a window round the node, doubling it, until the labels just outside it leave
  // enough room to spread its nodes evenly; the whole list always does.
  SActiveNode* pFirst = pNode;
  SActiveNode* pLast = pNode;
  std::uint64_t count = 1;
  for (;;) {
    const std::uint64_t lo = pFirst->pPrev ? pFirst->pPrev->Order : 0;
    const std::uint64_t hi = pLast->pNext ? pLast->pNext->Order : LabelMax;
    const std::uint64_t spacing = (hi - lo) / (count + 1);
    const bool whole = !pFirst->pPrev && !pLast->pNext;
    if (spacing >= MinSpacing || (whole && spacing >= 1)) {
      std::uint64_t label = lo;
      for (SActiveNode* p = pFirst;; p = p->pNext) {
        label += spacing;
        p->Order = label;
        if (p == pLast)
          break;
      }
      return;
    }
    for (std::uint64_t grow = count; grow > 0 && (pFirst->pPrev || pLast->pNext);) {
      if (pFirst->pPrev) {
        pFirst = pFirst->pPrev;
        count++;
        grow--;
      }
      if (grow > 0 && pLast->pNext) {
        pLast = pLast->pNext;
        count++;
        grow--;
      }
    }
  }
}

void CActiveList::RemoveAt(Position pos)
{
  SActiveNode* pNode = pos.GetNode();
  if (pos == m_Gate)
    m_Gate = Position();
  if (m_pIndex)
    m_pIndex->OnRemove(pNode);
  (pNode->pPrev ? pNode->pPrev->pNext : m_pHead) = pNode->pNext;
  (pNode->pNext ? pNode->pNext->pPrev : m_pTail) = pNode->pPrev;
  m_Count--;
  FreeNode(pNode);
}

CActiveList::Position CActiveList::Find(const CVertex3d* v) const
{
  for (Position pos = GetHeadPosition(); !IsNull(pos); ++pos)
    if (*pos == v)
      return pos;
  return Position();
}

int CActiveList::IndexOfPosition(Position pos) const
{
  int index = 0;
  for (Position it = GetHeadPosition(); !IsNull(it); ++it, index++)
    if (it == pos)
      return index;
  return -1;
}

int CActiveList::CountVertexFlag(int state) const
{
  int count = 0;
  for (const CVertex3d* v : *this)
    count += v->GetFlag() == state ? 1 : 0;
  return count;
}

int CActiveList::Check() const
{
  int walked = 0;
  for (Position it = GetHeadPosition(); !IsNull(it) && walked <= GetCount(); ++it)
    walked++;
  return walked == GetCount() ? 1 : 0;
}
