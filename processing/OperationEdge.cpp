#include "processing/OperationEdge.h"

#include "mesh/GeometryUtil.h"
#include "mesh/Vertex3d.h"

void COperationEdge::Update()
{
  if (!IsValid())
    return;
  Update(m_pFirst->GetMaxCurveAround(), m_pSecond->GetMaxCurveAround());
}

void COperationEdge::Update(double firstCurve, double secondCurve)
{
  if (!IsValid())
    return;
  m_Length = SquareDistance(m_pFirst, m_pSecond);
  m_Curveness = (firstCurve + secondCurve) / 2.0;
  m_Updated = 1;
}

void COperationEdge::UpdateCurveness(double firstCurve, double secondCurve)
{
  if (!IsValid())
    return;
  m_Curveness = (firstCurve + secondCurve) / 2.0;
  m_Updated = 1;
}
