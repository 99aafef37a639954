#include "mesh/Face3d.h"

#include "mesh/GeometryUtil.h"
#include "mesh/HashTable.h"
#include "mesh/Intersection.h"
#include "mesh/Mesh3d.h"
#include "mesh/Vertex3d.h"

#include <algorithm>
#include <cmath>

namespace {
// Where the line through the sample along the normal meets the reference: first the face that
// the previous sample hit, then the hash's nearest face or the line search over the reference
// (through the hash's search tree when the hash holds the reference: the same answer, faster).
// *ppFace is the face hit, null when none. pAlong is scratch for the line's second point.
void SearchReference(const CVertex3d* pSample, const CVector3d* pNormal, CMesh3d* pReference,
                     CHashTable* pHash, int useHash, CVertex3d* pAlong, CVertex3d* pHit,
                     CFace3d** ppFace)
{
  pAlong->Set(pSample->x() + pNormal->x(), pSample->y() + pNormal->y(),
              pSample->z() + pNormal->z());
  const CVertex3d& along = *pAlong;
  const bool viaTree = useHash != 1 && pHash && pReference && pHash->GetMesh() == pReference;
  // The tree computed the reference's normals when the previous face came from it.
  if (*ppFace && (viaTree ? IntersectLineFaceAsIs(pSample, &along, *ppFace, pHit)
                          : IntersectLineFace(pSample, &along, *ppFace, pHit)))
    return;
  *ppFace = nullptr;
  if (useHash == 1 && pHash) {
    pHash->DistanceToNearestFace(pSample, pHit, ppFace, 0);
    return;
  }
  if (viaTree) {
    pHash->IntersectLine(pSample, &along, pHit, ppFace);
    return;
  }
  int tested = 0;
  if (pReference)
    pReference->IntersectLineWithFaces(pSample, &along, pHit, ppFace, &tested);
}
} // namespace

namespace {
// Walks the sample grid of the face: rows along its longest edge, columns up the height to the
// opposite corner, odd rows backwards so that consecutive samples stay neighbours. Calls
// fn(sample) for each sample inside the face; false when the grid has fewer than two rows or
// columns and so no usable sample.
template <class Fn>
bool ForEachL1Sample(const CFace3d* pFace, float radius, Fn fn)
{
  if (!(radius > 0.0f))
    return false;
  int e = 0;
  for (int i = 1; i < 3; i++)
    if (SquareDistance(pFace->v(i), pFace->v((i + 1) % 3)) >
        SquareDistance(pFace->v(e), pFace->v((e + 1) % 3)))
      e = i;
  const CVertex3d* a = pFace->v(e);
  const CVertex3d* b = pFace->v((e + 1) % 3);
  const CVertex3d* c = pFace->v((e + 2) % 3);
  const CVector3d edge(a, b);
  CVertex3d foot;
  ProjectOnLine(c, a, b, &foot);
  const CVector3d height(&foot, c);
  const double rowsReal = std::sqrt(edge.GetSquareNorm()) / radius;
  const double colsReal = height.GetNorm() / radius;
  if (!(rowsReal >= 2.0) || !(colsReal >= 2.0))
    return false;
  const int rows = static_cast<int>(rowsReal);
  const int cols = static_cast<int>(colsReal);

  CVertex3d sample;
  for (int k = 0; k < rows; k++) {
    const float s = static_cast<float>(k) / static_cast<float>(rows - 1);
    for (int step = 0; step < cols; step++) {
      const int l = (k % 2 == 1) ? cols - 1 - step : step;
      const float t = static_cast<float>(l) / static_cast<float>(cols - 1);
      sample.Set(a->x() + s * edge.x() + t * height.x(), a->y() + s * edge.y() + t * height.y(),
                 a->z() + s * edge.z() + t * height.z());
      if (pFace->IsPointInside(&sample))
        fn(&sample);
    }
  }
  return true;
}
} // namespace

double CFace3d::GetL1Error(const CVertex3d* pVertex, CMesh3d* pReference, CHashTable* pHash,
                           int useHash, float radius, int* pCount, double* pMax)
{
  *pCount = 0;
  *pMax = 0.0;
  const int corner = IndexFrom(pVertex);
  const double area = Area();
  if (area <= 0.0 || corner < 0)
    return 0.0;
  CalculateNormal();

  const CVertex3d* o1 = v((corner + 1) % 3);
  const CVertex3d* o2 = v((corner + 2) % 3);
  double sum = 0.0;
  CFace3d* pHitFace = nullptr;
  CVertex3d hit;
  CVertex3d along;
  ForEachL1Sample(this, radius, [&](const CVertex3d* pSample) {
    (*pCount)++;
    const double lambda = std::clamp(TriangleArea(pSample, o1, o2) / area, 0.0, 1.0);
    SearchReference(pSample, &m_Normal, pReference, pHash, useHash, &along, &hit, &pHitFace);
    if (!pHitFace)
      return;
    const double d = InnerProduct(*pHitFace->GetNormal(), m_Normal) < 0.0
                       ? 0.0
                       : InnerProduct(m_Normal, CVector3d(pSample, &hit));
    sum += lambda * d;
    *pMax = std::max(*pMax, Distance(pSample, &hit));
  });
  return sum;
}

void CFace3d::ForEachL1SamplePoint(float radius,
                                   const std::function<void(const CVertex3d*)>& fn) const
{
  ForEachL1Sample(this, radius, fn);
}
