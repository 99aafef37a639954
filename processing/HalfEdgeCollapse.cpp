#include "processing/HalfEdgeCollapse.h"

#include "mesh/Face3d.h"
#include "mesh/GeometryUtil.h"
#include "mesh/Mesh3d.h"
#include "mesh/Prefetch.h"
#include "platform/core/Redraw.h"
#include "processing/Valence3Sweep.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <vector>

namespace {

// The faces around v other than f1 and f2.
void FacesAroundExcept(const CVertex3d* v, const CFace3d* f1, const CFace3d* f2,
                       CArray3d<CFace3d>* pFaces)
{
  for (int i = 0; i < v->NbFaceNeighbor(); i++) {
    CFace3d* f = v->GetFaceNeighbor(i);
    if (f != f1 && f != f2)
      pFaces->Add(f);
  }
}


// The face with its first corner `from` put on `to`: its area, and its normal as
// CFace3d::CalculateNormal would give it.
double MovedArea(const CFace3d* f, const CVertex3d* from, const CVertex3d* to, CVector3d* pNormal)
{
  const CVertex3d* p[3] = {f->v(0), f->v(1), f->v(2)};
  for (const CVertex3d*& corner : p)
    if (corner == from) {
      corner = to;
      break;
    }
  *pNormal = CVector3d(p[0], p[1]) ^ CVector3d(p[0], p[2]);
  pNormal->Normalize();
  return TriangleArea(p[0], p[1], p[2]);
}

// Any two of the normals (every pair) more than a right angle apart; a face without a normal
// makes no angle.
int IsFolding(std::span<const CVector3d> normals)
{
  for (size_t i = 0; i < normals.size(); i++) {
    if (normals[i].GetSquareNorm() == 0.0)
      continue;
    for (size_t j = i + 1; j < normals.size(); j++)
      if (normals[j].GetSquareNorm() != 0.0 &&
          CHalfEdgeCollapse::IsBeyondRightAngle(normals[i], normals[j]))
        return 1;
  }
  return 0;
}

// The number of vertices that are neighbours of both a and b.
int CountCommonNeighbors(const CVertex3d* a, const CVertex3d* b)
{
  int n = 0;
  for (int i = 0; i < a->NbVertexNeighbor(); i++)
    n += b->IsNeighbor(a->GetVertexNeighbor(i));
  return n;
}

} // namespace

// --- run ---------------------------------------------------------------------------------------

int CHalfEdgeCollapse::Simplify(CMesh3d* pMesh, int nbVertexWanted, int visual, int /*period*/,
                                CRenderView* pWindow)
{
  pMesh->Rebuild();
  if (pMesh->NbVertex() <= nbVertexWanted)
    return 0;
  Begin(pMesh, visual, pWindow);
  pMesh->BeginDeferredDeletion();
  while (pMesh->NbLiveVertex() > nbVertexWanted) {
    CHalfEdge* pCheapest = FindCheapest();
    if (!pCheapest)
      break;
    Realise(pCheapest);
  }
  pMesh->EndDeferredDeletion();
  CopyTextToClipboard("Accumulator\tRemoved\r\n");
  End();
  pMesh->Rebuild();
  return 1;
}

void CHalfEdgeCollapse::Begin(CMesh3d* pMesh, int visual, CRenderView* pWindow)
{
  End();
  m_pMesh = pMesh;
  m_Visual = visual;
  m_pWindow = pWindow;
  m_OneSided = pMesh->HasOneSidedLinks() != 0;
  BuildBags();
  // A cost reads the area around the removed vertex, which no cost changes: once per vertex,
  // kept by the index of the vertex's bag (NaN until measured).
  std::vector<double> areas(m_ArrayBag.size(), std::numeric_limits<double>::quiet_NaN());
  m_Keys.assign(m_ArrayHalfEdge.size(), std::numeric_limits<float>::quiet_NaN());
  m_NbValid = m_ArrayHalfEdge.size();
  for (CHalfEdge& halfEdge : m_ArrayHalfEdge) {
    const CVertex3d* pRemoved = halfEdge.GetRemoved();
    double& area = areas[static_cast<size_t>(GetBag(pRemoved)->GetIndex())];
    if (area != area)
      area = AreaAround(pRemoved);
    halfEdge.SetCost(ComputeCost(&halfEdge, area));
    Queue(&halfEdge);
  }
}

void CHalfEdgeCollapse::End()
{
  if (m_pMesh)
    for (int i = 0; i < m_pMesh->NbVertex(); i++)
      m_pMesh->GetVertex(i)->SetData(nullptr);
  m_ArrayBag.clear();
  m_ArrayHalfEdge.clear();
  m_Queue.Clear();
  std::vector<float>().swap(m_Keys);
  m_NbValid = 0;
  m_pMesh = nullptr;
}

