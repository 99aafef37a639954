#include "processing/FaceCollapse.h"

#include "mesh/Face3d.h"
#include "mesh/Mesh3d.h"
#include "platform/core/MessageBox.h"
#include "platform/core/Redraw.h"

#include <algorithm>
#include <cmath>

namespace {

using VertexList = std::vector<const CVertex3d*>;

// F and its neighbour faces: the faces that its collapse removes.
void GetRemovedFaces(const CFace3d* f, CArray3d<CFace3d>* pRemoved)
{
  pRemoved->Add(const_cast<CFace3d*>(f));
  for (int i = 0; i < 3; i++)
    if (f->f(i))
      pRemoved->Add(f->f(i));
}

void AddFacesNotIn(const CVertex3d* v, const CArray3d<CFace3d>& removed, CArray3d<CFace3d>* pFaces)
{
  for (int i = 0; i < v->NbFaceNeighbor(); i++)
    if (!removed.Contains(v->GetFaceNeighbor(i)))
      pFaces->AddUnique(v->GetFaceNeighbor(i));
}

// Area of the face with its first corner `from` put on `to`.
double AreaWithCorner(const CFace3d* f, const CVertex3d* from, const CVertex3d* to)
{
  const CVertex3d* p[3] = {f->v(0), f->v(1), f->v(2)};
  for (const CVertex3d*& corner : p)
    if (corner == from) {
      corner = to;
      break;
    }
  return TriangleArea(p[0], p[1], p[2]);
}

VertexList Neighbors(const CVertex3d* v)
{
  VertexList list;
  for (int i = 0; i < v->NbVertexNeighbor(); i++)
    list.push_back(v->GetVertexNeighbor(i));
  return list;
}

int CountCommon(const VertexList& a, const VertexList& b)
{
  int n = 0;
  for (const CVertex3d* p : a)
    n += std::find(b.begin(), b.end(), p) != b.end() ? 1 : 0;
  return n;
}

VertexList Without(VertexList list, const CVertex3d* a, const CVertex3d* b)
{
  list.erase(std::remove_if(list.begin(), list.end(),
                            [a, b](const CVertex3d* p) { return p == a || p == b; }),
             list.end());
  return list;
}

// The corner opposite the edge that f shares with its neighbour g, or null without g.
const CVertex3d* OuterCorner(const CFace3d* f, const CFace3d* g)
{
  if (!g)
    return nullptr;
  CVertex3d* p = nullptr;
  CVertex3d* q = nullptr;
  return f->GetSharedEdge(g, &p, &q) ? g->GetVertexOther(p, q) : nullptr;
}

// The collapse of face abc seen as b merging into a, then c into the merged vertex m: both
// edge collapses must meet the link condition, no interior edge may join two boundary
// vertices, and every outer corner keeps a face.
int KeepsManifold(const CFace3d* f)
{
  const CVertex3d* a = f->v(0);
  const CVertex3d* b = f->v(1);
  const CVertex3d* c = f->v(2);
  const CFace3d* nab = f->f(0);
  const CFace3d* nbc = f->f(1);
  const CFace3d* nca = f->f(2);
  const CVertex3d* oab = OuterCorner(f, nab);
  const CVertex3d* obc = OuterCorner(f, nbc);
  const CVertex3d* oca = OuterCorner(f, nca);
  if ((nab && !oab) || (nbc && !obc) || (nca && !oca) || (!nbc && !nca))
    return 0;
  if ((oab && (oab == obc || oab == oca)) || (obc && obc == oca))
    return 0;
  const int boundaryA = a->IsOnBoundary();
  const int boundaryB = b->IsOnBoundary();
  const int boundaryC = c->IsOnBoundary();
  if (CountCommon(Neighbors(a), Neighbors(b)) != (nab ? 2 : 1))
    return 0;
  if (nab && boundaryA && boundaryB)
    return 0;
  VertexList merged = Without(Neighbors(a), a, b);
  for (const CVertex3d* p : Without(Neighbors(b), a, b))
    if (std::find(merged.begin(), merged.end(), p) == merged.end())
      merged.push_back(p);
  const VertexList ofC = Without(Neighbors(c), a, b);
  if (CountCommon(merged, ofC) != (nbc ? 1 : 0) + (nca ? 1 : 0))
    return 0;
  if (nbc && nca && (boundaryA || boundaryB) && boundaryC)
    return 0;
  CArray3d<CFace3d> removed;
  GetRemovedFaces(f, &removed);
  for (const CVertex3d* o : {oab, obc, oca})
    if (o && o->NbFaceNeighbor() < 2)
      return 0;
  CArray3d<CFace3d> kept;
  for (const CVertex3d* p : {a, b, c})
    AddFacesNotIn(p, removed, &kept);
  return kept.GetSize() > 0 ? 1 : 0;
}

} // namespace

// --- records -----------------------------------------------------------------------------------

CFaceCollapseRecord* CFaceCollapse::GetRecord(const CFace3d* pFace)
{
  return static_cast<CFaceCollapseRecord*>(pFace->GetData());
}

