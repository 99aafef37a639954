#include "compression/ActiveListIndex.h"

#include "mesh/Edge3d.h"
#include "mesh/Face3d.h"
#include "mesh/Vertex3d.h"

#include <algorithm>

CActiveListIndex::~CActiveListIndex()
{
  Detach();
}

int CActiveListIndex::IsFillCorner(const CVertex3d* g, const CVertex3d* p, const CVertex3d* q)
{
  const CFace3d* f = g->FindFaceWithOrientedEdge(g, p);
  if (!f || f->GetFlag() != 0 || f->GetVertexOther(g, p) != q)
    return 0;
  const CEdge3d* e = g->FindEdge(q);
  return e && e->GetFlag() == 1 ? 1 : 0;
}

void CActiveListIndex::Clear()
{
  m_Buckets.clear();
  m_MinDegree = 0;
  m_Fills.clear();
  m_Dirty.clear();
  m_Nodes.clear();
}

void CActiveListIndex::Detach()
{
  if (m_pList)
    m_pList->SetIndex(nullptr);
  m_pList = nullptr;
  Clear();
}

void CActiveListIndex::Attach(CActiveList* pList)
{
  Detach();
  if (!pList)
    return;
  m_pList = pList;
  pList->SetIndex(this);
  m_Nodes.reserve(static_cast<size_t>(pList->GetCount()) * 2);
  for (auto pos = pList->GetHeadPosition(); !CActiveList::IsNull(pos); ++pos) {
    SActiveNode* pNode = pos.GetNode();
    pNode->Degree = -1;
    pNode->Fill = 0;
    pNode->Dirty = 0;
    OnInsert(pNode);
  }
}

void CActiveListIndex::MarkDirty(SActiveNode* pNode)
{
  if (pNode->Dirty)
    return;
  pNode->Dirty = 1;
  m_Dirty.push_back(pNode);
}

void CActiveListIndex::Touch(const CVertex3d* v)
{
  if (!m_pList)
    return;
  const auto it = m_Nodes.find(v);
  if (it == m_Nodes.end())
    return;
  for (SActiveNode* p = it->second; p; p = p->pSameNext)
    MarkDirty(p);
}

void CActiveListIndex::OnInsert(SActiveNode* pNode)
{
  SActiveNode*& pFirst = m_Nodes[pNode->pVertex];
  pNode->pSamePrev = nullptr;
  pNode->pSameNext = pFirst;
  if (pFirst)
    pFirst->pSamePrev = pNode;
  pFirst = pNode;
  // A fill gate looks at the nodes on either side.
  MarkDirty(pNode);
  if (pNode->pPrev)
    MarkDirty(pNode->pPrev);
  if (pNode->pNext)
    MarkDirty(pNode->pNext);
  // The neighbours of a node at an end are across the wrap.
  if (!pNode->pPrev || !pNode->pNext) {
    MarkDirty(m_pList->GetHeadPosition().GetNode());
    MarkDirty(m_pList->GetPrevPosition(m_pList->GetHeadPosition()).GetNode());
  }
}

void CActiveListIndex::OnRemove(SActiveNode* pNode)
{
  Unfile(pNode);
  if (pNode->Dirty)
    m_Dirty.erase(std::find(m_Dirty.begin(), m_Dirty.end(), pNode));
  if (pNode->pSamePrev)
    pNode->pSamePrev->pSameNext = pNode->pSameNext;
  else if (pNode->pSameNext)
    m_Nodes[pNode->pVertex] = pNode->pSameNext;
  else
    m_Nodes.erase(pNode->pVertex);
  if (pNode->pSameNext)
    pNode->pSameNext->pSamePrev = pNode->pSamePrev;
  const CActiveList::Position pos(pNode);
  SActiveNode* pPrev = m_pList->GetPrevPosition(pos).GetNode();
  SActiveNode* pNext = m_pList->GetNextPosition(pos).GetNode();
  if (pPrev != pNode)
    MarkDirty(pPrev);
  if (pNext != pNode)
    MarkDirty(pNext);
}

void CActiveListIndex::File(SActiveNode* pNode)
{
  const CActiveList::Position pos(pNode);
  const int degree = pNode->pVertex->GetEdgeFlagCount();
  pNode->Fill = degree != 0 && IsFillCorner(pNode->pVertex, m_pList->GetPrevVertex(pos),
                                            m_pList->GetNextVertex(pos)) ? 1 : 0;
  if (pNode->Fill)
    m_Fills.push_back(pNode);
  if (static_cast<size_t>(degree) >= m_Buckets.size())
    m_Buckets.resize(static_cast<size_t>(degree) + 1);
  SBucket& bucket = m_Buckets[static_cast<size_t>(degree)];
  pNode->Degree = degree;
  pNode->pBucketPrev = nullptr;
  pNode->pBucketNext = bucket.pFirst;
  if (bucket.pFirst)
    bucket.pFirst->pBucketPrev = pNode;
  bucket.pFirst = pNode;
  bucket.Count++;
  m_MinDegree = std::min(m_MinDegree, degree);
}

void CActiveListIndex::Unfile(SActiveNode* pNode)
{
  if (pNode->Fill) {
    m_Fills.erase(std::find(m_Fills.begin(), m_Fills.end(), pNode));
    pNode->Fill = 0;
  }
  if (pNode->Degree < 0)
    return;
  SBucket& bucket = m_Buckets[static_cast<size_t>(pNode->Degree)];
  if (pNode->pBucketPrev)
    pNode->pBucketPrev->pBucketNext = pNode->pBucketNext;
  else
    bucket.pFirst = pNode->pBucketNext;
  if (pNode->pBucketNext)
    pNode->pBucketNext->pBucketPrev = pNode->pBucketPrev;
  bucket.Count--;
  pNode->Degree = -1;
}

void CActiveListIndex::Refresh()
{
  for (SActiveNode* pNode : m_Dirty) {
    Unfile(pNode);
    File(pNode);
    pNode->Dirty = 0;
  }
  m_Dirty.clear();
}

SActiveNode* CActiveListIndex::GetFirstFill()
{
  Refresh();
  SActiveNode* pFirst = nullptr;
  for (SActiveNode* pNode : m_Fills)
    if (!pFirst || pNode->Order < pFirst->Order)
      pFirst = pNode;
  return pFirst;
}

SActiveNode* CActiveListIndex::GetMinDegreeNodes(int* pDegree, int* pCount)
{
  Refresh();
  while (static_cast<size_t>(m_MinDegree) < m_Buckets.size() &&
         m_Buckets[static_cast<size_t>(m_MinDegree)].Count == 0)
    m_MinDegree++;
  if (static_cast<size_t>(m_MinDegree) >= m_Buckets.size()) {
    *pDegree = 0;
    *pCount = 0;
    return nullptr;
  }
  const SBucket& bucket = m_Buckets[static_cast<size_t>(m_MinDegree)];
  *pDegree = m_MinDegree;
  *pCount = bucket.Count;
  return bucket.pFirst;
}
