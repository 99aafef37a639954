#include "processing/ArrayEdgeCollapse.h"

#include "mesh/Face3d.h"
#include "mesh/Mesh3d.h"
#include "mesh/Prefetch.h"
#include "processing/NearestFaceSearch.h"

#include <algorithm>
#include <limits>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace {
// The unordered pairs of faces entered, by open addressing on the two addresses: Fill asks once
// per side of every face.
class CFacePairSet
{
public:
  explicit CFacePairSet(std::size_t expected) { Resize(expected); }

  // False when the pair, in either order, is in already.
  bool Insert(const CFace3d* a, const CFace3d* b)
  {
    if (b < a)
      std::swap(a, b);
    if (2 * (m_Used + 1) > m_Entries.size())
      Resize(2 * m_Entries.size());
    SEntry& entry = m_Entries[Probe(a, b)];
    if (entry.used)
      return false;
    entry = {a, b, true};
    m_Used++;
    return true;
  }

private:
  struct SEntry
  {
    const CFace3d* a = nullptr;
    const CFace3d* b = nullptr;
    bool used = false;
  };

  std::size_t Probe(const CFace3d* a, const CFace3d* b) const
  {
    const auto bitsA = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(a));
    const auto bitsB = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(b));
    const std::uint64_t mixed = (bitsA * 0x9E3779B97F4A7C15ull) ^ (bitsB * 0xC2B2AE3D27D4EB4Full);
    std::size_t i = static_cast<std::size_t>(mixed >> 29) & m_Mask;
    while (m_Entries[i].used && (m_Entries[i].a != a || m_Entries[i].b != b))
      i = (i + 1) & m_Mask;
    return i;
  }

  void Resize(std::size_t expected)
  {
    std::size_t size = 16;
    while (size < 2 * expected)
      size *= 2;
    std::vector<SEntry> old(size);
    old.swap(m_Entries);
    m_Mask = size - 1;
    for (const SEntry& entry : old)
      if (entry.used)
        m_Entries[Probe(entry.a, entry.b)] = entry;
  }

  std::vector<SEntry> m_Entries;
  std::size_t m_Mask = 0;
  std::size_t m_Used = 0;
};
} // namespace

CArrayEdgeCollapse::~CArrayEdgeCollapse()
{
  for (int slot = 0; slot < static_cast<int>(m_Slots.size()); slot++)
    Destroy(slot);
}

void CArrayEdgeCollapse::Destroy(int slot) const
{
  CEdgeCollapse* c = m_Slots[static_cast<size_t>(slot)];
  if (!c)
    return;
  if (!m_Emplaced[static_cast<size_t>(slot)]) {
    delete c;
    return;
  }
  // The ring's buffer goes to the next candidate made here, rather than back to the heap.
  if (m_SpareRings.size() < kMostSpareRings)
    m_SpareRings.push_back(c->TakeRingStorage());
  c->~CEdgeCollapse();
  m_FreeBlocks.push_back(c);
}

void* CArrayEdgeCollapse::TakeBlock()
{
  if (!m_FreeBlocks.empty()) {
    void* pBlock = m_FreeBlocks.back();
    m_FreeBlocks.pop_back();
    return pBlock;
  }
  if (m_ChunkUsed == kChunk) {
    m_Chunks.push_back(std::make_unique_for_overwrite<SBlock[]>(kChunk));
    m_ChunkUsed = 0;
  }
  return &m_Chunks.back()[static_cast<size_t>(m_ChunkUsed++)];
}

CEdgeCollapse* CArrayEdgeCollapse::GetAt(int i) const
{
  if (m_Live != static_cast<int>(m_Slots.size()))
    Compact();
  return m_Slots[i];
}

int CArrayEdgeCollapse::Add(CEdgeCollapse* pCandidate)
{
  const int slot = static_cast<int>(m_Slots.size());
  m_Slots.push_back(pCandidate);
  m_Emplaced.push_back(false);
  m_Live++;
  m_Keys.push_back(0.0);
  pCandidate->SetLog(&m_Log, &m_Keys, slot);
  m_Log.push_back(slot);
  ListFaces(slot);
  return m_Live - 1;
}