// Two half-edges per edge, made when the edge is first met from its lower vertex; both go to
// the bags of both ends.
void CHalfEdgeCollapse::BuildBags()
{
  m_pMesh->SetVerticesFlag(0);
  for (int i = 0; i < m_pMesh->NbVertex(); i++) {
    m_pMesh->GetVertex(i)->SetData(&m_ArrayBag.emplace_back(i));
  }
  for (int i = 0; i < m_pMesh->NbVertex(); i++) {
    CVertex3d* v = m_pMesh->GetVertex(i);
    for (int k = 0; k < v->NbVertexNeighbor(); k++) {
      CVertex3d* n = v->GetVertexNeighbor(k);
      if (n->GetFlag() != 0)
        continue;
      CArray3d<CFace3d> faces;
      if (!v->FindFacesWithVertex(n, &faces))
        continue;
      CFace3d* f2 = faces.GetSize() > 1 ? faces[1] : nullptr;
      for (CVertex3d* pAccumulator : {v, n}) {
        CHalfEdge* h = &m_ArrayHalfEdge.emplace_back(pAccumulator, pAccumulator == v ? n : v,
                                                     faces[0], f2);
        h->SetOrder(static_cast<int>(m_ArrayHalfEdge.size()) - 1);
        GetBag(v)->Add(h);
        GetBag(n)->Add(h);
      }
    }
    v->SetFlag(1);
  }
  m_pMesh->SetVerticesFlag(0);
  m_pMesh->SetFacesFlag(0);
}

CHalfEdgeBag* CHalfEdgeCollapse::GetBag(const CVertex3d* v)
{
  return static_cast<CHalfEdgeBag*>(v->GetData());
}

float CHalfEdgeCollapse::GetPenalty(const CVertex3d* v)
{
  const CHalfEdgeBag* pBag = GetBag(v);
  return pBag ? pBag->GetPenalty() : 0.0f;
}

// --- cost --------------------------------------------------------------------------------------

double CHalfEdgeCollapse::AreaAround(const CVertex3d* v)
{
  double sum = 0.0;
  for (int i = 0; i < v->NbFaceNeighbor(); i++)
    sum += v->GetFaceNeighbor(i)->Area();
  return sum;
}

float CHalfEdgeCollapse::ComputeCost(const CHalfEdge* pHalfEdge)
{
  return ComputeCost(pHalfEdge, AreaAround(pHalfEdge->GetRemoved()));
}

float CHalfEdgeCollapse::ComputeCost(const CHalfEdge* pHalfEdge, double before)
{
  // The moved faces are measured with the accumulator in place of the removed vertex; the
  // faces themselves are not touched.
  // Costs are asked for a dozen times a collapse: the normals of a common vertex's faces stay
  // on the stack.
  const CVertex3d* pAccumulator = pHalfEdge->GetAccumulator();
  const CVertex3d* pRemoved = pHalfEdge->GetRemoved();
  const CFace3d* f1 = pHalfEdge->GetFace1();
  const CFace3d* f2 = pHalfEdge->GetFace2();
  const int n = pRemoved->NbFaceNeighbor();
  constexpr int kFewFaces = 24;
  std::array<CVector3d, kFewFaces> few;
  std::vector<CVector3d> many(n > kFewFaces ? static_cast<size_t>(n) : 0);
  CVector3d* normals = n > kFewFaces ? many.data() : few.data();
  size_t count = 0;
  double after = 0.0;
  for (int i = 0; i < n; i++) {
    const CFace3d* f = pRemoved->GetFaceNeighbor(i);
    if (f != f1 && f != f2)
      after += MovedArea(f, pRemoved, pAccumulator, &normals[count++]);
  }
  const int folds = IsFolding({normals, count});
  const float cost = static_cast<float>(std::fabs(after - before));
  return folds ? 2.0f * cost : cost;
}

// AngleVectors(u, v) beyond a right angle (1.5707963267948966), without its arc sine. It gives
// asin(s) for a cosine c >= 0 and pi - asin(s) otherwise, with s in [0, 1] and its pi a little
// above twice that right angle: the first never passes asin(1), the right angle itself; the
// second always does; a sine that is not a number fails both.
int CHalfEdgeCollapse::IsBeyondRightAngle(const CVector3d& u, const CVector3d& v)
{
  const double p = u.GetNorm() * v.GetNorm();
  if (p == 0.0)
    return 0;
  const double c = InnerProduct(u, v) / p;
  const double s = (u ^ v).GetNorm() / p;
  return !(c >= 0.0) && !std::isnan(s) ? 1 : 0;
}

