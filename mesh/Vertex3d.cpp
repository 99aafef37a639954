#include "mesh/Vertex3d.h"

#include "mesh/Edge3d.h"
#include "mesh/Face3d.h"
#include "mesh/Mesh3d.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {
double SquareDistance(const CVertex3d* a, const CVertex3d* b)
{
  const double dx = static_cast<double>(b->x()) - a->x();
  const double dy = static_cast<double>(b->y()) - a->y();
  const double dz = static_cast<double>(b->z()) - a->z();
  return dx * dx + dy * dy + dz * dz;
}

double Dot(const CVector3d& u, const CVector3d& v)
{
  return static_cast<double>(u.x()) * v.x() + static_cast<double>(u.y()) * v.y() +
         static_cast<double>(u.z()) * v.z();
}

// Unit vector from a to b.
CVector3d Direction(const CVertex3d* a, const CVertex3d* b)
{
  CVector3d d(a, b);
  d.Normalize();
  return d;
}
} // namespace

CVertex3d::~CVertex3d()
{
  CHistoryAction* pTop = m_DataOrScratch.GetSide();
  CHistory::ClearChain(pTop);
}

void CVertex3d::operator delete(CVertex3d* p, std::destroying_delete_t)
{
  CElementPool<CVertex3d>::Delete(p);
}

void CVertex3d::SScratch::operator delete(SScratch* p, std::destroying_delete_t)
{
  static_assert(sizeof(SScratch) <= 88, "the pool slot fills the padding after the second position");
  CElementPool<SScratch>::Delete(p);
}

static_assert(sizeof(CVertex3d) <= 128, "the pool slot and the scratch block are meant to cost no room");

void CVertex3d::Set(int axis, float value)
{
  if (axis == 0)
    m_x = value;
  else if (axis == 1)
    m_y = value;
  else if (axis == 2)
    m_z = value;
}

void CVertex3d::ZeroBelow(float threshold)
{
  if (m_x < threshold)
    m_x = 0.0f;
  if (m_y < threshold)
    m_y = 0.0f;
  if (m_z < threshold)
    m_z = 0.0f;
}

void CVertex3d::SwapPositions()
{
  float* second = Scratch().second;
  std::swap(m_x, second[0]);
  std::swap(m_y, second[1]);
  std::swap(m_z, second[2]);
}

int CVertex3d::DecrementEdgeFlagCount(int n)
{
  if (n == 0 && !FindScratch())
    return 1;
  int& count = Scratch().edgeFlagCount;
  count -= n;
  if (count >= 0)
    return 1;
  count = 0;
  return 0;
}

// --- adjacency lists -------------------------------------------------------------------------

int CVertex3d::AddNeighbor(CVertex3d* v)
{
  if (v == this || m_ArrayVertexNeighbor.Contains(v))
    return 0;
  m_ArrayVertexNeighbor.Add(v);
  return 1;
}

int CVertex3d::RemoveVertexNeighbor(const CVertex3d* v)
{
  const int i = m_ArrayVertexNeighbor.IndexFrom(v);
  if (i < 0)
    return 0;
  m_ArrayVertexNeighbor.RemoveAt(i);
  return 1;
}

int CVertex3d::ReplaceVertexNeighbor(CVertex3d* pOld, CVertex3d* pNew)
{
  int removed = 0;
  while (RemoveVertexNeighbor(pOld)) {
    removed = 1;
    AddNeighbor(pNew);
    pNew->AddNeighbor(this);
  }
  return removed;
}

void CVertex3d::ReplaceVertexNeighborAround(CVertex3d* pOld, CVertex3d* pNew)
{
  for (int i = 0; i < NbVertexNeighbor(); i++)
    if (CVertex3d* u = GetVertexNeighbor(i))
      u->ReplaceVertexNeighbor(pOld, pNew);
}

int CVertex3d::FillVertexNeighbor(CVertex3d* v)
{
  if (m_ArrayVertexNeighbor.Contains(v))
    return 0;
  const int i = m_ArrayVertexNeighbor.IndexFrom(nullptr);
  if (i < 0)
    return 0;
  m_ArrayVertexNeighbor.SetAt(i, v);
  return 1;
}

