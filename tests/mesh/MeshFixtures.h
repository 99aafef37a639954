#pragma once

#include "mesh/Mesh3d.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <memory>
#include <utility>
#include <vector>

// Small meshes built in code for the mesh tests. Each comes back with adjacency and normals.
namespace fixtures {

using Points = std::vector<std::array<float, 3>>;
using Triangles = std::vector<std::array<int, 3>>;

inline std::unique_ptr<CMesh3d> Build(const Points& points, const Triangles& triangles,
                                      bool rebuild = true)
{
  auto mesh = std::make_unique<CMesh3d>();
  for (const auto& p : points)
    mesh->AddVertex(new CVertex3d(p[0], p[1], p[2]));
  for (const auto& t : triangles)
    mesh->AddFace(new CFace3d(mesh->GetVertex(t[0]), mesh->GetVertex(t[1]), mesh->GetVertex(t[2])));
  if (rebuild)
    mesh->Rebuild();
  return mesh;
}

// Closed, outward oriented.
inline std::unique_ptr<CMesh3d> Tetrahedron()
{
  return Build({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
               {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}});
}

inline std::unique_ptr<CMesh3d> Octahedron()
{
  return Build({{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}},
               {{0, 2, 4}, {2, 1, 4}, {1, 3, 4}, {3, 0, 4},
                {2, 0, 5}, {1, 2, 5}, {3, 1, 5}, {0, 3, 5}});
}

// An open fan of n triangles around vertex 0 (a half disc in the plane z = 0).
inline std::unique_ptr<CMesh3d> Fan(int n)
{
  Points points{{0, 0, 0}};
  Triangles triangles;
  for (int i = 0; i <= n; i++) {
    const float a = 3.14159265f * i / n;
    points.push_back({std::cos(a), std::sin(a), 0});
  }
  for (int i = 1; i <= n; i++)
    triangles.push_back({0, i, i + 1});
  return Build(points, triangles);
}

// Two rows of n + 1 vertices joined by 2n triangles.
inline std::unique_ptr<CMesh3d> Strip(int n)
{
  Points points;
  Triangles triangles;
  for (int i = 0; i <= n; i++) {
    points.push_back({static_cast<float>(i), 0, 0});
    points.push_back({static_cast<float>(i), 1, 0});
  }
  for (int i = 0; i < n; i++) {
    const int a = 2 * i;
    triangles.push_back({a, a + 2, a + 1});
    triangles.push_back({a + 1, a + 2, a + 3});
  }
  return Build(points, triangles);
}

// Three triangles on the edge 0-1.
inline std::unique_ptr<CMesh3d> NonManifoldEdge()
{
  return Build({{0, 0, 0}, {1, 0, 0}, {0.5f, 1, 0}, {0.5f, -1, 0}, {0.5f, 0, 1}},
               {{0, 1, 2}, {1, 0, 3}, {0, 1, 4}});
}

// Icosahedron refined `levels` times by splitting each triangle in four, on the unit sphere.
inline std::unique_ptr<CMesh3d> Icosphere(int levels)
{
  const float t = (1.0f + std::sqrt(5.0f)) / 2.0f;
  Points points{{-1, t, 0}, {1, t, 0}, {-1, -t, 0}, {1, -t, 0}, {0, -1, t}, {0, 1, t},
                {0, -1, -t}, {0, 1, -t}, {t, 0, -1}, {t, 0, 1}, {-t, 0, -1}, {-t, 0, 1}};
  Triangles triangles{{0, 11, 5}, {0, 5, 1},  {0, 1, 7},   {0, 7, 10}, {0, 10, 11},
                      {1, 5, 9},  {5, 11, 4}, {11, 10, 2}, {10, 7, 6}, {7, 1, 8},
                      {3, 9, 4},  {3, 4, 2},  {3, 2, 6},   {3, 6, 8},  {3, 8, 9},
                      {4, 9, 5},  {2, 4, 11}, {6, 2, 10},  {8, 6, 7},  {9, 8, 1}};
  for (int level = 0; level < levels; level++) {
    std::map<std::pair<int, int>, int> middle;
    auto midpoint = [&](int a, int b) {
      const auto key = std::minmax(a, b);
      const auto it = middle.find(key);
      if (it != middle.end())
        return it->second;
      points.push_back({(points[a][0] + points[b][0]) / 2, (points[a][1] + points[b][1]) / 2,
                        (points[a][2] + points[b][2]) / 2});
      middle.emplace(key, static_cast<int>(points.size()) - 1);
      return static_cast<int>(points.size()) - 1;
    };
    Triangles refined;
    for (const auto& tr : triangles) {
      const int ab = midpoint(tr[0], tr[1]);
      const int bc = midpoint(tr[1], tr[2]);
      const int ca = midpoint(tr[2], tr[0]);
      refined.push_back({tr[0], ab, ca});
      refined.push_back({tr[1], bc, ab});
      refined.push_back({tr[2], ca, bc});
      refined.push_back({ab, bc, ca});
    }
    triangles = std::move(refined);
  }
  for (auto& p : points) {
    const float n = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
    p = {p[0] / n, p[1] / n, p[2] / n};
  }
  return Build(points, triangles);
}

// Number of distinct edges, counted from the faces.
inline int NbEdge(const CMesh3d& mesh)
{
  std::map<std::pair<const void*, const void*>, int> edges;
  for (int i = 0; i < mesh.NbFace(); i++)
    for (int k = 0; k < 3; k++) {
      const CFace3d* f = mesh.GetFace(i);
      edges[std::minmax<const void*>(f->v(k), f->v(k + 1 == 3 ? 0 : k + 1))]++;
    }
  return static_cast<int>(edges.size());
}

inline int EulerCharacteristic(const CMesh3d& mesh)
{
  return mesh.NbVertex() - NbEdge(mesh) + mesh.NbFace();
}

// Closed: every face has three neighbours and every neighbour names it back.
inline bool IsClosed(const CMesh3d& mesh)
{
  for (int i = 0; i < mesh.NbFace(); i++)
    if (!mesh.GetFace(i)->CheckNeighbors())
      return false;
  return true;
}

// Consistently oriented: no directed edge stands in two faces.
inline bool IsOriented(const CMesh3d& mesh)
{
  std::map<std::pair<const void*, const void*>, int> directed;
  for (int i = 0; i < mesh.NbFace(); i++)
    for (int k = 0; k < 3; k++) {
      const CFace3d* f = mesh.GetFace(i);
      if (++directed[{f->v(k), f->v(k + 1 == 3 ? 0 : k + 1)}] > 1)
        return false;
    }
  return true;
}

inline std::vector<CFace3d*> SortedFaces(const CVertex3d* v)
{
  std::vector<CFace3d*> list;
  for (int k = 0; k < v->NbFaceNeighbor(); k++)
    list.push_back(v->GetFaceNeighbor(k));
  std::sort(list.begin(), list.end());
  return list;
}

// After a local edit the adjacency that the edit maintained must equal a fresh rebuild.
inline void ExpectAdjacencyMatchesRebuild(CMesh3d* mesh)
{
  std::vector<std::array<CFace3d*, 3>> kept;
  for (int i = 0; i < mesh->NbFace(); i++)
    kept.push_back({mesh->GetFace(i)->f(0), mesh->GetFace(i)->f(1), mesh->GetFace(i)->f(2)});
  std::vector<std::vector<CFace3d*>> faces;
  for (int i = 0; i < mesh->NbVertex(); i++)
    faces.push_back(SortedFaces(mesh->GetVertex(i)));
  mesh->BuildAdjacency();
  for (int i = 0; i < mesh->NbFace(); i++)
    for (int k = 0; k < 3; k++)
      EXPECT_EQ(kept[i][k], mesh->GetFace(i)->f(k)) << "face " << i << " edge " << k;
  for (int i = 0; i < mesh->NbVertex(); i++)
    EXPECT_EQ(faces[i], SortedFaces(mesh->GetVertex(i))) << "vertex " << i;
}

} // namespace fixtures