// --- choice ------------------------------------------------------------------------------------

float CHalfEdgeCollapse::GetKey(const CHalfEdge* pHalfEdge)
{
  return pHalfEdge->GetCost() + GetPenalty(pHalfEdge->GetAccumulator());
}

CHalfEdge* CHalfEdgeCollapse::FindCheapest() const
{
  const auto isCurrent = [this](float key, std::int64_t order) {
    return m_Keys[static_cast<size_t>(order)] == key;
  };
  // Every key change pushes an entry and leaves the older one stale: once the stale ones
  // outnumber the valid half-edges, they all go in one pass, and the pops that follow go
  // through a heap a fraction of the size.
  constexpr std::size_t kLeastDrop = 1024;
  if (m_Queue.GetSize() > 2 * static_cast<std::size_t>(m_NbValid) + kLeastDrop)
    m_Queue.DropStale(isCurrent);
  return m_Queue.Top(
    [&isCurrent](const CHalfEdge*, float key, std::int64_t order) {
      return isCurrent(key, order);
    },
    [this](const CHalfEdge* h) { return CanRealise(h) != 0; });
}

void CHalfEdgeCollapse::Queue(CHalfEdge* pHalfEdge)
{
  const float key = GetKey(pHalfEdge);
  m_Keys[static_cast<size_t>(pHalfEdge->GetOrder())] = key;
  m_Queue.Push(pHalfEdge, key, pHalfEdge->GetOrder());
}

void CHalfEdgeCollapse::Requeue(const CVertex3d* v)
{
  const CHalfEdgeBag* pBag = GetBag(v);
  for (int i = 0; pBag && i < pBag->NbHalfEdge(); i++) {
    CHalfEdge* h = pBag->GetHalfEdge(i);
    if (h->IsValid())
      Queue(h);
  }
}

// A half-edge sits in the bags of its two ends only, so the waiting ones to hand back are those
// with an end in the rings (few ever wait: the bags of the rings are not walked).
void CHalfEdgeCollapse::UnblockAround(CVertex3d* v, int rings)
{
  if (!m_Queue.HasBlocked())
    return;
  std::vector<CHalfEdge*> waiting = m_Queue.GetBlocked();
  std::erase_if(waiting, [](const CHalfEdge* h) { return !h->IsValid(); });
  if (waiting.empty())
    return;
  std::vector<CVertex3d*> around;
  CValence3Sweep::CollectRings(v, rings, &around);
  for (CHalfEdge* h : waiting)
    for (const CVertex3d* end : {h->GetAccumulator(), h->GetRemoved()}) {
      const CHalfEdgeBag* pBag = GetBag(end);
      if (pBag && pBag->Contains(h) &&
          std::find(around.begin(), around.end(), end) != around.end()) {
        m_Queue.Unblock(h, GetKey(h), h->GetOrder());
        break;
      }
    }
}

CVertex3d* CHalfEdgeCollapse::FindLowDegreeOpposite(const CHalfEdge* pHalfEdge)
{
  for (const CFace3d* f : {pHalfEdge->GetFace1(), pHalfEdge->GetFace2()}) {
    if (!f)
      continue;
    CVertex3d* x = f->GetVertexOther(pHalfEdge->GetAccumulator(), pHalfEdge->GetRemoved());
    if (x && x->NbFaceNeighbor() < 4 && !x->IsOnBoundary())
      return x;
  }
  return nullptr;
}

int CHalfEdgeCollapse::CanRealise(const CHalfEdge* pHalfEdge) const
{
  const CVertex3d* a = pHalfEdge->GetAccumulator();
  const CVertex3d* r = pHalfEdge->GetRemoved();
  const CFace3d* f1 = pHalfEdge->GetFace1();
  const CFace3d* f2 = pHalfEdge->GetFace2();
  if (!pHalfEdge->IsValid() || !f1 || f1 == f2)
    return 0;
  // Only a vertex of three faces is removed first. An interior vertex of two faces is the
  // middle of two faces back to back (their component has nothing else): merging them would
  // leave one face on two corners, so the edge is refused.
  if (const CVertex3d* x = FindLowDegreeOpposite(pHalfEdge))
    return CMesh3d::IsRemovableValence3(x);

  // The edge's faces are exactly f1 and f2 (a manifold edge).
  CArray3d<CFace3d> shared;
  if (a->FindSharedFaces(r, &shared) != (f2 ? 2 : 1) || !shared.Contains(f1) ||
      (f2 && !shared.Contains(f2)))
    return 0;
  // Link condition: the only common neighbours are the opposite corners.
  const CVertex3d* x1 = f1->GetVertexOther(a, r);
  const CVertex3d* x2 = f2 ? f2->GetVertexOther(a, r) : nullptr;
  if (x1 == x2 || CountCommonNeighbors(a, r) != (f2 ? 2 : 1))
    return 0;
  // An interior edge between two boundary vertices would pinch the surface.
  if (f2 && a->IsOnBoundary() && r->IsOnBoundary())
    return 0;
  // Every opposite corner keeps a face.
  for (const CVertex3d* x : {x1, x2})
    if (x && x->NbFaceNeighbor() < 2)
      return 0;
  return 1;
}

