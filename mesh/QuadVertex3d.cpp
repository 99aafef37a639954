#include "mesh/QuadVertex3d.h"

#include "mesh/Quad3d.h"

CVector3d* CQuadVertex3d::GetNormal()
{
  if (!m_pNormal)
    m_pNormal = std::make_unique<CVector3d>(0.0f, 0.0f, 0.0f);
  return m_pNormal.get();
}

const CVector3d* CQuadVertex3d::GetNormal() const
{
  static const CVector3d zero(0.0f, 0.0f, 0.0f);
  return m_pNormal ? m_pNormal.get() : &zero;
}

int CQuadVertex3d::NbQuadNeighborWithFlag(int flag) const
{
  int count = 0;
  for (int i = 0; i < NbQuadNeighbor(); i++)
    if (GetQuadNeighbor(i)->GetFlag() == flag)
      count++;
  return count;
}