void CArrayEdgeCollapse::ListFaces(int slot) const
{
  const CEdgeCollapse* c = m_Slots[slot];
  for (int side = 0; side < 2; side++)
    if (c->GetFace(side) && (side == 0 || c->GetFace(1) != c->GetFace(0))) {
      m_SlotsOfFace.At(c->GetFace(side)).push_back(slot);
    }
}

void CArrayEdgeCollapse::Compact() const
{
  size_t kept = 0;
  for (size_t slot = 0; slot < m_Slots.size(); slot++)
    if (m_Slots[slot]) {
      m_Slots[kept] = m_Slots[slot];
      m_Emplaced[kept] = m_Emplaced[slot];
      kept++;
    }
  m_Slots.resize(kept);
  m_Emplaced.resize(kept);
  m_SlotsOfFace.Clear();
  m_Log.clear();
  m_Queue.Clear();
  m_HeapCursor = m_UpdateCursor = m_EnergyCursor = -1;
  m_Keys.resize(m_Slots.size());
  for (int slot = 0; slot < static_cast<int>(m_Slots.size()); slot++) {
    m_Slots[slot]->SetLog(&m_Log, &m_Keys, slot);
    ListFaces(slot);
  }
}

const std::vector<int>& CArrayEdgeCollapse::TakeLogged(int* pCursor) const
{
  std::vector<int>& slots = m_Taken;
  slots.clear();
  if (*pCursor < 0) {
    for (int slot = 0; slot < static_cast<int>(m_Slots.size()); slot++)
      if (m_Slots[slot])
        slots.push_back(slot);
  } else {
    // A slot is often logged several times over (cost, mark, validity): it is taken once, by
    // its stamp, and only the distinct slots are sorted.
    if (m_TakenStamp.size() < m_Slots.size())
      m_TakenStamp.resize(m_Slots.size(), 0);
    if (++m_Stamp == 0) {
      std::fill(m_TakenStamp.begin(), m_TakenStamp.end(), 0u);
      m_Stamp = 1;
    }
    for (size_t i = static_cast<size_t>(*pCursor); i < m_Log.size(); i++) {
      const int slot = m_Log[i];
      if (m_Slots[slot] && m_TakenStamp[static_cast<size_t>(slot)] != m_Stamp) {
        m_TakenStamp[static_cast<size_t>(slot)] = m_Stamp;
        slots.push_back(slot);
      }
    }
    std::sort(slots.begin(), slots.end());
  }
  *pCursor = static_cast<int>(m_Log.size());
  return slots;
}

void CArrayEdgeCollapse::TrimLog() const
{
  const int size = static_cast<int>(m_Log.size());
  for (const int* cursor : {&m_HeapCursor, &m_UpdateCursor, &m_EnergyCursor})
    if (*cursor >= 0 && *cursor < size)
      return;
  m_Log.clear();
  for (int* cursor : {&m_HeapCursor, &m_UpdateCursor, &m_EnergyCursor})
    if (*cursor >= 0)
      *cursor = 0;
}

int CArrayEdgeCollapse::Fill(CMesh3d* pMesh, double step, double epsilon, double weight,
                             int maxIterations, float factorKept, float factorRaised,
                             float minStep, float maxStep, float sharpThreshold)
{
  m_Descent = CEdgeCollapse::SDescent{step,         epsilon, weight,  maxIterations,
                                      factorKept,   factorRaised, minStep, maxStep};
  m_SharpThreshold = sharpThreshold;
  if (!pMesh)
    return 0;
  // The pairs already entered, in either order, so that the test stays linear in the mesh.
  const std::size_t expected = static_cast<std::size_t>(m_Live) + 3 * static_cast<std::size_t>(pMesh->NbFace()) / 2;
  CFacePairSet entered(expected);
  // Room for a candidate per edge at once: these arrays are read on every search.
  m_Slots.reserve(m_Slots.size() + expected);
  m_Keys.reserve(m_Keys.size() + expected);
  m_SlotsOfFace.Reserve(static_cast<std::size_t>(pMesh->NbFace()));
  for (const CEdgeCollapse* c : m_Slots)
    if (c)
      entered.Insert(c->GetFace(0), c->GetFace(1));
  int added = 0;
  for (int i = 0; i < pMesh->NbFace(); i++) {
    CFace3d* f = pMesh->GetFace(i);
    if (f->NbFaceNeighbor() != 3)
      continue;
    for (int k = 0; k < 3; k++) {
      CFace3d* g = f->f(k);
      if (!g || g->NbFaceNeighbor() != 3 || !entered.Insert(f, g))
        continue;
      Emplace(f, g, m_Keep);
      added++;
    }
  }
  return added;
}

