#include "processing/ArrayOperationEdge.h"

#include "mesh/Face3d.h"
#include "mesh/Mesh3d.h"
#include "mesh/Prefetch.h"
#include "mesh/Vector3d.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace {
constexpr double kEmpty = std::numeric_limits<double>::quiet_NaN();

// A face normal as the curveness reads it, with its norm computed once.
struct SNormal
{
  CVector3d normal;
  double square = 0.0;
  double norm = 0.0;
};
} // namespace

// The tables of CCurveOnce, kept from batch to batch so that a batch allocates nothing.
struct CArrayOperationEdge::SCurveScratch
{
  CPointerStampMap<double> curves;
  CPointerStampMap<SNormal> normals;
};

namespace {
// A vertex's curveness (CVertex3d::GetMaxCurveAround: the largest |sin| between the normals of
// two neighbour faces around it) depends on the faces around it only, which stay as they are
// while a batch of operations is updated: each vertex is measured at most once per batch, and
// each face normal recomputed once, with the arithmetic of AbsSinusFaces. Measuring leaves the
// normals of the faces it reads computed, as GetMaxCurveAround does.
//
// A batch around a vertex measures that vertex and its neighbours again (a collapse changes the
// faces around the survivor, and so around its neighbours, and no others); any other end keeps
// the curveness that its operation read at its last update in this array.
class CCurveOnce
{
public:
  // A batch that measures every end, or one that measures the ends it is told to renew.
  enum class EEnds { MeasureAll, KeepOthers };

  CCurveOnce(CArrayOperationEdge::SCurveScratch* pScratch, EEnds ends)
    : m_Scratch(*pScratch), m_KeepOthers(ends == EEnds::KeepOthers)
  {
    m_Scratch.curves.Clear();
    m_Scratch.normals.Clear();
  }

  // The operation with the ends' curveness it read last time (when known), which it reads
  // again. A known operation whose ends stayed where they were keeps its length: reading the
  // far end's position would be the only visit to that vertex.
  void Update(COperationEdge* o, double* pFirstCurve, double* pSecondCurve, bool known)
  {
    if (!o->IsValid())
      return;
    known = known && m_KeepOthers;
    *pFirstCurve = Of(o->GetFirst(), known, *pFirstCurve);
    *pSecondCurve = Of(o->GetSecond(), known, *pSecondCurve);
    if (known && m_pMoved && !o->HasVertex(m_pMoved))
      o->UpdateCurveness(*pFirstCurve, *pSecondCurve);
    else
      o->Update(*pFirstCurve, *pSecondCurve);
  }

  // The faces that do not touch the centre keep their normals: those were computed when their
  // corners last moved (an update around each vertex that moves follows it).
  void KeepNormalsAwayFrom(const CVertex3d* pCentre) { m_pCentre = pCentre; }
  // Only that vertex moved since the known operations were last updated.
  void KeepLengthsAwayFrom(const CVertex3d* pMoved) { m_pMoved = pMoved; }

  // The vertex is measured when an operation of the batch first asks for it.
  void Renew(const CVertex3d* v)
  {
    bool added = false;
    *m_Scratch.curves.Find(v, &added) = kEmpty;
  }

private:
  // NaN in the table: to be measured.
  double Of(const CVertex3d* v, bool known, double curve)
  {
    double* pCurve = m_KeepOthers ? m_Scratch.curves.FindExisting(v) : nullptr;
    if (!pCurve) {
      if (known)
        return curve;
      bool added = false;
      pCurve = m_Scratch.curves.Find(v, &added);
      if (added)
        *pCurve = kEmpty;
    }
    if (*pCurve == *pCurve)
      return *pCurve;
    const double measured = Measure(v);
    // Measuring looked up normals only; the vertex's entry is found again to be written.
    bool added = false;
    *m_Scratch.curves.Find(v, &added) = measured;
    return measured;
  }

