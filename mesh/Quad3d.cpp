#include "mesh/Quad3d.h"

#include "mesh/QuadVertex3d.h"

void CQuad3d::Set(CQuadVertex3d* v0, CQuadVertex3d* v1, CQuadVertex3d* v2, CQuadVertex3d* v3)
{
  m_pVertex[0] = v0;
  m_pVertex[1] = v1;
  m_pVertex[2] = v2;
  m_pVertex[3] = v3;
  for (CQuadVertex3d*& slot : m_pNewVertex)
    slot = nullptr;
}

void CQuad3d::ClearNeighbors()
{
  for (CQuad3d*& face : m_pFace)
    face = nullptr;
}

int CQuad3d::IndexFrom(const CQuadVertex3d* vertex) const
{
  for (int i = 0; i < 4; i++)
    if (m_pVertex[i] == vertex)
      return i;
  return -1;
}

int CQuad3d::IndexEdge(const CQuadVertex3d* a, const CQuadVertex3d* b) const
{
  for (int i = 0; i < 4; i++) {
    const CQuadVertex3d* from = m_pVertex[i];
    const CQuadVertex3d* to = m_pVertex[(i + 1) % 4];
    if ((from == a && to == b) || (from == b && to == a))
      return i;
  }
  return -1;
}

int CQuad3d::HasEdge(const CQuadVertex3d* a, const CQuadVertex3d* b) const
{
  for (int i = 0; i < 4; i++)
    if (m_pVertex[i] == a && m_pVertex[(i + 1) % 4] == b)
      return 1;
  return 0;
}

int CQuad3d::HasNeighbor(const CQuad3d* quad) const
{
  for (const CQuad3d* face : m_pFace)
    if (face == quad)
      return 1;
  return 0;
}

int CQuad3d::NbFaceNeighbor() const
{
  int count = 0;
  for (const CQuad3d* face : m_pFace)
    if (face)
      count++;
  return count;
}

int CQuad3d::NbFaceNeighborWithFlag(int flag) const
{
  int count = 0;
  for (const CQuad3d* face : m_pFace)
    if (face && face->GetFlag() == flag)
      count++;
  return count;
}

int CQuad3d::IsValid() const
{
  for (int i = 0; i < 4; i++)
    for (int j = i + 1; j < 4; j++)
      if (m_pVertex[i] == m_pVertex[j])
        return 0;
  return 1;
}

void CQuad3d::CalculateNormal()
{
  double cx = 0.0, cy = 0.0, cz = 0.0;
  for (const CQuadVertex3d* corner : m_pVertex) {
    cx += corner->x();
    cy += corner->y();
    cz += corner->z();
  }
  const CVector3d centre(static_cast<float>(cx / 4.0), static_cast<float>(cy / 4.0),
                         static_cast<float>(cz / 4.0));
  CVector3d arm[4];
  for (int i = 0; i < 4; i++)
    arm[i] = CVector3d::GetPoint(m_pVertex[i]) - centre;

  double nx = 0.0, ny = 0.0, nz = 0.0;
  for (int i = 0; i < 4; i++) {
    CVector3d n = arm[i] ^ arm[(i + 1) % 4];
    n.Normalize();
    nx += n.x();
    ny += n.y();
    nz += n.z();
  }
  m_Normal.Set(static_cast<float>(0.25 * nx), static_cast<float>(0.25 * ny),
               static_cast<float>(0.25 * nz));
  m_Normal.Normalize();
}
