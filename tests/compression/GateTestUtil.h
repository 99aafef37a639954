#pragma once

#include "mesh/MeshFixtures.h"
#include "support/TempFolder.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

// Helpers of the gate coder tests.
namespace gatetest {

// A fresh temporary folder made current for the test ("packed.bin" goes to the current
// folder), the previous one restored afterwards.
class CCurrentTempFolder
{
public:
  CCurrentTempFolder() : m_Previous(std::filesystem::current_path())
  {
    std::filesystem::current_path(m_Folder.Path());
  }
  ~CCurrentTempFolder() { std::filesystem::current_path(m_Previous); }
  CCurrentTempFolder(const CCurrentTempFolder&) = delete;
  CCurrentTempFolder& operator=(const CCurrentTempFolder&) = delete;

  std::string File(const std::string& name) const { return m_Folder.File(name); }

private:
  CTempFolder m_Folder;
  std::filesystem::path m_Previous;
};

// Faces as cyclic index tuples, each rotated to start at its smallest index.
using FaceSet = std::multiset<std::vector<int>>;
using Rank = std::unordered_map<const void*, int>;

inline std::vector<int> Canonical(std::vector<int> face)
{
  std::rotate(face.begin(), std::min_element(face.begin(), face.end()), face.end());
  return face;
}

template <class Array>
Rank RankOf(const Array& vertices, int n)
{
  Rank rank;
  for (int i = 0; i < n; i++)
    rank.emplace(vertices[i], i);
  return rank;
}

// corners(i) lists the corners of face i; vertices outside the rank give -1.
inline FaceSet Faces(int nbFace, const std::function<std::vector<const void*>(int)>& corners,
                     const Rank& rank)
{
  FaceSet faces;
  for (int i = 0; i < nbFace; i++) {
    std::vector<int> face;
    for (const void* v : corners(i)) {
      const auto it = rank.find(v);
      face.push_back(it == rank.end() ? -1 : it->second);
    }
    faces.insert(Canonical(face));
  }
  return faces;
}

inline std::vector<const void*> Corners(const CMesh3d& mesh, int i)
{
  const CFace3d* f = mesh.GetFace(i);
  return {f->v(0), f->v(1), f->v(2)};
}

inline std::uint32_t Bits(float value)
{
  return std::bit_cast<std::uint32_t>(value);
}

// Positions equal bit for bit, vertex i of the decoded mesh against entry i of the order.
template <class Order, class Mesh>
bool SamePositions(const Order& order, const Mesh& decoded)
{
  if (order.GetSize() != decoded.NbVertex())
    return false;
  for (int i = 0; i < order.GetSize(); i++) {
    const auto* a = order[i];
    const auto* b = decoded.GetVertex(i);
    if (Bits(a->x()) != Bits(b->x()) || Bits(a->y()) != Bits(b->y()) ||
        Bits(a->z()) != Bits(b->z()))
      return false;
  }
  return true;
}

// A torus of n x m squares, two triangles each, outward oriented.
inline std::unique_ptr<CMesh3d> TriangleTorus(int n, int m)
{
  fixtures::Points points;
  fixtures::Triangles triangles;
  for (int i = 0; i < n; i++)
    for (int j = 0; j < m; j++) {
      const float u = 6.2831853f * i / n;
      const float v = 6.2831853f * j / m;
      points.push_back({(2.0f + std::cos(v)) * std::cos(u), (2.0f + std::cos(v)) * std::sin(u),
                        std::sin(v)});
    }
  auto at = [n, m](int i, int j) { return ((i + n) % n) * m + (j + m) % m; };
  for (int i = 0; i < n; i++)
    for (int j = 0; j < m; j++) {
      triangles.push_back({at(i, j), at(i + 1, j), at(i + 1, j + 1)});
      triangles.push_back({at(i, j), at(i + 1, j + 1), at(i, j + 1)});
    }
  return fixtures::Build(points, triangles);
}

// The stream with one bit flipped (bits counted from the most significant of byte 0).
inline std::vector<std::uint8_t> Flipped(std::vector<std::uint8_t> bytes, std::size_t bit)
{
  bytes[bit / 8] ^= static_cast<std::uint8_t>(0x80u >> (bit % 8));
  return bytes;
}

} // namespace gatetest

#include "mesh/QuadMesh3d.h"

