#pragma once

#include "compression/ActiveList.h"

#include <unordered_map>
#include <vector>

class CVertex3d;

// Follows the conquest's current active list so that choosing a gate costs what the few
// nodes involved cost, not a walk of the list: the nodes filed by remaining degree, the fill
// gates among them, and the nodes of each vertex. A change of the list reaches it through the
// list itself; a change of a vertex's edges or faces through Touch. Nodes are refreshed
// lazily, on the next question.
class CActiveListIndex
{
public:
  CActiveListIndex() = default;
  ~CActiveListIndex();
  CActiveListIndex(const CActiveListIndex&) = delete;
  CActiveListIndex& operator=(const CActiveListIndex&) = delete;

  // Files every node of the list; null only detaches.
  void Attach(CActiveList* pList);
  void Detach();
  CActiveList* GetList() const { return m_pList; }

  // The vertex's remaining degree, faces or edges changed.
  void Touch(const CVertex3d* v);
  void OnInsert(SActiveNode* pNode);
  void OnRemove(SActiveNode* pNode);

  // The fill gate (see IsFillCorner) with a remaining degree first in list order; null when
  // there is none.
  SActiveNode* GetFirstFill();
  // The smallest remaining degree and the nodes filed under it (a chain through
  // pBucketNext), with their number; the list must not be empty.
  SActiveNode* GetMinDegreeNodes(int* pDegree, int* pCount);

  // The face beyond the border edge g->p is free and closes on q, whose edge to g is
  // conquered: conquering it takes no new vertex.
  static int IsFillCorner(const CVertex3d* g, const CVertex3d* p, const CVertex3d* q);

private:
  struct SBucket
  {
    SActiveNode* pFirst = nullptr;
    int Count = 0;
  };

  void Refresh();
  void File(SActiveNode* pNode);
  void Unfile(SActiveNode* pNode);
  void MarkDirty(SActiveNode* pNode);
  void Clear();

  CActiveList* m_pList = nullptr;
  std::vector<SBucket> m_Buckets;
  // No bucket below it holds a node.
  int m_MinDegree = 0;
  std::vector<SActiveNode*> m_Fills;
  std::vector<SActiveNode*> m_Dirty;
  std::unordered_map<const CVertex3d*, SActiveNode*> m_Nodes;
};