int CVertex3d::CountVertexNeighbor(const CVertex3d* v) const
{
  int n = 0;
  for (int i = 0; i < NbVertexNeighbor(); i++)
    n += GetVertexNeighbor(i) == v ? 1 : 0;
  return n;
}

int CVertex3d::AddFaceNeighbor(CFace3d* f)
{
  if (m_ArrayFaceNeighbor.Contains(f))
    return 0;
  m_ArrayFaceNeighbor.Add(f);
  return 1;
}

int CVertex3d::RemoveFaceNeighbor(const CFace3d* f)
{
  const int i = m_ArrayFaceNeighbor.IndexFrom(f);
  if (i < 0)
    return 0;
  m_ArrayFaceNeighbor.RemoveAt(i);
  return 1;
}

void CVertex3d::ReplaceVertexInFaces(CVertex3d* pOld, CVertex3d* pNew)
{
  for (int i = 0; i < NbFaceNeighbor(); i++)
    if (GetFaceNeighbor(i)->HasVertex(pOld))
      GetFaceNeighbor(i)->UpdateVertex(pOld, pNew);
}

void CVertex3d::SetFlagFaceNeighbors(int flag)
{
  for (int i = 0; i < NbFaceNeighbor(); i++)
    if (GetFaceNeighbor(i))
      GetFaceNeighbor(i)->SetFlag(flag);
}

void CVertex3d::SetRibbonFaceNeighbors(int ribbon)
{
  for (int i = 0; i < NbFaceNeighbor(); i++)
    if (GetFaceNeighbor(i))
      GetFaceNeighbor(i)->SetRibbon(ribbon);
}

// --- queries over the incident faces ---------------------------------------------------------

template <class Pred>
CFace3d* CVertex3d::FirstFace(Pred pred) const
{
  for (int i = 0; i < NbFaceNeighbor(); i++)
    if (pred(GetFaceNeighbor(i)))
      return GetFaceNeighbor(i);
  return nullptr;
}

int CVertex3d::FindFacesWithVertex(const CVertex3d* v, CArray3d<CFace3d>* pArray) const
{
  return FindFacesWithVertices(v, v, pArray);
}

int CVertex3d::FindFacesWithVertices(const CVertex3d* a, const CVertex3d* b,
                                     CArray3d<CFace3d>* pArray) const
{
  int found = 0;
  for (int i = 0; i < NbFaceNeighbor(); i++) {
    CFace3d* f = GetFaceNeighbor(i);
    if (f->HasVertex(a) && f->HasVertex(b)) {
      pArray->Add(f);
      found = 1;
    }
  }
  return found;
}

int CVertex3d::FindSharedFaces(const CVertex3d* pOther, CArray3d<CFace3d>* pArray) const
{
  int n = 0;
  for (int i = 0; i < NbFaceNeighbor(); i++) {
    CFace3d* f = GetFaceNeighbor(i);
    if (pOther->m_ArrayFaceNeighbor.Contains(f)) {
      pArray->Add(f);
      n++;
    }
  }
  return n;
}

int CVertex3d::IsEdgeBetweenFlaggedFaces(const CVertex3d* pOther, int flag) const
{
  CArray3d<CFace3d> shared;
  if (FindSharedFaces(pOther, &shared) != 2)
    return 0;
  return (shared[0]->GetFlag() == flag && shared[1]->GetFlag() == flag) ? 1 : 0;
}

CFace3d* CVertex3d::FindFace(const CVertex3d* a, const CVertex3d* b) const
{
  if (a == b || a == this || b == this)
    return nullptr;
  return FirstFace([a, b](const CFace3d* f) { return f->HasVertex(a) && f->HasVertex(b); });
}

CFace3d* CVertex3d::FindFaceWithOrientedEdge(const CVertex3d* a, const CVertex3d* b) const
{
  return FirstFace([a, b](const CFace3d* f) {
    const int i = f->IndexFrom(a);
    return i >= 0 && f->v((i + 1) % 3) == b;
  });
}

int CVertex3d::HasFace(const CVertex3d* a, const CVertex3d* b, const CVertex3d* c) const
{
  return FirstFace([a, b, c](const CFace3d* f) { return f->HasVertices(a, b, c); }) ? 1 : 0;
}

