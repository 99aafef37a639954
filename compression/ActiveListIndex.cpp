#include "compression/ActiveListIndex.h"

#include "compression/ConquestMesh.h"
#include "mesh/Vertex3d.h"

#include <algorithm>
#include <cstdint>
#include <limits>

CActiveListIndex::~CActiveListIndex()
{
  Detach();
}

void CActiveListIndex::Clear()
{
  m_Buckets.clear();
  m_MinDegree = 0;
  m_Fills.clear();
  m_Dirty.clear();
}

void CActiveListIndex::Detach()
{
  // Only the list's own vertices have entries: clearing them keeps a detach as cheap as the
  // list is short.
  if (m_pList) {
    for (auto pos = m_pList->GetHeadPosition(); !CActiveList::IsNull(pos); ++pos)
      if (pos.GetNode()->VertexIndex >= 0)
        m_Nodes[static_cast<size_t>(pos.GetNode()->VertexIndex)] = nullptr;
    m_pList->SetIndex(nullptr);
  }
  m_pList = nullptr;
  m_pMesh = nullptr;
  Clear();
}

void CActiveListIndex::Attach(CActiveList* pList, const CConquestMesh* pMesh)
{
  Detach();
  if (!pList || !pMesh)
    return;
  m_pList = pList;
  m_pMesh = pMesh;
  pList->SetIndex(this);
  if (m_Nodes.size() < static_cast<size_t>(pMesh->GetNbVertex()))
    m_Nodes.assign(static_cast<size_t>(pMesh->GetNbVertex()), nullptr);
  for (auto pos = pList->GetHeadPosition(); !CActiveList::IsNull(pos); ++pos) {
    SActiveNode* pNode = pos.GetNode();
    pNode->Degree = -1;
    pNode->Fill = 0;
    pNode->Dirty = 0;
    pNode->VertexIndex = -1;
    pNode->BeyondPrev = -2;
    OnInsert(pNode);
  }
}

void CActiveListIndex::MarkNeighbourChanged(SActiveNode* pNode)
{
  MarkDirty(pNode);
  pNode->Dirty = 1;
}

void CActiveListIndex::MarkNoFill(const CActiveList* pList, SActiveNode* pNode)
{
  if (pList && pList == m_pList && pNode->Dirty)
    pNode->Dirty = 2;
}

void CActiveListIndex::OnInsert(SActiveNode* pNode)
{
  // A vertex the table does not hold is filed under degree 0 and found by no Touch. A number
  // given with the node saves reading the vertex, which lies far away in memory.
  if (pNode->VertexIndex < 0 || pNode->VertexIndex >= m_pMesh->GetNbVertex() ||
      m_pMesh->GetVertex(pNode->VertexIndex) != pNode->pVertex)
    pNode->VertexIndex = m_pMesh->IndexOf(pNode->pVertex);
  SActiveNode* pUnlisted = nullptr;
  SActiveNode*& pFirst = pNode->VertexIndex >= 0 ? m_Nodes[static_cast<size_t>(pNode->VertexIndex)] : pUnlisted;
  pNode->pSamePrev = nullptr;
  pNode->pSameNext = pFirst;
  if (pFirst)
    pFirst->pSamePrev = pNode;
  pFirst = pNode;
  // A fill gate looks at the nodes on either side.
  MarkNeighbourChanged(pNode);
  if (pNode->pPrev)
    MarkNeighbourChanged(pNode->pPrev);
  if (pNode->pNext)
    MarkNeighbourChanged(pNode->pNext);
  // The neighbours of a node at an end are across the wrap.
  if (!pNode->pPrev || !pNode->pNext) {
    MarkNeighbourChanged(m_pList->GetHeadPosition().GetNode());
    MarkNeighbourChanged(m_pList->GetPrevPosition(m_pList->GetHeadPosition()).GetNode());
  }
}

