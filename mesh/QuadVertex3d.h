#pragma once

#include "mesh/Color.h"
#include "mesh/Object3d.h"
#include "mesh/QuadNeighborList.h"
#include "mesh/Vector3d.h"

#include <cstdint>
#include <memory>

class CQuad3d;

// A vertex of a quad mesh with the adjacency that CQuadMesh3d::BuildAdjacency fills: the
// vertices it shares an edge with and the quads around it, each listed once.
class CQuadVertex3d : public CObject3d
{
public:
  CQuadVertex3d() = default;
  CQuadVertex3d(float x, float y, float z) : m_x(x), m_y(y), m_z(z) {}

  int GetType() const override { return TYPE_QUADVERTEX3D; }

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

  // The normal lives apart, made on first write access: no step computes vertex normals, and
  // the vertices a step creates would fault in its bytes for nothing.
  CVector3d* GetNormal();
  const CVector3d* GetNormal() const;
  const CColor* GetColor() const { return &m_Color; }
  void SetColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) { m_Color.Set(r, g, b); }
  int GetFlag() const { return m_Flag; }
  void SetFlag(int flag) { m_Flag = flag; }

  int NbQuadNeighbor() const { return m_ArrayQuadNeighbor.GetSize(); }
  CQuad3d* GetQuadNeighbor(int i) const { return m_ArrayQuadNeighbor[i]; }
  void AddQuadNeighbor(CQuad3d* quad) { m_ArrayQuadNeighbor.AddUnique(quad); }
  int NbQuadNeighborWithFlag(int flag) const;

  int NbVertexNeighbor() const { return m_ArrayVertexNeighbor.GetSize(); }
  CQuadVertex3d* GetVertexNeighbor(int i) const { return m_ArrayVertexNeighbor[i]; }
  void AddNeighbor(CQuadVertex3d* vertex) { m_ArrayVertexNeighbor.AddUnique(vertex); }

  // Empties both adjacency lists.
  void RemoveAllNeighbors()
  {
    m_ArrayVertexNeighbor.RemoveAll();
    m_ArrayQuadNeighbor.RemoveAll();
  }
  // The lists themselves, for the adjacency build that sizes them once.
  CQuadNeighborList<CQuadVertex3d>* GetArrayVertexNeighbor() { return &m_ArrayVertexNeighbor; }
  CQuadNeighborList<CQuad3d>* GetArrayQuadNeighbor() { return &m_ArrayQuadNeighbor; }

  // The vertex's index in its mesh, kept by CQuadMesh3d::BuildAdjacency for the run only.
  int GetAdjacencyIndex() const { return m_AdjacencyIndex; }
  void SetAdjacencyIndex(int i) { m_AdjacencyIndex = i; }

private:
  float m_x = 0.0f;
  float m_y = 0.0f;
  float m_z = 0.0f;
  CColor m_Color;
  std::unique_ptr<CVector3d> m_pNormal;
  int m_Flag = 0;
  int m_AdjacencyIndex = -1;
  CQuadNeighborList<CQuadVertex3d> m_ArrayVertexNeighbor;
  CQuadNeighborList<CQuad3d> m_ArrayQuadNeighbor;
};
