#pragma once

#include "mesh/Array3d.h"
#include "mesh/Color.h"
#include "mesh/Object3d.h"

#include <vector>

class CMesh3d;
class CVertex3d;

// Vertices shown as small spheres (highlights, seeds, samples), through one display list.
class CVertexSet3d : public CObject3d
{
public:
  CVertexSet3d() = default;
  ~CVertexSet3d() override;

  CVertexSet3d(const CVertexSet3d&) = delete;
  CVertexSet3d& operator=(const CVertexSet3d&) = delete;

  int BuildList() override;
  int Draw() override;

  void SetRadius(float radius) { m_Radius = radius; }
  void SetMesh(CMesh3d* pMesh) { m_pMesh = pMesh; }
  void SetColor(const CColor& color) { m_Color = color; }
  // 0 when the points belong to somebody else (a set of a mesh's own vertices).
  void SetOwnsVertices(int flag) { m_OwnVertices = flag; }
  void Show(unsigned char flag) override { m_Show = flag; }

  // Each point carries its own sphere radius.
  int AddVertex(CVertex3d* pVertex, float radius);
  int AddColoredVertex(CVertex3d* pVertex, const CColor* pColor, float radius);
  void InsertVertex(int index, CVertex3d* pVertex, float radius);

  int NbVertex() const { return m_ArrayVertex.GetSize(); }
  CVertex3d* GetVertex(int i) const { return m_ArrayVertex[i]; }
  float GetRadius(int i) const { return m_ArrayRadius[static_cast<size_t>(i)]; }
  int IsModified() const { return m_Modified; }
  int IsListBuilt() const { return m_ListBuilt; }

private:
  CArray3d<CVertex3d> m_ArrayVertex;
  CMesh3d* m_pMesh = nullptr;
  float m_Radius = 0.02f;
  CColor m_Color;
  std::vector<float> m_ArrayRadius;
  unsigned int m_ListDone = 0;
  int m_ListBuilt = 0;
  int m_Modified = 1;
  int m_Show = 1;
  int m_OwnVertices = 1;
};
