#pragma once

// Meshes of every topology class for the progressive coder's tests, large enough to run
// dozens of layers, and the coder's calls with their options spelt once.
#include "compression/ProgressiveCoder.h"
#include "mesh/Face3d.h"
#include "mesh/Mesh3d.h"
#include "mesh/Vertex3d.h"
#include "tests/mesh/MeshFixtures.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <map>
#include <memory>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <unordered_map>
#include <vector>

namespace progressive {

using fixtures::Points;
using fixtures::Triangles;

// Deterministic jitter in [-0.5, 0.5) from integer coordinates, so that no geometry is exactly
// regular and every platform builds the same mesh.
inline float Jitter(int a, int b, int c)
{
  std::uint32_t h = static_cast<std::uint32_t>(a) * 73856093u ^
                    static_cast<std::uint32_t>(b) * 19349663u ^
                    static_cast<std::uint32_t>(c) * 83492791u;
  h ^= h >> 13;
  h *= 0x5bd1e995u;
  h ^= h >> 15;
  return static_cast<float>(h & 0xffff) / 65536.0f - 0.5f;
}

// Closed torus of n by m quads split into triangles, genus 1.
inline void AppendTorus(Points* points, Triangles* triangles, int n, int m, float shift)
{
  const int base = static_cast<int>(points->size());
  const double pi = std::acos(-1.0);
  for (int i = 0; i < n; i++)
    for (int j = 0; j < m; j++) {
      const double u = 2 * pi * i / n;
      const double v = 2 * pi * j / m;
      const double r = 1.0 + 0.02 * Jitter(i, j, 1);
      points->push_back({static_cast<float>((3 + r * std::cos(v)) * std::cos(u)) + shift,
                         static_cast<float>((3 + r * std::cos(v)) * std::sin(u)),
                         static_cast<float>(r * std::sin(v))});
    }
  auto at = [&](int i, int j) { return base + ((i + n) % n) * m + (j + m) % m; };
  for (int i = 0; i < n; i++)
    for (int j = 0; j < m; j++) {
      triangles->push_back({at(i, j), at(i + 1, j), at(i + 1, j + 1)});
      triangles->push_back({at(i, j), at(i + 1, j + 1), at(i, j + 1)});
    }
}

inline std::unique_ptr<CMesh3d> Torus(int n, int m)
{
  Points points;
  Triangles triangles;
  AppendTorus(&points, &triangles, n, m, 0);
  return fixtures::Build(points, triangles);
}

// Wavy plate of nx by ny cells with a square hole of two by two cells every `spacing` cells:
// open, one boundary loop per hole plus the outer one.
inline void AppendPlateWithHoles(Points* points, Triangles* triangles, int nx, int ny,
                                 int spacing, float shift)
{
  const int base = static_cast<int>(points->size());
  for (int j = 0; j <= ny; j++)
    for (int i = 0; i <= nx; i++)
      points->push_back({static_cast<float>(i) + 0.2f * Jitter(i, j, 2) + shift,
                         static_cast<float>(j) + 0.2f * Jitter(i, j, 3),
                         static_cast<float>(2 * std::sin(0.15 * i) * std::cos(0.11 * j))});
  auto at = [&](int i, int j) { return base + j * (nx + 1) + i; };
  for (int j = 0; j < ny; j++)
    for (int i = 0; i < nx; i++) {
      const bool hole = i % spacing >= spacing - 2 && j % spacing >= spacing - 2 &&
                        i < nx - 2 && j < ny - 2;
      if (hole)
        continue;
      triangles->push_back({at(i, j), at(i + 1, j), at(i + 1, j + 1)});
      triangles->push_back({at(i, j), at(i + 1, j + 1), at(i, j + 1)});
    }
}

inline std::unique_ptr<CMesh3d> PlateWithHoles(int nx, int ny, int spacing)
{
  Points points;
  Triangles triangles;
  AppendPlateWithHoles(&points, &triangles, nx, ny, spacing, 0);
  return fixtures::Build(points, triangles);
}

// Boundary surface of a slab of nx by ny by nz voxels pierced by `holes` square shafts of two
// by two voxels: closed, genus `holes`. Lattice points are jittered a little, and the slab is
// stretched to a cube so that no axis is quantized much finer than the others.
inline std::unique_ptr<CMesh3d> PiercedSlab(int nx, int ny, int nz, int holes)
{
  std::set<std::array<int, 3>> empty;
  for (int h = 0; h < holes; h++)
    for (int di = 0; di < 2; di++)
      for (int dj = 0; dj < 2; dj++)
        for (int k = 0; k < nz; k++)
          empty.insert({2 + 5 * h + di, ny / 2 - 1 + dj, k});
  auto solid = [&](int i, int j, int k) {
    return i >= 0 && j >= 0 && k >= 0 && i < nx && j < ny && k < nz && !empty.count({i, j, k});
  };
  Points points;
  Triangles triangles;
  std::map<std::array<int, 3>, int> index;
  auto point = [&](int i, int j, int k) {
    const auto [it, added] = index.insert({{i, j, k}, static_cast<int>(points.size())});
    if (added)
      points.push_back({i + 0.15f * Jitter(i, j, k), j + 0.15f * Jitter(j, k, i),
                        (k + 0.15f * Jitter(k, i, j)) * static_cast<float>(nx) / nz});
    return it->second;
  };
  // For each axis and direction, the four corners of the voxel face in outward order.
  for (int i = 0; i < nx; i++)
    for (int j = 0; j < ny; j++)
      for (int k = 0; k < nz; k++) {
        if (!solid(i, j, k))
          continue;
        std::vector<std::array<std::array<int, 3>, 4>> quads;
        if (!solid(i - 1, j, k))
          quads.push_back({{{i, j, k}, {i, j, k + 1}, {i, j + 1, k + 1}, {i, j + 1, k}}});
        if (!solid(i + 1, j, k))
          quads.push_back({{{i + 1, j, k}, {i + 1, j + 1, k}, {i + 1, j + 1, k + 1}, {i + 1, j, k + 1}}});
        if (!solid(i, j - 1, k))
          quads.push_back({{{i, j, k}, {i + 1, j, k}, {i + 1, j, k + 1}, {i, j, k + 1}}});
        if (!solid(i, j + 1, k))
          quads.push_back({{{i, j + 1, k}, {i, j + 1, k + 1}, {i + 1, j + 1, k + 1}, {i + 1, j + 1, k}}});
        if (!solid(i, j, k - 1))
          quads.push_back({{{i, j, k}, {i, j + 1, k}, {i + 1, j + 1, k}, {i + 1, j, k}}});
        if (!solid(i, j, k + 1))
          quads.push_back({{{i, j, k + 1}, {i + 1, j, k + 1}, {i + 1, j + 1, k + 1}, {i, j + 1, k + 1}}});
        for (const auto& q : quads) {
          int c[4];
          for (int e = 0; e < 4; e++)
            c[e] = point(q[e][0], q[e][1], q[e][2]);
          triangles.push_back({c[0], c[1], c[2]});
          triangles.push_back({c[0], c[2], c[3]});
        }
      }
  return fixtures::Build(points, triangles);
}

// A torus beside a plate with holes, in one mesh.
inline std::unique_ptr<CMesh3d> TorusAndPlate(int n, int m, int nx, int ny)
{
  Points points;
  Triangles triangles;
  AppendPlateWithHoles(&points, &triangles, nx, ny, 12, 0);
  AppendTorus(&points, &triangles, n, m, static_cast<float>(nx) + 8);
  return fixtures::Build(points, triangles);
}

// A triangle mesh of tests/data in the OBJ subset those files use: "v x y z" and "f a b c"
// (1-based, an index may carry "/vt/vn"). Null when the file is missing or malformed.
inline std::unique_ptr<CMesh3d> ReadObj(const std::string& name)
{
  std::ifstream in(std::string(ORVANE_TEST_DATA) + "/" + name);
  if (!in)
    return nullptr;
  Points points;
  Triangles triangles;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string tag;
    fields >> tag;
    if (tag == "v") {
      std::array<float, 3> p{};
      if (!(fields >> p[0] >> p[1] >> p[2]))
        return nullptr;
      points.push_back(p);
    } else if (tag == "f") {
      std::array<int, 3> t{};
      for (int& index : t) {
        std::string corner;
        if (!(fields >> corner))
          return nullptr;
        index = std::stoi(corner) - 1;
        if (index < 0 || index >= static_cast<int>(points.size()))
          return nullptr;
      }
      triangles.push_back(t);
    }
  }
  return fixtures::Build(points, triangles);
}

