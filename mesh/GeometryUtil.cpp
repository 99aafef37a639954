#include "mesh/GeometryUtil.h"

#include "mesh/Edge3d.h"
#include "mesh/Face3d.h"
#include "mesh/Vertex3d.h"
#include "platform/core/Clipboard.h"

#include <cmath>
#include <memory>
#include <vector>

namespace {
// Start of every minimum search: ties keep the earliest element.
constexpr double kFar = 1.7e308;

// The corner of the face nearest to q, the earlier of equal ones, with its squared distance.
const CVertex3d* NearestCorner(const CFace3d* pFace, const CVertex3d* q, double* pDistance)
{
  const CVertex3d* best = pFace->v(0);
  *pDistance = SquareDistance(q, best);
  for (int i = 1; i < 3; i++) {
    const double d = SquareDistance(q, pFace->v(i));
    if (d < *pDistance) {
      *pDistance = d;
      best = pFace->v(i);
    }
  }
  return best;
}

// Calls fn(f, g) for every pair i < j of the set whose faces are neighbours.
template <class Fn>
void ForEachNeighborPair(const CArray3d<CFace3d>* pFaces, Fn fn)
{
  for (int i = 0; i < pFaces->GetSize(); i++)
    for (int j = i + 1; j < pFaces->GetSize(); j++)
      if (pFaces->GetAt(i)->HasNeighbor(pFaces->GetAt(j)))
        fn(pFaces->GetAt(i), pFaces->GetAt(j));
}
} // namespace

// --- distances and products --------------------------------------------------------------------

double SquareDistance(const CVertex3d* p, const CVertex3d* q)
{
  const double dx = static_cast<double>(p->x() - q->x());
  const double dy = static_cast<double>(p->y() - q->y());
  const double dz = static_cast<double>(p->z() - q->z());
  return dx * dx + dy * dy + dz * dz;
}

double Distance(const CVertex3d* p, const CVertex3d* q) { return std::sqrt(SquareDistance(p, q)); }

double InnerProduct(const CVector3d* u, const CVector3d* v) { return InnerProduct(*u, *v); }

double InnerProduct(const CVector3d& u, const CVector3d& v)
{
  return static_cast<double>(u.x()) * v.x() + static_cast<double>(u.y()) * v.y() +
         static_cast<double>(u.z()) * v.z();
}

int AreOpposite(const CVector3d* u, const CVector3d* v)
{
  return (static_cast<double>(u->x()) * v->x() < 0.0 && static_cast<double>(u->y()) * v->y() < 0.0 &&
          static_cast<double>(u->z()) * v->z() < 0.0)
           ? 1
           : 0;
}

// --- planes and projections --------------------------------------------------------------------

int GetFacePlane(CFace3d* pFace, float* a, float* b, float* c, float* d)
{
  pFace->CalculateNormal();
  if (!pFace->HasNormal())
    return 0;
  const CVector3d* n = pFace->GetNormal();
  const CVertex3d* p = pFace->v(0);
  *a = n->x();
  *b = n->y();
  *c = n->z();
  *d = static_cast<float>(-(static_cast<double>(n->x()) * p->x() +
                            static_cast<double>(n->y()) * p->y() +
                            static_cast<double>(n->z()) * p->z()));
  return 1;
}

int ProjectOnPlane(const CVertex3d* p, CVertex3d* q, float a, float b, float c, float d)
{
  const float s = static_cast<float>(static_cast<double>(a) * a + static_cast<double>(b) * b +
                                     static_cast<double>(c) * c);
  if (s == 0.0f)
    return 0;
  const double h = static_cast<double>(a) * p->x() + static_cast<double>(b) * p->y() +
                   static_cast<double>(c) * p->z() + d;
  const float t = static_cast<float>(-h / s);
  q->Set(p->x() + t * a, p->y() + t * b, p->z() + t * c);
  return 1;
}

int ProjectOnFacePlane(const CVertex3d* p, CFace3d* pFace, CVertex3d* q)
{
  float a = 0.0f;
  float b = 0.0f;
  float c = 0.0f;
  float d = 0.0f;
  if (!GetFacePlane(pFace, &a, &b, &c, &d))
    return 0;
  return ProjectOnPlane(p, q, a, b, c, d);
}

