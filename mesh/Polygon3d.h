#pragma once

#include "mesh/Array3d.h"
#include "mesh/Color.h"
#include "mesh/Object3d.h"
#include "mesh/Vector3d.h"

#include <cstdint>

class CPolygonVertex3d;

// A polygon of any degree: vertices counter-clockwise, neighbour i across the edge from
// vertex i to vertex (i+1) mod n, null on a boundary. The neighbour array is always as long
// as the vertex array. Indices are unchecked; callers wrap them.
class CPolygon3d : public CObject3d
{
public:
  CPolygon3d() = default;
  CPolygon3d(CPolygonVertex3d* v0, CPolygonVertex3d* v1, CPolygonVertex3d* v2);
  CPolygon3d(CPolygonVertex3d* v0, CPolygonVertex3d* v1, CPolygonVertex3d* v2,
             CPolygonVertex3d* v3);

  CPolygon3d(const CPolygon3d&) = delete;
  CPolygon3d& operator=(const CPolygon3d&) = delete;

  int GetType() const override { return TYPE_POLYGON3D; }
  // A polygon is drawn by its mesh only.
  int Draw() override { return 0; }

  int NbVertex() const { return m_ArrayVertex.GetSize(); }
  CPolygonVertex3d* GetVertex(int i) const { return m_ArrayVertex[i]; }
  void SetVertex(int i, CPolygonVertex3d* vertex) { m_ArrayVertex.SetAt(i, vertex); }
  // Appends a corner; its neighbour entry starts null.
  void AddVertex(CPolygonVertex3d* vertex);
  // Sizes the polygon to n corners at once, every corner and neighbour null.
  void SetNbVertex(int n);
  // Index of the corner, -1 when the vertex is not one.
  int IndexFrom(const CPolygonVertex3d* vertex) const { return m_ArrayVertex.IndexFrom(vertex); }
  int HasVertex(const CPolygonVertex3d* vertex) const { return m_ArrayVertex.Contains(vertex); }
  // 1 when some corner i is a and corner i+1 is b.
  int HasEdge(const CPolygonVertex3d* a, const CPolygonVertex3d* b) const;

  CPolygon3d* GetNeighbor(int i) const { return m_ArrayNeighbor[i]; }
  void SetNeighbor(int i, CPolygon3d* polygon) { m_ArrayNeighbor.SetAt(i, polygon); }
  void ClearNeighbors();

  // Adds the polygon to the polygon list of each of its vertices.
  void AttachToVertices();
  // Undoes every link to the polygon: its vertices' lists and its neighbours' entries.
  void Detach();

  const CColor* GetColor() const { return &m_Color; }
  void SetColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) { m_Color.Set(r, g, b); }
  int GetFlag() const { return m_Flag; }
  void SetFlag(int flag) { m_Flag = flag; }
  void SetVerticesFlag(int flag) const;
  int HasAllVerticesFlag(int flag) const;

  // 1 when the vertices are pairwise distinct.
  int IsValid() const;
  CVector3d GetCentroid() const;
  CVector3d* GetNormal() { return &m_Normal; }
  const CVector3d* GetNormal() const { return &m_Normal; }
  // The mean of the unit normals of the fan of triangles around the centroid, so that a
  // non-planar polygon gets a balanced normal.
  void CalculateNormal();

private:
  CArray3d<CPolygonVertex3d> m_ArrayVertex;
  CArray3d<CPolygon3d> m_ArrayNeighbor;
  CColor m_Color;
  int m_Flag = 0;
  CVector3d m_Normal;
};