int CVertex3d::FindEdgeFacesWithFlags(const CVertex3d* v, int flagA, CFace3d** ppFaceA,
                                      int flagB, CFace3d** ppFaceB) const
{
  int matched = 0;
  for (int i = 0; i < NbFaceNeighbor(); i++) {
    CFace3d* f = GetFaceNeighbor(i);
    if (!f->HasVertex(v))
      continue;
    if (f->GetFlag() == flagA) {
      *ppFaceA = f;
      matched++;
    } else if (f->GetFlag() == flagB) {
      *ppFaceB = f;
      matched++;
    }
  }
  return matched == 2 ? 1 : 0;
}

CFace3d* CVertex3d::GetFaceNeighborWithFlag(int flag) const
{
  return FirstFace([flag](const CFace3d* f) { return f && f->GetFlag() == flag; });
}

int CVertex3d::NbFaceNeighborWithFlag(int flag) const
{
  int n = 0;
  for (int i = 0; i < NbFaceNeighbor(); i++)
    n += GetFaceNeighbor(i)->GetFlag() == flag ? 1 : 0;
  return n;
}

int CVertex3d::HasMixedFaceFlags() const
{
  if (NbFaceNeighbor() < 2)
    return 0;
  const int flag = GetFaceNeighbor(0)->GetFlag();
  return NbFaceNeighborWithFlag(flag) != NbFaceNeighbor() ? 1 : 0;
}

int CVertex3d::AllFaceFlagsAtLeast(int flag) const
{
  return FirstFace([flag](const CFace3d* f) { return f->GetFlag() < flag; }) ? 0 : 1;
}

void CVertex3d::ColorFacesWithVertex(const CVertex3d* v, int flag)
{
  for (int i = 0; i < NbFaceNeighbor(); i++) {
    CFace3d* f = GetFaceNeighbor(i);
    if (f->HasVertex(v)) {
      f->SetColor(100, 100, 255);
      f->SetFlag(flag);
    }
  }
}

// --- queries over the neighbour vertices -----------------------------------------------------

template <class Pred>
CVertex3d* CVertex3d::FirstNeighbor(Pred pred) const
{
  for (int i = 0; i < NbVertexNeighbor(); i++)
    if (GetVertexNeighbor(i) && pred(GetVertexNeighbor(i)))
      return GetVertexNeighbor(i);
  return nullptr;
}

CVertex3d* CVertex3d::GetVertexNeighborWithFlag(int flag) const
{
  return FirstNeighbor([flag](const CVertex3d* u) { return u->GetFlag() == flag; });
}

CVertex3d* CVertex3d::GetVertexNeighborWithFlagExcept(int flag, const CVertex3d* pExcept) const
{
  return FirstNeighbor(
    [flag, pExcept](const CVertex3d* u) { return u != pExcept && u->GetFlag() == flag; });
}

int CVertex3d::NbVertexNeighborWithFlag(int flag) const
{
  int n = 0;
  for (int i = 0; i < NbVertexNeighbor(); i++)
    n += GetVertexNeighbor(i)->GetFlag() == flag ? 1 : 0;
  return n;
}

int CVertex3d::GetVertexNeighborsFlagAbove(int flag, CArray3d<CVertex3d>* pArray) const
{
  int n = 0;
  for (int i = 0; i < NbVertexNeighbor(); i++) {
    if (GetVertexNeighbor(i)->GetFlag() > flag) {
      pArray->Add(GetVertexNeighbor(i));
      n++;
    }
  }
  return n;
}

int CVertex3d::GetVertexNeighborsFlagBelow(int flag, CArray3d<CVertex3d>* pArray) const
{
  int n = 0;
  for (int i = 0; i < NbVertexNeighbor(); i++) {
    if (GetVertexNeighbor(i)->GetFlag() < flag) {
      pArray->Add(GetVertexNeighbor(i));
      n++;
    }
  }
  return n;
}

CVertex3d* CVertex3d::GetVertexNeighborMaxFlag() const
{
  CVertex3d* pBest = nullptr;
  int best = 0;
  for (int i = 0; i < NbVertexNeighbor(); i++) {
    CVertex3d* u = GetVertexNeighbor(i);
    if (u->GetFlag() >= best) {
      best = u->GetFlag();
      pBest = u;
    }
  }
  return pBest;
}

