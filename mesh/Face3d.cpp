#include "mesh/Face3d.h"

#include "mesh/Mesh3d.h"
#include "mesh/SharedEdge.h"
#include "mesh/Vertex3d.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {
constexpr double kPi = 3.14159265359;

double EdgeLength(const CVertex3d* a, const CVertex3d* b)
{
  const double dx = static_cast<double>(b->x()) - a->x();
  const double dy = static_cast<double>(b->y()) - a->y();
  const double dz = static_cast<double>(b->z()) - a->z();
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

// Unit normal of the triangle (p0, p1, p2); zero for a degenerate one.
CVector3d TriangleNormal(const CVertex3d* p0, const CVertex3d* p1, const CVertex3d* p2)
{
  return CVector3d::UnitNormal(p0, p1, p2);
}

double Compacity(const CVertex3d* a, const CVertex3d* b, const CVertex3d* c)
{
  const double perimeter = EdgeLength(a, b) + EdgeLength(b, c) + EdgeLength(c, a);
  if (perimeter == 0.0)
    return 0.0;
  return 4.0 * kPi * TriangleArea(a, b, c) / (perimeter * perimeter);
}

double Dot(const CVector3d& u, const CVector3d& v)
{
  return static_cast<double>(u.x()) * v.x() + static_cast<double>(u.y()) * v.y() +
         static_cast<double>(u.z()) * v.z();
}

void Vertex(const CVertex3d* p) { glVertex3f(p->x(), p->y(), p->z()); }

void DrawLoop(const CFace3d* pFace, const CColor* pColor)
{
  glColor3ub(pColor->r(), pColor->g(), pColor->b());
  glBegin(GL_LINE_LOOP);
  for (int k = 0; k < 3; k++)
    Vertex(pFace->v(k));
  glEnd();
}
} // namespace

// --- accessors -------------------------------------------------------------------------------

void CFace3d::SetWideRef(int slot, void* p)
{
  if (!m_Wide) {
    SScratch& scratch = Scratch();
    for (int i = 0; i < kFaceRef; i++)
      scratch.wideVertex[i] = elementref::Decode<CVertex3d>(m_Ref, m_Ref[i]);
    for (int i = 0; i < 3; i++)
      scratch.wideFace[i] = elementref::Decode<CFace3d>(m_Ref, m_Ref[kFaceRef + i]);
    m_Wide = true;
  }
  if (slot < kFaceRef)
    FindScratch()->wideVertex[slot] = static_cast<CVertex3d*>(p);
  else
    FindScratch()->wideFace[slot - kFaceRef] = static_cast<CFace3d*>(p);
}

void CFace3d::SetChecked(CVertex3d* a, CVertex3d* b, CVertex3d* c, CFace3d* f0, CFace3d* f1,
                         CFace3d* f2)
{
  Set(a, b, c, f0, f1, f2);
}

void CFace3d::SetNeighborsChecked(CFace3d* f0, CFace3d* f1, CFace3d* f2)
{
  SetNeighbors(f0, f1, f2);
}

void CFace3d::operator delete(CFace3d* p, std::destroying_delete_t)
{
  CElementPool<CFace3d>::Delete(p);
}

static_assert(sizeof(CFace3d) <= 96, "the pool slot and the scratch block are meant to cost no room");

void CFace3d::CopyFrom(const CFace3d* pFace)
{
  Set(pFace->v(0), pFace->v(1), pFace->v(2), pFace->f(0), pFace->f(1), pFace->f(2));
}

// --- corner queries --------------------------------------------------------------------------

int CFace3d::IndexFrom(const CVertex3d* p) const
{
  for (int i = 0; i < 3; i++)
    if (V(i) == p)
      return i;
  return -1;
}

int CFace3d::IndexOfVertex(const CVertex3d* p, int* pIndex) const
{
  const int i = IndexFrom(p);
  if (i < 0)
    return 0;
  *pIndex = i;
  return 1;
}

