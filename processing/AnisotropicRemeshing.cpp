// Remeshing on the ribbons of an earlier build: new vertices go into the faces' edge slots
// (3 + edge, shared by the two faces of the edge), then the ghost-vertex split cuts the faces.
#include "processing/Wavefront.h"

#include "mesh/Mesh3d.h"
#include "platform/core/Redraw.h"

#include <vector>

namespace {

constexpr int kVertexOld = 1;
constexpr int kVertexInserted = 5;

// Slots left by an interrupted run must not be taken for vertices of this one.
void ClearEdgeSlots(CMesh3d* pMesh)
{
  for (int i = 0; i < pMesh->NbFace(); i++)
    for (int k = 3; k < 6; k++)
      pMesh->GetFace(i)->SetVertex(k, nullptr);
}

bool CrossesRibbons(const CFace3d* f, int edge)
{
  return f->v(edge)->GetRibbon() != f->v((edge + 1) % 3)->GetRibbon();
}

// The index of the shared edge in g, or -1 when f and g share no edge.
int SharedEdgeIn(const CFace3d* f, const CFace3d* g)
{
  int i = 0;
  int j = 0;
  return g && f->ShareEdge(g, &i, &j) ? j : -1;
}

CVertex3d* NewVertex(CMesh3d* pMesh, float x, float y, float z, int flag, int ribbon)
{
  auto* v = new CVertex3d(x, y, z);
  v->SetFlag(flag);
  v->SetRibbon(ribbon);
  pMesh->AddVertex(v);
  return v;
}

CVertex3d* NewMidpoint(CMesh3d* pMesh, const CVertex3d* a, const CVertex3d* b, int flag, int ribbon)
{
  return NewVertex(pMesh, (a->x() + b->x()) * 0.5f, (a->y() + b->y()) * 0.5f,
                   (a->z() + b->z()) * 0.5f, flag, ribbon);
}

// The four-point rule on edge ab: (9a + 9b - na - nb) / 16, na and nb the neighbours of a and
// b that continue the line beyond each end; the midpoint when one is missing.
CVertex3d* NewFourPointVertex(CMesh3d* pMesh, const CVertex3d* a, const CVertex3d* b)
{
  CVector3d forward(a, b);
  forward.Normalize();
  const CVector3d backward(-forward.x(), -forward.y(), -forward.z());
  const CVertex3d* nb = b->GetVertexNeighborInDirection(&forward);
  const CVertex3d* na = a->GetVertexNeighborInDirection(&backward);
  if (!na || !nb)
    return NewMidpoint(pMesh, a, b, kVertexInserted, -1);
  auto rule = [](float pa, float pb, float qa, float qb) {
    return (9.0f * pa + 9.0f * pb - qa - qb) / 16.0f;
  };
  return NewVertex(pMesh, rule(a->x(), b->x(), na->x(), nb->x()),
                   rule(a->y(), b->y(), na->y(), nb->y()), rule(a->z(), b->z(), na->z(), nb->z()),
                   kVertexInserted, -1);
}

// Pairs f with its first neighbour not yet paired across a ribbon-crossing edge and puts one
// new vertex on that edge; returns the neighbour, or null when f stays alone.
CFace3d* PairFace(CMesh3d* pMesh, CFace3d* f)
{
  f->SetFlag(1);
  if (f->HasNullVertex())
    return nullptr;
  for (int i = 0; i < 3; i++) {
    CFace3d* g = f->f(i);
    if (!g || g->GetFlag() != 0 || !CrossesRibbons(f, i))
      continue;
    const int j = SharedEdgeIn(f, g);
    if (j < 0)
      continue;
    CVertex3d* v = NewFourPointVertex(pMesh, f->v(i), f->v((i + 1) % 3));
    v->SetColor(255, 0, 0);
    f->SetVertex(i + 3, v);
    g->SetVertex(j + 3, v);
    g->SetFlag(1);
    return g;
  }
  return nullptr;
}

// Pairing spreads depth first: after a pair (f, g), g's free neighbours, then f's. The explicit
// stack keeps that order without recursing once per face.
void PairFrom(CMesh3d* pMesh, CFace3d* pFace)
{
  struct SFrame
  {
    CFace3d* f;
    CFace3d* g;
    int next;
  };
  std::vector<SFrame> stack;
  if (CFace3d* g = PairFace(pMesh, pFace))
    stack.push_back({pFace, g, 0});
  while (!stack.empty()) {
    SFrame& top = stack.back();
    if (top.next == 6) {
      stack.pop_back();
      continue;
    }
    const int k = top.next++;
    CFace3d* h = k < 3 ? top.g->f(k) : top.f->f(k - 3);
    if (!h || h->GetFlag() != 0)
      continue;
    if (CFace3d* g = PairFace(pMesh, h))
      stack.push_back({h, g, 0});
  }
}

// Flips, once per face, the ribbon-crossing edge opposite a vertex inserted by the pairing.
// A flip that would join two vertices already joined is skipped: it would double an edge.
void SwapEdgesOppositeInserted(CMesh3d* pMesh)
{
  pMesh->SetFacesFlag(0);
  for (int n = 0; n < pMesh->NbFace(); n++) {
    CFace3d* f = pMesh->GetFace(n);
    for (int i = 0; f->GetFlag() == 0 && i < 3; i++) {
      CVertex3d* c = f->v(i);
      const int edge = (i + 1) % 3;
      CFace3d* g = f->f(edge);
      if (c->GetFlag() != kVertexInserted || !g || g->GetFlag() == 1 || !CrossesRibbons(f, edge))
        continue;
      const int j = SharedEdgeIn(f, g);
      CVertex3d* d = j < 0 ? nullptr : g->v((j + 2) % 3);
      if (!d || c->IsNeighbor(d) || !f->SwapEdgeVertices(g))
        continue;
      c->AddNeighbor(d);
      d->AddNeighbor(c);
      f->SetFlag(1);
      g->SetFlag(1);
    }
  }
  pMesh->Rebuild();
}

} // namespace