void CActiveListIndex::OnRemove(SActiveNode* pNode)
{
  Unfile(pNode);
  if (pNode->Dirty)
    m_Dirty.erase(std::find(m_Dirty.begin(), m_Dirty.end(), pNode));
  if (pNode->pSamePrev)
    pNode->pSamePrev->pSameNext = pNode->pSameNext;
  else if (pNode->VertexIndex >= 0)
    m_Nodes[static_cast<size_t>(pNode->VertexIndex)] = pNode->pSameNext;
  if (pNode->pSameNext)
    pNode->pSameNext->pSamePrev = pNode->pSamePrev;
  const CActiveList::Position pos(pNode);
  SActiveNode* pPrev = m_pList->GetPrevPosition(pos).GetNode();
  SActiveNode* pNext = m_pList->GetNextPosition(pos).GetNode();
  if (pPrev != pNode)
    MarkNeighbourChanged(pPrev);
  if (pNext != pNode)
    MarkNeighbourChanged(pNext);
}

int CActiveListIndex::GetDegree(const SActiveNode* pNode) const
{
  return pNode->VertexIndex >= 0 ? m_pMesh->GetRemaining(pNode->VertexIndex) : 0;
}

int CActiveListIndex::IsFill(SActiveNode* pNode, int degree) const
{
  if (degree == 0)
    return 0;
  const CActiveList::Position pos(pNode);
  const int g = pNode->VertexIndex;
  const int p = m_pList->GetPrevPosition(pos).GetNode()->VertexIndex;
  const int q = m_pList->GetNextPosition(pos).GetNode()->VertexIndex;
  // Most tests follow a change of the next vertex alone: the face beyond the edge to the
  // previous one, whose corner across must be q, was read at the last test.
  if (g >= 0 && p >= 0 && m_pMesh->IsFiledFromSides()) {
    if (pNode->BeyondPrev != p) {
      pNode->BeyondPrev = p;
      pNode->BeyondApex = m_pMesh->GetBeyondApex(g, p);
    }
    if (pNode->BeyondApex != q)
      return 0;
  }
  return m_pMesh->IsFillCorner(g, p, q) ? 1 : 0;
}

void CActiveListIndex::File(SActiveNode* pNode, int degree, int fill)
{
  pNode->Fill = fill;
  if (fill)
    m_Fills.push_back(pNode);
  if (static_cast<size_t>(degree) >= m_Buckets.size())
    m_Buckets.resize(static_cast<size_t>(degree) + 1);
  SBucket& bucket = m_Buckets[static_cast<size_t>(degree)];
  // The links are chosen without branches (whether a bucket is empty, or a node first or
  // last in it, follows no pattern); a missing neighbour's link is written to m_pNoLink.
  SActiveNode* pFirst = bucket.pFirst;
  pNode->Degree = degree;
  pNode->pBucketPrev = nullptr;
  pNode->pBucketNext = pFirst;
  *(pFirst ? &pFirst->pBucketPrev : &m_pNoLink) = pNode;
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
  SActiveNode* pPrev = pNode->pBucketPrev;
  SActiveNode* pNext = pNode->pBucketNext;
  *(pPrev ? &pPrev->pBucketNext : &bucket.pFirst) = pNext;
  *(pNext ? &pNext->pBucketPrev : &m_pNoLink) = pPrev;
  bucket.Count--;
  pNode->Degree = -1;
}