  // The pairs are those of CVertex3d::ForEachAdjacentFacePair (a face before a later one that
  // it names as a neighbour); the largest value does not depend on the order they come in.
  // Each face and its normal are read once per vertex.
  double Measure(const CVertex3d* v)
  {
    const int n = v->NbFaceNeighbor();
    if (n > kMostFaces)
      return MeasureMany(v);
    std::array<CFace3d*, kMostFaces> faces;  // read only where written
    std::array<SNormal, kMostFaces> normals;
    std::array<bool, kMostFaces> known{};
    for (int i = 0; i < n; i++)
      faces[static_cast<size_t>(i)] = v->GetFaceNeighbor(i);
    const auto normalAt = [&](int i) -> const SNormal& {
      const auto k = static_cast<size_t>(i);
      if (!known[k]) {
        normals[k] = Normal(faces[k]);
        known[k] = true;
      }
      return normals[k];
    };
    double best = 0.0;
    for (int i = 0; i < n; i++) {
      const CFace3d* f = faces[static_cast<size_t>(i)];
      const CFace3d* f0 = f->f(0);
      const CFace3d* f1 = f->f(1);
      const CFace3d* f2 = f->f(2);
      for (int j = i + 1; j < n; j++) {
        const CFace3d* g = faces[static_cast<size_t>(j)];
        if (g == f0 || g == f1 || g == f2)
          best = std::max(best, AbsSinus(normalAt(i), normalAt(j)));
      }
    }
    return best;
  }

  double MeasureMany(const CVertex3d* v)
  {
    const int n = v->NbFaceNeighbor();
    double best = 0.0;
    for (int i = 0; i < n; i++) {
      CFace3d* f = v->GetFaceNeighbor(i);
      for (int j = i + 1; j < n; j++) {
        CFace3d* g = v->GetFaceNeighbor(j);
        if (f->HasNeighbor(g)) {
          const SNormal a = Normal(f);
          best = std::max(best, AbsSinus(a, Normal(g)));
        }
      }
    }
    return best;
  }

  static constexpr int kMostFaces = 24;

  SNormal Normal(CFace3d* f)
  {
    bool added = false;
    SNormal* pNormal = m_Scratch.normals.Find(f, &added);
    if (added) {
      if (!m_pCentre || f->HasVertex(m_pCentre))
        f->CalculateNormal();
      pNormal->normal = *f->GetNormal();
      pNormal->square = pNormal->normal.GetSquareNorm();
      pNormal->norm = std::sqrt(pNormal->square);
    }
    return *pNormal;
  }

  // AbsSinusFaces on the normals, CVector3d::GetNorm being the root of the square norm.
  static double AbsSinus(const SNormal& a, const SNormal& b)
  {
    if (a.square == 0.0 || b.square == 0.0)
      return 0.0;
    const double product = a.norm * b.norm;
    if (product == 0.0)
      return 0.0;
    return (a.normal ^ b.normal).GetNorm() / product;
  }

  CArrayOperationEdge::SCurveScratch& m_Scratch;
  const bool m_KeepOthers;
  const CVertex3d* m_pCentre = nullptr;
  const CVertex3d* m_pMoved = nullptr;
};
} // namespace

CArrayOperationEdge::CArrayOperationEdge() : m_pCurveScratch(std::make_unique<SCurveScratch>()) {}

CArrayOperationEdge::~CArrayOperationEdge() = default;

CArrayOperationEdge::SSlot& CArrayOperationEdge::At(int slot) const
{
  return m_Chunks[static_cast<size_t>(slot) >> kChunkBits][static_cast<size_t>(slot) & kChunkMask];
}

std::uint8_t& CArrayOperationEdge::Flags(int slot) const
{
  return m_Flags[static_cast<size_t>(slot)];
}

bool CArrayOperationEdge::IsLive(int slot) const { return (Flags(slot) & kLive) != 0; }

// Through the curveness measure of the batch, which reuses the ends' curveness the slot read
// last time when its faces stayed as they were.
template <class Curves>
void CArrayOperationEdge::Update(Curves* pCurves, int slot)
{
  SSlot& entry = At(slot);
  const bool known = (Flags(slot) & kEndsKnown) != 0;
  pCurves->Update(&entry.operation, &entry.firstCurve, &entry.secondCurve, known);
  if (entry.operation.IsValid())
    Flags(slot) |= kEndsKnown;
}

COperationEdge* CArrayOperationEdge::GetAt(int i) const
{
  if (m_Live != m_Size)
    Compact();
  return &At(i).operation;
}

int CArrayOperationEdge::Add(COperationEdge* pOperation)
{
  const std::unique_ptr<COperationEdge> owned(pOperation);
  // The faces around its ends may not have had their normals computed.
  m_NormalsKnown = false;
  return Append(*pOperation);
}

