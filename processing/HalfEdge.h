#pragma once

class CFace3d;
class CVertex3d;

// One direction of a mesh edge for half-edge collapse: the removed vertex merges into the
// accumulator, which stays where it is. The faces are those on the edge (face 2 null on the
// boundary); the cost is the area change of the collapse.
class CHalfEdge
{
public:
  CHalfEdge() = default;
  CHalfEdge(CVertex3d* pAccumulator, CVertex3d* pRemoved, CFace3d* pFace1, CFace3d* pFace2)
    : m_pAccumulator(pAccumulator), m_pRemoved(pRemoved), m_pFace1(pFace1), m_pFace2(pFace2),
      m_Valid(1)
  {
  }

  CHalfEdge(const CHalfEdge&) = delete;
  CHalfEdge& operator=(const CHalfEdge&) = delete;

  CVertex3d* GetAccumulator() const { return m_pAccumulator; }
  CVertex3d* GetRemoved() const { return m_pRemoved; }
  CFace3d* GetFace1() const { return m_pFace1; }
  CFace3d* GetFace2() const { return m_pFace2; }
  void SetFaces(CFace3d* pFace1, CFace3d* pFace2)
  {
    m_pFace1 = pFace1;
    m_pFace2 = pFace2;
  }
  float GetCost() const { return m_Cost; }
  void SetCost(float cost) { m_Cost = cost; }
  int IsValid() const { return m_Valid; }
  // Its rank in the order the run created the half-edges, which breaks ties between costs.
  int GetOrder() const { return m_Order; }
  void SetOrder(int order) { m_Order = order; }
  void Disable() { m_Valid = 0; }

  // The end that is not v (the removed vertex when v is neither end).
  CVertex3d* OtherVertex(const CVertex3d* v) const
  {
    return v == m_pAccumulator ? m_pRemoved : m_pAccumulator;
  }
  // 1 when one of the faces is f; a null f (the missing face of a boundary edge) is no face.
  int LiesOn(const CFace3d* f) const { return f && (m_pFace1 == f || m_pFace2 == f) ? 1 : 0; }
  // Replace the old element in the first field that holds it; 0 when neither does.
  int ReplaceVertex(const CVertex3d* pOld, CVertex3d* pNew);
  int ReplaceFace(const CFace3d* pOld, CFace3d* pNew);
  // Face 1 when it is not f, else face 2 when it is not f, else null.
  CFace3d* OtherFace(const CFace3d* f) const;

private:
  CVertex3d* m_pAccumulator = nullptr;
  CVertex3d* m_pRemoved = nullptr;
  CFace3d* m_pFace1 = nullptr;
  CFace3d* m_pFace2 = nullptr;
  float m_Cost = 0.0f;
  int m_Valid = 0;
  int m_Order = 0;
};