// --- realisation -------------------------------------------------------------------------------

int CHalfEdgeCollapse::Realise(CHalfEdge* pHalfEdge)
{
  if (!CanRealise(pHalfEdge))
    return 0;
  if (CVertex3d* x = FindLowDegreeOpposite(pHalfEdge)) {
    RemoveValence3(x);
    Redraw();
    return 2;
  }
  Collapse(pHalfEdge);
  Redraw();
  return 1;
}

void CHalfEdgeCollapse::DropHalfEdgesOn(const CVertex3d* v, const CFace3d* f1, const CFace3d* f2)
{
  CHalfEdgeBag* pBag = GetBag(v);
  CArray3d<CHalfEdge> dropped;
  for (int i = 0; i < pBag->NbHalfEdge(); i++) {
    CHalfEdge* h = pBag->GetHalfEdge(i);
    if (h->IsValid() && (h->LiesOn(f1) || h->LiesOn(f2)))
      dropped.Add(h);
  }
  for (int i = 0; i < dropped.GetSize(); i++) {
    if (dropped[i]->IsValid())
      m_NbValid--;
    dropped[i]->Disable();
    m_Keys[static_cast<size_t>(dropped[i]->GetOrder())] = std::numeric_limits<float>::quiet_NaN();
    GetBag(dropped[i]->GetAccumulator())->Remove(dropped[i]);
    GetBag(dropped[i]->GetRemoved())->Remove(dropped[i]);
  }
}

void CHalfEdgeCollapse::RecomputeCosts(const CVertex3d* v)
{
  const CHalfEdgeBag* pBag = GetBag(v);
  std::optional<double> aroundV;
  for (int i = 0; i < pBag->NbHalfEdge(); i++) {
    CHalfEdge* h = pBag->GetHalfEdge(i);
    if (!h->IsValid())
      continue;
    if (h->GetRemoved() != v) {
      h->SetCost(ComputeCost(h));
      continue;
    }
    // The half-edges that remove v all read the area around v.
    if (!aroundV)
      aroundV = AreaAround(v);
    h->SetCost(ComputeCost(h, *aroundV));
  }
}

// The three faces around v become one on its ring; the half-edges of the ring edges that
// named a deleted face name the kept one.
void CHalfEdgeCollapse::RemoveValence3(CVertex3d* v)
{
  CFace3d* fa = v->GetFaceNeighbor(0);
  CFace3d* fb = v->GetFaceNeighbor(1);
  CFace3d* fc = v->GetFaceNeighbor(2);
  CVertex3d* ring[3] = {v->GetVertexNeighbor(0), v->GetVertexNeighbor(1),
                        v->GetVertexNeighbor(2)};
  DropHalfEdgesOn(v, fa, fb);
  DropHalfEdgesOn(v, fc, nullptr);
  // On a proper star nothing is left in v's bag; whatever is left loses v's penalty.
  CHalfEdgeBag* pBag = GetBag(v);
  v->SetData(nullptr);
  for (int i = 0; i < pBag->NbHalfEdge(); i++) {
    const CHalfEdge* h = pBag->GetHalfEdge(i);
    if (h->IsValid())
      m_Keys[static_cast<size_t>(h->GetOrder())] = GetKey(h);
  }
  pBag->RemoveAll();
  v->SetFlag(1);
  if (!m_pMesh->RemoveValence3Vertex(v))
    return;
  // The kept face took a new corner without its normal following; the other edits of a run
  // keep every face normal current.
  fa->CalculateNormal();
  for (const CVertex3d* p : ring) {
    const CHalfEdgeBag* pBag = GetBag(p);
    for (int i = 0; i < pBag->NbHalfEdge(); i++) {
      pBag->GetHalfEdge(i)->ReplaceFace(fb, fa);
      pBag->GetHalfEdge(i)->ReplaceFace(fc, fa);
    }
  }
  for (const CVertex3d* p : ring) {
    RecomputeCosts(p);
    Requeue(p);
  }
  // The ring corners are neighbours of one another: three edges from one covers two from all.
  UnblockAround(ring[0], 3);
}

