#pragma once

#include "mesh/Prefetch.h"
#include "processing/CollapseQueue.h"
#include "processing/EdgeCollapse.h"
#include "processing/FaceSlotTable.h"

#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <vector>

class CFace3d;
class CHashTable;
class CMesh3d;
class CNearestFaceSearch;

// The edge-collapse candidates of a mesh and the parameters of their L2 measure. It owns its
// candidates. The minimum search keeps the first of equal costs in insertion order.
//
// The candidates sit in slots numbered in insertion order; a removal empties its slot. Each
// candidate writes its slot to the log when its cost, validity or mark changes, so that the
// minimum (a lazy queue keyed on cost and slot), Update and CalculateEnergyL1 look only at the
// candidates that changed since they last ran. Every face lists the slots of its candidates.
class CArrayEdgeCollapse
{
public:
  CArrayEdgeCollapse() = default;
  ~CArrayEdgeCollapse();

  CArrayEdgeCollapse(const CArrayEdgeCollapse&) = delete;
  CArrayEdgeCollapse& operator=(const CArrayEdgeCollapse&) = delete;

  int GetSize() const { return m_Live; }
  // The i-th candidate in insertion order.
  CEdgeCollapse* GetAt(int i) const;
  // Takes ownership; returns the index.
  int Add(CEdgeCollapse* pCandidate);
  // Makes a candidate in the array's own storage (CEdgeCollapse's constructors) and adds it;
  // returns it. Storage of removed candidates is used again, so that a run of collapses does
  // not ask the heap for a block per new candidate.
  template <class... Args>
  CEdgeCollapse* Emplace(Args&&... args);

  const CEdgeCollapse::SDescent& GetDescent() const { return m_Descent; }
  float GetSharpThreshold() const { return m_SharpThreshold; }

  // Stores the parameters, then one candidate per pair of neighbour faces that both have three
  // neighbours, each pair once. Returns the number of candidates added.
  int Fill(CMesh3d* pMesh, double step, double epsilon, double weight, int maxIterations,
           float factorKept, float factorRaised, float minStep, float maxStep,
           float sharpThreshold);
  // Whether the candidates that Fill makes carry face copies (the L1 measure needs them, the
  // L2 measure does not); on by default.
  void SetFaceCopies(int faceCopies)
  {
    m_Keep = faceCopies ? CEdgeCollapse::EKeep::Copies : CEdgeCollapse::EKeep::List;
  }
  // What the candidates that Fill makes keep of their one-ring (CEdgeCollapse::EKeep).
  void SetKeep(CEdgeCollapse::EKeep keep) { m_Keep = keep; }
  CEdgeCollapse::EKeep GetKeep() const { return m_Keep; }
  // One candidate per face and non-null neighbour: each pair twice, once from each side.
  int FillAllPairs(CMesh3d* pMesh);
  // Candidates with disjoint surroundings: after each, the faces around both its vertices get
  // flag 1 and take part in no later candidate. Face flags are left set.
  int FillIndependant(CMesh3d* pMesh);

  // The L2 measure on every candidate with the stored parameters.
  void CalculateEnergy(CHashTable* pHash);
  void CalculateEnergy(CNearestFaceSearch* pSearch);
  // The L1 measure on every valid candidate not yet computed (not marked).
  void CalculateEnergyL1(CMesh3d* pMesh, CMesh3d* pReference, CHashTable* pHash, int useHash,
                         float epsilon, int maxIterations, int samplesPerFace, float initialStep,
                         float decreaseFactor, float minStep, float sharpThreshold,
                         int facesPerSearch);
  // With deferral on, CalculateEnergyL1 leaves the optimisation of each candidate it computes
  // pending (CEdgeCollapse::PrepareCostL1) until SettleL1 runs it with the parameters of the
  // last CalculateEnergyL1: the same optimal vertex, for only the candidates that are collapsed.
  void SetDeferL1(int defer) { m_DeferL1 = defer; }
  int SettleL1(CEdgeCollapse* pCandidate) { return pCandidate->SettleL1(m_OptimisationL1); }
  // With deferral on, CalculateEnergy and Update leave the L2 measure of each candidate pending
  // (CEdgeCollapse::PrepareCostL2, a floor as cost) until SettleL2 runs it.
  void SetDeferL2(int defer) { m_DeferL2 = defer; }
  int SettleL2(CEdgeCollapse* pCandidate, CNearestFaceSearch* pSearch)
  {
    return pCandidate->SettleL2(pSearch, m_Descent);
  }
  // Recomputes the marked candidates (clearing their marks); those whose faces no longer share
  // an edge become invalid. Returns how many were recomputed; *pTotal gets their iterations.
  int Update(CHashTable* pHash, int* pTotal);
  int Update(CNearestFaceSearch* pSearch, int* pTotal);