int CArrayOperationEdge::Append(const COperationEdge& operation)
{
  // Emptied slots are closed once they outnumber the live ones, so that the slots stay within
  // twice the operations and those of one neighbourhood near each other.
  if (m_Size >= kChunkSize && m_Size - m_Live > m_Live)
    Compact();
  const int slot = m_Size;
  if (static_cast<size_t>(slot) >> kChunkBits == m_Chunks.size())
    m_Chunks.push_back(std::make_unique<SSlot[]>(kChunkSize));
  m_Size++;
  At(slot).operation = operation;
  // A new slot: its ends' curveness not read here yet.
  m_Flags.push_back(kLive);
  m_Live++;
  for (const CVertex3d* v : {operation.GetFirst(), operation.GetSecond()})
    if (v)
      PushSlot(ListOf(v), slot);
  Defer(slot);
  if (m_ShortestBuilt)
    m_ShortestPending.push_back(slot);
  return m_Live - 1;
}

void CArrayOperationEdge::Defer(int slot) const
{
  Flags(slot) |= kDeferred;
  m_Pending.push_back(slot);
}

void CArrayOperationEdge::Push(int slot) const
{
  const double potential = At(slot).operation.GetPotential();
  Flags(slot) &= static_cast<std::uint8_t>(~kDeferred);
  if (potential == potential)
    m_Heap.push({potential, slot});
}

void CArrayOperationEdge::Flush() const
{
  for (const int slot : m_Pending)
    if ((Flags(slot) & (kDeferred | kLive)) == (kDeferred | kLive))
      Push(slot);
  m_Pending.clear();
}

void CArrayOperationEdge::RebuildHeap() const
{
  m_Heap.clear();
  m_Pending.clear();
  // Slots renumbered, or every operation renewed: the search by curveness starts afresh.
  m_ShortestBuilt = false;
  m_ShortestPending.clear();
  for (int slot = 0; slot < m_Size; slot++)
    if (IsLive(slot))
      Push(slot);
}

void CArrayOperationEdge::Compact() const
{
  // The lists are renumbered where they stand: a pass over them in memory order instead of a
  // look-up per operation end.
  m_Renumbered.resize(static_cast<size_t>(m_Size));
  int kept = 0;
  for (int slot = 0; slot < m_Size; slot++) {
    if (!IsLive(slot)) {
      m_Renumbered[static_cast<size_t>(slot)] = -1;
      continue;
    }
    if (kept != slot) {
      At(kept) = At(slot);
      Flags(kept) = Flags(slot);
    }
    m_Renumbered[static_cast<size_t>(slot)] = kept++;
  }
  m_Size = kept;
  m_Flags.resize(static_cast<size_t>(m_Size));
  m_Chunks.resize((static_cast<size_t>(m_Size) + kChunkMask) >> kChunkBits);
  m_First = 0;
  for (SSlotList& list : m_Lists) {
    const std::span<int> slots = SlotsIn(list);
    int count = 0;
    for (const int slot : slots)
      if (const int renumbered = m_Renumbered[static_cast<size_t>(slot)]; renumbered >= 0)
        slots[static_cast<size_t>(count++)] = renumbered;
    list.count = count;
  }
  RebuildHeap();
}

int CArrayOperationEdge::Fill(CMesh3d* pMesh)
{
  if (!pMesh)
    return 0;
  m_NormalsKnown = false;
  pMesh->SetVerticesFlag(0);
  for (int i = 0; i < pMesh->NbVertex(); i++) {
    CVertex3d* v = pMesh->GetVertex(i);
    for (int k = 0; k < v->NbVertexNeighbor(); k++) {
      CVertex3d* w = v->GetVertexNeighbor(k);
      if (w->GetFlag() != 0)
        continue;
      COperationEdge operation(v, w);
      operation.SetPotential(m_PotentialKind);
      Append(operation);
    }
    v->SetFlag(1);
  }
  return 1;
}

void CArrayOperationEdge::SetPotential(int kind)
{
  m_PotentialKind = kind;
  for (int slot = 0; slot < m_Size; slot++)
    if (IsLive(slot))
      At(slot).operation.SetPotential(kind);
  RebuildHeap();
}

const char* CArrayOperationEdge::GetPotentialName(int kind)
{
  return kind == 1 ? "curveness" : "edge length";
}

