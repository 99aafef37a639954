#pragma once

// Quad and polygon meshes for the suites of the quad and polygon gate coders: the generated
// topology classes with their square pairs rejoined into quads, mixed meshes of quads and
// triangles, and the real meshes of tests/data turned into quads and polygons by the project's
// own conversions.
#include "GateTestUtil.h"
#include "ObjSoup.h"
#include "TopologyGenerators.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace gatesuite {

struct SPolygonSoup
{
  fixtures::Points m_Points;
  std::vector<std::vector<int>> m_Faces;
};

// The generators emit every square as (a b c) then (a c d): each such pair is the quad
// (a b c d) again. Fails the test when a pair does not have that form.
inline SPolygonSoup QuadsOf(const topology::SSoup& soup)
{
  SPolygonSoup quads{soup.m_Points, {}};
  const auto& t = soup.m_Triangles;
  EXPECT_EQ(t.size() % 2, 0u);
  for (std::size_t i = 0; i + 1 < t.size(); i += 2) {
    EXPECT_TRUE(t[i][0] == t[i + 1][0] && t[i][2] == t[i + 1][1]) << "triangles " << i;
    quads.m_Faces.push_back({t[i][0], t[i][1], t[i][2], t[i + 1][2]});
  }
  return quads;
}

inline SPolygonSoup TrianglesOf(const topology::SSoup& soup)
{
  SPolygonSoup triangles{soup.m_Points, {}};
  for (const auto& t : soup.m_Triangles)
    triangles.m_Faces.push_back({t[0], t[1], t[2]});
  return triangles;
}

// Every third quad cut along its diagonal from corner `(i / 3) % 2`, so that both diagonals
// occur.
inline SPolygonSoup CutEveryThird(const SPolygonSoup& soup)
{
  SPolygonSoup mixed{soup.m_Points, {}};
  for (std::size_t i = 0; i < soup.m_Faces.size(); i++) {
    const auto& f = soup.m_Faces[i];
    if (f.size() != 4 || i % 3 != 0) {
      mixed.m_Faces.push_back(f);
      continue;
    }
    const std::size_t s = (i / 3) % 2;
    mixed.m_Faces.push_back({f[s], f[s + 1], f[s + 2]});
    mixed.m_Faces.push_back({f[s], f[s + 2], f[(s + 3) % 4]});
  }
  return mixed;
}

template <class Mesh>
SPolygonSoup SoupOf(Mesh& mesh)
{
  SPolygonSoup soup;
  for (int i = 0; i < mesh.NbVertex(); i++) {
    const auto* v = mesh.GetVertex(i);
    soup.m_Points.push_back({v->x(), v->y(), v->z()});
  }
  const auto rank = gatetest::RankOf(*mesh.GetArrayVertex(), mesh.NbVertex());
  for (int i = 0; i < mesh.NbFace(); i++) {
    std::vector<int> face;
    for (const void* v : gatetest::Corners(mesh, i))
      face.push_back(rank.at(v));
    soup.m_Faces.push_back(face);
  }
  return soup;
}

inline std::unique_ptr<CQuadMesh3d> QuadMesh(const SPolygonSoup& soup)
{
  gatetest::Quads quads;
  for (const auto& f : soup.m_Faces) {
    EXPECT_EQ(f.size(), 4u);
    if (f.size() == 4)
      quads.push_back({f[0], f[1], f[2], f[3]});
  }
  return gatetest::BuildQuads(soup.m_Points, quads);
}

inline std::unique_ptr<CPolygonMesh3d> PolygonMesh(const SPolygonSoup& soup)
{
  return gatetest::BuildPolygons(soup.m_Points, soup.m_Faces);
}

// A real mesh of tests/data made into quads by the triangle pairing.
inline std::unique_ptr<CQuadMesh3d> RealQuads(const std::string& file)
{
  auto triangles = objsoup::ReadData(file);
  EXPECT_GT(triangles->NbFace(), 0) << file;
  auto quads = triangles->GenerateQuadsFromTriangles();
  quads->BuildAdjacencyAndNormals();
  return quads;
}

