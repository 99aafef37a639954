#include "mesh/GeometryUtil.h"
#include "mesh/Mesh3d.h"
#include "platform/core/Redraw.h"

#include <cmath>
#include <map>
#include <tuple>

int CMesh3d::Undo()
{
  int count = 0;
  for (int i = 0; i < NbFace(); i++)
    count += GetFace(i)->PopHistory();
  for (int i = 0; i < NbVertex(); i++)
    GetVertex(i)->PopHistory();
  m_Modified = 1;
  return count;
}

//********************************************
// Spring relaxation
//********************************************

namespace {
// Sum over the vertices of the flag of the squared lengths of their edges.
float SpringEnergy(const CMesh3d* pMesh, int flag)
{
  float energy = 0.0f;
  for (int i = 0; i < pMesh->NbVertex(); i++) {
    const CVertex3d* v = pMesh->GetVertex(i);
    if (v->GetFlag() != flag)
      continue;
    for (int k = 0; k < v->NbVertexNeighbor(); k++)
      energy += static_cast<float>(SquareDistance(v, v->GetVertexNeighbor(k)));
  }
  return energy;
}

// Moves each vertex of the flag, in order, by s times the sum of its edge vectors: later
// vertices see the moved ones.
void SpringStep(CMesh3d* pMesh, int flag, float s)
{
  for (int i = 0; i < pMesh->NbVertex(); i++) {
    CVertex3d* v = pMesh->GetVertex(i);
    if (v->GetFlag() != flag)
      continue;
    float delta[3] = {0.0f, 0.0f, 0.0f};
    for (int k = 0; k < v->NbVertexNeighbor(); k++)
      for (int axis = 0; axis < 3; axis++)
        delta[axis] += v->GetVertexNeighbor(k)->Get(axis) - v->Get(axis);
    v->Move(s * delta[0], s * delta[1], s * delta[2]);
  }
  pMesh->SetModified();
}

void RelaxSprings(CMesh3d* pMesh, int flag, int iterations, CRenderView* pWindow)
{
  float s = 0.1f;
  for (int i = 0; i < iterations; i++) {
    const float before = SpringEnergy(pMesh, flag);
    SpringStep(pMesh, flag, s);
    const float after = SpringEnergy(pMesh, flag);
    // The first steps may overshoot freely; later, a step that did not help shortens.
    if (i >= 10 && !(after < before))
      s *= 0.8f;
    platform::RedrawView(pWindow);
  }
}
} // namespace

void CMesh3d::MoveVerticesFromSpring(double angle, int iterations, CRenderView* pWindow)
{
  const double threshold = angle / 360.0 * 6.2831853;
  for (int i = 0; i < NbVertex(); i++) {
    CVertex3d* v = GetVertex(i);
    v->SetFlag(v->GetMaxAngleAround() <= threshold && !v->IsOnBoundary() ? 1 : 0);
  }
  RelaxSprings(this, 1, iterations, pWindow);
}

void CMesh3d::MoveFlaggedVerticesFromSpring(int flag, int flagBoundary, int boundaryFlag,
                                            int iterations, CRenderView* pWindow)
{
  if (flagBoundary)
    for (int i = 0; i < NbVertex(); i++)
      if (GetVertex(i)->IsOnBoundary())
        GetVertex(i)->SetFlag(boundaryFlag);
  RelaxSprings(this, flag, iterations, pWindow);
}

//********************************************
// Edge swaps
//********************************************

int CMesh3d::SwapEdges()
{
  int count = 0;
  for (int i = 0; i < NbFace(); i++) {
    CFace3d* f = GetFace(i);
    for (int k = 0; k < 3; k++) {
      CFace3d* g = f->f(k);
      if (g && f->CompacityAfterSwap(g) > f->MeanCompacity(g) && f->IsSwapFolding(g) == 0) {
        count += f->SwapEdge(g);
        break;
      }
    }
  }
  m_Modified = 1;
  return count;
}

//********************************************
// Test mesh
//********************************************