CVertex3d* CVertex3d::GetVertexNeighborMinFlagAbove(int flag) const
{
  CVertex3d* pBest = nullptr;
  int best = INT_MAX;
  for (int i = 0; i < NbVertexNeighbor(); i++) {
    CVertex3d* u = GetVertexNeighbor(i);
    if (u->GetFlag() > flag && u->GetFlag() <= best) {
      best = u->GetFlag();
      pBest = u;
    }
  }
  return pBest;
}

CVertex3d* CVertex3d::GetVertexNeighborMaxValence() const
{
  CVertex3d* pBest = nullptr;
  int best = 0;
  for (int i = 0; i < NbVertexNeighbor(); i++) {
    CVertex3d* u = GetVertexNeighbor(i);
    if (u->NbVertexNeighbor() > best) {
      best = u->NbVertexNeighbor();
      pBest = u;
    }
  }
  return pBest;
}

CVertex3d* CVertex3d::GetNearestVertexNeighborWithFlag(int flag) const
{
  CVertex3d* pBest = nullptr;
  double best = 1e38;
  for (int i = 0; i < NbVertexNeighbor(); i++) {
    CVertex3d* u = GetVertexNeighbor(i);
    const double d = SquareDistance(this, u);
    if (u->GetFlag() == flag && d < best) {
      best = d;
      pBest = u;
    }
  }
  return pBest;
}

CVertex3d* CVertex3d::GetVertexNeighborInDirection(const CVector3d* pDirection) const
{
  CVertex3d* pBest = nullptr;
  double best = 0.0;
  for (int i = 0; i < NbVertexNeighbor(); i++) {
    CVertex3d* u = GetVertexNeighbor(i);
    const double dot = Dot(Direction(this, u), *pDirection);
    if (dot > best) {
      best = dot;
      pBest = u;
    }
  }
  return pBest;
}

CVertex3d* CVertex3d::FindVertexNeighborByFlags(int vertexFlag, int faceFlag) const
{
  return FirstNeighbor([this, vertexFlag, faceFlag](const CVertex3d* u) {
    if (u->GetFlag() != vertexFlag)
      return false;
    return FirstFace([u, faceFlag](const CFace3d* f) {
             return f->GetFlag() == faceFlag && f->HasVertex(u);
           }) != nullptr;
  });
}

int CVertex3d::SumNeighborValence() const
{
  int sum = 0;
  for (int i = 0; i < NbVertexNeighbor(); i++)
    if (GetVertexNeighbor(i))
      sum += GetVertexNeighbor(i)->NbVertexNeighbor();
  return sum;
}

int CVertex3d::HasVertexNeighborOnBoundary() const
{
  return FirstNeighbor([](const CVertex3d* u) { return u->IsOnBoundary() != 0; }) ? 1 : 0;
}

int CVertex3d::AllVertexNeighborsAtSamePosition() const
{
  return FirstNeighbor([this](const CVertex3d* u) { return !IsSamePosition(u); }) ? 0 : 1;
}

CVertex3d* CVertex3d::GetVertexNeighborInRibbon(int ribbon) const
{
  return FirstNeighbor([ribbon](const CVertex3d* u) { return u->GetRibbon() == ribbon; });
}

CVertex3d* CVertex3d::GetVertexNeighborInRibbonExcept(int ribbon, const CVertex3d* pExcept) const
{
  return FirstNeighbor(
    [ribbon, pExcept](const CVertex3d* u) { return u != pExcept && u->GetRibbon() == ribbon; });
}

CVertex3d* CVertex3d::GetVertexNeighborInRibbonWithFlag(int ribbon, int flag) const
{
  return FirstNeighbor(
    [ribbon, flag](const CVertex3d* u) { return u->GetRibbon() == ribbon && u->GetFlag() == flag; });
}

CVertex3d* CVertex3d::GetBoundaryVertexNeighborInRibbon(int ribbon) const
{
  return FirstNeighbor(
    [ribbon](const CVertex3d* u) { return u->GetRibbon() == ribbon && u->IsOnBoundary(); });
}

