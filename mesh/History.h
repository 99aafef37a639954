#pragma once

#include "mesh/HistoryAction.h"

#include <memory>

// The undo history of a vertex or a face: its records in push order, as a chain from the last
// one down. An empty history is one null pointer, and a push allocates nothing beyond the
// record itself. The records are owned. The static forms work on a chain whose top pointer the
// owner keeps elsewhere (a vertex keeps it in its data word). A shared creation record
// (CHistoryAction::Created) is kept as it is at the bottom of a history, never written nor
// freed; pushed above other records, it is pushed as a record of its own.
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
    if (pAction->m_Shared) {
      if (!pTop) {
        pTop = pAction;
        return;
      }
      pAction = new CHistoryAction(pAction->m_Type);
    }
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
    if (pLast->m_Shared)
      return std::make_unique<CHistoryAction>(pLast->m_Type);
    pLast->m_pBelow = nullptr;
    pLast->m_Depth = 0;
    return std::unique_ptr<CHistoryAction>(pLast);
  }

  static int SizeOf(const CHistoryAction* pTop) { return pTop ? pTop->m_Depth : 0; }

  static void ClearChain(CHistoryAction*& pTop)
  {
    while (pTop) {
      CHistoryAction* pBelow = pTop->m_pBelow;
      if (!pTop->m_Shared)
        delete pTop;
      pTop = pBelow;
    }
  }

private:
  CHistoryAction* m_pTop = nullptr;
};