int ProjectOnLine(const CVertex3d* p, const CVertex3d* a, const CVertex3d* b, CVertex3d* q)
{
  const double length = SquareDistance(a, b);
  if (length == 0.0)
    return 0;
  const CVector3d ab(a, b);
  const float t = static_cast<float>(InnerProduct(CVector3d(a, p), ab) / length);
  q->Set(a->x() + t * ab.x(), a->y() + t * ab.y(), a->z() + t * ab.z());
  return 1;
}

double DistanceFromVertexToLine(const CVertex3d* v, const CVertex3d* a, const CVertex3d* b,
                                CVertex3d* q)
{
  // A line of zero length is its one point.
  if (!ProjectOnLine(v, a, b, q))
    q->Set(a);
  return Distance(q, v);
}

int IsProjectionOnSegment(const CVertex3d* q, const CVertex3d* a, const CVertex3d* b)
{
  return InnerProduct(CVector3d(q, a), CVector3d(q, b)) <= 0.0 ? 1 : 0;
}

int IsInsideFace(const CVertex3d* p, const CFace3d* pFace) { return pFace->IsPointInside(p); }

// --- point to triangle, edge and sets ----------------------------------------------------------

double SquareDistanceFromVertexToFace(const CVertex3d* p, CFace3d* pFace, CVertex3d* pNearest)
{
  // A face without a plane (a segment or a point) is measured on its edges and corners from p.
  CVertex3d q;
  if (!ProjectOnFacePlane(p, pFace, &q))
    q.Set(p);
  else if (IsInsideFace(&q, pFace)) {
    pNearest->Set(&q);
    return SquareDistance(p, &q);
  }

  double best = 0.0;
  const CVertex3d* corner = NearestCorner(pFace, &q, &best);
  pNearest->Set(corner);
  CVertex3d r;
  for (int i = 0; i < 3; i++) {
    const CVertex3d* a = pFace->v(i);
    const CVertex3d* b = pFace->v((i + 1) % 3);
    if (!ProjectOnLine(&q, a, b, &r) || !IsProjectionOnSegment(&r, a, b))
      continue;
    const double d = SquareDistance(&q, &r);
    if (d <= best) {
      best = d;
      pNearest->Set(&r);
    }
  }
  return SquareDistance(p, pNearest);
}

double SquareDistanceFromVertexToFaceBounded(const CVertex3d* p, CFace3d* pFace,
                                             CVertex3d* pNearest, double bound)
{
  CVertex3d q;
  if (ProjectOnFacePlane(p, pFace, &q) && SquareDistance(p, &q) > bound &&
      !IsInsideFace(&q, pFace))
    return -1.0;
  return SquareDistanceFromVertexToFace(p, pFace, pNearest);
}

double SquareDistanceFromVertexToFaces(const CVertex3d* p, CVertex3d* pNearest, CFace3d** ppFace,
                                       const CArray3d<CFace3d>* pFaces)
{
  double best = kFar;
  CVertex3d nearest;
  for (int i = 0; i < pFaces->GetSize(); i++) {
    CFace3d* f = pFaces->GetAt(i);
    const double d = SquareDistanceFromVertexToFaceBounded(p, f, &nearest, best);
    if (d < best && d != -1.0) {
      best = d;
      pNearest->Set(&nearest);
      *ppFace = f;
    }
  }
  return best;
}

double MinSquareDistanceFromVertexToFaces(const CVertex3d* p, const CArray3d<CFace3d>* pFaces)
{
  double best = kFar;
  CVertex3d nearest;
  for (int i = 0; i < pFaces->GetSize(); i++) {
    const double d = SquareDistanceFromVertexToFace(p, pFaces->GetAt(i), &nearest);
    if (d < best)
      best = d;
  }
  return best;
}

double SquareDistanceFromVertexToEdge(const CVertex3d* p, const CEdge3d* pEdge,
                                      CVertex3d* pNearest)
{
  const CVertex3d* a = pEdge->v1();
  const CVertex3d* b = pEdge->v2();
  CVertex3d q;
  if (ProjectOnLine(p, a, b, &q) && IsProjectionOnSegment(&q, a, b)) {
    pNearest->Set(&q);
    return SquareDistance(p, &q);
  }
  const double da = SquareDistance(p, a);
  const double db = SquareDistance(p, b);
  pNearest->Set(db < da ? b : a);
  return db < da ? db : da;
}

