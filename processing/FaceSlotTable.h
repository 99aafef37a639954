#pragma once

#include "mesh/PointerHash.h"

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

class CFace3d;

// The slots of the candidates on each face: open addressing on the face's address, so that a
// lookup reads one line instead of walking a bucket's chain. A face once entered keeps its
// place; forgetting it empties its list (which keeps its buffer for a face at the same address).
class CFaceSlotTable
{
public:
  // The face's list; null when the face was never entered (an empty list after Forget).
  const std::vector<int>* Find(const CFace3d* pFace) const
  {
    if (!pFace || m_Entries.empty())
      return nullptr;
    const SEntry& entry = m_Entries[Probe(pFace)];
    return entry.pFace == pFace ? &entry.list : nullptr;
  }
  std::vector<int>* Find(const CFace3d* pFace)
  {
    return const_cast<std::vector<int>*>(std::as_const(*this).Find(pFace));
  }

  // The face's list, entered empty when new.
  std::vector<int>& At(const CFace3d* pFace)
  {
    if (2 * (m_Used + 1) > m_Entries.size())
      Grow();
    SEntry& entry = m_Entries[Probe(pFace)];
    if (!entry.pFace) {
      entry.pFace = pFace;
      m_Used++;
    }
    return entry.list;
  }

  void Forget(const CFace3d* pFace)
  {
    if (std::vector<int>* pSlots = Find(pFace))
      pSlots->clear();
  }

  void Clear()
  {
    m_Entries.clear();
    m_Used = 0;
  }

private:
  struct SEntry
  {
    const CFace3d* pFace = nullptr;
    std::vector<int> list;
  };

  // The face's entry, or the empty one where it would go.
  std::size_t Probe(const CFace3d* pFace) const
  {
    const std::size_t mask = m_Entries.size() - 1;
    std::size_t i = PointerHome(pFace) & mask;
    while (m_Entries[i].pFace && m_Entries[i].pFace != pFace)
      i = (i + 1) & mask;
    return i;
  }

  void Grow()
  {
    std::vector<SEntry> old = std::move(m_Entries);
    m_Entries.clear();
    m_Entries.resize(old.empty() ? 64 : 2 * old.size());
    for (SEntry& entry : old)
      if (entry.pFace)
        m_Entries[Probe(entry.pFace)] = std::move(entry);
  }

  std::vector<SEntry> m_Entries;
  std::size_t m_Used = 0;
};