int CFace3d::NbOccurrence(const CVertex3d* p) const
{
  int n = 0;
  for (int i = 0; i < 3; i++)
    n += V(i) == p ? 1 : 0;
  return n;
}

int CFace3d::NbVertex() const
{
  int n = 0;
  for (int i = 0; i < 6; i++)
    n += V(i) ? 1 : 0;
  return n;
}

CVertex3d* CFace3d::GetVertexOther(const CVertex3d* a, const CVertex3d* b) const
{
  for (int i = 0; i < 3; i++)
    if (V(i) != a && V(i) != b)
      return V(i);
  return nullptr;
}

CVertex3d* CFace3d::GetSharedVertexOther(const CVertex3d* p, const CFace3d* pFace) const
{
  for (int i = 0; i < 3; i++)
    if (V(i) != p && pFace->HasVertex(V(i)))
      return V(i);
  return nullptr;
}

CVertex3d* CFace3d::GetNearestVertex(const CVertex3d* pPoint) const
{
  CVertex3d* pNearest = nullptr;
  double best = 1.7e308;
  for (int i = 0; i < 3; i++) {
    const double d = EdgeLength(pPoint, V(i));
    if (d < best) {
      best = d;
      pNearest = V(i);
    }
  }
  return pNearest;
}

int CFace3d::IsCollapsed() const
{
  return (V(0) == V(1) || V(1) == V(2) ||
          V(0) == V(2))
           ? 1
           : 0;
}

int CFace3d::HasBoundaryVertex() const
{
  for (int i = 0; i < 3; i++)
    if (V(i)->IsOnBoundary())
      return 1;
  return 0;
}

int CFace3d::HasNoValence3Near() const
{
  for (int i = 0; i < 3; i++) {
    const CVertex3d* p = V(i);
    if (p->NbVertexNeighbor() == 3)
      return 0;
    for (int k = 0; k < p->NbVertexNeighbor(); k++)
      if (p->GetVertexNeighbor(k)->NbVertexNeighbor() == 3)
        return 0;
  }
  return 1;
}

int CFace3d::SumValence() const
{
  return V(0)->NbVertexNeighbor() + V(1)->NbVertexNeighbor() +
         V(2)->NbVertexNeighbor();
}

int CFace3d::NbVertexWithFlag(int flag) const
{
  int n = 0;
  for (int i = 0; i < 3; i++)
    n += V(i)->GetFlag() == flag ? 1 : 0;
  return n;
}

int CFace3d::IndexVertexWithFlag(int flag) const
{
  for (int i = 0; i < 3; i++)
    if (V(i)->GetFlag() == flag)
      return i;
  return 0;
}

CVertex3d* CFace3d::GetVertexWithFlag(int flag) const
{
  for (int i = 0; i < 3; i++)
    if (V(i)->GetFlag() == flag)
      return V(i);
  return nullptr;
}

void CFace3d::SetFlagOnVertices(int flag)
{
  for (int i = 0; i < 3; i++)
    V(i)->SetFlag(flag);
}

void CFace3d::SetFlagOnVerticesExcept(const CVertex3d* p, int flag)
{
  for (int i = 0; i < 3; i++)
    if (V(i) != p)
      V(i)->SetFlag(flag);
}

void CFace3d::SetFlagOnVerticesIfNot(int value, int flag)
{
  for (int i = 0; i < 3; i++)
    if (V(i)->GetFlag() != value)
      V(i)->SetFlag(flag);
}

int CFace3d::NbVertexInRibbon(int ribbon) const
{
  int n = 0;
  for (int i = 0; i < 3; i++)
    n += V(i)->GetRibbon() == ribbon ? 1 : 0;
  return n;
}

int CFace3d::HasSameRibbon(int* pRibbon) const
{
  *pRibbon = V(0)->GetRibbon();
  return NbVertexInRibbon(*pRibbon) == 3 ? 1 : 0;
}

int CFace3d::IsRibbonDifferent() const { return GetRibbon() != V(0)->GetRibbon() ? 1 : 0; }

