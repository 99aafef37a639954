#pragma once

// Meshes of every topology class for the conquest and gate coders' tests: torus grids, voxel
// plates of any genus, grids with many holes, several components, annuli. Every one is an
// oriented manifold, closed or with boundaries, and comes back with adjacency.
#include "tests/compression/ConquestFixtures.h"
#include "tests/mesh/MeshFixtures.h"

#include <array>
#include <cmath>
#include <memory>
#include <set>
#include <vector>

namespace conquesttopology {

// Torus of n x m quads, each cut along the same diagonal: closed, genus 1, n * m vertices.
inline std::unique_ptr<CMesh3d> TorusGrid(int n, int m)
{
  return conquest::Torus(n, m, false);
}

// The boundary surface of a set of unit voxels, two outward triangles per exposed square.
// The set must touch itself only across whole squares (no two voxels meeting at an edge or
// a corner alone), so that the surface is a manifold.
class CVoxels
{
public:
  CVoxels(int nx, int ny, int nz) : m_Nx(nx), m_Ny(ny), m_Nz(nz), m_Solid(nx * ny * nz, 0) {}

  // Cuts each square along a diagonal drawn from the seed (0: always the same one), so that
  // valences spread.
  void SetDiagonalSeed(unsigned int seed) { m_Seed = seed; }

  void Set(int x, int y, int z, int solid) { m_Solid[Index(x, y, z)] = solid; }
  int Get(int x, int y, int z) const
  {
    if (x < 0 || y < 0 || z < 0 || x >= m_Nx || y >= m_Ny || z >= m_Nz)
      return 0;
    return m_Solid[Index(x, y, z)];
  }

  std::unique_ptr<CMesh3d> Surface() const
  {
    fixtures::Points points;
    fixtures::Triangles triangles;
    std::vector<int> corner((m_Nx + 1) * (m_Ny + 1) * (m_Nz + 1), -1);
    unsigned int state = m_Seed;
    const auto point = [&](int x, int y, int z) {
      int& index = corner[(z * (m_Ny + 1) + y) * (m_Nx + 1) + x];
      if (index < 0) {
        index = static_cast<int>(points.size());
        // A slight warp keeps the faces from being coplanar in large flat runs.
        points.push_back({x + 0.05f * std::sin(1.3f * y + 0.7f * z), y + 0.05f * std::sin(0.9f * x),
                          static_cast<float>(z)});
      }
      return index;
    };
    for (int z = 0; z < m_Nz; z++)
      for (int y = 0; y < m_Ny; y++)
        for (int x = 0; x < m_Nx; x++)
          if (Get(x, y, z))
            AddFaces(x, y, z, point, triangles, state);
    return fixtures::Build(points, triangles);
  }

private:
  int Index(int x, int y, int z) const { return (z * m_Ny + y) * m_Nx + x; }

  template <class Point>
  void AddFaces(int x, int y, int z, Point& point, fixtures::Triangles& triangles,
                unsigned int& state) const
  {
    // For each of the six directions: the square's corners counter-clockwise seen from
    // outside.
    static const int dirs[6][3] = {{-1, 0, 0}, {1, 0, 0}, {0, -1, 0}, {0, 1, 0}, {0, 0, -1}, {0, 0, 1}};
    static const int quads[6][4][3] = {
        {{0, 0, 0}, {0, 0, 1}, {0, 1, 1}, {0, 1, 0}}, {{1, 0, 0}, {1, 1, 0}, {1, 1, 1}, {1, 0, 1}},
        {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}}, {{0, 1, 0}, {0, 1, 1}, {1, 1, 1}, {1, 1, 0}},
        {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}}, {{0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}}};
    for (int d = 0; d < 6; d++) {
      if (Get(x + dirs[d][0], y + dirs[d][1], z + dirs[d][2]))
        continue;
      int c[4];
      for (int k = 0; k < 4; k++)
        c[k] = point(x + quads[d][k][0], y + quads[d][k][1], z + quads[d][k][2]);
      state = state * 1103515245u + 12345u;
      if (m_Seed && (state >> 16) % 2) {
        triangles.push_back({c[0], c[1], c[3]});
        triangles.push_back({c[1], c[2], c[3]});
      } else {
        triangles.push_back({c[0], c[1], c[2]});
        triangles.push_back({c[0], c[2], c[3]});
      }
    }
  }

  int m_Nx, m_Ny, m_Nz;
  std::vector<int> m_Solid;
  unsigned int m_Seed = 0;
};

