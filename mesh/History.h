#pragma once

#include "mesh/Array3d.h"
#include "mesh/HistoryAction.h"

#include <memory>

// The undo history of a vertex or a face: its records in push order. The storage exists only
// while records are held, and the records are owned.
class CHistory
{
public:
  CHistory() = default;
  ~CHistory() { Clear(); }

  CHistory(const CHistory&) = delete;
  CHistory& operator=(const CHistory&) = delete;

  void Push(CHistoryAction* pAction)
  {
    if (!m_pArray)
      m_pArray = std::make_unique<CArray3d<CHistoryAction>>();
    m_pArray->Add(pAction);
  }

  // Takes the last record off; null when there is none.
  std::unique_ptr<CHistoryAction> Pop()
  {
    if (!m_pArray)
      return nullptr;
    const int size = m_pArray->GetSize();
    std::unique_ptr<CHistoryAction> pLast(size > 0 ? m_pArray->GetAt(size - 1) : nullptr);
    if (size > 0)
      m_pArray->RemoveAt(size - 1);
    if (m_pArray->GetSize() == 0)
      m_pArray.reset();
    return pLast;
  }

  const CHistoryAction* GetLast() const
  {
    return IsEmpty() ? nullptr : m_pArray->GetAt(m_pArray->GetSize() - 1);
  }
  int GetSize() const { return m_pArray ? m_pArray->GetSize() : 0; }
  bool IsEmpty() const { return GetSize() == 0; }

  void Clear()
  {
    if (m_pArray)
      m_pArray->DeleteAll();
    m_pArray.reset();
  }

private:
  std::unique_ptr<CArray3d<CHistoryAction>> m_pArray;
};
