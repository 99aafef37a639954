#pragma once

// Triangle meshes of every topology class for the codec tests: tori, plates with handles,
// grids with holes, annuli and several components, built as point and triangle lists so that
// they compose, with an independent count of their topology from the triangles alone.
#include "tests/mesh/MeshFixtures.h"

#include <array>
#include <cmath>
#include <map>
#include <memory>
#include <numeric>
#include <set>
#include <utility>
#include <vector>

namespace topology {

struct SSoup
{
  fixtures::Points m_Points;
  fixtures::Triangles m_Triangles;
};

inline std::unique_ptr<CMesh3d> Build(const SSoup& soup)
{
  return fixtures::Build(soup.m_Points, soup.m_Triangles);
}

// The quad (a b c d), counter-clockwise, as two triangles.
inline void AddQuad(SSoup* pSoup, int a, int b, int c, int d)
{
  pSoup->m_Triangles.push_back({a, b, c});
  pSoup->m_Triangles.push_back({a, c, d});
}

// A torus of n x m squares (n, m >= 3), genus 1.
inline SSoup TorusGrid(int n, int m)
{
  SSoup soup;
  for (int i = 0; i < n; i++)
    for (int j = 0; j < m; j++) {
      const double u = 2.0 * M_PI * i / n;
      const double v = 2.0 * M_PI * j / m;
      const double r = 3.0 + std::cos(v);
      soup.m_Points.push_back({static_cast<float>(r * std::cos(u)),
                               static_cast<float>(r * std::sin(u)), static_cast<float>(std::sin(v))});
    }
  const auto at = [n, m](int i, int j) { return (i % n) * m + j % m; };
  for (int i = 0; i < n; i++)
    for (int j = 0; j < m; j++)
      AddQuad(&soup, at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1));
  return soup;
}

// A flat grid of cols x rows unit squares, cut in two, with the squares of the mask left
// out (mask(x, y) true: a hole).
template <class Mask>
SSoup MaskedGrid(int cols, int rows, Mask mask)
{
  SSoup soup;
  for (int y = 0; y <= rows; y++)
    for (int x = 0; x <= cols; x++)
      soup.m_Points.push_back({static_cast<float>(x), static_cast<float>(y), 0.0f});
  for (int y = 0; y < rows; y++)
    for (int x = 0; x < cols; x++) {
      if (mask(x, y))
        continue;
      const int i = y * (cols + 1) + x;
      AddQuad(&soup, i, i + 1, i + cols + 2, i + cols + 1);
    }
  return soup;
}

// Squares at odd places of a grid wide enough for nbHole of them, one square apart: nbHole
// boundary loops of four vertices inside the outer one.
inline SSoup GridWithHoles(int nbHole)
{
  const int across = std::max(1, static_cast<int>(std::ceil(std::sqrt(nbHole))));
  const int down = std::max(1, (nbHole + across - 1) / across);
  return MaskedGrid(2 * across + 1, 2 * down + 1, [=](int x, int y) {
    return x % 2 == 1 && y % 2 == 1 && (y / 2) * across + x / 2 < nbHole;
  });
}

// The surface of a set of unit voxels, one quad pair per face between a full and an empty
// cell, outward oriented; vertices shared on the integer lattice.
template <class Full>
SSoup VoxelSurface(int nx, int ny, int nz, Full full)
{
  SSoup soup;
  std::map<std::array<int, 3>, int> index;
  const auto vertex = [&](std::array<int, 3> p) {
    const auto [it, added] = index.emplace(p, static_cast<int>(soup.m_Points.size()));
    if (added)
      soup.m_Points.push_back({static_cast<float>(p[0]), static_cast<float>(p[1]),
                               static_cast<float>(p[2])});
    return it->second;
  };
  const auto isFull = [&](int x, int y, int z) {
    return x >= 0 && y >= 0 && z >= 0 && x < nx && y < ny && z < nz && full(x, y, z);
  };
  for (int x = 0; x < nx; x++)
    for (int y = 0; y < ny; y++)
      for (int z = 0; z < nz; z++) {
        if (!full(x, y, z))
          continue;
        for (int axis = 0; axis < 3; axis++)
          for (int side = 0; side < 2; side++) {
            std::array<int, 3> cell{x, y, z};
            cell[axis] += side ? 1 : -1;
            if (isFull(cell[0], cell[1], cell[2]))
              continue;
            // (axis, u, w) turn like (x, y, z), so u then w runs round the outward normal of
            // the far side.
            const int u = (axis + 1) % 3;
            const int w = (axis + 2) % 3;
            std::array<int, 3> base{x, y, z};
            base[axis] += side;
            std::array<int, 3> bu = base, buw = base, bw = base;
            bu[u]++;
            buw[u]++;
            buw[w]++;
            bw[w]++;
            if (side)
              AddQuad(&soup, vertex(base), vertex(bu), vertex(buw), vertex(bw));
            else
              AddQuad(&soup, vertex(base), vertex(bw), vertex(buw), vertex(bu));
          }
      }
  return soup;
}