// A closed plate of genus a * b: a slab of (2a + 1) x (2b + 1) voxels, thickness given, with
// a * b square holes through it, one voxel of slab between neighbouring holes.
inline std::unique_ptr<CMesh3d> Plate(int a, int b, int thickness = 1, unsigned int diagonalSeed = 0)
{
  CVoxels voxels(2 * a + 1, 2 * b + 1, thickness);
  voxels.SetDiagonalSeed(diagonalSeed);
  for (int z = 0; z < thickness; z++)
    for (int x = 0; x < 2 * a + 1; x++)
      for (int y = 0; y < 2 * b + 1; y++)
        voxels.Set(x, y, z, y % 2 == 1 && x % 2 == 1 ? 0 : 1);
  return voxels.Surface();
}

// A closed plate of genus g, its holes in a row.
inline std::unique_ptr<CMesh3d> Plate(int genus)
{
  return Plate(genus, 1);
}

// A grid with the given number of holes, each one square, none touching another or the
// outer border: the holes sit on the odd rows and columns.
inline std::unique_ptr<CMesh3d> GridWithHoles(int nbHole)
{
  int k = 1;
  while (k * k < nbHole)
    k++;
  const int n = 2 * k + 1;
  std::set<int> holes;
  for (int h = 0; h < nbHole; h++)
    holes.insert((2 * (h / k) + 1) * n + 2 * (h % k) + 1);
  return conquest::Grid(n, 0, holes);
}

// An annulus of n quads, each cut in two: n vertices on the inner and n on the outer circle,
// 2n faces, two boundary loops.
inline std::unique_ptr<CMesh3d> Annulus(int n)
{
  fixtures::Points points;
  fixtures::Triangles triangles;
  const double pi = 3.14159265358979;
  for (int i = 0; i < n; i++) {
    const double a = 2.0 * pi * i / n;
    points.push_back({static_cast<float>(std::cos(a)), static_cast<float>(std::sin(a)), 0.0f});
    points.push_back({static_cast<float>(2.0 * std::cos(a)), static_cast<float>(2.0 * std::sin(a)), 0.0f});
  }
  for (int i = 0; i < n; i++) {
    const int a = 2 * i;
    const int b = 2 * ((i + 1) % n);
    triangles.push_back({a, a + 1, b + 1});
    triangles.push_back({a, b + 1, b});
  }
  return fixtures::Build(points, triangles);
}

// The meshes side by side (each moved along x past the previous one), as one mesh of several
// components.
inline std::unique_ptr<CMesh3d> Components(const std::vector<const CMesh3d*>& parts)
{
  fixtures::Points points;
  fixtures::Triangles triangles;
  float shift = 0.0f;
  for (const CMesh3d* part : parts) {
    const int base = static_cast<int>(points.size());
    float maxX = -1e30f;
    float minX = 1e30f;
    for (int i = 0; i < part->NbVertex(); i++) {
      minX = std::min(minX, part->GetVertex(i)->x());
      maxX = std::max(maxX, part->GetVertex(i)->x());
    }
    for (int i = 0; i < part->NbVertex(); i++) {
      const CVertex3d* v = part->GetVertex(i);
      points.push_back({v->x() - minX + shift, v->y(), v->z()});
    }
    for (int i = 0; i < part->NbFace(); i++) {
      const CFace3d* f = part->GetFace(i);
      triangles.push_back({base + part->IndexFrom(f->v(0)), base + part->IndexFrom(f->v(1)),
                           base + part->IndexFrom(f->v(2))});
    }
    shift += maxX - minX + 1.0f;
  }
  return fixtures::Build(points, triangles);
}

} // namespace conquesttopology