void CArrayOperationEdge::UpdateAll()
{
  CCurveOnce curves(m_pCurveScratch.get(), CCurveOnce::EEnds::MeasureAll);
  for (int slot = 0; slot < m_Size; slot++)
    if (IsLive(slot))
      Update(&curves, slot);
  m_NormalsKnown = true;
  RebuildHeap();
}

void CArrayOperationEdge::Empty(int slot)
{
  Flags(slot) = 0;
  m_Live--;
}

COperationEdge* CArrayOperationEdge::ExtractSlot(int slot)
{
  if (slot < 0)
    return nullptr;
  // The caller owns what it gets: a copy, the slot's storage stays with the array.
  auto* pOperation = new COperationEdge(At(slot).operation);
  Empty(slot);
  return pOperation;
}

COperationEdge* CArrayOperationEdge::ExtractMin()
{
  Flush();
  // Entries whose operation went or whose potential changed since are dropped.
  while (!m_Heap.empty()) {
    const SSlotEntry<double> top = m_Heap.top();
    if (IsLive(top.slot) && At(top.slot).operation.GetPotential() == top.key)
      break;
    m_Heap.pop();
  }
  if (!m_Heap.empty() && m_Heap.top().key < 1.7e308) {
    const int slot = m_Heap.top().slot;
    m_Heap.pop();
    return ExtractSlot(slot);
  }
  // Every potential at or above the sentinel (or not a number): the first still goes.
  while (m_First < m_Size && !IsLive(m_First))
    m_First++;
  return m_First < m_Size ? ExtractSlot(m_First) : nullptr;
}

// The passes of the scan below raise the threshold from start by step, and the first pass that
// finds an operation takes the shortest it finds, the first slot among equals. An operation
// is found first by the pass of the first threshold its curveness is under, so the scan's
// choice is the least (pass, length, slot): a heap on that key, kept from call to call.
COperationEdge* CArrayOperationEdge::ExtractShortestUnderCurveness(double start, double step)
{
  if (!PrepareShortest(start, step))
    return ExtractShortestByScan(start, step);
  for (const int slot : m_ShortestPending)
    if (IsLive(slot))
      PushShortest(slot);
  m_ShortestPending.clear();
  // Entries of an operation that went or that changed since are dropped as they come up; once
  // they outnumber the live ones, all at once.
  constexpr std::size_t kLeastDrop = 1024;
  const auto isStale = [this](const SSlotEntry<SPassLength>& entry) {
    return !IsLive(entry.slot) || !(m_ShortestKeys[static_cast<size_t>(entry.slot)] == entry.key);
  };
  if (m_ShortestHeap.size() > 2 * static_cast<std::size_t>(m_Live) + kLeastDrop)
    m_ShortestHeap.erase_if(isStale);
  while (!m_ShortestHeap.empty()) {
    const SSlotEntry<SPassLength> top = m_ShortestHeap.top();
    m_ShortestHeap.pop();
    if (!isStale(top))
      return ExtractSlot(top.slot);
  }
  return nullptr;
}

bool CArrayOperationEdge::PrepareShortest(double start, double step)
{
  if (m_ShortestBuilt && start == m_ShortestStart && step == m_ShortestStep)
    return true;
  // The thresholds exactly as the scan's passes reach them.
  constexpr std::size_t kMostPasses = std::size_t(1) << 16;
  m_Thresholds.clear();
  for (double threshold = start; threshold <= 1.0;) {
    if (m_Thresholds.size() == kMostPasses)
      return false;
    m_Thresholds.push_back(threshold);
    const double next = threshold + step;
    if (!(next > threshold))
      break;
    threshold = next;
  }
  m_ShortestStart = start;
  m_ShortestStep = step;
  m_ShortestHeap.clear();
  m_ShortestPending.clear();
  m_ShortestKeys.assign(static_cast<size_t>(m_Size), kNoPass);
  for (int slot = 0; slot < m_Size; slot++)
    if (IsLive(slot))
      PushShortest(slot);
  m_ShortestBuilt = true;
  return true;
}

bool CArrayOperationEdge::ShortestKey(int slot, SPassLength* pKey) const
{
  const COperationEdge& o = At(slot).operation;
  const double curveness = o.GetCurveness();
  // Not under the last threshold (or not a number): no pass takes it. Nor one as long as the
  // scan's starting best.
  if (m_Thresholds.empty() || !(curveness <= m_Thresholds.back()) || !(o.GetLength() < 1.7e308))
    return false;
  const auto first = std::lower_bound(m_Thresholds.begin(), m_Thresholds.end(), curveness);
  *pKey = {static_cast<int>(first - m_Thresholds.begin()), o.GetLength()};
  return true;
}