int CFace3d::GetMaxRibbonDifference() const
{
  int maxDiff = 0;
  for (int i = 0; i < 3; i++) {
    const int d = std::abs(V(i)->GetRibbon() - V((i + 1) % 3)->GetRibbon());
    if (d > maxDiff)
      maxDiff = d;
  }
  return maxDiff;
}

CVertex3d* CFace3d::NewCentroidVertex() const
{
  const CVertex3d* a = V(0);
  const CVertex3d* b = V(1);
  const CVertex3d* c = V(2);
  return new CVertex3d((a->x() + b->x() + c->x()) / 3.0f, (a->y() + b->y() + c->y()) / 3.0f,
                       (a->z() + b->z() + c->z()) / 3.0f);
}

void CFace3d::AddVertexNeighbors()
{
  for (int i = 0; i < 3; i++) {
    V(i)->AddNeighbor(V((i + 1) % 3));
    V((i + 1) % 3)->AddNeighbor(V(i));
  }
}

// --- neighbour queries -----------------------------------------------------------------------

template <class Pred>
CFace3d* CFace3d::FirstNeighbor(Pred pred) const
{
  for (int i = 0; i < 3; i++)
    if (F(i) && pred(F(i)))
      return F(i);
  return nullptr;
}

int CFace3d::HasNeighbor(const CFace3d* pFace) const
{
  int i = 0;
  return IndexOfNeighbor(pFace, &i);
}

int CFace3d::HasNeighborIn(const CArray3d<CFace3d>* pArray) const
{
  for (int k = 0; k < pArray->GetSize(); k++)
    if (HasNeighbor(pArray->GetAt(k)))
      return 1;
  return 0;
}

int CFace3d::IndexOfNeighbor(const CFace3d* pFace, int* pIndex) const
{
  for (int i = 0; i < 3; i++) {
    if (F(i) == pFace) {
      *pIndex = i;
      return 1;
    }
  }
  return 0;
}

int CFace3d::IndexOfNeighborWithFlag(int flag, int* pIndex) const
{
  for (int i = 0; i < 3; i++) {
    if (F(i) && F(i)->GetFlag() == flag) {
      *pIndex = i;
      return 1;
    }
  }
  return 0;
}

int CFace3d::NbFaceNeighbor() const
{
  return (F(0) ? 1 : 0) + (F(1) ? 1 : 0) + (F(2) ? 1 : 0);
}

int CFace3d::NbFaceNeighborWithFlag(int flag) const
{
  int n = 0;
  for (int i = 0; i < 3; i++)
    n += (F(i) && F(i)->GetFlag() == flag) ? 1 : 0;
  return n;
}

int CFace3d::NbFaceNeighborWithRibbon(int ribbon) const
{
  int n = 0;
  for (int i = 0; i < 3; i++)
    n += (F(i) && F(i)->GetRibbon() == ribbon) ? 1 : 0;
  return n;
}

CFace3d* CFace3d::GetNeighborWithRibbon(int ribbon) const
{
  return FirstNeighbor([ribbon](const CFace3d* g) { return g->GetRibbon() == ribbon; });
}

CFace3d* CFace3d::GetFaceSharing(const CVertex3d* a, const CVertex3d* b) const
{
  return FirstNeighbor([a, b](const CFace3d* g) { return g->HasVertex(a) && !g->HasVertex(b); });
}

CFace3d* CFace3d::GetFaceSharingExcept(const CVertex3d* a, const CFace3d* pExcept) const
{
  return FirstNeighbor([a, pExcept](const CFace3d* g) { return g != pExcept && g->HasVertex(a); });
}

CFace3d* CFace3d::GetFaceSharingNotIn(const CVertex3d* a, const CArray3d<CFace3d>* pArray) const
{
  return FirstNeighbor(
    [a, pArray](const CFace3d* g) { return g->HasVertex(a) && !pArray->Contains(g); });
}

CFace3d* CFace3d::GetFaceNotSharing(const CVertex3d* p) const
{
  return FirstNeighbor([p](const CFace3d* g) { return !g->HasVertex(p); });
}

