#pragma once

#include "mesh/Color.h"

#include <cstddef>
#include <utility>
#include <vector>

class CMesh3d;

// Vertices, faces and colours read from a file, held apart from any mesh until the whole file
// has been read and checked: a reader fills the mesh only from data that is sound, so that a
// malformed file leaves no half-built mesh behind.
class CMeshBuilder
{
public:
  // Reserves room for at most the given numbers, bounded by what a file of `bytes` bytes can
  // hold, so that a header's claim alone allocates nothing large.
  void Reserve(long long nbVertex, long long nbFace, long long bytes);
  void AddVertex(float x, float y, float z) { m_Points.insert(m_Points.end(), {x, y, z}); }
  // x, y, z of every vertex, replacing those added.
  void SetPoints(std::vector<float> points) { m_Points = std::move(points); }
  // 0-based vertex indices, corners in the order given.
  void AddFace(int a, int b, int c) { m_Faces.insert(m_Faces.end(), {a, b, c}); }
  void AddFaceColor(const CColor& color) { m_FaceColors.push_back(color); }
  // Colours the vertex k already added; 0 when there is no such vertex yet.
  int SetVertexColor(int k, const CColor& color);

  int NbVertex() const { return static_cast<int>(m_Points.size() / 3); }
  int NbFace() const { return static_cast<int>(m_Faces.size() / 3); }
  const std::vector<int>& GetFaces() const { return m_Faces; }
  // 1 when every face index names a vertex.
  int IsValid() const;
  // Appends the vertices, the faces and the colours given to the mesh; 0 (and the mesh
  // untouched) when a face index names no vertex.
  int Build(CMesh3d* pMesh) const;

private:
  std::vector<float> m_Points;
  std::vector<int> m_Faces;
  std::vector<CColor> m_VertexColors;  // parallel to the vertices once a colour is set
  std::vector<CColor> m_FaceColors;    // of the first faces, in order
};