void CArrayOperationEdge::PushShortest(int slot)
{
  // A curveness that moved within its pass, and a length that stayed, leave the key and its
  // entry as they were: no second entry of the same key.
  SPassLength key = kNoPass;
  ShortestKey(slot, &key);
  if (static_cast<size_t>(slot) >= m_ShortestKeys.size())
    m_ShortestKeys.resize(static_cast<size_t>(m_Size), kNoPass);
  SPassLength& known = m_ShortestKeys[static_cast<size_t>(slot)];
  if (known == key)
    return;
  known = key;
  if (key.pass >= 0)
    m_ShortestHeap.push({key, slot});
}

COperationEdge* CArrayOperationEdge::ExtractShortestByScan(double start, double step)
{
  int found = -1;
  double threshold = start;
  while (threshold <= 1.0 && found < 0) {
    double best = 1.7e308;
    for (int slot = 0; slot < m_Size; slot++) {
      const COperationEdge& o = At(slot).operation;
      if (IsLive(slot) && o.GetCurveness() <= threshold && o.GetLength() < best) {
        best = o.GetLength();
        found = slot;
      }
    }
    // A step that does not raise the threshold would never end the search.
    const double next = threshold + step;
    if (!(next > threshold))
      break;
    threshold = next;
  }
  return ExtractSlot(found);
}

CArrayOperationEdge::SSlotList* CArrayOperationEdge::FindList(const CVertex3d* v) const
{
  const int* pIndex = m_ListOfVertex.FindExisting(v);
  return pIndex ? &m_Lists[static_cast<size_t>(*pIndex)] : nullptr;
}

CArrayOperationEdge::SSlotList& CArrayOperationEdge::ListOf(const CVertex3d* v) const
{
  bool added = false;
  int* pIndex = m_ListOfVertex.Find(v, &added);
  if (added) {
    *pIndex = static_cast<int>(m_Lists.size());
    m_Lists.emplace_back();
  }
  return m_Lists[static_cast<size_t>(*pIndex)];
}

std::span<int> CArrayOperationEdge::SlotsIn(SSlotList& list) const
{
  int* first = list.spilled < 0 ? list.inPlace : m_Spilled[static_cast<size_t>(list.spilled)].data();
  return {first, static_cast<size_t>(list.count)};
}

void CArrayOperationEdge::PushSlot(SSlotList& list, int slot) const
{
  if (list.spilled < 0 && list.count < SSlotList::kInPlace) {
    list.inPlace[list.count++] = slot;
    return;
  }
  if (list.spilled < 0) {
    list.spilled = static_cast<int>(m_Spilled.size());
    m_Spilled.emplace_back(list.inPlace, list.inPlace + list.count);
  }
  std::vector<int>& spilled = m_Spilled[static_cast<size_t>(list.spilled)];
  // The count is the list's length; the spilled list may hold more from before a clear.
  spilled.resize(static_cast<size_t>(list.count));
  spilled.push_back(slot);
  list.count++;
}

std::span<int> CArrayOperationEdge::SlotsOf(const CVertex3d* v)
{
  SSlotList* pList = FindList(v);
  if (!pList)
    return {};
  SSlotList& list = *pList;
  const std::span<int> slots = SlotsIn(list);
  const auto kept = std::remove_if(slots.begin(), slots.end(),
                                   [this](int slot) { return !IsLive(slot); });
  list.count = static_cast<int>(kept - slots.begin());
  return slots.first(static_cast<size_t>(list.count));
}

int CArrayOperationEdge::RemoveAt(const CVertex3d* v)
{
  SSlotList* pList = FindList(v);
  if (!pList)
    return 0;
  SSlotList& list = *pList;
  int removed = 0;
  for (const int slot : SlotsIn(list))
    if (IsLive(slot) && At(slot).operation.HasVertex(v)) {
      Empty(slot);
      removed++;
    }
  list.count = 0;
  return removed;
}

int CArrayOperationEdge::RemoveOperationsOnVertex(const CVertex3d* v) { return RemoveAt(v); }

int CArrayOperationEdge::RemoveOperationsOnVertices(const CVertex3d* a, const CVertex3d* b)
{
  return RemoveAt(a) + RemoveAt(b);
}