int CVertex3d::GetVertexNeighborsInRibbon(CArray3d<CVertex3d>* pArray, int ribbon) const
{
  int n = 0;
  for (int i = 0; i < NbVertexNeighbor(); i++) {
    if (GetVertexNeighbor(i)->GetRibbon() == ribbon) {
      pArray->Add(GetVertexNeighbor(i));
      n++;
    }
  }
  return n;
}

int CVertex3d::NbBoundaryVertexNeighborInRibbon(int ribbon) const
{
  int n = 0;
  for (int i = 0; i < NbVertexNeighbor(); i++) {
    const CVertex3d* u = GetVertexNeighbor(i);
    n += (u->GetRibbon() == ribbon && u->IsOnBoundary()) ? 1 : 0;
  }
  return n;
}

CVertex3d* CVertex3d::GetNextInRibbon(int ribbon, int ribbonAlt, int faceFlag) const
{
  if (IsOnBoundary()) {
    if (CVertex3d* u = GetBoundaryVertexNeighborInRibbon(ribbon))
      return u;
    return GetBoundaryVertexNeighborInRibbon(ribbonAlt);
  }
  // The corner after this vertex in the faces that the test accepts, smallest order first.
  auto nextInFaces = [this](auto accept) {
    CVertex3d* pBest = nullptr;
    for (int i = 0; i < NbFaceNeighbor(); i++) {
      const CFace3d* f = GetFaceNeighbor(i);
      const int k = f->IndexFrom(this);
      if (k < 0 || !accept(f))
        continue;
      CVertex3d* u = f->v((k + 1) % 3);
      if (!pBest || u->GetOrder() < pBest->GetOrder())
        pBest = u;
    }
    return pBest;
  };
  if (CVertex3d* u = nextInFaces([ribbon, faceFlag](const CFace3d* f) {
        return f->GetFlag() != faceFlag && f->NbVertexInRibbon(ribbon) == 2;
      }))
    return u;
  if (CVertex3d* u = nextInFaces(
        [ribbon, faceFlag](const CFace3d* f) { return f->NbVertexInRibbon(ribbon) == faceFlag; }))
    return u;
  CVertex3d* pBest = nullptr;
  for (int i = 0; i < NbVertexNeighbor(); i++) {
    CVertex3d* u = GetVertexNeighbor(i);
    if (u->GetRibbon() == ribbon && (!pBest || u->GetOrder() < pBest->GetOrder()))
      pBest = u;
  }
  return pBest;
}

CVertex3d* CVertex3d::GetStraightestInRibbon(int ribbon, const CVertex3d* pPrevious) const
{
  CArray3d<CVertex3d> candidates;
  for (int i = 0; i < NbVertexNeighbor(); i++) {
    CVertex3d* u = GetVertexNeighbor(i);
    if (u != pPrevious && u->GetRibbon() == ribbon)
      candidates.Add(u);
  }
  if (candidates.GetSize() == 0)
    return nullptr;
  if (candidates.GetSize() == 1)
    return candidates[0];
  const CVector3d incoming = Direction(pPrevious, this);
  CVertex3d* pBest = nullptr;
  double best = -1.7e308;
  for (int k = 0; k < candidates.GetSize(); k++) {
    const double dot = Dot(Direction(this, candidates[k]), incoming);
    if (dot > best) {
      best = dot;
      pBest = candidates[k];
    }
  }
  return pBest;
}

// --- geometry around the vertex --------------------------------------------------------------

int CVertex3d::IsOnBoundary() const
{
  for (int i = 0; i < NbFaceNeighbor(); i++) {
    const CFace3d* f = GetFaceNeighbor(i);
    const int k = f->IndexFrom(this);
    if (k >= 0 && (!f->f(k) || !f->f(k + 2)))
      return 1;
  }
  return 0;
}

template <class Fn>
void CVertex3d::ForEachAdjacentFacePair(Fn fn) const
{
  const int n = NbFaceNeighbor();
  for (int i = 0; i < n; i++)
    for (int j = i + 1; j < n; j++)
      if (GetFaceNeighbor(i)->HasNeighbor(GetFaceNeighbor(j)))
        fn(GetFaceNeighbor(i), GetFaceNeighbor(j));
}

