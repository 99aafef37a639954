#pragma once

#include "mesh/Array3d.h"
#include "mesh/Color.h"
#include "mesh/Material.h"
#include "mesh/Object3d.h"
#include "mesh/Polygon3d.h"
#include "mesh/PolygonVertex3d.h"
#include "mesh/Transform.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CMesh3d;
class CQuadMesh3d;

// A mesh of polygons of any degree. It owns its vertices and polygons, draws them through a
// display list, reads OBJ files, converts to and from the triangle and quad meshes, and
// welds. Topology changes end with Rebuild. Methods are grouped by topic; each topic's
// definitions live in a source file of their own (named beside each section).
class CPolygonMesh3d : public CObject3d
{
public:
  CPolygonMesh3d() = default;
  ~CPolygonMesh3d() override;

  CPolygonMesh3d(const CPolygonMesh3d&) = delete;
  CPolygonMesh3d& operator=(const CPolygonMesh3d&) = delete;

  // --- scene object and attributes (mesh/PolygonMesh3d.cpp) ----------------------------------
  int GetType() const override { return TYPE_POLYGONMESH3D; }
  int BuildList() override;
  int Draw() override;
  void SetModified(int flag = 1) override { m_Modified = flag; }
  void Show(unsigned char flag) override { m_Show = flag; }
  int GetModified() const { return m_Modified; }
  // Draws every polygon in immediate mode with the material and bindings.
  void DrawImmediate() const;

  CMaterial* GetMaterial() { return &m_Material; }
  CTransform* GetTransform() { return &m_Transform; }
  const std::string& GetName() const { return m_Name; }
  void SetName(const std::string& name) { m_Name = name; }
  const CColor* GetColor() const { return &m_Color; }
  void SetColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) { m_Color.Set(r, g, b); }
  void SetUseSingleColor(int flag) { m_UseSingleColor = flag; }
  int GetColorBinding() const { return m_ColorBinding; }
  int GetNormalBinding() const { return m_NormalBinding; }
  void SetColorBinding(int binding);
  void SetNormalBinding(int binding) { m_NormalBinding = binding; }

  // --- elements (mesh/PolygonMesh3d.cpp) -----------------------------------------------------
  // Deletes every vertex and polygon.
  void Free();
  int NbVertex() const { return m_ArrayVertex.GetSize(); }
  int NbPolygon() const { return m_ArrayPolygon.GetSize(); }
  CPolygonVertex3d* GetVertex(int i) const { return m_ArrayVertex[i]; }
  CPolygon3d* GetPolygon(int i) const { return m_ArrayPolygon[i]; }
  // The face counting and access that every mesh kind offers the commands.
  int NbFace() const { return NbPolygon(); }
  CPolygon3d* GetFace(int i) const { return GetPolygon(i); }
  CArray3d<CPolygonVertex3d>* GetArrayVertex() { return &m_ArrayVertex; }
  CArray3d<CPolygon3d>* GetArrayPolygon() { return &m_ArrayPolygon; }
  // The mesh takes ownership; the result is the element's index.
  int AddVertex(CPolygonVertex3d* vertex) { return m_ArrayVertex.Add(vertex); }
  int AddPolygon(CPolygon3d* polygon) { return m_ArrayPolygon.Add(polygon); }

  void SetVerticesColor(std::uint8_t r, std::uint8_t g, std::uint8_t b);
  void SetPolygonsColor(std::uint8_t r, std::uint8_t g, std::uint8_t b);
  void SetPolygonsFlag(int flag);
  void SetVerticesFlag(int flag);
  void SetVerticesUseCount(int count);
  // Every vertex's use counter becomes its number of neighbour vertices.
  void SetVerticesUseCountToValence();
  // 1 when every polygon has pairwise distinct vertices.
  int IsValid() const;

  // --- adjacency, normals and measures (mesh/PolygonMesh3d.cpp) ------------------------------
  int BuildAdjacency();
  void CalculateNormals();
  // Adjacency, then polygon normals, then modified.
  void Rebuild();
  // Moves every vertex to the mean of itself and its neighbours; expects a current adjacency.
  void Smooth();
  // Number of edges, each counted once; expects a current adjacency.
  int NbEdge();
  // Number of polygons of each degree from 3 up to the largest (bin = degree - 3); polygons
  // of fewer than 3 vertices are not counted.
  std::vector<int> BuildDegreeDistribution() const;

  // --- welding (mesh/PolygonMesh3dWeld.cpp) --------------------------------------------------
  // Merges the vertices of exactly equal position into the last of them, then rebuilds.
  void Weld();
  // Deletes the vertices that no polygon uses; returns how many went.
  int RemoveIsolatedVertices();

  // --- files (mesh/PolygonMesh3dFile.cpp) ----------------------------------------------------
  // Replaces the mesh by the polygons of an OBJ file; 1 on success. A file that cannot be
  // read or is malformed leaves the mesh empty and answers 0. The adjacency is not built.
  int ReadFileOBJ(const char* fileName);
  // The binary polygon file; 1 on success, 0 when it cannot be written.
  int WriteBinary(const char* fileName);

  // --- conversions (mesh/PolygonMesh3dConversion.cpp) ----------------------------------------
  // Triangle meshes owned by the caller, without adjacency. Star: every polygon above three
  // vertices is fanned around a new vertex at its centroid. Max regularity: polygons are cut
  // along diagonals chosen to bring the valences towards 6, in a depth-first walk over the
  // neighbours; it expects a current adjacency.
  std::unique_ptr<CMesh3d> ToTriangleMeshStar();
  std::unique_ptr<CMesh3d> ToTriangleMeshMaxRegularity();
  // Cuts every polygon above four vertices into quads and at most one triangle (grey when
  // asked). The cut polygons are unlinked; the pieces wait for Rebuild.
  void SplitIntoQuadsAndTriangles(int grey);
  // Replace the mesh by a copy of the source, one polygon per face, then Rebuild. They number
  // the source's vertices through its mark (triangle mesh) or flag (quad mesh).
  void FromTriangleMesh(CMesh3d* pMesh);
  void FromQuadMesh(CQuadMesh3d* pMesh);

private:
  void CopyVerticesTo(CMesh3d* pMesh);
  void SplitPolygonList(const std::vector<CPolygonVertex3d*>& list, int grey);

  CArray3d<CPolygonVertex3d> m_ArrayVertex;
  CArray3d<CPolygon3d> m_ArrayPolygon;
  std::string m_Name = "PolygonMesh";
  int m_ColorBinding = 1;
  int m_NormalBinding = 1;
  int m_UseSingleColor = 0;
  CColor m_Color{0, 0, 0};
  CMaterial m_Material;
  CTransform m_Transform;
  unsigned int m_ListOpenGL = 0;
  int m_ListDone = 0;
  int m_Modified = 1;
  int m_Show = 1;
};