int CArrayOperationEdge::AddVertexEdges(CVertex3d* v)
{
  for (int k = 0; k < v->NbVertexNeighbor(); k++) {
    COperationEdge operation(v, v->GetVertexNeighbor(k));
    operation.SetPotential(m_PotentialKind);
    Append(operation);
  }
  return 1;
}

// The operations with an end at v or at a neighbour of v are those listed under v and its
// neighbours; each is updated once. An operation whose potential comes out as it was keeps
// its heap entry. The faces around v and its neighbours are the ones that may have changed
// (a collapse changes those of the survivor): their curveness is measured again, and the other
// ends keep the curveness their operation read before (measured when it read none). Only v
// moved: an operation without an end at v keeps its length once it has one. Whatever moves a
// vertex or changes its faces updates around it next, as the collapse does.
int CArrayOperationEdge::UpdateAroundVertex(const CVertex3d* v)
{
  // The curveness of the ring reads the faces around it, asked for ahead so that their misses
  // overlap the gathering of the batch.
  for (int k = 0; k < v->NbVertexNeighbor(); k++) {
    const CVertex3d* u = v->GetVertexNeighbor(k);
    for (int i = 0; i < u->NbFaceNeighbor(); i++)
      PrefetchWhole(u->GetFaceNeighbor(i));
  }
  std::vector<int>& batch = m_Batch;
  batch.clear();
  for (int k = -1; k < v->NbVertexNeighbor(); k++) {
    const CVertex3d* u = k < 0 ? v : v->GetVertexNeighbor(k);
    // Every operation listed under u has an end at u. Those of a neighbour all belong: they
    // are only asked for here, and read (and the invalid ones left out) once sorted, so that
    // their misses overlap.
    const bool uNear = u != v && u->IsNeighbor(v);
    for (const int slot : SlotsOf(u)) {
      if (uNear) {
        PrefetchLine(&At(slot));
        batch.push_back(slot);
        continue;
      }
      const COperationEdge& o = At(slot).operation;
      if (!o.IsValid())
        continue;
      if (o.HasVertex(v) || o.GetFirst()->IsNeighbor(v) || o.GetSecond()->IsNeighbor(v))
        batch.push_back(slot);
    }
  }
  std::sort(batch.begin(), batch.end());
  batch.erase(std::unique(batch.begin(), batch.end()), batch.end());
  CCurveOnce curves(m_pCurveScratch.get(), CCurveOnce::EEnds::KeepOthers);
  if (m_NormalsKnown)
    curves.KeepNormalsAwayFrom(v);
  curves.KeepLengthsAwayFrom(v);
  for (int k = -1; k < v->NbVertexNeighbor(); k++)
    curves.Renew(k < 0 ? v : v->GetVertexNeighbor(k));
  int updated = 0;
  for (const int slot : batch) {
    if (!At(slot).operation.IsValid())
      continue;
    updated++;
    const double before = At(slot).operation.GetPotential();
    Update(&curves, slot);
    if (!(At(slot).operation.GetPotential() == before))
      Push(slot);
    // PushShortest leaves a slot whose key did not change as it is.
    if (m_ShortestBuilt)
      m_ShortestPending.push_back(slot);
  }
  return updated;
}

int CArrayOperationEdge::Collapse(CMesh3d* pMesh, CVertex3d* p, CVertex3d* q,
                                  const CVertex3d* pPosition)
{
  // The operations of both ends, their neighbours and the neighbours' lists are read right
  // after the mesh's collapse: asked for before it, their misses overlap its work.
  for (const CVertex3d* end : {p, q}) {
    if (SSlotList* pList = FindList(end))
      for (const int slot : SlotsIn(*pList))
        PrefetchLine(&At(slot));
    for (int k = 0; k < end->NbVertexNeighbor(); k++) {
      PrefetchWhole(end->GetVertexNeighbor(k));
      m_ListOfVertex.Prefetch(end->GetVertexNeighbor(k));
    }
  }
  if (!pMesh->EdgeCollapse(p, q, pPosition, nullptr, 0))
    return 0;
  RemoveOperationsOnVertex(p);
  RemoveOperationsOnVertex(q);
  AddVertexEdges(p);
  UpdateAroundVertex(p);
  pMesh->DeleteVertex(q);
  return 1;
}
