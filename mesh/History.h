#pragma once

#include "mesh/HistoryAction.h"

#include <memory>

// The undo history of a vertex or a face: its records in push order, as a chain from the last
// one down. An empty history is one null pointer, and a push allocates nothing beyond the
// record itself. The records are owned. The static forms work on a chain whose top pointer the
// owner keeps elsewhere (a vertex keeps it in its data word).
class CHistory
{
public:
  CHistory() = default;
  ~CHistory() { Clear(); }

  CHistory(const CHistory&) = delete;
  CHistory& operator=(const CHistory&) = delete;

  void Push(CHistoryAction* pAction) { PushOnto(m_pTop, pAction); }
  // Takes the last record off; null when there is none.
  std::unique_ptr<CHistoryAction> Pop() { return PopFrom(m_pTop); }
  const CHistoryAction* GetLast() const { return m_pTop; }
  int GetSize() const { return SizeOf(m_pTop); }
  bool IsEmpty() const { return !m_pTop; }
  void Clear() { ClearChain(m_pTop); }

  static void PushOnto(CHistoryAction*& pTop, CHistoryAction* pAction)
  {
    pAction->m_Depth = SizeOf(pTop) + 1;
    pAction->m_pBelow = pTop;
    pTop = pAction;
  }

  static std::unique_ptr<CHistoryAction> PopFrom(CHistoryAction*& pTop)
  {
    CHistoryAction* pLast = pTop;
    if (!pLast)
      return nullptr;
    pTop = pLast->m_pBelow;
    pLast->m_pBelow = nullptr;
    pLast->m_Depth = 0;
    return std::unique_ptr<CHistoryAction>(pLast);
  }

  static int SizeOf(const CHistoryAction* pTop) { return pTop ? pTop->m_Depth : 0; }

  static void ClearChain(CHistoryAction*& pTop)
  {
    while (pTop) {
      CHistoryAction* pBelow = pTop->m_pBelow;
      delete pTop;
      pTop = pBelow;
    }
  }

private:
  CHistoryAction* m_pTop = nullptr;
};
