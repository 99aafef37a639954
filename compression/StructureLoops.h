#pragma once

#include <deque>
#include <vector>

// The structure decoder's border loops: a first-in first-out stack of loops (the head is the
// active one) whose items are vertex indices, every loop's nodes in one shared pool. A loop is
// a ring with a head, so that "the first occurrence of an item" means what it means for a
// list that starts at its head: inserting before the head makes a new head, appending at the
// tail does not. Splits and merges relink nodes instead of copying them.
class CStructureLoops
{
public:
  static constexpr int None = -1;

  struct SLoop
  {
    int m_Head = None;
    int m_Pivot = None;
    int m_Count = 0;
  };

  void Clear();

  // --- the stack ----------------------------------------------------------------------------
  int GetCount() const { return static_cast<int>(m_Loops.size()); }
  // Place i from the head, 0 the active loop; i must be in range.
  SLoop& At(int i) { return m_Loops[static_cast<std::size_t>(i)]; }
  SLoop& Active() { return m_Loops.front(); }
  void AddHead() { m_Loops.emplace_front(); }
  void AddTail(const SLoop& loop) { m_Loops.push_back(loop); }
  // Drops the loop at place i; its nodes must have been freed or handed to another loop.
  void RemoveAt(int i) { m_Loops.erase(m_Loops.begin() + i); }

  // --- nodes ----------------------------------------------------------------------------------
  int Item(int pos) const { return m_Nodes[static_cast<std::size_t>(pos)].m_Item; }
  int Next(int pos) const { return m_Nodes[static_cast<std::size_t>(pos)].m_Next; }
  int Prev(int pos) const { return m_Nodes[static_cast<std::size_t>(pos)].m_Prev; }

  // Before pos (None only on an empty loop); before the head the new node is the head.
  int InsertBefore(SLoop& loop, int pos, int item);
  int AddTail(SLoop& loop, int item);
  void RemoveAt(SLoop& loop, int pos);
  // First position of the item from the head, None when absent.
  int Find(const SLoop& loop, int item) const;
  // Takes count nodes (0 < count < the loop's count) from first onwards out of the loop, in
  // order, as a new loop headed by first; *pAfter is the node that followed them.
  SLoop Cut(SLoop& loop, int first, int count, int* pAfter);
  // Moves the other loop's nodes, from start round to the node before it, in before pos,
  // followed by a copy of start's item; the other loop is left empty.
  void InsertLoopBefore(SLoop& loop, int pos, SLoop& other, int start);

private:
  struct SNode
  {
    int m_Item = 0;
    int m_Prev = None;
    int m_Next = None;
  };

  int NewNode(int item);
  void LinkBefore(SLoop& loop, int node, int pos);

  std::vector<SNode> m_Nodes;
  int m_FreeNode = None;
  std::deque<SLoop> m_Loops;
};