int CVertex3d::Classify(double threshold) const
{
  if (IsOnBoundary())
    return 3;
  if (NbFaceNeighbor() == 0)
    return 0;
  if (NbFaceNeighbor() == 1)
    return 2;
  int sharp = 0;
  ForEachAdjacentFacePair([&sharp, threshold](CFace3d* f, CFace3d* g) {
    sharp += AbsSinusFaces(f, g) >= threshold ? 1 : 0;
  });
  return sharp;
}

int CVertex3d::GetSharpEdgeVertices(CArray3d<CVertex3d>* pArray, double threshold) const
{
  if (NbFaceNeighbor() < 3)
    return 0;
  int n = 0;
  ForEachAdjacentFacePair([this, pArray, threshold, &n](CFace3d* f, CFace3d* g) {
    if (AbsSinusFaces(f, g) >= threshold) {
      pArray->Add(f->GetSharedVertexOther(this, g));
      n++;
    }
  });
  return n;
}

double CVertex3d::GetSumCurveAround() const
{
  if (NbFaceNeighbor() < 2)
    return 0.0;
  double sum = 0.0;
  ForEachAdjacentFacePair([&sum](CFace3d* f, CFace3d* g) { sum += AbsSinusFaces(f, g); });
  return sum;
}

double CVertex3d::GetMeanCurveAround() const
{
  if (NbFaceNeighbor() < 2)
    return 0.0;
  return GetSumCurveAround() / NbFaceNeighbor();
}

double CVertex3d::GetMaxCurveAround() const
{
  double best = 0.0;
  GetMaxCurveAround(&best);
  return best;
}

int CVertex3d::GetMaxCurveAround(double* pMax) const
{
  if (NbFaceNeighbor() < 2)
    return 0;
  double best = 0.0;
  ForEachAdjacentFacePair([&best](CFace3d* f, CFace3d* g) {
    best = std::max(best, AbsSinusFaces(f, g));
  });
  *pMax = best;
  return 1;
}

double CVertex3d::GetMaxCurveNeighborhood() const
{
  double best = GetMaxCurveAround();
  for (int i = 0; i < NbVertexNeighbor(); i++)
    best = std::max(best, GetVertexNeighbor(i)->GetMaxCurveAround());
  return best;
}

double CVertex3d::GetMaxAngleAround() const
{
  if (NbFaceNeighbor() < 2)
    return 0.0;
  double best = 0.0;
  ForEachAdjacentFacePair([&best](CFace3d* f, CFace3d* g) {
    best = std::max(best, AngleFaces(f, g));
  });
  return best;
}

double CVertex3d::GetSumLengthEdgeAround() const
{
  double sum = 0.0;
  for (int i = 0; i < NbVertexNeighbor(); i++)
    sum += std::sqrt(SquareDistance(this, GetVertexNeighbor(i)));
  return sum;
}

double CVertex3d::GetMeanLengthEdgeAround() const
{
  if (NbVertexNeighbor() == 0)
    return 0.0;
  return GetSumLengthEdgeAround() / NbVertexNeighbor();
}

double CVertex3d::GetMinLengthEdgeAround() const
{
  double best = 1e38;
  for (int i = 0; i < NbVertexNeighbor(); i++)
    best = std::min(best, std::sqrt(SquareDistance(this, GetVertexNeighbor(i))));
  return best;
}

double CVertex3d::GetMaxLengthEdgeAround() const
{
  double best = 0.0;
  for (int i = 0; i < NbVertexNeighbor(); i++)
    best = std::max(best, std::sqrt(SquareDistance(this, GetVertexNeighbor(i))));
  return best;
}

double CVertex3d::GetEdgeLengthRatio() const
{
  const double maxLength = GetMaxLengthEdgeAround();
  if (maxLength == 0.0)
    return 0.0;
  return GetMinLengthEdgeAround() / maxLength;
}

double CVertex3d::GetMeanAreaAround() const
{
  if (NbFaceNeighbor() == 0)
    return 0.0;
  double sum = 0.0;
  for (int i = 0; i < NbFaceNeighbor(); i++)
    sum += GetFaceNeighbor(i)->Area();
  return sum / NbFaceNeighbor();
}

double CVertex3d::GetMinAreaAround() const
{
  double best = 1.7e308;
  for (int i = 0; i < NbFaceNeighbor(); i++)
    best = std::min(best, GetFaceNeighbor(i)->Area());
  return best;
}

