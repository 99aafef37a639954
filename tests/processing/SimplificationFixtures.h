#pragma once

#include "ProcessingFixtures.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <set>
#include <vector>

// Invariants that every simplification must keep, checked from the faces alone.
namespace fixtures {

inline double TriangleAreaOf(const Position& p, const Position& q, const Position& r)
{
  const double u[3] = {q[0] - p[0], q[1] - p[1], q[2] - p[2]};
  const double w[3] = {r[0] - p[0], r[1] - p[1], r[2] - p[2]};
  const double c[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2],
                       u[0] * w[1] - u[1] * w[0]};
  return std::sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]) / 2.0;
}

inline std::array<double, 3> TriangleNormalOf(const Position& p, const Position& q,
                                              const Position& r)
{
  const double u[3] = {q[0] - p[0], q[1] - p[1], q[2] - p[2]};
  const double w[3] = {r[0] - p[0], r[1] - p[1], r[2] - p[2]};
  return {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
}

// Every edge has one or two faces, the faces agree on the orientation and no two faces have
// the same corners.
inline bool IsOrientedManifold(const CMesh3d& mesh)
{
  std::set<std::array<const void*, 3>> corners;
  for (int i = 0; i < mesh.NbFace(); i++) {
    const CFace3d* f = mesh.GetFace(i);
    std::array<const void*, 3> key{f->v(0), f->v(1), f->v(2)};
    std::sort(key.begin(), key.end());
    if (key[0] == key[1] || key[1] == key[2] || !corners.insert(key).second)
      return false;
  }
  return IsOriented(mesh);
}

// The vertex neighbour lists hold exactly the corners of the incident faces.
inline void ExpectVertexNeighborsMatchFaces(const CMesh3d& mesh)
{
  for (int i = 0; i < mesh.NbVertex(); i++) {
    const CVertex3d* v = mesh.GetVertex(i);
    std::set<const CVertex3d*> expected;
    for (int k = 0; k < v->NbFaceNeighbor(); k++)
      for (int c = 0; c < 3; c++)
        if (v->GetFaceNeighbor(k)->v(c) != v)
          expected.insert(v->GetFaceNeighbor(k)->v(c));
    std::set<const CVertex3d*> listed;
    for (int k = 0; k < v->NbVertexNeighbor(); k++)
      listed.insert(v->GetVertexNeighbor(k));
    EXPECT_EQ(expected, listed) << "vertex " << i;
    EXPECT_EQ(static_cast<size_t>(v->NbVertexNeighbor()), listed.size()) << "vertex " << i;
  }
}

// An octahedron whose face (0, 2, 4) has vertex 6, of three faces, in its middle.
inline std::unique_ptr<CMesh3d> OctahedronWithCentre()
{
  return Build({{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1},
                {0.4f, 0.4f, 0.4f}},
               {{0, 2, 6}, {2, 4, 6}, {4, 0, 6}, {2, 1, 4}, {1, 3, 4}, {3, 0, 4},
                {2, 0, 5}, {1, 2, 5}, {3, 1, 5}, {0, 3, 5}});
}

inline int CountUsedVertices(const CMesh3d& mesh)
{
  std::set<const CVertex3d*> used;
  for (int i = 0; i < mesh.NbFace(); i++)
    for (int c = 0; c < 3; c++)
      used.insert(mesh.GetFace(i)->v(c));
  return static_cast<int>(used.size());
}

inline bool AllDataSlotsEmpty(const CMesh3d& mesh)
{
  for (int i = 0; i < mesh.NbVertex(); i++)
    if (mesh.GetVertex(i)->GetData())
      return false;
  for (int i = 0; i < mesh.NbFace(); i++)
    if (mesh.GetFace(i)->GetData())
      return false;
  return true;
}

} // namespace fixtures