double SquareDistanceFromVertexToEdges(const CVertex3d* p, const CArray3d<CEdge3d>* pEdges,
                                       CVertex3d* pNearest)
{
  if (pEdges->GetSize() == 0)
    return 0.0;
  double best = SquareDistanceFromVertexToEdge(p, pEdges->GetAt(0), pNearest);
  CVertex3d nearest;
  for (int i = 1; i < pEdges->GetSize(); i++) {
    const double d = SquareDistanceFromVertexToEdge(p, pEdges->GetAt(i), &nearest);
    if (d < best) {
      best = d;
      pNearest->Set(&nearest);
    }
  }
  return best;
}

double SquareHausdorffVerticesToFaces(const CArray3d<CVertex3d>* pVertices,
                                      const CArray3d<CFace3d>* pFaces, CVertex3d** ppVertex,
                                      CFace3d** ppFace)
{
  double largest = 0.0;
  CVertex3d nearest;
  for (int i = 0; i < pVertices->GetSize(); i++) {
    CVertex3d* v = pVertices->GetAt(i);
    double smallest = 3.4e38;
    CFace3d* pNearestFace = nullptr;
    for (int j = 0; j < pFaces->GetSize(); j++) {
      const double d = SquareDistanceFromVertexToFace(v, pFaces->GetAt(j), &nearest);
      if (d < smallest) {
        smallest = d;
        pNearestFace = pFaces->GetAt(j);
      }
    }
    if (smallest <= largest)
      continue;
    largest = smallest;
    if (ppVertex && ppFace) {
      *ppVertex = v;
      *ppFace = pNearestFace;
    }
  }
  return largest;
}

double SumSquareDistanceToNeighbors(CVertex3d* v, double factor)
{
  double sum = 0.0;
  for (int i = 0; i < v->NbVertexNeighbor(); i++)
    sum += SquareDistance(v, v->GetVertexNeighbor(i));
  return factor * sum;
}

// --- intersections -----------------------------------------------------------------------------

int NearestIntersectionAroundFace(CFace3d* pFace, const CVertex3d* a, const CVertex3d* b,
                                  CVertex3d* q, CFace3d** ppHit)
{
  CArray3d<CFace3d> faces;
  faces.Add(pFace);
  for (int i = 0; i < 3; i++)
    if (pFace->f(i))
      faces.Add(pFace->f(i));
  int tested = 0;
  return NearestIntersectionWithFaces(&faces, a, b, q, ppHit, &tested);
}

int FindIntersectionFromFace(const CVertex3d* a, const CVertex3d* b, CFace3d* pStart,
                             CVertex3d* q, CFace3d** ppHit, int maxFaces)
{
  // An explicit stack in place of recursion: each entry is a face and its next neighbour slot.
  struct SVisit
  {
    CFace3d* face;
    int next;
  };
  CArray3d<CFace3d> visited;
  std::vector<SVisit> stack;
  auto visit = [&](CFace3d* f) {
    if (visited.GetSize() >= maxFaces)
      return 0;
    visited.Add(f);
    if (IntersectLineFace(a, b, f, q)) {
      *ppHit = f;
      return 1;
    }
    f->SetFlag(1);
    stack.push_back({f, 0});
    return 0;
  };

  int found = visit(pStart);
  while (!found && !stack.empty()) {
    SVisit& top = stack.back();
    if (top.next == 3) {
      stack.pop_back();
      continue;
    }
    CFace3d* g = top.face->f(top.next++);
    if (g && g->GetFlag() != 1)
      found = visit(g);
  }
  for (int i = 0; i < visited.GetSize(); i++)
    visited[i]->SetFlag(0);
  return found;
}

// --- angles over face sets ---------------------------------------------------------------------

int CountSharpFacePairs(const CArray3d<CFace3d>* pFaces, double threshold)
{
  if (pFaces->GetSize() == 1)
    return 2;
  int count = 0;
  ForEachNeighborPair(pFaces, [&](CFace3d* f, CFace3d* g) {
    if (AbsSinusFaces(f, g) >= threshold)
      count++;
  });
  return count;
}

