#pragma once

#include "mesh/HistoryAction.h"

#include <memory>

// The undo history of a vertex or a face: its records in push order, as a chain from the last
// one down. An empty history is one null pointer, and a push allocates nothing beyond the
// record itself. The records are owned.
class CHistory
{
public:
  CHistory() = default;
  ~CHistory() { Clear(); }

  CHistory(const CHistory&) = delete;
  CHistory& operator=(const CHistory&) = delete;

  void Push(CHistoryAction* pAction)
  {
    pAction->m_Depth = GetSize() + 1;
    pAction->m_pBelow = m_pTop;
    m_pTop = pAction;
  }

  // Takes the last record off; null when there is none.
  std::unique_ptr<CHistoryAction> Pop()
  {
    CHistoryAction* pLast = m_pTop;
    if (!pLast)
      return nullptr;
    m_pTop = pLast->m_pBelow;
    pLast->m_pBelow = nullptr;
    pLast->m_Depth = 0;
    return std::unique_ptr<CHistoryAction>(pLast);
  }

  const CHistoryAction* GetLast() const { return m_pTop; }
  int GetSize() const { return m_pTop ? m_pTop->m_Depth : 0; }
  bool IsEmpty() const { return !m_pTop; }

  void Clear()
  {
    while (m_pTop) {
      CHistoryAction* pBelow = m_pTop->m_pBelow;
      delete m_pTop;
      m_pTop = pBelow;
    }
  }

private:
  CHistoryAction* m_pTop = nullptr;
};