double CVertex3d::GetMeanCompacityAround() const
{
  if (NbFaceNeighbor() == 0)
    return 0.0;
  double sum = 0.0;
  for (int i = 0; i < NbFaceNeighbor(); i++)
    sum += GetFaceNeighbor(i)->Compacity();
  return sum / NbFaceNeighbor();
}

double CVertex3d::GetMinCompacityAround() const
{
  double best = 1e38;
  for (int i = 0; i < NbFaceNeighbor(); i++)
    best = std::min(best, GetFaceNeighbor(i)->Compacity());
  return best;
}

double CVertex3d::GetCompacityIfMerged(CVertex3d* v) const
{
  CVertex3d copy(this);
  // The slots are swapped directly so that no face normal changes.
  for (int i = 0; i < v->NbFaceNeighbor(); i++) {
    CFace3d* f = v->GetFaceNeighbor(i);
    const int k = f->IndexFrom(v);
    if (k >= 0)
      f->SetVertex(k, &copy);
  }
  const double merged = v->GetMeanCompacityAround();
  const double mine = GetMeanCompacityAround();
  for (int i = 0; i < v->NbFaceNeighbor(); i++) {
    CFace3d* f = v->GetFaceNeighbor(i);
    const int k = f->IndexFrom(&copy);
    if (k >= 0)
      f->SetVertex(k, v);
  }
  return (merged + mine) / 2.0;
}

int CVertex3d::GetValenceTarget() const
{
  const int valence = NbVertexNeighbor();
  if (!IsOnBoundary())
    return valence;
  return std::max(4, 2 * valence - 2);
}

// --- edges -----------------------------------------------------------------------------------

namespace {
CEdge3d* FindEdgeIn(const CArray3d<CEdge3d>* pArray, const CVertex3d* a, const CVertex3d* b)
{
  for (int i = 0; i < pArray->GetSize(); i++) {
    CEdge3d* e = pArray->GetAt(i);
    if ((e->v1() == a && e->v2() == b) || (e->v1() == b && e->v2() == a))
      return e;
  }
  return nullptr;
}
} // namespace

CEdge3d* CVertex3d::FindEdge(const CVertex3d* v) const
{
  return FindScratch() ? FindEdgeIn(&FindScratch()->edges, this, v) : nullptr;
}

int CVertex3d::SetEdgeFlag(const CVertex3d* v, std::uint8_t flag)
{
  CEdge3d* e = FindEdge(v);
  if (!e)
    return 0;
  e->SetFlag(flag);
  return 1;
}

int CVertex3d::CountEdgesWithFlag(std::uint8_t flag)
{
  int n = 0;
  for (int i = 0; i < NbEdge(); i++)
    n += GetEdge(i)->GetFlag() == flag ? 1 : 0;
  if (n != 0 || FindScratch())
    Scratch().edgeFlagCount = n;
  return n;
}

CEdge3d* CVertex3d::FindEdgeInData(const CVertex3d* v) const
{
  const void* pData = GetData();
  if (!pData)
    return nullptr;
  return FindEdgeIn(static_cast<const CArray3d<CEdge3d>*>(pData), this, v);
}

// --- collapse --------------------------------------------------------------------------------

int CVertex3d::Collapse(CVertex3d* v, int faceFlag, int vertexFlag)
{
  CArray3d<CFace3d> shared;
  const int nbShared = FindSharedFaces(v, &shared);
  if (nbShared != 1 && nbShared != 2)
    return 0;
  for (int k = 0; k < nbShared; k++) {
    CFace3d* f = shared[k];
    CVertex3d* w = f->GetVertexOther(this, v);
    if (w->NbVertexNeighbor() == 3 && !w->IsOnBoundary())
      return 0;
    f->SetFlag(faceFlag);
    // The neighbours across the two edges that end at w.
    const int iw = f->IndexFrom(w);
    CFace3d* g = f->f(iw);
    CFace3d* h = f->f(iw + 2);
    if (g)
      g->UpdateNeighbor(f, h);
    if (h)
      h->UpdateNeighbor(f, g);
    w->RemoveFaceNeighbor(f);
    RemoveFaceNeighbor(f);
    f->SetVertices(w, w, w);
  }
  v->ReplaceVertexInFaces(v, this);
  for (int i = 0; i < v->NbFaceNeighbor(); i++)
    if (v->GetFaceNeighbor(i)->GetFlag() != faceFlag)
      AddFaceNeighbor(v->GetFaceNeighbor(i));
  for (int i = 0; i < v->NbVertexNeighbor(); i++) {
    CVertex3d* u = v->GetVertexNeighbor(i);
    AddNeighbor(u);
    u->AddNeighbor(this);
    u->RemoveVertexNeighbor(v);
  }
  RemoveVertexNeighbor(v);
  v->SetFlag(vertexFlag);
  v->SetMergedInto(this);
  return 1;
}

