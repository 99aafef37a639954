#include "mesh/Intersection.h"
#include "mesh/Mesh3d.h"

int CMesh3d::IntersectLineWithFaces(const CVertex3d* a, const CVertex3d* b, CVertex3d* pHit,
                                    CFace3d** ppFace, int* pNbTested) const
{
  return NearestIntersectionWithFaces(&m_ArrayFace, a, b, pHit, ppFace, pNbTested);
}