CFace3d* CFace3d::GetFaceOther(const CFace3d* g, const CFace3d* h) const
{
  for (int i = 0; i < 3; i++)
    if (F(i) != g && F(i) != h)
      return F(i);
  return nullptr;
}

CVertex3d* CFace3d::GetOppositeVertex(int i) const
{
  const CFace3d* g = f(i);
  if (!g)
    return nullptr;
  for (int k = 0; k < 3; k++)
    if (!HasVertex(g->v(k)))
      return g->v(k);
  return nullptr;
}

int CFace3d::SharesEdge(const CFace3d* pFace) const
{
  if (!pFace)
    return 0;
  int shared = 0;
  for (int i = 0; i < 3; i++)
    shared += pFace->HasVertex(V(i)) ? 1 : 0;
  return shared == 2 ? 1 : 0;
}

int CFace3d::SharesOneVertex(const CFace3d* pFace) const
{
  int shared = 0;
  for (int i = 0; i < 3; i++)
    shared += pFace->HasVertex(V(i)) ? 1 : 0;
  return shared == 1 ? 1 : 0;
}

int CFace3d::ShareEdge(const CFace3d* pFace, int* pI, int* pJ) const
{
  const CVertex3d* const mine[3] = {V(0), V(1), V(2)};
  const CVertex3d* const other[3] = {pFace->v(0), pFace->v(1), pFace->v(2)};
  return SharedEdgeOfCorners(mine, other, pI, pJ) ? 1 : 0;
}

int CFace3d::GetSharedEdge(const CFace3d* pFace, CVertex3d** ppA, CVertex3d** ppB) const
{
  int i = 0;
  int j = 0;
  if (!SharesEdge(pFace) || !ShareEdge(pFace, &i, &j)) {
    *ppA = *ppB = nullptr;
    return 0;
  }
  *ppA = V(i);
  *ppB = V((i + 1) % 3);
  return 1;
}

int CFace3d::GetFacesAroundCorners(CArray3d<CFace3d>* pArray)
{
  pArray->RemoveAll();
  pArray->Add(this);
  for (int i = 0; i < 3; i++) {
    const CVertex3d* p = V(i);
    for (int k = 0; k < p->NbFaceNeighbor(); k++) {
      CFace3d* g = p->GetFaceNeighbor(k);
      if (!pArray->Contains(g))
        pArray->Add(g);
    }
  }
  return 1;
}

int CFace3d::IsValid() const
{
  for (int i = 0; i < 3; i++) {
    const CFace3d* g = F(i);
    if (g == this)
      return 0;
    if (g && g == F((i + 1) % 3))
      return 0;
    if (g && !g->HasNeighbor(this))
      return 0;
  }
  return IsCollapsed() ? 0 : 1;
}

int CFace3d::CheckNeighbors() const
{
  for (int i = 0; i < 3; i++) {
    const CFace3d* g = F(i);
    if (!SharesEdge(g) || !g->HasNeighbor(this))
      return 0;
  }
  return 1;
}

// --- edits -----------------------------------------------------------------------------------

int CFace3d::UpdateVertex(const CVertex3d* pOld, CVertex3d* pNew)
{
  // A degenerate face may hold old at two corners: both go, since the callers delete old next.
  int found = 0;
  for (int i = 0; i < 3; i++)
    if (V(i) == pOld) {
      SetRef(i, pNew);
      found = 1;
    }
  if (found)
    CalculateNormal();
  return found;
}

void CFace3d::ReplaceVertexRecursive(const CVertex3d* pOld, CVertex3d* pNew)
{
  if (pOld == pNew)
    return;
  UpdateVertex(pOld, pNew);
  for (int i = 0; i < 3; i++)
    if (F(i) && F(i)->HasVertex(pOld))
      F(i)->ReplaceVertexRecursive(pOld, pNew);
}

