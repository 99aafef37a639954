#include "app/objects/VectorSet3d.h"
#include "mesh/Face3d.h"
#include "mesh/Vertex3d.h"

void CFace3d::ShowL1Samples(CVectorSet3d* pSet, float radius)
{
  // The face's own normal is left as it is.
  CVector3d normal = CVector3d(v(0), v(1)) ^ CVector3d(v(0), v(2));
  normal.SetNorm(radius);
  ForEachL1SamplePoint(radius, [&](const CVertex3d* pSample) {
    pSet->AddVector(new CVertex3d(pSample),
                    new CVertex3d(pSample->x() + normal.x(), pSample->y() + normal.y(),
                                  pSample->z() + normal.z()));
  });
  pSet->SetColor(CColor(0, 255, 0));
}