void CHalfEdgeCollapse::Collapse(CHalfEdge* pHalfEdge)
{
  CVertex3d* a = pHalfEdge->GetAccumulator();
  CVertex3d* r = pHalfEdge->GetRemoved();
  CFace3d* f1 = pHalfEdge->GetFace1();
  CFace3d* f2 = pHalfEdge->GetFace2();
  CVertex3d* x1 = f1->GetVertexOther(a, r);
  CVertex3d* x2 = f2 ? f2->GetVertexOther(a, r) : nullptr;

  // The half-edges of r are read first; the new costs read the neighbours of a and r and the
  // faces around them: asked for now, their misses overlap one another and the edit of the
  // mesh.
  CHalfEdgeBag* pBagR = GetBag(r);
  for (int i = 0; i < pBagR->NbHalfEdge(); i++)
    PrefetchWhole(pBagR->GetHalfEdge(i));
  for (const CVertex3d* end : {a, r})
    for (int k = 0; k < end->NbVertexNeighbor(); k++)
      PrefetchWhole(end->GetVertexNeighbor(k));
  for (const CVertex3d* end : {a, r})
    for (int k = 0; k < end->NbVertexNeighbor(); k++) {
      const CVertex3d* u = end->GetVertexNeighbor(k);
      PrefetchLine(GetBag(u));  // its penalty, for the keys of the half-edges into u
      for (int i = 0; i < u->NbFaceNeighbor(); i++)
        PrefetchWhole(u->GetFaceNeighbor(i));
    }
  DropHalfEdgesOn(r, f1, f2);
  // Across each removed face, its outer neighbours at a and at r meet.
  for (CFace3d* f : {f1, f2})
    if (f)
      CMesh3d::RelinkAcross(f, a, r, nullptr, m_OneSided);
  CArray3d<CFace3d> moved;
  FacesAroundExcept(r, f1, f2, &moved);
  for (int i = 0; i < moved.GetSize(); i++) {
    moved[i]->UpdateVertex(r, a);
    a->AddFaceNeighbor(moved[i]);
  }
  CHalfEdgeBag* pBagA = GetBag(a);
  for (int i = 0; i < pBagR->NbHalfEdge(); i++) {
    pBagR->GetHalfEdge(i)->ReplaceVertex(r, a);
    pBagA->Add(pBagR->GetHalfEdge(i));
  }
  for (CVertex3d* p : {a, x1, x2})
    if (p) {
      p->RemoveFaceNeighbor(f1);
      p->RemoveFaceNeighbor(f2);
    }
  for (int i = r->NbVertexNeighbor() - 1; i >= 0; i--)
    r->GetVertexNeighbor(i)->ReplaceVertexNeighbor(r, a);
  a->RemoveVertexNeighbor(r);
  for (CVertex3d* x : {x1, x2})
    if (x)
      for (int i = 0; i < pBagA->NbHalfEdge(); i++) {
        CHalfEdge* h = pBagA->GetHalfEdge(i);
        if (h->OtherVertex(a) != x)
          continue;
        CArray3d<CFace3d> shared;
        a->FindSharedFaces(x, &shared);
        h->SetFaces(shared.GetSize() > 0 ? shared[0] : nullptr,
                    shared.GetSize() > 1 ? shared[1] : nullptr);
      }

  f1->SetFlag(1);
  m_pMesh->DeleteFace(f1);
  if (f2) {
    f2->SetFlag(1);
    m_pMesh->DeleteFace(f2);
  }
  const float penalty = pBagR->GetPenalty();
  pBagR->RemoveAll();
  r->SetData(nullptr);
  r->SetFlag(1);
  r->RemoveAllVertexNeighbor();
  r->RemoveAllFaceNeighbor();
  m_pMesh->DeleteVertex(r);
  RecomputeCosts(a);
  pBagA->AddPenalty(pHalfEdge->GetCost() + penalty);
  Requeue(a);
  // The collapse changed the lists of a's ring; half-edges read two edges beyond their ends.
  UnblockAround(a, 3);
  m_pMesh->SetModified();
}

void CHalfEdgeCollapse::Redraw()
{
  if (!m_Visual || !m_pWindow)
    return;
  // The view draws the arrays: the elements removed so far must be gone from them.
  m_pMesh->FlushDeferredDeletion();
  m_pMesh->SetModified();
  platform::RedrawView(m_pWindow);
}
