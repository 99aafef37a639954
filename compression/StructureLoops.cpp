#include "compression/StructureLoops.h"

void CStructureLoops::Clear()
{
  m_Nodes = {};
  m_FreeNode = None;
  m_Loops = {};
}

int CStructureLoops::NewNode(int item)
{
  int node = m_FreeNode;
  if (node != None) {
    m_FreeNode = m_Nodes[static_cast<std::size_t>(node)].m_Next;
  } else {
    node = static_cast<int>(m_Nodes.size());
    m_Nodes.emplace_back();
  }
  m_Nodes[static_cast<std::size_t>(node)].m_Item = item;
  return node;
}

// Links node before pos in the ring, or as the only node of an empty loop.
void CStructureLoops::LinkBefore(SLoop& loop, int node, int pos)
{
  SNode& n = m_Nodes[static_cast<std::size_t>(node)];
  loop.m_Count++;
  if (pos == None) {
    n.m_Prev = n.m_Next = node;
    loop.m_Head = node;
    return;
  }
  const int prev = Prev(pos);
  n.m_Prev = prev;
  n.m_Next = pos;
  m_Nodes[static_cast<std::size_t>(prev)].m_Next = node;
  m_Nodes[static_cast<std::size_t>(pos)].m_Prev = node;
}

int CStructureLoops::InsertBefore(SLoop& loop, int pos, int item)
{
  const int node = NewNode(item);
  const bool head = pos == loop.m_Head;
  LinkBefore(loop, node, pos);
  if (head)
    loop.m_Head = node;
  return node;
}

int CStructureLoops::AddTail(SLoop& loop, int item)
{
  const int node = NewNode(item);
  LinkBefore(loop, node, loop.m_Head);
  return node;
}

void CStructureLoops::RemoveAt(SLoop& loop, int pos)
{
  const int prev = Prev(pos);
  const int next = Next(pos);
  loop.m_Count--;
  if (loop.m_Count == 0) {
    loop.m_Head = None;
  } else {
    m_Nodes[static_cast<std::size_t>(prev)].m_Next = next;
    m_Nodes[static_cast<std::size_t>(next)].m_Prev = prev;
    if (loop.m_Head == pos)
      loop.m_Head = next;
  }
  m_Nodes[static_cast<std::size_t>(pos)].m_Next = m_FreeNode;
  m_FreeNode = pos;
}

int CStructureLoops::Find(const SLoop& loop, int item) const
{
  int pos = loop.m_Head;
  for (int i = 0; i < loop.m_Count; i++, pos = Next(pos))
    if (Item(pos) == item)
      return pos;
  return None;
}

CStructureLoops::SLoop CStructureLoops::Cut(SLoop& loop, int first, int count, int* pAfter)
{
  const int before = Prev(first);
  // The ends of the cut, found by walking the shorter of the cut and the rest. When the loop's
  // head goes with the cut, the first node left becomes the head, as it would for a list whose
  // nodes are removed one by one.
  int last = first;
  int after = None;
  bool takesHead = false;
  const int rest = loop.m_Count - count;
  if (count <= rest) {
    takesHead = first == loop.m_Head;
    for (int i = 1; i < count; i++) {
      last = Next(last);
      takesHead = takesHead || last == loop.m_Head;
    }
    after = Next(last);
  } else {
    after = before;
    bool restHasHead = before == loop.m_Head;
    for (int i = 1; i < rest; i++) {
      after = Prev(after);
      restHasHead = restHasHead || after == loop.m_Head;
    }
    last = Prev(after);
    takesHead = !restHasHead;
  }
  m_Nodes[static_cast<std::size_t>(before)].m_Next = after;
  m_Nodes[static_cast<std::size_t>(after)].m_Prev = before;
  m_Nodes[static_cast<std::size_t>(first)].m_Prev = last;
  m_Nodes[static_cast<std::size_t>(last)].m_Next = first;
  loop.m_Count = rest;
  if (takesHead)
    loop.m_Head = after;
  *pAfter = after;
  SLoop cut;
  cut.m_Head = first;
  cut.m_Count = count;
  return cut;
}

void CStructureLoops::InsertLoopBefore(SLoop& loop, int pos, SLoop& other, int start)
{
  const int item = Item(start);
  const int last = Prev(start);
  const int prev = Prev(pos);
  m_Nodes[static_cast<std::size_t>(prev)].m_Next = start;
  m_Nodes[static_cast<std::size_t>(start)].m_Prev = prev;
  m_Nodes[static_cast<std::size_t>(last)].m_Next = pos;
  m_Nodes[static_cast<std::size_t>(pos)].m_Prev = last;
  loop.m_Count += other.m_Count;
  if (loop.m_Head == pos)
    loop.m_Head = start;
  other = SLoop();
  const int copy = NewNode(item);
  LinkBefore(loop, copy, pos);
}