inline std::array<int, 3> Quantized(const CVertex3d* v)
{
  return {static_cast<int>(v->x2()), static_cast<int>(v->y2()), static_cast<int>(v->z2())};
}

// Faces and neighbour vertices of every vertex, neighbour faces of every face, in their
// orders, by index.
inline std::vector<int> Adjacency(const CMesh3d& mesh)
{
  std::unordered_map<const void*, int> index;
  for (int i = 0; i < mesh.NbVertex(); i++)
    index[mesh.GetVertex(i)] = i;
  for (int i = 0; i < mesh.NbFace(); i++)
    index[mesh.GetFace(i)] = i;
  auto at = [&index](const void* p) { return p ? index.at(p) : -1; };
  std::vector<int> out;
  for (int i = 0; i < mesh.NbVertex(); i++) {
    const CVertex3d* v = mesh.GetVertex(i);
    out.push_back(v->NbFaceNeighbor());
    for (int j = 0; j < v->NbFaceNeighbor(); j++)
      out.push_back(at(v->GetFaceNeighbor(j)));
    out.push_back(v->NbVertexNeighbor());
    for (int j = 0; j < v->NbVertexNeighbor(); j++)
      out.push_back(at(v->GetVertexNeighbor(j)));
  }
  for (int i = 0; i < mesh.NbFace(); i++)
    for (int k = 0; k < 3; k++)
      out.push_back(at(mesh.GetFace(i)->f(k)));
  return out;
}

