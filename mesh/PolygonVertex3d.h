#pragma once

#include "mesh/Array3d.h"
#include "mesh/Color.h"
#include "mesh/Object3d.h"
#include "mesh/Vector3d.h"

#include <cstdint>

class CPolygon3d;

// A vertex of a polygon mesh with the adjacency that CPolygonMesh3d::BuildAdjacency fills:
// the vertices it shares an edge with (never itself) and the polygons around it, each listed
// once. The flag is a general mark (also the vertex's index while a mesh is converted or
// written); the use counter belongs to the algorithm running.
class CPolygonVertex3d : public CObject3d
{
public:
  CPolygonVertex3d() = default;
  CPolygonVertex3d(float x, float y, float z) : m_x(x), m_y(y), m_z(z) {}

  CPolygonVertex3d(const CPolygonVertex3d&) = delete;
  CPolygonVertex3d& operator=(const CPolygonVertex3d&) = delete;

  int GetType() const override { return TYPE_POLYGONVERTEX3D; }

  float x() const { return m_x; }
  float y() const { return m_y; }
  float z() const { return m_z; }
  void Set(float x, float y, float z)
  {
    m_x = x;
    m_y = y;
    m_z = z;
  }
  void Set(const CVector3d& p) { Set(p.x(), p.y(), p.z()); }
  int IsSamePosition(const CPolygonVertex3d* v) const
  {
    return (m_x == v->m_x && m_y == v->m_y && m_z == v->m_z) ? 1 : 0;
  }
  double SquaredDistance(const CPolygonVertex3d* v) const;

  CVector3d* GetNormal() { return &m_Normal; }
  const CVector3d* GetNormal() const { return &m_Normal; }
  const CColor* GetColor() const { return &m_Color; }
  void SetColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) { m_Color.Set(r, g, b); }
  int GetFlag() const { return m_Flag; }
  void SetFlag(int flag) { m_Flag = flag; }
  void IncrementFlag() { m_Flag++; }
  int GetUseCount() const { return m_UseCount; }
  void SetUseCount(int count) { m_UseCount = count; }
  void IncrementUseCount() { m_UseCount++; }
  void DecrementUseCount() { m_UseCount--; }
  CPolygonVertex3d* GetWeldTarget() const { return m_pWeldTarget; }
  void SetWeldTarget(CPolygonVertex3d* vertex) { m_pWeldTarget = vertex; }

  int NbVertexNeighbor() const { return m_ArrayVertexNeighbor.GetSize(); }
  CPolygonVertex3d* GetVertexNeighbor(int i) const { return m_ArrayVertexNeighbor[i]; }
  // Unique, and never the vertex itself.
  void AddNeighbor(CPolygonVertex3d* vertex)
  {
    if (vertex != this)
      m_ArrayVertexNeighbor.AddUnique(vertex);
  }

  int NbPolygon() const { return m_ArrayPolygon.GetSize(); }
  CPolygon3d* GetPolygon(int i) const { return m_ArrayPolygon[i]; }
  void AddPolygon(CPolygon3d* polygon) { m_ArrayPolygon.AddUnique(polygon); }
  void RemovePolygon(const CPolygon3d* polygon);

  // Empties both adjacency lists.
  void RemoveAllNeighbors()
  {
    m_ArrayVertexNeighbor.RemoveAll();
    m_ArrayPolygon.RemoveAll();
  }

  int NbPolygonWithFlag(int flag) const;
  // 1 when one of its polygons has flag a and another one flag b.
  int HasPolygonsWithFlags(int a, int b) const;
  // 1 when some incident polygon has no neighbour across the edge leaving or entering it.
  int IsOnBoundary() const;
  // First of its polygons holding the directed edge a -> b, null when none does.
  CPolygon3d* GetPolygonWithEdge(const CPolygonVertex3d* a, const CPolygonVertex3d* b) const;

private:
  float m_x = 0.0f;
  float m_y = 0.0f;
  float m_z = 0.0f;
  CVector3d m_Normal;
  CColor m_Color;
  int m_Flag = 0;
  int m_UseCount = 0;
  CPolygonVertex3d* m_pWeldTarget = nullptr;
  CArray3d<CPolygonVertex3d> m_ArrayVertexNeighbor;
  CArray3d<CPolygon3d> m_ArrayPolygon;
};
