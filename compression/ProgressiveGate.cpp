#include "compression/ProgressiveGate.h"

#include "mesh/Face3d.h"
#include "mesh/Vertex3d.h"

int CProgressiveGate::FaceHasEdge(const CFace3d* pFace, const CVertex3d* a, const CVertex3d* b)
{
  for (int i = 0; i < 3; i++)
    if (pFace->v(i) == a && pFace->v((i + 1) % 3) == b)
      return 1;
  return 0;
}

CFace3d* CProgressiveGate::GetFrontFace() const
{
  for (int i = 0; i < m_pFirst->NbFaceNeighbor(); i++) {
    CFace3d* pFace = m_pFirst->GetFaceNeighbor(i);
    if (FaceHasEdge(pFace, m_pSecond, m_pFirst))
      return pFace;
  }
  return nullptr;
}

CVertex3d* CProgressiveGate::GetFrontVertex() const
{
  const CFace3d* pFace = GetFrontFace();
  return pFace ? pFace->GetVertexOther(m_pFirst, m_pSecond) : nullptr;
}

int CProgressiveGate::GetTagPair() const
{
  const int a = m_pFirst->GetMark();
  const int b = m_pSecond->GetMark();
  if (a == 2 && b == 1)
    return 1;
  if (a == 1 && b == 2)
    return 0;
  if (a == 2 && b == 2)
    return 2;
  return 3;
}
