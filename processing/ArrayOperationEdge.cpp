#include "processing/ArrayOperationEdge.h"

#include "mesh/Face3d.h"
#include "mesh/Mesh3d.h"
#include "mesh/Vector3d.h"

#include <algorithm>
#include <limits>
#include <unordered_map>

namespace {
constexpr double kEmpty = std::numeric_limits<double>::quiet_NaN();

// A vertex's curveness (CVertex3d::GetMaxCurveAround: the largest |sin| between the normals of
// two neighbour faces around it) depends on the faces around it only, which stay as they are
// while a batch of operations is updated: each vertex is measured once per batch, and each
// face normal recomputed once, with the arithmetic of AbsSinusFaces.
class CCurveOnce
{
public:
  void Update(COperationEdge* o)
  {
    if (o->IsValid())
      o->Update(Of(o->GetFirst()), Of(o->GetSecond()));
  }

private:
  double Of(const CVertex3d* v)
  {
    const auto [it, added] = m_Curve.try_emplace(v, 0.0);
    if (added)
      it->second = Measure(v);
    return it->second;
  }

  double Measure(const CVertex3d* v)
  {
    const int n = v->NbFaceNeighbor();
    double best = 0.0;
    for (int i = 0; i < n; i++)
      for (int j = i + 1; j < n; j++)
        if (v->GetFaceNeighbor(i)->HasNeighbor(v->GetFaceNeighbor(j)))
          best = std::max(best, AbsSinus(Normal(v->GetFaceNeighbor(i)),
                                         Normal(v->GetFaceNeighbor(j))));
    return best;
  }

  const CVector3d& Normal(CFace3d* f)
  {
    const auto [it, added] = m_Normal.try_emplace(f);
    if (added) {
      f->CalculateNormal();
      it->second = *f->GetNormal();
    }
    return it->second;
  }

  static double AbsSinus(const CVector3d& a, const CVector3d& b)
  {
    if (a.GetSquareNorm() == 0.0 || b.GetSquareNorm() == 0.0)
      return 0.0;
    const double product = a.GetNorm() * b.GetNorm();
    if (product == 0.0)
      return 0.0;
    return (a ^ b).GetNorm() / product;
  }

  std::unordered_map<const CVertex3d*, double> m_Curve;
  std::unordered_map<const CFace3d*, CVector3d> m_Normal;
};
} // namespace

CArrayOperationEdge::~CArrayOperationEdge()
{
  for (COperationEdge* o : m_Slots)
    delete o;
}

COperationEdge* CArrayOperationEdge::GetAt(int i) const
{
  if (m_Live != static_cast<int>(m_Slots.size()))
    Compact();
  return m_Slots[i];
}

int CArrayOperationEdge::Add(COperationEdge* pOperation)
{
  const int slot = static_cast<int>(m_Slots.size());
  m_Slots.push_back(pOperation);
  m_Live++;
  for (const CVertex3d* v : {pOperation->GetFirst(), pOperation->GetSecond()})
    if (v)
      m_SlotsOfVertex[v].push_back(slot);
  Defer(slot);
  return m_Live - 1;
}

void CArrayOperationEdge::Defer(int slot) const
{
  if (m_Keys.size() < m_Slots.size()) {
    m_Keys.resize(m_Slots.size(), kEmpty);
    m_Deferred.resize(m_Slots.size(), 0);
  }
  m_Keys[slot] = m_Slots[slot]->GetPotential();
  m_Deferred[slot] = 1;
  m_Pending.push_back(slot);
}

void CArrayOperationEdge::Push(int slot) const
{
  const double potential = m_Slots[slot]->GetPotential();
  if (m_Keys.size() < m_Slots.size()) {
    m_Keys.resize(m_Slots.size(), kEmpty);
    m_Deferred.resize(m_Slots.size(), 0);
  }
  m_Keys[slot] = potential;
  m_Deferred[slot] = 0;
  if (potential == potential)
    m_Heap.push({potential, slot});
}

void CArrayOperationEdge::Flush() const
{
  for (const int slot : m_Pending)
    if (m_Deferred[slot] && m_Slots[slot]) {
      m_Deferred[slot] = 0;
      const double key = m_Keys[slot];
      if (key == key)
        m_Heap.push({key, slot});
    }
  m_Pending.clear();
}

void CArrayOperationEdge::RebuildHeap() const
{
  m_Heap.clear();
  m_Pending.clear();
  m_Keys.assign(m_Slots.size(), kEmpty);
  m_Deferred.assign(m_Slots.size(), 0);
  for (int slot = 0; slot < static_cast<int>(m_Slots.size()); slot++)
    if (m_Slots[slot])
      Push(slot);
}

void CArrayOperationEdge::Compact() const
{
  std::erase(m_Slots, nullptr);
  m_First = 0;
  m_SlotsOfVertex.clear();
  for (int slot = 0; slot < static_cast<int>(m_Slots.size()); slot++)
    for (const CVertex3d* v : {m_Slots[slot]->GetFirst(), m_Slots[slot]->GetSecond()})
      if (v)
        m_SlotsOfVertex[v].push_back(slot);
  RebuildHeap();
}

