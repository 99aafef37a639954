#pragma once

#include "compression/ActiveList.h"

#include <list>
#include <memory>

// The active lists of a conquest. The head is always the current list; a split appends its
// new list at the tail, so that it waits until the lists before it are done. Owns its lists.
class CActiveListStack
{
public:
  CActiveListStack() = default;
  CActiveListStack(const CActiveListStack&) = delete;
  CActiveListStack& operator=(const CActiveListStack&) = delete;

  CActiveList* Push(std::unique_ptr<CActiveList> pList);
  CActiveList* AddTail(std::unique_ptr<CActiveList> pList);
  // Null for an empty stack.
  std::unique_ptr<CActiveList> Pop();
  // Takes the list out of the stack; null when it is not there.
  std::unique_ptr<CActiveList> Remove(const CActiveList* pList);
  CActiveList* GetHead() const { return m_Lists.empty() ? nullptr : m_Lists.front().get(); }
  // Null past the end.
  CActiveList* GetAt(int index) const;
  int GetCount() const { return static_cast<int>(m_Lists.size()); }
  int IsEmpty() const { return m_Lists.empty() ? 1 : 0; }
  void RemoveAll() { m_Lists.clear(); }

  std::list<std::unique_ptr<CActiveList>>::const_iterator begin() const { return m_Lists.begin(); }
  std::list<std::unique_ptr<CActiveList>>::const_iterator end() const { return m_Lists.end(); }

private:
  std::list<std::unique_ptr<CActiveList>> m_Lists;
};