int CArrayEdgeCollapse::FillAllPairs(CMesh3d* pMesh)
{
  if (!pMesh)
    return 0;
  int added = 0;
  for (int i = 0; i < pMesh->NbFace(); i++) {
    CFace3d* f = pMesh->GetFace(i);
    for (int k = 0; k < 3; k++)
      if (f->f(k)) {
        Emplace(f, f->f(k));
        added++;
      }
  }
  return added;
}

int CArrayEdgeCollapse::FillIndependant(CMesh3d* pMesh)
{
  if (!pMesh)
    return 0;
  int added = 0;
  for (int i = 0; i < pMesh->NbFace(); i++) {
    CFace3d* f = pMesh->GetFace(i);
    if (f->GetFlag() == 1)
      continue;
    for (int k = 0; k < 3; k++) {
      CFace3d* g = f->f(k);
      if (!g || g->GetFlag() == 1)
        continue;
      CEdgeCollapse* pCandidate = Emplace(f, g);
      added++;
      if (pCandidate->GetVertex1())
        pCandidate->GetVertex1()->SetFlagFaceNeighbors(1);
      if (pCandidate->GetVertex2())
        pCandidate->GetVertex2()->SetFlagFaceNeighbors(1);
    }
  }
  return added;
}

void CArrayEdgeCollapse::CalculateEnergy(CHashTable* pHash)
{
  CNearestFaceSearch search(pHash);
  CalculateEnergy(&search);
}

void CArrayEdgeCollapse::CalculateEnergy(CNearestFaceSearch* pSearch)
{
  for (CEdgeCollapse* c : m_Slots) {
    if (!c)
      continue;
    if (m_DeferL2)
      c->PrepareCostL2(m_Descent.weight);
    else
      c->CalculateCost(pSearch, m_Descent);
  }
}

void CArrayEdgeCollapse::CalculateEnergyL1(CMesh3d* /*pMesh*/, CMesh3d* pReference,
                                           CHashTable* pHash, int useHash, float epsilon,
                                           int maxIterations, int samplesPerFace,
                                           float initialStep, float decreaseFactor,
                                           float minStep, float sharpThreshold,
                                           int facesPerSearch)
{
  // Without a reference nothing is computed, and every candidate stays due for the next call.
  if (!pReference || (useHash && !pHash))
    return;
  m_OptimisationL1 = {pReference,    pHash,       useHash,        epsilon, maxIterations,
                       samplesPerFace, initialStep, decreaseFactor, minStep};
  // A candidate computed once keeps its mark until it changes, which logs it.
  for (const int slot : TakeLogged(&m_EnergyCursor)) {
    CEdgeCollapse* c = m_Slots[slot];
    if (!c->IsValid() || c->GetMark())
      continue;
    if (m_DeferL1)
      c->PrepareCostL1(sharpThreshold);
    else
      c->CalculateCostL1(pReference, pHash, useHash, epsilon, maxIterations, samplesPerFace,
                         initialStep, decreaseFactor, minStep, sharpThreshold, facesPerSearch);
  }
  TrimLog();
}

int CArrayEdgeCollapse::Update(CHashTable* pHash, int* pTotal)
{
  CNearestFaceSearch search(pHash);
  return Update(&search, pTotal);
}

