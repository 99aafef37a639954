#pragma once

#include <cstddef>
#include <deque>

class CEdge3d;
class CVertex3d;

// Doubly linked list of vertex pointers seen as a closed loop: the item after the tail is the
// head. Positions are node handles, null for "none"; a position stays valid until its own item
// is removed. Nodes come from a pool that the list owns, so removing and inserting does not
// allocate once the list has grown. Items are not owned.
class CLoopList
{
public:
  struct CNode
  {
    CVertex3d* m_pItem = nullptr;
    CNode* m_pPrev = nullptr;
    CNode* m_pNext = nullptr;
  };
  using POSITION = CNode*;

  CLoopList() = default;
  virtual ~CLoopList() = default;

  CLoopList(const CLoopList&) = delete;
  CLoopList& operator=(const CLoopList&) = delete;

  // --- list ---------------------------------------------------------------------------------
  int GetCount() const { return m_Count; }
  int IsEmpty() const { return m_Count == 0 ? 1 : 0; }
  POSITION GetHeadPosition() const { return m_pHead; }
  POSITION GetTailPosition() const { return m_pTail; }
  CVertex3d* GetHead() const { return m_pHead ? m_pHead->m_pItem : nullptr; }
  CVertex3d* GetTail() const { return m_pTail ? m_pTail->m_pItem : nullptr; }
  static CVertex3d* GetAt(POSITION pos) { return pos ? pos->m_pItem : nullptr; }
  static void SetAt(POSITION pos, CVertex3d* item) { pos->m_pItem = item; }
  POSITION AddHead(CVertex3d* item) { return InsertBefore(m_pHead, item); }
  POSITION AddTail(CVertex3d* item) { return InsertAfter(m_pTail, item); }
  // Before or after pos; a null pos on an empty list makes the first node.
  POSITION InsertBefore(POSITION pos, CVertex3d* item);
  POSITION InsertAfter(POSITION pos, CVertex3d* item);
  void RemoveAt(POSITION pos);
  CVertex3d* RemoveHead();
  void RemoveAll();
  // Copies the loop of the other list, from start round to start again (its first item
  // twice), in before pos; answers the position of the first copy.
  POSITION InsertLoopBefore(POSITION pos, const CLoopList& from, POSITION start);
  // First position of the item, null when absent.
  POSITION Find(const CVertex3d* item) const;

  // --- loop view ----------------------------------------------------------------------------
  void RemoveItem(const CVertex3d* item);
  POSITION GetPrevPos(POSITION pos) const { return pos->m_pPrev ? pos->m_pPrev : m_pTail; }
  POSITION GetNextPos(POSITION pos) const { return pos->m_pNext ? pos->m_pNext : m_pHead; }
  CVertex3d* GetPrevItem(POSITION pos) const { return GetPrevPos(pos)->m_pItem; }
  CVertex3d* GetNextItem(POSITION pos) const { return GetNextPos(pos)->m_pItem; }
  CVertex3d* GetPrevInLoop(const CVertex3d* item) const;
  CVertex3d* GetNextInLoop(const CVertex3d* item) const;
  // 1 when the edge's second vertex is next to the first occurrence of its first vertex.
  int IsEdgeOfLoop(const CEdge3d* pEdge) const;
  // Vertex flags are compared as signed bytes, the width the loop's marks have.
  int CountFlag(int flag) const;
  int CountItem(const CVertex3d* item) const;

private:
  CNode* NewNode(CVertex3d* item);
  void Link(CNode* pNode, CNode* pPrev, CNode* pNext);

  std::deque<CNode> m_Pool;
  CNode* m_pFree = nullptr;
  CNode* m_pHead = nullptr;
  CNode* m_pTail = nullptr;
  int m_Count = 0;
};