void CFaceCollapse::ComputeCost(CFace3d* pFace, int index)
{
  CFaceCollapseRecord* pRecord = GetRecord(pFace);
  if (index >= 0 || !pRecord) {
    if (index < 0)
      index = static_cast<int>(m_ArrayRecord.size());
    if (index >= static_cast<int>(m_ArrayRecord.size()))
      m_ArrayRecord.resize(static_cast<size_t>(index) + 1);
    m_ArrayRecord[index] = std::make_unique<CFaceCollapseRecord>(pFace, index);
    pRecord = m_ArrayRecord[index].get();
    pFace->SetData(pRecord);
  }
  m_Removed.assign(1, pFace);
  for (int i = 0; i < 3; i++)
    if (pFace->f(i))
      m_Removed.push_back(pFace->f(i));
  m_Around.clear();
  double before = 0.0;
  for (int i = 0; i < 3; i++)
    for (int k = 0; k < pFace->v(i)->NbFaceNeighbor(); k++) {
      const CFace3d* g = pFace->v(i)->GetFaceNeighbor(k);
      if (std::none_of(m_Around.begin(), m_Around.end(),
                       [g](const auto& entry) { return entry.first == g; })) {
        m_Around.emplace_back(g, g->Area());
        before += m_Around.back().second;
      }
    }

  // The corners of each choice: the other two merge into the survivor a. Each sum starts
  // from zero and runs in the faces' order, as a sum over a list of faces would.
  float minimum = 1e38f;
  int best = 0;
  for (int i = 0; i < 3; i++) {
    const CVertex3d* a = pFace->v(i);
    const CVertex3d* b = pFace->v((i + 1) % 3);
    const CVertex3d* c = pFace->v((i + 2) % 3);
    double ofA = 0.0;
    KeptFaces(a);
    for (const CFace3d* g : m_Kept)
      ofA += AroundArea(g);
    double ofB = 0.0;
    KeptFaces(b);
    for (const CFace3d* g : m_Kept)
      ofB += AreaWithCorner(g, b, a);
    double ofC = 0.0;
    KeptFaces(c);
    for (const CFace3d* g : m_Kept)
      ofC += AreaWithCorner(g, c, a);
    const double after = ofA + ofB + ofC;
    const float cost = static_cast<float>(std::fabs(after - before));
    if (cost < minimum) {
      minimum = cost;
      best = i;
    }
  }
  pRecord->Set(minimum, best);
  Push(pRecord);
}

void CFaceCollapse::KeptFaces(const CVertex3d* v)
{
  m_Kept.clear();
  for (int i = 0; i < v->NbFaceNeighbor(); i++) {
    const CFace3d* g = v->GetFaceNeighbor(i);
    if (std::find(m_Removed.begin(), m_Removed.end(), g) == m_Removed.end() &&
        std::find(m_Kept.begin(), m_Kept.end(), g) == m_Kept.end())
      m_Kept.push_back(g);
  }
}

double CFaceCollapse::AroundArea(const CFace3d* pFace) const
{
  for (const auto& [g, area] : m_Around)
    if (g == pFace)
      return area;
  return pFace->Area();
}

void CFaceCollapse::Push(const CFaceCollapseRecord* pRecord)
{
  m_Queue.Push(const_cast<CFaceCollapseRecord*>(pRecord), pRecord->GetCost(),
               pRecord->GetOrder());
}

void CFaceCollapse::UnblockAround(const std::vector<CVertex3d*>& vertices)
{
  if (!m_Queue.HasBlocked())
    return;
  for (const CVertex3d* v : vertices)
    for (int i = 0; i < v->NbFaceNeighbor(); i++)
      if (CFaceCollapseRecord* pRecord = GetRecord(v->GetFaceNeighbor(i)))
        m_Queue.Unblock(pRecord, pRecord->GetCost(), pRecord->GetOrder());
}

void CFaceCollapse::FreeRecords()
{
  if (m_pMesh)
    for (int i = 0; i < m_pMesh->NbFace(); i++)
      m_pMesh->GetFace(i)->SetData(nullptr);
  m_ArrayRecord.clear();
  m_Queue.Clear();
}

// --- simplification ----------------------------------------------------------------------------

int CFaceCollapse::Simplify(CMesh3d* pMesh, int nbFaceWanted, int visual, int /*period*/,
                            CRenderView* pWindow)
{
  pMesh->Rebuild();
  if (pMesh->NbFace() <= nbFaceWanted) {
    platform::MessageBox("Invalid geometric complexity wanted");
    return 0;
  }
  FreeRecords();
  m_pMesh = pMesh;
  m_Visual = visual;
  m_pWindow = pWindow;
  for (int i = 0; i < pMesh->NbFace(); i++)
    ComputeCost(pMesh->GetFace(i), i);
  m_Sweep.Begin(pMesh);
  pMesh->BeginDeferredDeletion();
  std::vector<CVertex3d*> around;
  while (pMesh->NbLiveFace() > nbFaceWanted) {
    CFace3d* pCheapest = FindCheapest();
    if (!pCheapest)
      break;
    CVertex3d* pSurvivor = pCheapest->v(GetRecord(pCheapest)->GetCorner());
    const CVertex3d* corners[3] = {pCheapest->v(0), pCheapest->v(1), pCheapest->v(2)};
    if (!Collapse(pCheapest))
      break;
    for (const CVertex3d* p : corners)
      if (p != pSurvivor)
        m_Sweep.Forget(p);
    // Only what lies within two edges of the survivor changed: the collapse edited the
    // survivor's ring.
    CValence3Sweep::CollectRings(pSurvivor, 2, &around);
    m_Sweep.Touch(around);
    UnblockAround(around);
    m_Sweep.Sweep([this](const std::vector<CFace3d*>& deleted,
                         const std::vector<CVertex3d*>& changed) {
      for (CFace3d* f : deleted)
        if (CFaceCollapseRecord* pRecord = GetRecord(f))
          pRecord->Kill();
      UnblockAround(changed);
    });
  }
  pMesh->EndDeferredDeletion();
  FreeRecords();
  m_pMesh = nullptr;
  pMesh->Rebuild();
  return 1;
}