void CVertex3d::MarkCollapse(CVertex3d* v, int faceFlag, int vertexFlag)
{
  CArray3d<CFace3d> shared;
  FindSharedFaces(v, &shared);
  for (int k = 0; k < shared.GetSize(); k++) {
    CFace3d* f = shared[k];
    f->SetFlag(faceFlag);
    CVertex3d* w = f->GetVertexOther(this, v);
    if (w && w->NbVertexNeighbor() == 3 && !w->IsOnBoundary()) {
      w->SetFlag(vertexFlag);
      w->SetFlagFaceNeighbors(faceFlag);
    }
  }
  v->ReplaceVertexInFaces(v, this);
  v->SetFlag(vertexFlag);
  v->SetMergedInto(this);
}

// --- history ---------------------------------------------------------------------------------

int CVertex3d::PopHistory()
{
  CHistoryAction* pTop = m_DataOrScratch.GetSide();
  const std::unique_ptr<CHistoryAction> pAction = CHistory::PopFrom(pTop);
  if (!pAction)
    return 0;
  m_DataOrScratch.SetSide(pTop);
  if (pAction->GetType() == CHistoryAction::TYPE_VERTEX_MOVED)
    Set(pAction->GetX(), pAction->GetY(), pAction->GetZ());
  return 1;
}

void CVertex3d::GetPreviousPosition(float* pPosition) const
{
  const CHistoryAction* pLast = m_DataOrScratch.GetSide();
  if (pLast && pLast->GetType() == CHistoryAction::TYPE_VERTEX_MOVED) {
    pPosition[0] = pLast->GetX();
    pPosition[1] = pLast->GetY();
    pPosition[2] = pLast->GetZ();
    return;
  }
  pPosition[0] = m_x;
  pPosition[1] = m_y;
  pPosition[2] = m_z;
}

// --- drawing ---------------------------------------------------------------------------------

void CVertex3d::DrawSphere(float radius) const
{
  GLUquadric* pQuadric = gluNewQuadric();
  if (!pQuadric)
    return;
  glPushMatrix();
  glTranslatef(m_x, m_y, m_z);
  gluSphere(pQuadric, radius, 8, 8);
  glPopMatrix();
  gluDeleteQuadric(pQuadric);
}

int CVertex3d::Draw()
{
  glColor3ub(m_Color.r(), m_Color.g(), m_Color.b());
  DrawSphere(0.01f);
  return 1;
}

void CVertex3d::glDraw(float radius, const CColor* pColor, const CMesh3d* pMesh) const
{
  if (pMesh) {
    glPushMatrix();
    pMesh->GetTransform()->Apply();
  }
  glColor3ub(pColor->r(), pColor->g(), pColor->b());
  DrawSphere(radius);
  if (pMesh)
    glPopMatrix();
}

void CVertex3d::DrawNeighborhood(float radius, float neighborRadius, const CColor* pColor,
                                 const CMesh3d* pMesh, const CColor* pNeighborColor) const
{
  glDraw(radius, pColor, pMesh);
  if (pNeighborColor)
    for (int i = 0; i < NbVertexNeighbor(); i++)
      GetVertexNeighbor(i)->glDraw(neighborRadius, pNeighborColor, pMesh);
  glColor3ub(0, 0, 255);
  glBegin(GL_TRIANGLES);
  for (int i = 0; i < NbFaceNeighbor(); i++)
    for (int k = 0; k < 3; k++) {
      const CVertex3d* p = GetFaceNeighbor(i)->v(k);
      glVertex3f(p->x(), p->y(), p->z());
    }
  glEnd();
}