int CFace3d::UpdateNeighbor(const CFace3d* pOld, CFace3d* pNew)
{
  // A degenerate face may have old across two edges: both links go, since the callers
  // delete old or unlink it for good. A null old is the first open edge only.
  int found = 0;
  for (int i = 0; i < 3; i++) {
    if (F(i) != pOld)
      continue;
    SetRef(kFaceRef + i, pNew);
    found = 1;
    if (!pOld)
      break;
  }
  return found;
}

void CFace3d::DropOneSidedLinks()
{
  // Such a face shares a corner with this one, so it stands in that corner's list.
  for (int k = 0; k < 3; k++) {
    const CVertex3d* c = V(k);
    for (int i = 0; c && i < c->NbFaceNeighbor(); i++) {
      CFace3d* g = c->GetFaceNeighbor(i);
      if (g != this && g->HasNeighbor(this) && !HasNeighbor(g))
        g->UpdateNeighbor(this, nullptr);
    }
  }
}

int CFace3d::UpdateNeighborFromArray(const CArray3d<CFace3d>* pArray, CFace3d* pNew)
{
  if (HasNeighbor(pNew))
    return 0;
  for (int k = 0; k < pArray->GetSize(); k++)
    if (UpdateNeighbor(pArray->GetAt(k), pNew))
      return 1;
  return 0;
}

int CFace3d::RepairNeighbor(CFace3d* pNew)
{
  for (int i = 0; i < 3; i++) {
    if (F(i) && !SharesEdge(F(i))) {
      SetRef(kFaceRef + i, pNew);
      return 1;
    }
  }
  return 0;
}

int CFace3d::UnlinkFromNeighbors(CFace3d** ppG, CFace3d** ppH)
{
  if (NbFaceNeighbor() != 2)
    return 0;
  CFace3d* g = FirstNeighbor([](const CFace3d*) { return true; });
  CFace3d* h = FirstNeighbor([g](const CFace3d* x) { return x != g; });
  g->UpdateNeighbor(this, h);
  h->UpdateNeighbor(this, g);
  *ppG = g;
  *ppH = h;
  return 1;
}

int CFace3d::SwapEdge(CFace3d* g)
{
  int i = 0;
  int j = 0;
  if (!g || !IndexOfNeighbor(g, &i) || !g->IndexOfNeighbor(this, &j))
    return 0;
  CVertex3d* a = v(i);
  CVertex3d* b = v((i + 1) % 3);
  CVertex3d* c = v((i + 2) % 3);
  CVertex3d* d = g->v((j + 2) % 3);
  if (c->IsNeighbor(d) || d->IsNeighbor(c))
    return 0;
  CFace3d* na = f(i + 1);
  CFace3d* mb = g->f(j + 1);

  SetVertex((i + 1) % 3, d);
  g->SetVertex((j + 1) % 3, c);

  SetF(i + 1, g);
  SetF(i, mb);
  if (mb)
    mb->UpdateNeighbor(g, this);
  g->SetF(j + 1, this);
  g->SetF(j, na);
  if (na)
    na->UpdateNeighbor(this, g);

  b->RemoveFaceNeighbor(this);
  a->RemoveFaceNeighbor(g);
  c->AddFaceNeighbor(g);
  d->AddFaceNeighbor(this);

  a->RemoveVertexNeighbor(b);
  b->RemoveVertexNeighbor(a);
  c->AddNeighbor(d);
  d->AddNeighbor(c);
  return 1;
}

int CFace3d::SwapEdgeVertices(CFace3d* g)
{
  int i = 0;
  int j = 0;
  if (!g || !IndexOfNeighbor(g, &i) || !g->IndexOfNeighbor(this, &j))
    return 0;
  CVertex3d* c = v((i + 2) % 3);
  SetVertex((i + 1) % 3, g->v((j + 2) % 3));
  g->SetVertex((j + 1) % 3, c);
  return 1;
}

void CFace3d::CalculateNormal()
{
  if (HasNullVertex())
    return;
  m_Normal = TriangleNormal(V(0), V(1), V(2));
}

