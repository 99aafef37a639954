#pragma once

#include "mesh/Mesh3d.h"
#include "mesh/MeshFixtures.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <memory>
#include <utility>
#include <vector>

// Meshes and invariants shared by the processing tests.
namespace fixtures {

// A flat grid of nx by ny vertices in the plane y = 0, each cell cut along the same diagonal,
// so that the two triangles beside every interior edge form a parallelogram.
inline std::unique_ptr<CMesh3d> FlatGrid(int nx, int ny)
{
  Points points;
  Triangles triangles;
  for (int j = 0; j < ny; j++)
    for (int i = 0; i < nx; i++)
      points.push_back({static_cast<float>(i), 0.0f, static_cast<float>(j)});
  for (int j = 0; j + 1 < ny; j++)
    for (int i = 0; i + 1 < nx; i++) {
      const int a = j * nx + i;
      const int d = a + nx;
      triangles.push_back({a, d + 1, a + 1});
      triangles.push_back({a, d, d + 1});
    }
  return Build(points, triangles);
}

// A closed torus of n by n vertices, every vertex of valence 6.
inline std::unique_ptr<CMesh3d> Torus(int n)
{
  Points points;
  Triangles triangles;
  const float pi2 = 6.2831853f;
  for (int j = 0; j < n; j++)
    for (int i = 0; i < n; i++) {
      const float u = pi2 * i / n;
      const float v = pi2 * j / n;
      const float r = 2.0f + 0.7f * std::cos(v);
      points.push_back({r * std::cos(u), 0.7f * std::sin(v), r * std::sin(u)});
    }
  auto at = [n](int i, int j) { return ((j + n) % n) * n + (i + n) % n; };
  for (int j = 0; j < n; j++)
    for (int i = 0; i < n; i++) {
      triangles.push_back({at(i, j), at(i, j + 1), at(i + 1, j + 1)});
      triangles.push_back({at(i, j), at(i + 1, j + 1), at(i + 1, j)});
    }
  return Build(points, triangles);
}

// Moves every vertex by a small deterministic offset, so that no symmetry hides a fault.
inline void Perturb(CMesh3d& mesh, float amount)
{
  for (int i = 0; i < mesh.NbVertex(); i++) {
    CVertex3d* v = mesh.GetVertex(i);
    v->Move(amount * std::sin(1.3f * i), amount * std::cos(2.1f * i), amount * std::sin(0.7f * i + 1));
  }
  mesh.Rebuild();
}

// Every directed edge of the faces appears once, and so does its reverse: the mesh is closed,
// two faces meet at each edge and they agree on the orientation.
inline bool IsClosedAndOriented(const CMesh3d& mesh)
{
  std::map<std::pair<const void*, const void*>, int> directed;
  for (int i = 0; i < mesh.NbFace(); i++)
    for (int k = 0; k < 3; k++)
      directed[{mesh.GetFace(i)->v(k), mesh.GetFace(i)->v((k + 1) % 3)}]++;
  for (const auto& [edge, count] : directed) {
    const auto reverse = directed.find({edge.second, edge.first});
    if (count != 1 || reverse == directed.end() || reverse->second != 1)
      return false;
  }
  return true;
}

using Position = std::array<float, 3>;

inline Position PositionOf(const CVertex3d* v) { return {v->x(), v->y(), v->z()}; }

inline std::vector<Position> Positions(const CMesh3d& mesh)
{
  std::vector<Position> positions;
  for (int i = 0; i < mesh.NbVertex(); i++)
    positions.push_back(PositionOf(mesh.GetVertex(i)));
  return positions;
}

// Corners of every face by vertex index.
inline std::vector<std::array<int, 3>> Corners(const CMesh3d& mesh)
{
  std::vector<std::array<int, 3>> corners;
  for (int i = 0; i < mesh.NbFace(); i++) {
    const CFace3d* f = mesh.GetFace(i);
    corners.push_back({mesh.IndexFrom(f->v(0)), mesh.IndexFrom(f->v(1)), mesh.IndexFrom(f->v(2))});
  }
  return corners;
}

inline float Distance(const Position& a, const Position& b)
{
  return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) +
                   (a[2] - b[2]) * (a[2] - b[2]));
}

// The vertex of the mesh at the position (within tol), or null.
inline CVertex3d* VertexAt(const CMesh3d& mesh, const Position& p, float tol = 1e-5f)
{
  for (int i = 0; i < mesh.NbVertex(); i++)
    if (Distance(PositionOf(mesh.GetVertex(i)), p) <= tol)
      return mesh.GetVertex(i);
  return nullptr;
}

inline int CountFacesWithEmptyCorner(const CMesh3d& mesh)
{
  int n = 0;
  for (int i = 0; i < mesh.NbFace(); i++)
    n += mesh.GetFace(i)->HasNullVertex();
  return n;
}

inline int CountFilledEdgeSlots(const CMesh3d& mesh)
{
  int n = 0;
  for (int i = 0; i < mesh.NbFace(); i++)
    for (int k = 3; k < 6; k++)
      n += mesh.GetFace(i)->v(k) ? 1 : 0;
  return n;
}

} // namespace fixtures
