#include "processing/HalfEdge.h"

int CHalfEdge::ReplaceVertex(const CVertex3d* pOld, CVertex3d* pNew)
{
  if (m_pAccumulator == pOld) {
    m_pAccumulator = pNew;
    return 1;
  }
  if (m_pRemoved == pOld) {
    m_pRemoved = pNew;
    return 1;
  }
  return 0;
}

int CHalfEdge::ReplaceFace(const CFace3d* pOld, CFace3d* pNew)
{
  if (m_pFace1 == pOld) {
    m_pFace1 = pNew;
    return 1;
  }
  if (m_pFace2 == pOld) {
    m_pFace2 = pNew;
    return 1;
  }
  return 0;
}

CFace3d* CHalfEdge::OtherFace(const CFace3d* f) const
{
  if (m_pFace1 != f)
    return m_pFace1;
  if (m_pFace2 != f)
    return m_pFace2;
  return nullptr;
}