void CFace3d::CalculateAltNormal()
{
  if (HasNullVertex())
    return;
  const CVertex3d* q0 = V(0);
  const CVertex3d* q1 = V(1);
  const CVertex3d* q2 = V(2);
  const CVector3d u(q1->x2() - q0->x2(), q1->y2() - q0->y2(), q1->z2() - q0->z2());
  const CVector3d w(q2->x2() - q0->x2(), q2->y2() - q0->y2(), q2->z2() - q0->z2());
  *GetAltNormal() = u ^ w;
}

// --- measures --------------------------------------------------------------------------------

double CFace3d::Area() const { return TriangleArea(V(0), V(1), V(2)); }

double CFace3d::Perimeter() const
{
  return EdgeLength(V(0), V(1)) + EdgeLength(V(1), V(2)) +
         EdgeLength(V(2), V(0));
}

double CFace3d::Compacity() const { return ::Compacity(V(0), V(1), V(2)); }

double CFace3d::MeanCompacity(const CFace3d* pFace) const
{
  return (pFace->Compacity() + Compacity()) * 0.5;
}

int CFace3d::GetSwappedCorners(const CFace3d* pFace, CVertex3d** ppFirst,
                               CVertex3d** ppSecond) const
{
  int i = 0;
  int j = 0;
  if (!ShareEdge(pFace, &i, &j))
    return 0;
  CVertex3d* d = pFace->v((j + 2) % 3);
  ppFirst[0] = d;
  ppFirst[1] = v((i + 1) % 3);
  ppFirst[2] = v((i + 2) % 3);
  ppSecond[0] = v(i);
  ppSecond[1] = d;
  ppSecond[2] = v((i + 2) % 3);
  return 1;
}

double CFace3d::CompacityAfterSwap(const CFace3d* pFace) const
{
  CVertex3d* p[3];
  CVertex3d* q[3];
  if (!GetSwappedCorners(pFace, p, q))
    return 0.0;
  return (::Compacity(p[0], p[1], p[2]) + ::Compacity(q[0], q[1], q[2])) * 0.5;
}

int CFace3d::IsSwapFolding(CFace3d* pFace)
{
  CalculateNormal();
  pFace->CalculateNormal();
  CVertex3d* p[3];
  CVertex3d* q[3];
  if (!GetSwappedCorners(pFace, p, q))
    return 0;
  const CVector3d n1 = TriangleNormal(p[0], p[1], p[2]);
  const CVector3d n2 = TriangleNormal(q[0], q[1], q[2]);
  return (Dot(m_Normal, n1) >= 0.0 && Dot(pFace->m_Normal, n2) >= 0.0) ? 0 : 1;
}

double CFace3d::MeanSqrtEdgeLength() const
{
  double sum = 0.0;
  for (int i = 0; i < 3; i++)
    sum += std::sqrt(EdgeLength(V(i), V((i + 1) % 3)));
  return sum / 3.0;
}

double CFace3d::GetMaxAngleAroundVertices() const
{
  double best = 0.0;
  for (int i = 0; i < 3; i++)
    best = std::max(best, V(i)->GetMaxAngleAround());
  return best;
}

double CFace3d::GetMaxVertexCurvature() const
{
  double best = 0.0;
  for (int i = 0; i < 3; i++)
    best = std::max(best, V(i)->GetSumCurveAround());
  return best;
}

int CFace3d::IsSharpEdge(double threshold)
{
  for (int i = 0; i < 3; i++)
    if (F(i) && AbsSinusFaces(this, F(i)) >= threshold)
      return 1;
  return 0;
}

int CFace3d::GetSharpEdges(double threshold, int* pSharp)
{
  int any = 0;
  for (int i = 0; i < 3; i++) {
    if (F(i) && AbsSinusFaces(this, F(i)) >= threshold) {
      pSharp[i] = 1;
      any = 1;
    }
  }
  return any;
}

void CFace3d::ColorSharpEdges(double threshold, const CColor* pColor)
{
  for (int i = 0; i < 3; i++) {
    if (F(i) && AbsSinusFaces(this, F(i)) >= threshold) {
      V(i)->SetColor(pColor);
      V((i + 1) % 3)->SetColor(pColor);
    }
  }
}