void CActiveListIndex::Refresh()
{
  // A node whose degree and fill are what it is filed under stays where it is: the order
  // within a bucket decides nothing (ties go by the node labels).
  for (SActiveNode* pNode : m_Dirty) {
    const bool noFill = pNode->Dirty == 2;
    pNode->Dirty = 0;
    const int degree = GetDegree(pNode);
    const int fill = noFill ? 0 : IsFill(pNode, degree);
    if (degree == pNode->Degree && fill == pNode->Fill)
      continue;
    Unfile(pNode);
    File(pNode, degree, fill);
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

void CActiveListIndex::Advance(SRingWalk* pWalk) const
{
  pWalk->pAfter = m_pList->GetNextPosition(CActiveList::Position(pWalk->pAfter)).GetNode();
  pWalk->pBefore = m_pList->GetPrevPosition(CActiveList::Position(pWalk->pBefore)).GetNode();
  pWalk->Met += pWalk->pAfter->Degree + pWalk->pBefore->Degree;
  pWalk->Ring += pWalk->Met;
}

template <class T, class ValueOf>
SActiveNode* CActiveListIndex::RankWalks(ValueOf valueOf)
{
  for (int k = 0; k < 4; k++) {
    T best = std::numeric_limits<T>::max();
    int ties = 0;
    SActiveNode* pFirst = nullptr;
    std::uint64_t firstOrder = UINT64_MAX;
    // Without branches: which candidate leads or ties is not to be predicted. List order
    // decides only a tie that the last ring leaves, so the rings before it track the
    // smallest value alone.
    const bool last = k == 3;
    for (SRingWalk& walk : m_Walks) {
      Advance(&walk);
      const T value = valueOf(walk, k);
      const int less = value < best;
      const int tie = value == best;
      ties = less ? 1 : ties + tie;
      best = less ? value : best;
      if (last) {
        const std::uint64_t order = walk.pNode->Order;
        const int first = less | (tie & (order < firstOrder));
        firstOrder = first ? order : firstOrder;
        pFirst = first ? walk.pNode : pFirst;
      } else
        pFirst = less ? walk.pNode : pFirst;
    }
    if (ties == 1 || last)
      return pFirst;
  }
  return nullptr;
}

SActiveNode* CActiveListIndex::RankPair(SActiveNode* pA, SActiveNode* pB) const
{
  // Two candidates, the most common tie: the first ring whose sums differ decides, list order
  // when none does. Walked side by side without the walks' array.
  SRingWalk a{pA, pA, pA, 0, 0};
  SRingWalk b{pB, pB, pB, 0, 0};
  for (int k = 0; k < 4; k++) {
    Advance(&a);
    Advance(&b);
    if (a.Ring != b.Ring)
      return a.Ring < b.Ring ? pA : pB;
  }
  return pA->Order < pB->Order ? pA : pB;
}

SActiveNode* CActiveListIndex::FirstOfEvenRings(SActiveNode* pCandidates) const
{
  // No node is filed below the candidates' degree m, so a ring's weighted sum is at least
  // what it is when every node within four steps has degree m: a candidate with such rings
  // holds the smallest value of every ring, the only one where a ring decides alone, and the
  // first in list order among those the fourth ring leaves tied. A candidate after the best
  // one found needs no walk.
  const int m = pCandidates->Degree;
  SActiveNode* pFirst = nullptr;
  for (SActiveNode* pNode = pCandidates; pNode; pNode = pNode->pBucketNext) {
    if (pFirst && pNode->Order > pFirst->Order)
      continue;
    SActiveNode* pAfter = pNode;
    SActiveNode* pBefore = pNode;
    int even = 1;
    for (int k = 0; k < 4 && even; k++) {
      pAfter = m_pList->GetNextPosition(CActiveList::Position(pAfter)).GetNode();
      pBefore = m_pList->GetPrevPosition(CActiveList::Position(pBefore)).GetNode();
      even = pAfter->Degree == m && pBefore->Degree == m;
    }
    pFirst = even ? pNode : pFirst;
  }
  return pFirst;
}

SActiveNode* CActiveListIndex::RankByRings(SActiveNode* pCandidates)
{
  // Only where the sums rank the candidates: averages of large degrees may round together.
  // Few candidates seldom have one with even rings, and cost little to rank: many often have
  // (a list of one degree nearly all along).
  const bool bySums = GetDegreeBound() < MaxRankedDegree;
  const bool many = m_Buckets[static_cast<size_t>(pCandidates->Degree)].Count >= kManyCandidates;
  if (SActiveNode* pEven = bySums && many ? FirstOfEvenRings(pCandidates) : nullptr)
    return pEven;
  if (bySums && m_Buckets[static_cast<size_t>(pCandidates->Degree)].Count == 2)
    return RankPair(pCandidates, pCandidates->pBucketNext);
  m_Walks.clear();
  for (SActiveNode* pNode = pCandidates; pNode; pNode = pNode->pBucketNext)
    m_Walks.push_back({pNode, pNode, pNode, 0, 0});
  // The candidates share their centre, so a ring's weighted sum without its centre ranks
  // them as its average does while the degrees stay below MaxRankedDegree (the sums, at most
  // 20 times the bound, then fit an int): distinct averages, at least 1/9 apart, stay distinct
  // as floats. Above it, the averages themselves, as CActiveList::GetAverageDegree computes them.
  if (bySums)
    return RankWalks<int>([](const SRingWalk& walk, int) { return static_cast<int>(walk.Ring); });
  return RankWalks<float>([](const SRingWalk& walk, int k) {
    const long long n = k + 1;
    return static_cast<float>(static_cast<double>(n * walk.pNode->Degree + walk.Ring) / static_cast<double>(2 * n + 1));
  });
}
