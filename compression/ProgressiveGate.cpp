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

// Every face of the first vertex holds it: the edge second -> first ends at its corner, so
// the second vertex must be the corner before it.
CFace3d* CProgressiveGate::GetFrontFace() const
{
  const int n = m_pFirst->NbFaceNeighbor();
  for (int i = 0; i < n; i++) {
    CFace3d* pFace = m_pFirst->GetFaceNeighbor(i);
    const CVertex3d* a = pFace->v(0);
    const CVertex3d* b = pFace->v(1);
    const CVertex3d* c = pFace->v(2);
    if ((b == m_pFirst && a == m_pSecond) || (c == m_pFirst && b == m_pSecond) ||
        (a == m_pFirst && c == m_pSecond))
      return pFace;
  }
  return nullptr;
}

CVertex3d* CProgressiveGate::GetFrontVertex() const
{
  const CFace3d* pFace = GetFrontFace();
  return pFace ? pFace->GetVertexOther(m_pFirst, m_pSecond) : nullptr;
}
