#include "mesh/Intersection.h"

#include "mesh/Face3d.h"
#include "mesh/Vertex3d.h"

int IntersectLineFace(const CVertex3d* a, const CVertex3d* b, CFace3d* pFace, CVertex3d* q)
{
  pFace->CalculateNormal();
  return IntersectLineFaceAsIs(a, b, pFace, q);
}

int IntersectLineFaceAsIs(const CVertex3d* a, const CVertex3d* b, const CFace3d* pFace,
                          CVertex3d* q)
{
  const CVector3d* n = pFace->GetNormal();
  if (n->GetSquareNorm() == 0.0)
    return 0;
  const CVertex3d* p0 = pFace->v(0);
  const double d = -(static_cast<double>(n->x()) * p0->x() + static_cast<double>(n->y()) * p0->y() +
                     static_cast<double>(n->z()) * p0->z());
  const CVector3d dir(a, b);
  const double den = static_cast<double>(n->x()) * dir.x() + static_cast<double>(n->y()) * dir.y() +
                     static_cast<double>(n->z()) * dir.z();
  if (den == 0.0)
    return 0;
  const double na = static_cast<double>(n->x()) * a->x() + static_cast<double>(n->y()) * a->y() +
                    static_cast<double>(n->z()) * a->z();
  const float t = static_cast<float>(-(na + d) / den);
  q->Set(a->x() + t * dir.x(), a->y() + t * dir.y(), a->z() + t * dir.z());
  return pFace->IsPointInside(q);
}

int NearestIntersectionWithFaces(const CArray3d<CFace3d>* pFaces, const CVertex3d* a,
                                 const CVertex3d* b, CVertex3d* q, CFace3d** ppFace,
                                 int* pNbTested)
{
  *pNbTested = pFaces->GetSize();
  *ppFace = nullptr;
  int hits = 0;
  double best = 1.7e308;
  CVertex3d hit;
  for (int i = 0; i < pFaces->GetSize(); i++) {
    CFace3d* f = pFaces->GetAt(i);
    if (!IntersectLineFace(a, b, f, &hit))
      continue;
    hits++;
    const double dx = static_cast<double>(hit.x()) - a->x();
    const double dy = static_cast<double>(hit.y()) - a->y();
    const double dz = static_cast<double>(hit.z()) - a->z();
    const double d = dx * dx + dy * dy + dz * dz;
    if (d < best) {
      best = d;
      q->Set(hit.x(), hit.y(), hit.z());
      *ppFace = f;
    }
  }
  return hits;
}
