#include "compression/TriangleGate3d.h"

#include "compression/GateTopology.h"

CFace3d* CTriangleGate3d::GetInnerFace()
{
  if (!m_pInnerFace)
    m_pInnerFace = gate::FindFaceWithEdge<CFace3d>(m_pVertex1, m_pVertex1, m_pVertex2);
  return m_pInnerFace;
}

CFace3d* CTriangleGate3d::GetOuterFace()
{
  if (!m_pOuterFace)
    m_pOuterFace = gate::FindFaceWithEdge<CFace3d>(m_pVertex1, m_pVertex2, m_pVertex1);
  return m_pOuterFace;
}

CVertex3d* CTriangleGate3d::GetThirdVertex()
{
  if (!m_pThirdVertex) {
    const CFace3d* outer = GetOuterFace();
    if (outer)
      m_pThirdVertex = outer->v((outer->IndexFrom(m_pVertex1) + 1) % 3);
  }
  return m_pThirdVertex;
}