int CArrayOperationEdge::Fill(CMesh3d* pMesh)
{
  if (!pMesh)
    return 0;
  pMesh->SetVerticesFlag(0);
  for (int i = 0; i < pMesh->NbVertex(); i++) {
    CVertex3d* v = pMesh->GetVertex(i);
    for (int k = 0; k < v->NbVertexNeighbor(); k++) {
      CVertex3d* w = v->GetVertexNeighbor(k);
      if (w->GetFlag() != 0)
        continue;
      auto* pOperation = new COperationEdge(v, w);
      pOperation->SetPotential(m_PotentialKind);
      Add(pOperation);
    }
    v->SetFlag(1);
  }
  return 1;
}

void CArrayOperationEdge::SetPotential(int kind)
{
  m_PotentialKind = kind;
  for (COperationEdge* o : m_Slots)
    if (o)
      o->SetPotential(kind);
  RebuildHeap();
}

const char* CArrayOperationEdge::GetPotentialName(int kind)
{
  return kind == 1 ? "curveness" : "edge length";
}

void CArrayOperationEdge::UpdateAll()
{
  CCurveOnce curves;
  for (COperationEdge* o : m_Slots)
    if (o)
      curves.Update(o);
  RebuildHeap();
}

COperationEdge* CArrayOperationEdge::ExtractSlot(int slot)
{
  if (slot < 0)
    return nullptr;
  COperationEdge* pOperation = m_Slots[slot];
  m_Slots[slot] = nullptr;
  m_Keys[slot] = kEmpty;
  m_Live--;
  return pOperation;
}

COperationEdge* CArrayOperationEdge::ExtractMin()
{
  Flush();
  // Entries whose operation went or whose potential changed since are dropped.
  while (!m_Heap.empty()) {
    const SSlotEntry<double> top = m_Heap.top();
    if (m_Keys[top.slot] == top.key)
      break;
    m_Heap.pop();
  }
  if (!m_Heap.empty() && m_Heap.top().key < 1.7e308) {
    const int slot = m_Heap.top().slot;
    m_Heap.pop();
    return ExtractSlot(slot);
  }
  // Every potential at or above the sentinel (or not a number): the first still goes.
  while (m_First < static_cast<int>(m_Slots.size()) && !m_Slots[m_First])
    m_First++;
  return m_First < static_cast<int>(m_Slots.size()) ? ExtractSlot(m_First) : nullptr;
}

COperationEdge* CArrayOperationEdge::ExtractShortestUnderCurveness(double start, double step)
{
  int found = -1;
  double threshold = start;
  while (threshold <= 1.0 && found < 0) {
    double best = 1.7e308;
    for (int slot = 0; slot < static_cast<int>(m_Slots.size()); slot++) {
      const COperationEdge* o = m_Slots[slot];
      if (o && o->GetCurveness() <= threshold && o->GetLength() < best) {
        best = o->GetLength();
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

std::vector<int>& CArrayOperationEdge::SlotsOf(const CVertex3d* v)
{
  std::vector<int>& slots = m_SlotsOfVertex[v];
  std::erase_if(slots, [this](int slot) { return !m_Slots[slot]; });
  return slots;
}

int CArrayOperationEdge::RemoveAt(const CVertex3d* v)
{
  const auto it = m_SlotsOfVertex.find(v);
  if (it == m_SlotsOfVertex.end())
    return 0;
  int removed = 0;
  for (const int slot : it->second)
    if (m_Slots[slot] && m_Slots[slot]->HasVertex(v)) {
      delete ExtractSlot(slot);
      removed++;
    }
  m_SlotsOfVertex.erase(it);
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
    auto* pOperation = new COperationEdge(v, v->GetVertexNeighbor(k));
    pOperation->SetPotential(m_PotentialKind);
    Add(pOperation);
  }
  return 1;
}

// The operations with an end at v or at a neighbour of v are those listed under v and its
// neighbours; each is updated once. An operation whose potential comes out as it was keeps
// its heap entry.
int CArrayOperationEdge::UpdateAroundVertex(const CVertex3d* v)
{
  std::vector<int> batch;
  for (int k = -1; k < v->NbVertexNeighbor(); k++) {
    const CVertex3d* u = k < 0 ? v : v->GetVertexNeighbor(k);
    // Every operation listed under u has an end at u.
    const bool uNear = u != v && u->IsNeighbor(v);
    for (const int slot : SlotsOf(u)) {
      const COperationEdge* o = m_Slots[slot];
      if (!o->IsValid())
        continue;
      if (uNear || o->HasVertex(v) || o->GetFirst()->IsNeighbor(v) ||
          o->GetSecond()->IsNeighbor(v))
        batch.push_back(slot);
    }
  }
  std::sort(batch.begin(), batch.end());
  batch.erase(std::unique(batch.begin(), batch.end()), batch.end());
  CCurveOnce curves;
  for (const int slot : batch) {
    COperationEdge* o = m_Slots[slot];
    curves.Update(o);
    if (!(o->GetPotential() == m_Keys[slot]))
      Push(slot);
  }
  return static_cast<int>(batch.size());
}

int CArrayOperationEdge::Collapse(CMesh3d* pMesh, CVertex3d* p, CVertex3d* q,
                                  const CVertex3d* pPosition)
{
  if (!pMesh->EdgeCollapse(p, q, pPosition, nullptr, 0))
    return 0;
  RemoveOperationsOnVertex(p);
  RemoveOperationsOnVertex(q);
  AddVertexEdges(p);
  UpdateAroundVertex(p);
  pMesh->DeleteVertex(q);
  return 1;
}
