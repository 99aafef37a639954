#include "processing/OperationEdge.h"

#include "mesh/GeometryUtil.h"
#include "mesh/Vertex3d.h"

void COperationEdge::Update()
{
  if (!IsValid())
    return;
  m_Length = SquareDistance(m_pFirst, m_pSecond);
  m_Curveness = (m_pFirst->GetMaxCurveAround() + m_pSecond->GetMaxCurveAround()) / 2.0;
  m_Updated = 1;
}