// A plate one voxel thick with `genus` square holes through it, one voxel apart: a closed
// surface of that genus.
inline SSoup VoxelPlate(int genus)
{
  const int across = std::max(1, static_cast<int>(std::ceil(std::sqrt(genus))));
  const int down = std::max(1, (genus + across - 1) / across);
  return VoxelSurface(2 * across + 1, 2 * down + 1, 1, [=](int x, int y, int) {
    return !(x % 2 == 1 && y % 2 == 1 && (y / 2) * across + x / 2 < genus);
  });
}

// A flat ring of `rings` bands of `sectors` squares each: two boundary loops.
inline SSoup Annulus(int sectors, int rings)
{
  SSoup soup;
  for (int r = 0; r <= rings; r++)
    for (int s = 0; s < sectors; s++) {
      const double a = 2.0 * M_PI * s / sectors;
      const double radius = 1.0 + r;
      soup.m_Points.push_back({static_cast<float>(radius * std::cos(a)),
                               static_cast<float>(radius * std::sin(a)), 0.0f});
    }
  const auto at = [sectors](int r, int s) { return r * sectors + s % sectors; };
  for (int r = 0; r < rings; r++)
    for (int s = 0; s < sectors; s++)
      AddQuad(&soup, at(r, s), at(r, s + 1), at(r + 1, s + 1), at(r + 1, s));
  return soup;
}

// A ring of k vertices between two apexes, each apex of valence k: a closed sphere.
inline SSoup Bipyramid(int k)
{
  SSoup soup;
  soup.m_Points = {{0.0f, 0.0f, 1.0f}, {0.0f, 0.0f, -1.0f}};
  for (int s = 0; s < k; s++) {
    const double a = 2.0 * M_PI * s / k;
    soup.m_Points.push_back({static_cast<float>(std::cos(a)), static_cast<float>(std::sin(a)), 0.0f});
  }
  for (int s = 0; s < k; s++) {
    const int here = 2 + s, next = 2 + (s + 1) % k;
    soup.m_Triangles.push_back({0, here, next});
    soup.m_Triangles.push_back({1, next, here});
  }
  return soup;
}

// The two meshes side by side as one, the second moved along x.
inline SSoup Join(const SSoup& a, const SSoup& b, float shift)
{
  SSoup soup = a;
  const int base = static_cast<int>(a.m_Points.size());
  for (auto p : b.m_Points) {
    p[0] += shift;
    soup.m_Points.push_back(p);
  }
  for (const auto& t : b.m_Triangles)
    soup.m_Triangles.push_back({t[0] + base, t[1] + base, t[2] + base});
  return soup;
}

// Counts that only the triangles decide.
struct STopology
{
  int m_NbVertex = 0;
  int m_NbFace = 0;
  int m_NbEdge = 0;
  int m_NbBoundaryLoop = 0;
  int m_NbBoundaryVertex = 0;
  int m_NbComponent = 0;
  int Euler() const { return m_NbVertex - m_NbEdge + m_NbFace; }
  bool operator==(const STopology&) const = default;
};

inline STopology Measure(int nbVertex, const fixtures::Triangles& triangles)
{
  STopology t;
  t.m_NbVertex = nbVertex;
  t.m_NbFace = static_cast<int>(triangles.size());
  std::map<std::pair<int, int>, int> uses;
  std::vector<int> parent(static_cast<std::size_t>(nbVertex));
  std::iota(parent.begin(), parent.end(), 0);
  const auto root = [&](int i) {
    while (parent[i] != i)
      i = parent[i] = parent[parent[i]];
    return i;
  };
  for (const auto& f : triangles)
    for (int k = 0; k < 3; k++) {
      const int a = f[k], b = f[(k + 1) % 3];
      uses[{std::min(a, b), std::max(a, b)}]++;
      parent[root(a)] = root(b);
    }
  t.m_NbEdge = static_cast<int>(uses.size());
  std::set<int> components;
  for (int i = 0; i < nbVertex; i++)
    components.insert(root(i));
  t.m_NbComponent = static_cast<int>(components.size());
  // Boundary edges (used once) joined into loops.
  std::iota(parent.begin(), parent.end(), 0);
  std::set<int> onBoundary;
  for (const auto& [edge, n] : uses)
    if (n == 1) {
      parent[root(edge.first)] = root(edge.second);
      onBoundary.insert(edge.first);
      onBoundary.insert(edge.second);
    }
  std::set<int> loops;
  for (const int v : onBoundary)
    loops.insert(root(v));
  t.m_NbBoundaryLoop = static_cast<int>(loops.size());
  t.m_NbBoundaryVertex = static_cast<int>(onBoundary.size());
  return t;
}

inline STopology Measure(const SSoup& soup)
{
  return Measure(static_cast<int>(soup.m_Points.size()), soup.m_Triangles);
}

// The mesh's triangles as vertex indices.
inline fixtures::Triangles TrianglesOf(const CMesh3d& mesh)
{
  fixtures::Triangles triangles;
  for (int i = 0; i < mesh.NbFace(); i++) {
    const CFace3d* f = mesh.GetFace(i);
    triangles.push_back({mesh.GetArrayVertex()->IndexFrom(f->v(0)),
                         mesh.GetArrayVertex()->IndexFrom(f->v(1)),
                         mesh.GetArrayVertex()->IndexFrom(f->v(2))});
  }
  return triangles;
}

inline STopology Measure(const CMesh3d& mesh)
{
  return Measure(mesh.NbVertex(), TrianglesOf(mesh));
}

} // namespace topology
