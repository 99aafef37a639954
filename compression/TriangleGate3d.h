#pragma once

class CFace3d;
class CVertex3d;

// A gate of the triangle coder: the oriented edge vertex 1 -> vertex 2 on the border of the
// conquered region. The faces on both sides and the third vertex of the face across are
// searched for among vertex 1's faces on first request and cached once found.
class CTriangleGate3d
{
public:
  CTriangleGate3d(CVertex3d* v1, CVertex3d* v2) : m_pVertex1(v1), m_pVertex2(v2) {}
  // The encoder knows the conquered face that holds the gate.
  CTriangleGate3d(CVertex3d* v1, CVertex3d* v2, CFace3d* inner)
    : m_pVertex1(v1), m_pVertex2(v2), m_pInnerFace(inner)
  {
  }

  CVertex3d* GetVertex1() const { return m_pVertex1; }
  CVertex3d* GetVertex2() const { return m_pVertex2; }
  // The face holding vertex 1 -> vertex 2 (the conquered side).
  CFace3d* GetInnerFace();
  // The face holding vertex 2 -> vertex 1 (across the gate); null on a boundary.
  CFace3d* GetOuterFace();
  // The corner of the outer face that is neither gate vertex; null without an outer face.
  CVertex3d* GetThirdVertex();

private:
  CVertex3d* m_pVertex1;
  CVertex3d* m_pVertex2;
  CFace3d* m_pInnerFace = nullptr;
  CFace3d* m_pOuterFace = nullptr;
  CVertex3d* m_pThirdVertex = nullptr;
};