int CMesh3d::GeneratePathologic(int n)
{
  // 2^20 base vertices is already far beyond what the test is for; more would overflow.
  if (n < 1 || n > 20 || NbVertex() > 0 || NbFace() > 0)
    return 0;
  const int m = static_cast<int>(std::pow(2.0, n) + 1.0);
  m_ArrayVertex.SetSize(m);
  m_ArrayVertex.SetAt(0, new CVertex3d(0.0f, 0.0f, 1.0f));
  for (int i = 0; i < m - 1; i++) {
    const double alpha = i * 6.2831853 / (m - 1);
    m_ArrayVertex.SetAt(i + 1, new CVertex3d(static_cast<float>(std::cos(alpha)),
                                             static_cast<float>(std::sin(alpha)), 0.0f));
  }
  for (int i = 0; i < m - 1; i++) {
    const int j = i + 2 == m ? 1 : i + 2;
    AddFace(new CFace3d(GetVertex(0), GetVertex(i + 1), GetVertex(j)));
  }
  // Level k joins every 2^k-th base vertex to the next but one at that spacing.
  for (int k = 1; k < n; k++) {
    const int s = 1 << (k - 1);
    const int c = 1 << (n - k);
    for (int t = 0, step = 0; step < c; t += 2 * s, step++) {
      const int a = (t + s) % (m - 1);
      const int b = (a + s) % (m - 1);
      AddFace(new CFace3d(GetVertex(t + 1), GetVertex(b + 1), GetVertex(a + 1)));
    }
  }
  return 1;
}

//********************************************
// Weld and holes
//********************************************

int CMesh3d::Weld()
{
  SetVerticesFlag(0);
  // The first vertex at each position, ordered so that exactly equal positions (0 and -0
  // included) meet; a coordinate that is not a number equals nothing.
  std::map<std::tuple<float, float, float>, CVertex3d*> first;
  for (int i = 0; i < NbVertex(); i++) {
    CVertex3d* v = GetVertex(i);
    if (std::isnan(v->x()) || std::isnan(v->y()) || std::isnan(v->z()))
      continue;
    const auto [it, inserted] = first.emplace(std::make_tuple(v->x(), v->y(), v->z()), v);
    if (!inserted) {
      v->SetFlag(1);
      v->SetData(it->second);
    }
  }
  for (int i = 0; i < NbFace(); i++) {
    CFace3d* f = GetFace(i);
    for (int k = 0; k < 3; k++)
      if (f->v(k) && f->v(k)->GetFlag() == 1)
        f->SetVertex(k, static_cast<CVertex3d*>(f->v(k)->GetData()));
  }
  for (int i = 0; i < NbVertex(); i++)
    if (GetVertex(i)->GetFlag() == 1)
      GetVertex(i)->SetData(nullptr);
  const int removed = RemoveUnusedVertices();
  // The neighbour lists named the removed vertices.
  if (removed > 0)
    BuildAdjacency();
  return removed;
}

void CMesh3d::RemoveHole()
{
  SetVerticesFlag(0);
  const int nbVertex = NbVertex();
  CVertex3d* c = nullptr;
  float sum[3] = {0.0f, 0.0f, 0.0f};
  int count = 0;
  for (int i = 0; i < nbVertex; i++) {
    const CVertex3d* v = GetVertex(i);
    if (!v->IsOnBoundary())
      continue;
    if (!c) {
      c = new CVertex3d;
      AddVertex(c);
    }
    for (int axis = 0; axis < 3; axis++)
      sum[axis] += v->Get(axis);
    count++;
  }
  if (!c)
    return;
  c->Set(sum[0] / count, sum[1] / count, sum[2] / count);
  // Each free edge, walked against its face's direction, keeps the orientation.
  const int nbFace = NbFace();
  for (int i = 0; i < nbFace; i++) {
    CFace3d* f = GetFace(i);
    for (int k = 0; k < 3; k++)
      if (!f->f(k))
        AddFace(new CFace3d(f->v(k), c, f->v(k + 1 == 3 ? 0 : k + 1)));
  }
  Rebuild();
}