  // The valid candidate of smallest cost, left in the array; null when none.
  CEdgeCollapse* GetMin() const;
  // The same among the candidates that isUsable(candidate) accepts. A refused candidate is set
  // aside until UnblockOnFace hands it back (after an edit around it) or its cost, mark or
  // validity changes.
  template <class Usable>
  CEdgeCollapse* GetMin(Usable isUsable) const;
  // The same, with isKnownRefused(candidate) asked of each candidate as it enters the search:
  // one it accepts is set aside at once, without going through the heap. It must accept only
  // candidates that isUsable would refuse whenever they came up before their next hand-back
  // or change, so that the search picks what GetMin(isUsable) would.
  template <class Usable, class KnownRefused>
  CEdgeCollapse* GetMin(Usable isUsable, KnownRefused isKnownRefused) const;
  // Hands the set-aside candidates on the face back to the minimum search; returns how many.
  int UnblockOnFace(const CFace3d* pFace);
  // The same for those of them that isAffected(candidate) accepts.
  template <class Affected>
  int UnblockOnFace(const CFace3d* pFace, Affected isAffected);
  // The same for the candidate at the slot (CEdgeCollapse::GetSlot); 1 when handed back.
  template <class Affected>
  int UnblockAt(int slot, Affected isAffected);
  // The candidate at the slot, null when removed; whether it waits aside.
  CEdgeCollapse* AtSlot(int slot) const { return m_Slots[static_cast<size_t>(slot)]; }
  int IsBlockedAt(int slot) const
  {
    const CEdgeCollapse* c = AtSlot(slot);
    return c && m_Queue.IsBlocked(c, slot) ? 1 : 0;
  }
  // Deletes every candidate on either face; returns the size left.
  int RemoveFaces(const CFace3d* pFace1, const CFace3d* pFace2);
  // Starts loading the face's list of slots.
  void PrefetchFace(const CFace3d* pFace) const { m_SlotsOfFace.Prefetch(pFace); }
  // Starts loading the candidates on the face, whose list was asked for before.
  void PrefetchCandidatesOn(const CFace3d* pFace) const;
  // Marks every candidate on the face; returns how many.
  int SetComputedOnFace(const CFace3d* pFace, int mark);
  void FreeArrayNeighbor();

private:

  // The live slots logged since the cursor, each once and in slot order; the cursor moves to
  // the end. A cursor of -1 (a search that never ran) gives every live slot.
  // The list is a buffer of the array, refilled by the next call: no caller takes the log
  // while walking it.
  const std::vector<int>& TakeLogged(int* pCursor) const;
  // Forgets the log up to the cursors that every search has passed.
  void TrimLog() const;
  // Closes the empty slots (renumbering the rest in order) and starts the searches afresh.
  void Compact() const;
  void ListFaces(int slot) const;
  // Deletes the candidate at the slot, made by Emplace or given to Add.
  void Destroy(int slot) const;
  void* TakeBlock();

  // Storage for one candidate; chunks of them, with the blocks of removed candidates listed.
  // Each starts a cache line, so that the fields read first share one.
  struct alignas(64) SBlock
  {
    unsigned char bytes[sizeof(CEdgeCollapse)];
  };
  static constexpr int kChunk = 256;
  std::vector<std::unique_ptr<SBlock[]>> m_Chunks;
  int m_ChunkUsed = kChunk;
  mutable std::vector<void*> m_FreeBlocks;
  // Ring buffers of removed candidates, for those made next (a few per collapse go and come).
  static constexpr std::size_t kMostSpareRings = 256;
  mutable std::vector<std::vector<float>> m_SpareRings;
  // Per slot, whether its candidate lives in that storage.
  mutable std::vector<bool> m_Emplaced;

