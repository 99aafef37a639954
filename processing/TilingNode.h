#pragma once

#include "mesh/Array3d.h"

class CFace3d;
class CVertex3d;

// A node of a surface tiling: either on a mesh vertex, covering the vertex's star of faces, or
// on a single face. Owned by the tiling's node array.
class CTilingNode
{
public:
  // On the vertex, at its position.
  explicit CTilingNode(CVertex3d* pVertex);
  // On the face, at its centroid.
  explicit CTilingNode(CFace3d* pFace);

  CTilingNode(const CTilingNode&) = delete;
  CTilingNode& operator=(const CTilingNode&) = delete;

  int IsFaceBased() const { return m_pFace != nullptr ? 1 : 0; }
  CVertex3d* GetVertex() const { return m_pVertex; }
  CFace3d* GetFace() const { return m_pFace; }

  float x() const { return m_x; }
  float y() const { return m_y; }
  float z() const { return m_z; }
  void Set(float x, float y, float z)
  {
    m_x = x;
    m_y = y;
    m_z = z;
  }
  void Move(float dx, float dy, float dz) { Set(m_x + dx, m_y + dy, m_z + dz); }
  float SquareDistance(const CTilingNode* pOther) const;

  int NbNeighbor() const { return m_ArrayNeighbor.GetSize(); }
  CTilingNode* GetNeighbor(int i) const { return m_ArrayNeighbor[i]; }
  int IsNeighbor(const CTilingNode* pNode) const { return m_ArrayNeighbor.Contains(pNode); }
  // Appends the node unless it is this one or already a neighbour.
  void AddNeighbor(CTilingNode* pNode);
  // Makes the two nodes neighbours of each other.
  static void Link(CTilingNode* a, CTilingNode* b);

  int GetMark() const { return m_Mark; }
  void SetMark(int mark) { m_Mark = mark; }

  // The square root of the face's area, or the mean length of the edges around the vertex.
  double Size() const;

private:
  CVertex3d* m_pVertex = nullptr;
  float m_x = 0.0f;
  float m_y = 0.0f;
  float m_z = 0.0f;
  CFace3d* m_pFace = nullptr;
  CArray3d<CTilingNode> m_ArrayNeighbor;
  int m_Mark = 0;
};
