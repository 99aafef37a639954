#pragma once

#include "compression/EdgeList.h"

#include <deque>
#include <memory>

// The border loops still to conquer, first in first out: the head is the active list, new
// lists go to the tail. The stack owns its lists.
class CEdgeListStack
{
public:
  CEdgeListStack() = default;

  CEdgeListStack(const CEdgeListStack&) = delete;
  CEdgeListStack& operator=(const CEdgeListStack&) = delete;

  void AddHead(std::unique_ptr<CEdgeList> pList) { m_Lists.push_front(std::move(pList)); }
  void AddTail(std::unique_ptr<CEdgeList> pList) { m_Lists.push_back(std::move(pList)); }
  // Null on an empty stack.
  std::unique_ptr<CEdgeList> RemoveHead();
  CEdgeList* GetHead() const { return m_Lists.empty() ? nullptr : m_Lists.front().get(); }
  // The list at place i from the head (0 is the active list); null out of range.
  CEdgeList* GetAt(int i) const;
  // Takes the list at place i out of the stack; null out of range.
  std::unique_ptr<CEdgeList> RemoveAt(int i);
  int GetCount() const { return static_cast<int>(m_Lists.size()); }

private:
  std::deque<std::unique_ptr<CEdgeList>> m_Lists;
};