// The face of smallest cost that can collapse, the first in array order among equal ones.
CFace3d* CFaceCollapse::FindCheapest()
{
  const CFaceCollapseRecord* pRecord = m_Queue.Top(
    [](const CFaceCollapseRecord* r, float cost) { return r->GetFace() && r->GetCost() == cost; },
    [](const CFaceCollapseRecord* r) { return CanCollapse(r->GetFace()); });
  return pRecord ? pRecord->GetFace() : nullptr;
}

int CFaceCollapse::CanCollapse(const CFace3d* pFace)
{
  return pFace->HasNoValence3Near() && KeepsManifold(pFace) ? 1 : 0;
}

int CFaceCollapse::Collapse(CFace3d* pFace)
{
  const CFaceCollapseRecord* pRecord = GetRecord(pFace);
  if (!pRecord || !m_pMesh || !KeepsManifold(pFace))
    return 0;
  const int k = pRecord->GetCorner();
  CVertex3d* a = pFace->v(k);
  CVertex3d* b = pFace->v((k + 1) % 3);
  CVertex3d* c = pFace->v((k + 2) % 3);
  CArray3d<CFace3d> removed;
  GetRemovedFaces(pFace, &removed);
  CArray3d<CFace3d> moved;
  AddFacesNotIn(b, removed, &moved);
  AddFacesNotIn(c, removed, &moved);

  // Across each removed neighbour face, its outer neighbours meet (or lose it).
  for (int i = 1; i < removed.GetSize(); i++) {
    CFace3d* n = removed[i];
    CFace3d* outer[2] = {nullptr, nullptr};
    int nbOuter = 0;
    for (int j = 0; j < 3; j++)
      if (n->f(j) && !removed.Contains(n->f(j)) && nbOuter < 2)
        outer[nbOuter++] = n->f(j);
    if (outer[0])
      outer[0]->UpdateNeighbor(n, outer[1]);
    if (outer[1])
      outer[1]->UpdateNeighbor(n, outer[0]);
  }
  for (int i = 0; i < moved.GetSize(); i++) {
    moved[i]->UpdateVertex(b, a);
    moved[i]->UpdateVertex(c, a);
  }
  for (int i = 0; i < removed.GetSize(); i++)
    for (int j = 0; j < 3; j++)
      removed[i]->v(j)->RemoveFaceNeighbor(removed[i]);
  for (int i = 0; i < moved.GetSize(); i++) {
    a->AddFaceNeighbor(moved[i]);
    for (int j = 0; j < 3; j++)
      if (moved[i]->v(j) != a) {
        a->AddNeighbor(moved[i]->v(j));
        moved[i]->v(j)->AddNeighbor(a);
      }
  }
  // Every vertex that knew b or c knows a in their place (the moved faces gave it a).
  for (CVertex3d* gone : {b, c})
    for (int i = gone->NbVertexNeighbor() - 1; i >= 0; i--)
      gone->GetVertexNeighbor(i)->RemoveVertexNeighbor(gone);
  m_pMesh->DeleteVertex(b);
  m_pMesh->DeleteVertex(c);
  for (int i = 0; i < removed.GetSize(); i++) {
    if (CFaceCollapseRecord* pRecord = GetRecord(removed[i]))
      pRecord->Kill();
    removed[i]->SetData(nullptr);
    m_pMesh->DeleteFace(removed[i]);
  }
  Redraw();
  CArray3d<CFace3d> ring;
  for (int i = 0; i < a->NbFaceNeighbor(); i++) {
    CFace3d* f = a->GetFaceNeighbor(i);
    ring.AddUnique(f);
    for (int j = 0; j < 3; j++)
      if (f->f(j))
        ring.AddUnique(f->f(j));
  }
  for (int i = 0; i < ring.GetSize(); i++)
    ComputeCost(ring[i], -1);
  return 1;
}

void CFaceCollapse::Redraw()
{
  if (!m_Visual || !m_pWindow)
    return;
  // The view draws the arrays: the faces removed so far must be gone from them.
  m_pMesh->FlushDeferredDeletion();
  m_pMesh->SetModified();
  platform::RedrawView(m_pWindow);
}