int SumAbsSinus(const CArray3d<CFace3d>* pFaces, double* pSum)
{
  if (pFaces->GetSize() < 2)
    return 0;
  *pSum = 0.0;
  ForEachNeighborPair(pFaces, [&](CFace3d* f, CFace3d* g) { *pSum += AbsSinusFaces(f, g); });
  return 1;
}

int MaxAbsSinus(const CArray3d<CFace3d>* pFaces, double* pMax)
{
  if (pFaces->GetSize() < 2)
    return 0;
  *pMax = 0.0;
  ForEachNeighborPair(pFaces, [&](CFace3d* f, CFace3d* g) {
    const double s = AbsSinusFaces(f, g);
    if (s > *pMax)
      *pMax = s;
  });
  return 1;
}

int MaxAngleFaces(const CArray3d<CFace3d>* pFaces, double* pMax)
{
  if (pFaces->GetSize() < 2)
    return 0;
  *pMax = 0.0;
  ForEachNeighborPair(pFaces, [&](CFace3d* f, CFace3d* g) {
    const double angle = AngleFaces(f, g);
    if (angle > *pMax)
      *pMax = angle;
  });
  return 1;
}

// --- areas, points and sets --------------------------------------------------------------------

double AreaRatio(const CVertex3d* a, const CVertex3d* b, const CVertex3d* c, const CVertex3d* d)
{
  return TriangleArea(a, b, d) / TriangleArea(a, b, c);
}

double MeanArea(const CArray3d<CFace3d>* pFaces)
{
  if (pFaces->GetSize() == 0)
    return 0.0;
  double sum = 0.0;
  for (int i = 0; i < pFaces->GetSize(); i++)
    sum += pFaces->GetAt(i)->Area();
  return sum / pFaces->GetSize();
}

double MinArea(const CArray3d<CFace3d>* pFaces)
{
  double best = kFar;
  for (int i = 0; i < pFaces->GetSize(); i++) {
    const double area = pFaces->GetAt(i)->Area();
    if (area < best)
      best = area;
  }
  return best;
}

CVertex3d* Midpoint(const CVertex3d* a, const CVertex3d* b)
{
  return new CVertex3d((a->x() + b->x()) / 2.0f, (a->y() + b->y()) / 2.0f,
                       (a->z() + b->z()) / 2.0f);
}

CVertex3d* Centroid(const CVertex3d* a, const CVertex3d* b, const CVertex3d* c)
{
  return new CVertex3d((a->x() + b->x() + c->x()) / 3.0f, (a->y() + b->y() + c->y()) / 3.0f,
                       (a->z() + b->z() + c->z()) / 3.0f);
}

int Barycenter(const CArray3d<CVertex3d>* pVertices, CVertex3d* pPoint)
{
  const int n = pVertices->GetSize();
  if (n == 0)
    return 0;
  float sum[3] = {0.0f, 0.0f, 0.0f};
  for (int i = 0; i < n; i++)
    for (int axis = 0; axis < 3; axis++)
      sum[axis] += pVertices->GetAt(i)->Get(axis);
  pPoint->Set(sum[0] / n, sum[1] / n, sum[2] / n);
  return 1;
}

int AddFaceUnique(CArray3d<CFace3d>* pFaces, CFace3d* pFace)
{
  if (pFaces->Contains(pFace))
    return 0;
  pFaces->Add(pFace);
  return 1;
}

int AddFacesAroundVertex(CArray3d<CFace3d>* pFaces, CFace3d* pFace, const CVertex3d* v)
{
  if (!pFace->HasVertex(v) || !AddFaceUnique(pFaces, pFace))
    return 0;
  for (int i = 0; i < 3; i++)
    if (pFace->f(i) && pFace->f(i)->HasVertex(v))
      AddFacesAroundVertex(pFaces, pFace->f(i), v);
  return 1;
}

// --- utilities ---------------------------------------------------------------------------------

int CopyTextToClipboard(const std::string& text)
{
  return platform::ClipboardSetText(text) ? 1 : 0;
}

int Round(double x)
{
  const double low = std::floor(x);
  const double high = std::ceil(x);
  return static_cast<int>(x - low <= high - x ? low : high);
}

double DistanceToCentroid(const CVertex3d* p, const CFace3d* f)
{
  const std::unique_ptr<CVertex3d> c(f->NewCentroidVertex());
  return Distance(p, c.get());
}