int CWavefront::RemeshAcross(CMesh3d* pMesh)
{
  if (!pMesh)
    return 0;
  ClearEdgeSlots(pMesh);
  pMesh->SetFacesFlag(0);
  pMesh->SetVerticesFlag(kVertexOld);
  for (int n = 0; n < pMesh->NbFace(); n++) {
    CFace3d* f = pMesh->GetFace(n);
    for (int i = 0; i < 3 && !f->HasNullVertex(); i++) {
      const CFace3d* g = f->f(i);
      const int j = g && g->GetFlag() == 1 ? SharedEdgeIn(f, g) : -1;
      if (j >= 0)
        f->SetVertex(i + 3, g->v(j + 3));
      else if (CrossesRibbons(f, i))
        f->SetVertex(i + 3, NewMidpoint(pMesh, f->v(i), f->v((i + 1) % 3), 0, -1));
    }
    f->SetFlag(1);
  }
  return pMesh->SubdivisionGhostVertices(1);
}

int CWavefront::RemeshAcrossTwoEdges(CMesh3d* pMesh, int swap, CRenderView* pView)
{
  if (!pMesh)
    return 0;
  m_pMesh = pMesh;
  ClearEdgeSlots(pMesh);
  pMesh->SetFacesFlag(0);
  pMesh->SetVerticesFlag(kVertexOld);
  const int nbFace = pMesh->NbFace();
  for (int n = 0; n < nbFace; n++)
    if (pMesh->GetFace(n)->GetFlag() == 0)
      PairFrom(pMesh, pMesh->GetFace(n));
  pMesh->SubdivisionGhostVertices(1);
  platform::RedrawView(pView);
  if (swap)
    SwapEdgesOppositeInserted(pMesh);
  return 1;
}

int CWavefront::RemeshAlong(CMesh3d* pMesh, CRenderView* pView)
{
  if (!pMesh)
    return 0;
  m_pMesh = pMesh;
  ClearEdgeSlots(pMesh);
  pMesh->SetVerticesFlag(kVertexOld);
  for (int n = 0; n < pMesh->NbFace(); n++) {
    CFace3d* f = pMesh->GetFace(n);
    for (int i = 0; i < 3 && !f->HasNullVertex(); i++) {
      CFace3d* g = f->f(i);
      const int j = SharedEdgeIn(f, g);
      if ((j >= 0 && g->v(j + 3)) || CrossesRibbons(f, i))
        continue;
      const CVertex3d* a = f->v(i);
      const CVertex3d* b = f->v((i + 1) % 3);
      const CVertex3d* c = f->v((i + 2) % 3);
      CVertex3d* v = nullptr;
      if (j >= 0) {
        const CVertex3d* d = g->v((j + 2) % 3);
        v = NewVertex(pMesh, (a->x() + b->x() + c->x() + d->x()) * 0.25f,
                      (a->y() + b->y() + c->y() + d->y()) * 0.25f,
                      (a->z() + b->z() + c->z() + d->z()) * 0.25f, kVertexOld, a->GetRibbon());
        g->SetVertex(j + 3, v);
      } else {
        v = NewMidpoint(pMesh, a, b, kVertexOld, a->GetRibbon());
      }
      v->SetColor(255, 0, 0);
      f->SetVertex(i + 3, v);
    }
  }
  pMesh->SubdivisionGhostVertices(1);
  platform::RedrawView(pView);
  return 1;
}