int CArrayEdgeCollapse::Update(CNearestFaceSearch* pSearch, int* pTotal)
{
  int recomputed = 0;
  int total = 0;
  // A mark is set only through SetMark, which logs the candidate.
  const std::vector<int>& logged = TakeLogged(&m_UpdateCursor);
  const std::size_t n = logged.size();
  for (std::size_t k = 0; k < n; k++) {
    // Each rebuild waits on its candidate, then its faces, then their corners: the next ones
    // are asked for ahead, so that their misses overlap this one's work.
    if (k + 2 < n) {
      // Both lines: the second holds the key pointer and the kept ring.
      const char* pAhead =
        reinterpret_cast<const char*>(m_Slots[static_cast<std::size_t>(logged[k + 2])]);
      PrefetchLine(pAhead);
      PrefetchLine(pAhead + 64);
    }
    if (k + 1 < n) {
      const CEdgeCollapse* pNext = m_Slots[static_cast<std::size_t>(logged[k + 1])];
      PrefetchLine(pNext->GetFace(0));
      PrefetchLine(pNext->GetFace(1));
    }
    CEdgeCollapse* c = m_Slots[static_cast<std::size_t>(logged[k])];
    if (!c->GetMark())
      continue;
    c->SetMark(0);
    if (c->FindVerticesToCollapse() && c->BuildArrayNeighbor()) {
      if (m_DeferL2)
        c->PrepareCostL2(m_Descent.weight);
      else
        total += c->CalculateCost(pSearch, m_Descent);
      c->SetValid(1);
      recomputed++;
    } else {
      c->SetValid(0);
    }
  }
  TrimLog();
  if (pTotal)
    *pTotal = total;
  return recomputed;
}

CEdgeCollapse* CArrayEdgeCollapse::GetMin() const
{
  return GetMin([](const CEdgeCollapse*) { return true; });
}

int CArrayEdgeCollapse::UnblockOnFace(const CFace3d* pFace)
{
  return UnblockOnFace(pFace, [](const CEdgeCollapse*) { return true; });
}

int CArrayEdgeCollapse::RemoveFaces(const CFace3d* pFace1, const CFace3d* pFace2)
{
  for (const CFace3d* f : {pFace1, pFace2}) {
    CFaceSlotList* pSlots = m_SlotsOfFace.Find(f);
    if (!pSlots)
      continue;
    for (const int slot : *pSlots)
      if (m_Slots[slot] && m_Slots[slot]->HasFace(f)) {
        m_Queue.Forget(slot);
        Destroy(slot);  // frees its face copies
        m_Slots[slot] = nullptr;
        m_Keys[slot] = std::numeric_limits<double>::quiet_NaN();
        m_Live--;
      }
    pSlots->clear();
  }
  return m_Live;
}

void CArrayEdgeCollapse::PrefetchCandidatesOn(const CFace3d* pFace) const
{
  const CFaceSlotList* pSlots = m_SlotsOfFace.Find(pFace);
  if (!pSlots)
    return;
  for (const int slot : *pSlots)
    if (const CEdgeCollapse* c = m_Slots[static_cast<std::size_t>(slot)])
      PrefetchWhole(c);
}

int CArrayEdgeCollapse::SetComputedOnFace(const CFace3d* pFace, int mark)
{
  CFaceSlotList* pSlots = m_SlotsOfFace.Find(pFace);
  if (!pSlots)
    return 0;
  // The slots of removed candidates go in the same pass that marks the others.
  int n = 0;
  pSlots->EraseIf([this, pFace, mark, &n](int slot) {
    CEdgeCollapse* c = m_Slots[slot];
    if (!c)
      return true;
    if (c->HasFace(pFace)) {
      c->SetMark(mark);
      n++;
    }
    return false;
  });
  return n;
}

void CArrayEdgeCollapse::FreeArrayNeighbor()
{
  for (CEdgeCollapse* c : m_Slots)
    if (c)
      c->FreeArrayNeighbor();
}