  mutable std::vector<CEdgeCollapse*> m_Slots;
  mutable CFaceSlotTable m_SlotsOfFace;
  mutable std::vector<int> m_Log;
  mutable std::vector<int> m_Taken;
  // Per slot, the stamp of the last TakeLogged that took it.
  mutable std::vector<std::uint32_t> m_TakenStamp;
  mutable std::uint32_t m_Stamp = 0;
  // Per slot, the candidate's key as its queue compares it (see CEdgeCollapse::SetLog).
  mutable std::vector<double> m_Keys;
  mutable CCollapseQueue<CEdgeCollapse, double> m_Queue;
  mutable int m_HeapCursor = -1;
  mutable int m_UpdateCursor = -1;
  mutable int m_EnergyCursor = -1;
  int m_Live = 0;
  CEdgeCollapse::SDescent m_Descent;
  float m_SharpThreshold = 0.6f;
  int m_DeferL1 = 0;
  int m_DeferL2 = 0;
  CEdgeCollapse::EKeep m_Keep = CEdgeCollapse::EKeep::Copies;
  CEdgeCollapse::SOptimisationL1 m_OptimisationL1;
};

template <class... Args>
CEdgeCollapse* CArrayEdgeCollapse::Emplace(Args&&... args)
{
  void* pBlock = TakeBlock();
  CEdgeCollapse* pCandidate = nullptr;
  try {
    pCandidate = new (pBlock) CEdgeCollapse(std::forward<Args>(args)...);
  } catch (...) {
    m_FreeBlocks.push_back(pBlock);
    throw;
  }
  if (!m_SpareRings.empty() && pCandidate->AdoptRingStorage(&m_SpareRings.back()))
    m_SpareRings.pop_back();
  Add(pCandidate);
  m_Emplaced.back() = true;
  return pCandidate;
}

template <class Usable>
CEdgeCollapse* CArrayEdgeCollapse::GetMin(Usable isUsable) const
{
  return GetMin(isUsable, [](const CEdgeCollapse*) { return false; });
}

template <class Usable, class KnownRefused>
CEdgeCollapse* CArrayEdgeCollapse::GetMin(Usable isUsable, KnownRefused isKnownRefused) const
{
  const std::vector<int>& logged = TakeLogged(&m_HeapCursor);
  const std::size_t n = logged.size();
  for (std::size_t k = 0; k < n; k++) {
    // The candidates are scattered: the one two ahead is fetched while this one is judged.
    if (k + 2 < n)
      PrefetchLine(m_Slots[static_cast<std::size_t>(logged[k + 2])]);
    const int slot = logged[k];
    CEdgeCollapse* c = m_Slots[static_cast<std::size_t>(slot)];
    if (!c->IsValid()) {
      m_Queue.Unqueue(slot);
      continue;
    }
    if (m_Queue.CanSetAside(c, c->GetCost(), slot) && isKnownRefused(c))
      m_Queue.SetAside(c, slot);
    else
      m_Queue.Push(c, c->GetCost(), slot);
  }
  TrimLog();
  // Entries of a candidate that went, turned invalid or changed its cost since are dropped;
  // the slot's key says so without reading the candidate, which a removal has deleted. Every
  // candidate changed since the last search was pushed, set aside or unqueued above, and the
  // usability test changes no cost but by settling the candidate it is given.
  const auto isCurrent = [this](double key, std::int64_t slot) {
    return m_Keys[static_cast<size_t>(slot)] == key;
  };
  // A live candidate has one current entry: once most entries are stale, they all go at once,
  // which costs a pass over the heap per as many pushes, and the pops that follow go through
  // a heap a fraction of the size.
  constexpr std::size_t kLeastDrop = 1024;
  if (m_Queue.GetSize() > 2 * static_cast<std::size_t>(m_Live) + kLeastDrop)
    m_Queue.DropStale(isCurrent);
  CEdgeCollapse* pMin = m_Queue.TopByKey(isCurrent, isUsable);
  if (!pMin || !(pMin->GetCost() < 3.4e38))
    return nullptr;
  return pMin;
}

template <class Affected>
int CArrayEdgeCollapse::UnblockAt(int slot, Affected isAffected)
{
  CEdgeCollapse* c = AtSlot(slot);
  if (!c || !m_Queue.IsBlocked(c, slot) || !c->IsValid() || !isAffected(c))
    return 0;
  m_Queue.Unblock(c, c->GetCost(), slot);
  return 1;
}

template <class Affected>
int CArrayEdgeCollapse::UnblockOnFace(const CFace3d* pFace, Affected isAffected)
{
  if (!m_Queue.HasBlocked())
    return 0;
  const CFaceSlotList* pSlots = m_SlotsOfFace.Find(pFace);
  if (!pSlots)
    return 0;
  int n = 0;
  for (const int slot : *pSlots) {
    CEdgeCollapse* c = m_Slots[slot];
    if (c && m_Queue.IsBlocked(c, slot) && c->IsValid() && isAffected(c)) {
      m_Queue.Unblock(c, c->GetCost(), slot);
      n++;
    }
  }
  return n;
}