int CFace3d::IsPointInside(const CVertex3d* pPoint) const
{
  const CVector3d a(pPoint, V(0));
  const CVector3d b(pPoint, V(1));
  const CVector3d c(pPoint, V(2));
  const CVector3d ab = a ^ b;
  const CVector3d bc = b ^ c;
  const CVector3d ca = c ^ a;
  return (Dot(ab, bc) >= 0.0 && Dot(bc, ca) >= 0.0 && Dot(ab, ca) >= 0.0) ? 1 : 0;
}

// --- history ---------------------------------------------------------------------------------

int CFace3d::PopHistory()
{
  const std::unique_ptr<CHistoryAction> pAction = m_History.Pop();
  if (!pAction)
    return 0;
  if (pAction->GetType() == CHistoryAction::TYPE_VERTEX_SLOT) {
    SetVertex(pAction->GetSlot(), pAction->GetVertex());
    CalculateNormal();
  } else if (pAction->GetType() == CHistoryAction::TYPE_FACE_CREATED) {
    SetVertices(nullptr, nullptr, nullptr);
  }
  return 1;
}

// --- drawing ---------------------------------------------------------------------------------

void CFace3d::glDraw(const CColor* pColor, const CMesh3d* pMesh,
                     const CColor* pNeighborColor) const
{
  if (pMesh) {
    glPushMatrix();
    pMesh->GetTransform()->Apply();
  }
  if (pNeighborColor)
    for (int i = 0; i < 3; i++)
      if (F(i))
        DrawLoop(F(i), pNeighborColor);
  DrawLoop(this, pColor);
  if (pMesh)
    glPopMatrix();
}

// --- measures between faces and vectors ------------------------------------------------------

namespace {
// Recomputes both normals; 0 when a face is missing or a normal is zero.
int GetNormals(CFace3d* f1, CFace3d* f2, CVector3d* pA, CVector3d* pB)
{
  if (!f1 || !f2)
    return 0;
  f1->CalculateNormal();
  f2->CalculateNormal();
  *pA = *f1->GetNormal();
  *pB = *f2->GetNormal();
  return (pA->GetSquareNorm() != 0.0 && pB->GetSquareNorm() != 0.0) ? 1 : 0;
}
} // namespace

double AbsSinusFaces(CFace3d* f1, CFace3d* f2)
{
  CVector3d a;
  CVector3d b;
  if (!GetNormals(f1, f2, &a, &b))
    return 0.0;
  const double product = a.GetNorm() * b.GetNorm();
  if (product == 0.0)
    return 0.0;
  return (a ^ b).GetNorm() / product;
}

double CosinusFaces(CFace3d* f1, CFace3d* f2)
{
  CVector3d a;
  CVector3d b;
  if (!GetNormals(f1, f2, &a, &b))
    return 0.0;
  const double product = a.GetNorm() * b.GetNorm();
  if (product == 0.0)
    return 0.0;
  return Dot(a, b) / product;
}

double AngleFaces(CFace3d* f1, CFace3d* f2)
{
  CVector3d a;
  CVector3d b;
  if (!GetNormals(f1, f2, &a, &b))
    return 0.0;
  return AngleVectors(&a, &b);
}

double AngleVectors(const CVector3d* u, const CVector3d* v)
{
  const double p = u->GetNorm() * v->GetNorm();
  if (p == 0.0)
    return 0.0;
  const double c = Dot(*u, *v) / p;
  double s = (*u ^ *v).GetNorm() / p;
  s = std::clamp(s, -1.0, 1.0);
  return c >= 0.0 ? std::asin(s) : kPi - std::asin(s);
}

double TriangleArea(const CVertex3d* p0, const CVertex3d* p1, const CVertex3d* p2)
{
  return (CVector3d(p1, p2) ^ CVector3d(p1, p0)).GetNorm() / 2.0;
}
