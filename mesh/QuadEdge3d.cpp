#include "mesh/QuadEdge3d.h"

#include "mesh/Quad3d.h"
#include "mesh/QuadVertex3d.h"

CQuad3d* CQuadEdge3d::FindQuadAroundV1(const CQuadVertex3d* a, const CQuadVertex3d* b) const
{
  for (int i = 0; i < m_pV1->NbQuadNeighbor(); i++) {
    CQuad3d* quad = m_pV1->GetQuadNeighbor(i);
    if (quad->HasEdge(a, b))
      return quad;
  }
  return nullptr;
}

CQuad3d* CQuadEdge3d::GetQuadLeft()
{
  if (!m_pQuadLeft)
    m_pQuadLeft = FindQuadAroundV1(m_pV1, m_pV2);
  return m_pQuadLeft;
}

CQuad3d* CQuadEdge3d::GetQuadRight()
{
  if (!m_pQuadRight)
    m_pQuadRight = FindQuadAroundV1(m_pV2, m_pV1);
  return m_pQuadRight;
}

CQuadVertex3d* CQuadEdge3d::CornerOfRightQuad(int offset)
{
  const CQuad3d* right = GetQuadRight();
  if (!right)
    return nullptr;
  return right->v(right->IndexFrom(m_pV1) + offset);
}

CQuadVertex3d* CQuadEdge3d::GetVertexOppositeV1()
{
  if (!m_pVertexOppositeV1)
    m_pVertexOppositeV1 = CornerOfRightQuad(1);
  return m_pVertexOppositeV1;
}

CQuadVertex3d* CQuadEdge3d::GetVertexOppositeV2()
{
  if (!m_pVertexOppositeV2)
    m_pVertexOppositeV2 = CornerOfRightQuad(2);
  return m_pVertexOppositeV2;
}
