#pragma once

#include "mesh/Vertex3d.h"

class CFace3d;

// A candidate of edge-collapse simplification: the two faces that the collapse removes, the
// two vertices of their shared edge (vertex 1 stays, vertex 2 goes), the optimal vertex that
// stands for the merged one, a cost, a recomputation mark and a validity flag.
class CEdgeCollapse
{
public:
  CEdgeCollapse() = default;

  CEdgeCollapse(const CEdgeCollapse&) = delete;
  CEdgeCollapse& operator=(const CEdgeCollapse&) = delete;

  // Face 1 for 0, face 2 for 1.
  CFace3d* GetFace(int i) const { return i == 0 ? m_pFace1 : m_pFace2; }
  void SetFaces(CFace3d* pFace1, CFace3d* pFace2)
  {
    m_pFace1 = pFace1;
    m_pFace2 = pFace2;
  }
  CVertex3d* GetVertex1() const { return m_pVertex1; }
  CVertex3d* GetVertex2() const { return m_pVertex2; }
  void SetVertices(CVertex3d* pVertex1, CVertex3d* pVertex2)
  {
    m_pVertex1 = pVertex1;
    m_pVertex2 = pVertex2;
  }
  // The candidate's own vertex, not a copy.
  CVertex3d* GetOptimalVertex() { return &m_OptimalVertex; }
  const CVertex3d* GetOptimalVertex() const { return &m_OptimalVertex; }

  double GetCost() const { return m_Cost; }
  void SetCost(double cost) { m_Cost = cost; }
  int GetMark() const { return m_Mark; }
  void SetMark(int mark) { m_Mark = mark; }
  int IsValid() const { return m_Valid; }
  void SetValid(int valid) { m_Valid = valid; }

private:
  CFace3d* m_pFace1 = nullptr;
  CFace3d* m_pFace2 = nullptr;
  CVertex3d m_OptimalVertex;
  CVertex3d* m_pVertex1 = nullptr;
  CVertex3d* m_pVertex2 = nullptr;
  double m_Cost = -1.0;
  int m_Mark = 0;
  int m_Valid = 1;
};