// The one-rings of interior vertices, each made one polygon through the centre's removal, then
// cut into quads and triangles. Rings share no face; a ring is taken only when its centre has
// valence 5 to 8 and its link is a single closed cycle, so the polygon is simple.
inline std::unique_ptr<CPolygonMesh3d> MergedRings(const SPolygonSoup& triangles, int every)
{
  const int n = static_cast<int>(triangles.m_Points.size());
  std::vector<std::vector<int>> around(static_cast<std::size_t>(n));
  for (int i = 0; i < static_cast<int>(triangles.m_Faces.size()); i++)
    for (const int v : triangles.m_Faces[i])
      around[v].push_back(i);
  std::vector<char> used(triangles.m_Faces.size(), 0);
  std::vector<char> removed(static_cast<std::size_t>(n), 0);
  std::vector<std::vector<int>> rings;
  for (int c = 0; c < n; c += every) {
    const auto& faces = around[c];
    if (faces.size() < 5 || faces.size() > 8)
      continue;
    // The link as edges a -> b of the faces (c a b).
    std::map<int, int> next;
    bool free = true;
    for (const int f : faces) {
      const auto& t = triangles.m_Faces[f];
      const int k = static_cast<int>(std::find(t.begin(), t.end(), c) - t.begin());
      free = free && !used[f] && next.emplace(t[(k + 1) % 3], t[(k + 2) % 3]).second;
    }
    if (!free)
      continue;
    std::vector<int> ring{next.begin()->first};
    while (ring.size() <= faces.size()) {
      const auto it = next.find(ring.back());
      if (it == next.end() || it->second == ring.front())
        break;
      ring.push_back(it->second);
    }
    const auto last = next.find(ring.back());
    if (ring.size() != faces.size() || last == next.end() || last->second != ring.front())
      continue;
    for (const int f : faces)
      used[f] = 1;
    removed[c] = 1;
    rings.push_back(ring);
  }
  SPolygonSoup merged;
  std::vector<int> index(static_cast<std::size_t>(n), -1);
  for (int v = 0; v < n; v++)
    if (!removed[v]) {
      index[v] = static_cast<int>(merged.m_Points.size());
      merged.m_Points.push_back(triangles.m_Points[v]);
    }
  const auto renumber = [&](std::vector<int> face) {
    for (int& v : face)
      v = index[v];
    return face;
  };
  for (std::size_t i = 0; i < triangles.m_Faces.size(); i++)
    if (!used[i])
      merged.m_Faces.push_back(renumber(triangles.m_Faces[i]));
  for (const auto& ring : rings)
    merged.m_Faces.push_back(renumber(ring));
  auto mesh = PolygonMesh(merged);
  mesh->SplitIntoQuadsAndTriangles(0);
  mesh->Rebuild();
  return mesh;
}

template <class Mesh>
using Maker = std::function<std::unique_ptr<Mesh>()>;

template <class Mesh>
using Named = std::vector<std::pair<std::string, Maker<Mesh>>>;

// The quad soups of every topology class.
inline std::vector<std::pair<std::string, SPolygonSoup>> QuadClasses()
{
  using topology::Join;
  const auto disc = topology::MaskedGrid(11, 11, [](int x, int y) {
    return (x - 5) * (x - 5) + (y - 5) * (y - 5) > 22;
  });
  // A grid with a notched border and a slot: boundary loops of irregular shape.
  const auto notched = topology::MaskedGrid(9, 6, [](int x, int y) {
    return (y == 5 && x % 3 == 1) || (x == 0 && y < 2) || (y == 3 && x > 2 && x < 6);
  });
  return {
    {"voxel cube", QuadsOf(topology::VoxelSurface(2, 2, 2, [](int, int, int) { return true; }))},
    {"torus", QuadsOf(topology::TorusGrid(9, 5))},
    {"genus 2", QuadsOf(topology::VoxelPlate(2))},
    {"genus 7", QuadsOf(topology::VoxelPlate(7))},
    {"genus 20", QuadsOf(topology::VoxelPlate(20))},
    {"one hole", QuadsOf(topology::GridWithHoles(1))},
    {"13 holes", QuadsOf(topology::GridWithHoles(13))},
    {"200 holes", QuadsOf(topology::GridWithHoles(200))},
    {"annulus", QuadsOf(topology::Annulus(10, 3))},
    {"disc patch", QuadsOf(disc)},
    {"notched patch", QuadsOf(notched)},
    {"four components",
     QuadsOf(Join(Join(topology::TorusGrid(6, 4), topology::GridWithHoles(3), 10.0f),
                  Join(topology::VoxelPlate(3), topology::Annulus(7, 1), 10.0f), 20.0f))},
  };
}

inline std::vector<int> Seeds(int nbFace)
{
  return {0, nbFace / 2, nbFace - 1};
}

} // namespace gatesuite
