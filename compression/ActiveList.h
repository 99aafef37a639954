#pragma once

#include <cstdint>
#include <memory>
#include <vector>

class CActiveListIndex;
class CVertex3d;

// One node of an active list. Besides the links it carries an order label (increasing from
// the head to the tail) and the bookkeeping of the index that follows the list while it is the
// conquest's current one.
struct SActiveNode
{
  CVertex3d* pVertex = nullptr;
  SActiveNode* pPrev = nullptr;
  SActiveNode* pNext = nullptr;
  std::uint64_t Order = 0;
  // The vertex's number in the edge table of the index that files the node (or the one it
  // was linked with); -1 when unknown.
  int VertexIndex = -1;
  // Kept by CActiveListIndex: the remaining degree the node is filed under (-1 when not
  // filed), whether it is a fill gate, whether it awaits a refresh (2: one that may take it
  // for no fill gate), and its links in its degree bucket and among the nodes of its vertex.
  int Degree = -1;
  int Fill = 0;
  int Dirty = 0;
  // The corner across the edge to the previous node's vertex of the face beyond it, and that
  // vertex's number (-2 before the index asks): the faces never change, so a fill test whose
  // previous vertex is still the same reads the apex here rather than the edge table.
  int BeyondPrev = -2;
  int BeyondApex = -1;
  SActiveNode* pBucketPrev = nullptr;
  SActiveNode* pBucketNext = nullptr;
  SActiveNode* pSamePrev = nullptr;
  SActiveNode* pSameNext = nullptr;
};

// A position in an active list: a node, or null for "none" (also the end of a walk from the
// head). Stays valid while other nodes are inserted or removed.
class CActivePosition
{
public:
  CActivePosition() = default;
  explicit CActivePosition(SActiveNode* pNode) : m_pNode(pNode) {}

  CVertex3d* operator*() const { return m_pNode->pVertex; }
  // Towards the tail; null after it.
  CActivePosition& operator++()
  {
    m_pNode = m_pNode->pNext;
    return *this;
  }
  bool operator==(const CActivePosition& other) const { return m_pNode == other.m_pNode; }
  bool operator!=(const CActivePosition& other) const { return m_pNode != other.m_pNode; }
  SActiveNode* GetNode() const { return m_pNode; }

private:
  SActiveNode* m_pNode = nullptr;
};

// A cyclic border of the conquered region: vertices in the order of the region's
// orientation, with a current position (the gate). Positions stay valid while other nodes
// are inserted or removed; a vertex may stand in the list more than once. The list does not
// own its vertices. Nodes carry labels that order them from the head, so that two positions
// compare in constant time; an attached index hears of every insertion and removal.
class CActiveList
{
public:
  using Position = CActivePosition;
  using ConstPosition = CActivePosition;

  CActiveList() = default;
  ~CActiveList();
  CActiveList(const CActiveList&) = delete;
  CActiveList& operator=(const CActiveList&) = delete;

  // The position that stands for "none": what Find answers for an absent vertex and
  // GetGate before a gate is set.
  static Position GetNull() { return Position(); }
  static int IsNull(Position pos) { return pos.GetNode() ? 0 : 1; }

  // The number, when given (>= 0), is the vertex's in the edge table of the index: an index
  // that files the node then takes it rather than reading the vertex.
  Position AddTail(CVertex3d* v, int number = -1) { return Link(v, m_pTail, nullptr, number); }
  // Before the head, the new node becomes the head.
  Position InsertBefore(Position pos, CVertex3d* v, int number = -1)
  {
    return Link(v, pos.GetNode()->pPrev, pos.GetNode(), number);
  }
  Position InsertAfter(Position pos, CVertex3d* v, int number = -1)
  {
    return Link(v, pos.GetNode(), pos.GetNode()->pNext, number);
  }
  // Removing the gate's node leaves the list without a gate.
  void RemoveAt(Position pos);
  // First occurrence from the head; the null position when absent.
  Position Find(const CVertex3d* v) const;
  // 0-based from the head; -1 for the null position.
  int IndexOfPosition(Position pos) const;
  Position GetHeadPosition() const { return Position(m_pHead); }
  int GetCount() const { return m_Count; }
  int IsEmpty() const { return m_Count == 0 ? 1 : 0; }
  CVertex3d* GetAt(Position pos) const { return *pos; }
  // 1 when a comes before b in a walk from the head.
  static int IsBefore(Position a, Position b) { return a.GetNode()->Order < b.GetNode()->Order ? 1 : 0; }

  void SetGate(Position pos) { m_Gate = pos; }
  Position GetGate() const { return m_Gate; }
  int HasGate() const { return IsNull(m_Gate) ? 0 : 1; }
  // Null when no gate is set.
  CVertex3d* GetGateVertex() const { return HasGate() ? *m_Gate : nullptr; }

  // Cyclic: after the tail comes the head, before the head the tail. The list must not be
  // empty. The end is read first, so that the choice takes no branch: the gate choice asks
  // this of nodes all along the list, where the wrap follows no pattern.
  Position GetNextPosition(Position pos) const
  {
    SActiveNode* pHead = m_pHead;
    SActiveNode* pNext = pos.GetNode()->pNext;
    return Position(pNext ? pNext : pHead);
  }
  Position GetPrevPosition(Position pos) const
  {
    SActiveNode* pTail = m_pTail;
    SActiveNode* pPrev = pos.GetNode()->pPrev;
    return Position(pPrev ? pPrev : pTail);
  }
  CVertex3d* GetNextVertex(Position pos) const { return *GetNextPosition(pos); }
  CVertex3d* GetPrevVertex(Position pos) const { return *GetPrevPosition(pos); }

  // Remaining degrees, as degree(vertex) answers them, around the position: weighted
  // n + 1 - k at k steps on either side and n at the centre, over 2n + 1.
  template <class Degree>
  float GetAverageDegree(Position pos, int n, Degree degree) const
  {
    n = n < 1 ? 1 : n;
    double sum = static_cast<double>(n) * degree(*pos);
    Position after = pos;
    Position before = pos;
    for (int k = 1; k <= n; k++) {
      after = GetNextPosition(after);
      before = GetPrevPosition(before);
      sum += static_cast<double>(n - k + 1) * (degree(*after) + degree(*before));
    }
    return static_cast<float>(sum / (2 * n + 1));
  }
  int CountVertexFlag(int state) const;
  // 1 when a walk from the head meets exactly the count of nodes.
  int Check() const;

  // Null detaches. The index must outlive the attachment.
  void SetIndex(CActiveListIndex* pIndex) { m_pIndex = pIndex; }

  Position begin() const { return GetHeadPosition(); }
  static Position end() { return Position(); }

private:
  Position Link(CVertex3d* v, SActiveNode* pPrev, SActiveNode* pNext, int number);
  // Gives the freshly linked node a label between its neighbours', spreading the labels of
  // the nodes around it when they leave no room.
  void AssignOrder(SActiveNode* pNode);
  void Relabel(SActiveNode* pNode);
  SActiveNode* NewNode();
  void FreeNode(SActiveNode* pNode);

  SActiveNode* m_pHead = nullptr;
  SActiveNode* m_pTail = nullptr;
  int m_Count = 0;
  Position m_Gate;
  CActiveListIndex* m_pIndex = nullptr;
  // Nodes come in blocks; freed ones wait in a chain through pNext.
  std::vector<std::unique_ptr<SActiveNode[]>> m_Blocks;
  SActiveNode* m_pFree = nullptr;
};
