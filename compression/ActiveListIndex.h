#pragma once

#include "compression/ActiveList.h"

#include <vector>

class CConquestMesh;
class CVertex3d;

// Follows the conquest's current active list so that choosing a gate costs what the few
// nodes involved cost, not a walk of the list: the nodes filed by remaining degree (read from
// the conquest's edge table), the fill gates among them, and the nodes of each vertex. A change
// of the list reaches it through the list itself; a change of a vertex's edges or faces through
// Touch. Nodes are refreshed lazily, on the next question.
class CActiveListIndex
{
public:
  CActiveListIndex() = default;
  ~CActiveListIndex();
  CActiveListIndex(const CActiveListIndex&) = delete;
  CActiveListIndex& operator=(const CActiveListIndex&) = delete;

  // Files every node of the list, their vertices numbered, their degrees and fill corners
  // answered by the table, which must outlive the attachment; a null list only detaches.
  void Attach(CActiveList* pList, const CConquestMesh* pMesh);
  void Detach();
  CActiveList* GetList() const { return m_pList; }

  // The remaining degree, faces or edges of the vertex (by its number) changed. Inline: the
  // conquest calls it for both ends of every edge it takes.
  void Touch(int v)
  {
    if (!m_pList || v < 0)
      return;
    for (SActiveNode* p = m_Nodes[static_cast<size_t>(v)]; p; p = p->pSameNext)
      MarkDirty(p);
  }
  // The caller knows that the node of the followed list, awaiting its refresh, is no fill
  // gate between its present neighbours: the refresh takes that without the test, unless
  // a neighbour changes first.
  void MarkNoFill(const CActiveList* pList, SActiveNode* pNode);
  void OnInsert(SActiveNode* pNode);
  void OnRemove(SActiveNode* pNode);

  // The fill gate (see CConquestMesh::IsFillCorner) with a remaining degree first in list order; null when
  // there is none.
  SActiveNode* GetFirstFill();
  // The smallest remaining degree and the nodes filed under it (a chain through
  // pBucketNext), with their number; the list must not be empty.
  SActiveNode* GetMinDegreeNodes(int* pDegree, int* pCount);
  // Above every degree filed so far.
  int GetDegreeBound() const { return static_cast<int>(m_Buckets.size()); }
  static constexpr int MaxRankedDegree = 1 << 18;
  // From this count of candidates on, RankByRings looks for one with even rings first.
  static constexpr int kManyCandidates = 32;

  // Of candidates of one remaining degree (a chain through pBucketNext, right after a
  // question), the one the ring averages choose: each ring ranks them all, the first in list
  // order winning equal values, and the first ring with a single smallest value decides (the
  // fourth in any case). The rings are walked one step at a time for all candidates together,
  // so that a decision by an inner ring leaves the outer ones unread.
  SActiveNode* RankByRings(SActiveNode* pCandidates);

private:
  struct SBucket
  {
    SActiveNode* pFirst = nullptr;
    int Count = 0;
  };
  // A candidate's walk: the nodes reached either side, the sum of the degrees met so far
  // and the weighted sum of the current ring (each ring adds the degrees met up to it again).
  struct SRingWalk
  {
    SActiveNode* pNode;
    SActiveNode* pAfter;
    SActiveNode* pBefore;
    long long Met;
    long long Ring;
  };

  // One step further either way: the nodes reached, their degrees met so far and the ring's
  // weighted sum.
  void Advance(SRingWalk* pWalk) const;
  template <class T, class ValueOf>
  SActiveNode* RankWalks(ValueOf valueOf);
  // Of the candidates, the first in list order whose nodes within four steps all share the
  // candidates' degree: the one RankByRings chooses whenever there is one. Null when none.
  SActiveNode* FirstOfEvenRings(SActiveNode* pCandidates) const;
  // RankByRings of exactly two candidates, ranked by the rings' sums.
  SActiveNode* RankPair(SActiveNode* pA, SActiveNode* pB) const;
  void Refresh();
  int GetDegree(const SActiveNode* pNode) const;
  int IsFill(SActiveNode* pNode, int degree) const;
  void File(SActiveNode* pNode, int degree, int fill);
  void Unfile(SActiveNode* pNode);
  void MarkDirty(SActiveNode* pNode)
  {
    if (pNode->Dirty)
      return;
    pNode->Dirty = 1;
    m_Dirty.push_back(pNode);
  }
  // A neighbour of the node changed: a fill test is due whatever the node was marked.
  void MarkNeighbourChanged(SActiveNode* pNode);
  void Clear();

  CActiveList* m_pList = nullptr;
  const CConquestMesh* m_pMesh = nullptr;
  std::vector<SBucket> m_Buckets;
  // No bucket below it holds a node.
  int m_MinDegree = 0;
  std::vector<SActiveNode*> m_Fills;
  std::vector<SActiveNode*> m_Dirty;
  // By vertex number: the first of the vertex's nodes (chained through pSameNext), or null.
  std::vector<SActiveNode*> m_Nodes;
  std::vector<SRingWalk> m_Walks;
  // Takes the bucket links that have no node to go to.
  SActiveNode* m_pNoLink = nullptr;
};