namespace gatetest {

using Quads = std::vector<std::array<int, 4>>;

inline std::unique_ptr<CQuadMesh3d> BuildQuads(const fixtures::Points& points, const Quads& quads)
{
  auto mesh = std::make_unique<CQuadMesh3d>();
  for (const auto& p : points)
    mesh->AddVertex(new CQuadVertex3d(p[0], p[1], p[2]));
  for (const auto& q : quads)
    mesh->AddQuad(new CQuad3d(mesh->GetVertex(q[0]), mesh->GetVertex(q[1]),
                              mesh->GetVertex(q[2]), mesh->GetVertex(q[3])));
  mesh->BuildAdjacencyAndNormals();
  return mesh;
}

// An n x n grid of unit squares in the plane z = 0.
inline std::unique_ptr<CQuadMesh3d> QuadGrid(int n)
{
  fixtures::Points points;
  Quads quads;
  for (int j = 0; j <= n; j++)
    for (int i = 0; i <= n; i++)
      points.push_back({static_cast<float>(i), static_cast<float>(j), 0.0f});
  for (int j = 0; j < n; j++)
    for (int i = 0; i < n; i++) {
      const int a = j * (n + 1) + i;
      quads.push_back({a, a + 1, a + n + 2, a + n + 1});
    }
  return BuildQuads(points, quads);
}

// A torus of n x m quads.
inline std::unique_ptr<CQuadMesh3d> QuadTorus(int n, int m)
{
  fixtures::Points points;
  Quads quads;
  for (int i = 0; i < n; i++)
    for (int j = 0; j < m; j++) {
      const float u = 6.2831853f * i / n;
      const float v = 6.2831853f * j / m;
      points.push_back({(2.0f + std::cos(v)) * std::cos(u), (2.0f + std::cos(v)) * std::sin(u),
                        std::sin(v)});
    }
  auto at = [n, m](int i, int j) { return ((i + n) % n) * m + (j + m) % m; };
  for (int i = 0; i < n; i++)
    for (int j = 0; j < m; j++)
      quads.push_back({at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)});
  return BuildQuads(points, quads);
}

// The quads of both meshes in one, the second moved aside along x.
inline std::unique_ptr<CQuadMesh3d> JoinQuads(const CQuadMesh3d& a, const CQuadMesh3d& b)
{
  fixtures::Points points;
  Quads quads;
  const CQuadMesh3d* parts[2] = {&a, &b};
  for (int p = 0; p < 2; p++) {
    const int base = static_cast<int>(points.size());
    std::unordered_map<const void*, int> index;
    for (int i = 0; i < parts[p]->NbVertex(); i++) {
      const CQuadVertex3d* v = parts[p]->GetVertex(i);
      index[v] = base + i;
      points.push_back({v->x() + 10.0f * p, v->y(), v->z()});
    }
    for (int i = 0; i < parts[p]->NbQuad(); i++) {
      const CQuad3d* q = parts[p]->GetQuad(i);
      quads.push_back({index[q->v(0)], index[q->v(1)], index[q->v(2)], index[q->v(3)]});
    }
  }
  return BuildQuads(points, quads);
}

inline std::vector<const void*> Corners(const CQuadMesh3d& mesh, int i)
{
  const CQuad3d* q = mesh.GetQuad(i);
  return {q->v(0), q->v(1), q->v(2), q->v(3)};
}

} // namespace gatetest

#include "mesh/PolygonMesh3d.h"

namespace gatetest {

inline std::unique_ptr<CPolygonMesh3d> BuildPolygons(const fixtures::Points& points,
                                                     const std::vector<std::vector<int>>& polygons)
{
  auto mesh = std::make_unique<CPolygonMesh3d>();
  for (const auto& p : points)
    mesh->AddVertex(new CPolygonVertex3d(p[0], p[1], p[2]));
  for (const auto& corners : polygons) {
    auto* polygon = new CPolygon3d();
    for (const int c : corners)
      polygon->AddVertex(mesh->GetVertex(c));
    mesh->AddPolygon(polygon);
  }
  mesh->Rebuild();
  return mesh;
}

inline std::vector<const void*> Corners(const CPolygonMesh3d& mesh, int i)
{
  const CPolygon3d* p = mesh.GetPolygon(i);
  std::vector<const void*> corners;
  for (int k = 0; k < p->NbVertex(); k++)
    corners.push_back(p->GetVertex(k));
  return corners;
}

} // namespace gatetest
