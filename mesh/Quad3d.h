#pragma once

#include "mesh/Color.h"
#include "mesh/DataOrBlock.h"
#include "mesh/Object3d.h"
#include "mesh/Vector3d.h"

#include <cstdint>

class CQuadVertex3d;

// A quadrilateral face: four corners counter-clockwise, neighbour i across the edge from
// corner i to corner i+1. Corner and neighbour indices wrap modulo 4 (callers pass
// non-negative indices). Five new-vertex slots are the scratch of the subdivision steps:
// slot i < 4 holds the point of edge i, slot 4 the face point. The steps use the face point
// slot only, so the quad keeps that one inline and the edge slots in a block made on first
// need: a step creates millions of quads and each byte of them is faulted in.
class CQuad3d : public CObject3d
{
public:
  CQuad3d() = default;
  CQuad3d(CQuadVertex3d* v0, CQuadVertex3d* v1, CQuadVertex3d* v2, CQuadVertex3d* v3)
  {
    Set(v0, v1, v2, v3);
  }

  int GetType() const override { return TYPE_QUAD3D; }

  CQuadVertex3d* v(int i) const { return m_pVertex[i % 4]; }
  CQuad3d* f(int i) const { return m_pFace[i % 4]; }
  void SetF(int i, CQuad3d* quad) { m_pFace[i % 4] = quad; }
  void ClearNeighbors();

  // Sets the four corners and clears the new-vertex slots.
  void Set(CQuadVertex3d* v0, CQuadVertex3d* v1, CQuadVertex3d* v2, CQuadVertex3d* v3);

  CQuadVertex3d* GetNewVertex(int i) const
  {
    if (i % 5 == 4)
      return static_cast<CQuadVertex3d*>(m_NewVertex.GetData());
    const SEdgeVertices* block = m_NewVertex.Find();
    return block ? block->edge[i % 5] : nullptr;
  }
  void SetNewVertex(int i, CQuadVertex3d* vertex);

  CVector3d* GetNormal() { return &m_Normal; }
  const CVector3d* GetNormal() const { return &m_Normal; }
  const CColor* GetColor() const { return &m_Color; }
  void SetColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) { m_Color.Set(r, g, b); }
  int GetFlag() const { return m_Flag; }
  void SetFlag(int flag) { m_Flag = flag; }

  // Index of the corner, -1 when the vertex is not one.
  int IndexFrom(const CQuadVertex3d* vertex) const;
  // Index of the edge joining the two vertices in either direction, -1 when none does.
  int IndexEdge(const CQuadVertex3d* a, const CQuadVertex3d* b) const;
  int HasVertex(const CQuadVertex3d* vertex) const { return IndexFrom(vertex) >= 0 ? 1 : 0; }
  // 1 when some corner i is a and corner i+1 is b.
  int HasEdge(const CQuadVertex3d* a, const CQuadVertex3d* b) const;
  int HasNeighbor(const CQuad3d* quad) const;
  int NbFaceNeighbor() const;
  int NbFaceNeighborWithFlag(int flag) const;
  // 1 when the four corners are pairwise distinct.
  int IsValid() const;

  // Normal of the quad as the mean of the unit normals at its four corners around the
  // centroid, so that a non-planar quad gets a balanced normal.
  void CalculateNormal();
  // The normals of two quads at once, each as CalculateNormal gives it: a step computes
  // millions, and the two go through the divisions side by side.
  static void CalculateNormals(CQuad3d* a, CQuad3d* b);
  // The same from copies of the corners' positions, three floats at cornersA[k] for corner k
  // of a: a step reads them from its own compact table instead of the scattered vertices.
  static void CalculateNormals(CQuad3d* a, const float* const* cornersA, CQuad3d* b,
                               const float* const* cornersB);
  // Up to eight at once, corners[l] the corners of quads[l]: in four or eight lanes where the
  // processor has them.
  static void CalculateNormals(CQuad3d* const* quads, const float* const* const* corners,
                               int count);

private:
  struct SEdgeVertices
  {
    void* data = nullptr;  // the face point
    CQuadVertex3d* edge[4] = {};
  };

  CQuadVertex3d* m_pVertex[4] = {};
  CDataOrBlock<SEdgeVertices> m_NewVertex;
  CQuad3d* m_pFace[4] = {};
  CVector3d m_Normal;
  CColor m_Color;
  int m_Flag = 0;
};