inline int CountBoundaryEdges(const CMesh3d& mesh)
{
  int n = 0;
  for (int i = 0; i < mesh.NbFace(); i++)
    for (int k = 0; k < 3; k++)
      n += mesh.GetFace(i)->f(k) ? 0 : 1;
  return n;
}

inline int Encode(CProgressiveCoder* coder, CMesh3d* mesh, int target, int q, const char* name,
                  CProgressiveCoder::Callback callback = nullptr, int simulate = 0)
{
  return coder->Encode(mesh, target, q, name, simulate, 0, 1, 0, 0, 0.0, 0, 0, nullptr, 1, 0, 0,
                       callback, 0, nullptr, 0);
}

inline int Decode(CProgressiveCoder* coder, CMesh3d* mesh, const char* name,
                  CProgressiveCoder::Callback callback = nullptr)
{
  return coder->Decode(mesh, name, callback, nullptr, 0, 0, 0, 0, 1);
}

// Encodes the mesh (left as the base mesh) and decodes the stream into `decoded`: the decoder
// must give the encoder's own reconstruction, every vertex and face back and the same
// topology. Returns the number of layers.
inline int ExpectExactRoundTrip(CMesh3d* mesh, int target, int q, const char* name,
                                CMesh3d* decoded)
{
  const int n0 = mesh->NbVertex();
  const int nf = mesh->NbFace();
  const int euler = fixtures::EulerCharacteristic(*mesh);
  const int boundary = CountBoundaryEdges(*mesh);
  CProgressiveCoder encoder;
  EXPECT_EQ(1, Encode(&encoder, mesh, target, q, name));
  const auto& reconstruction = encoder.GetReconstruction();
  EXPECT_EQ(static_cast<size_t>(n0), reconstruction.size());
  CProgressiveCoder decoder;
  EXPECT_EQ(1, Decode(&decoder, decoded, name));
  EXPECT_EQ(n0, decoded->NbVertex());
  EXPECT_EQ(nf, decoded->NbFace());
  int mismatches = 0;
  for (int i = 0; i < decoded->NbVertex() && i < static_cast<int>(reconstruction.size()); i++)
    mismatches += Quantized(decoded->GetVertex(i)) == reconstruction[i] ? 0 : 1;
  EXPECT_EQ(0, mismatches);
  EXPECT_EQ(euler, fixtures::EulerCharacteristic(*decoded));
  EXPECT_EQ(boundary, CountBoundaryEdges(*decoded));
  EXPECT_TRUE(fixtures::IsOriented(*decoded));
  return encoder.NbLayer();
}

} // namespace progressive
