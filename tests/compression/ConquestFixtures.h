#pragma once

// Meshes and a scratch working folder for the conquest coder's tests and benchmark.
#include "compression/ConquestCoder.h"
#include "mesh/Mesh3d.h"
#include "tests/mesh/MeshFixtures.h"
#include "platform/core/Random.h"
#include "tests/support/TempFolder.h"

#include <cmath>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace conquest {

// A fresh scratch folder made the working folder for the object's life: the coder writes
// into the working folder.
class CScratchFolder
{
public:
  CScratchFolder() : m_Previous(std::filesystem::current_path())
  {
    std::filesystem::current_path(m_Folder.Path());
  }
  ~CScratchFolder() { std::filesystem::current_path(m_Previous); }
  CScratchFolder(const CScratchFolder&) = delete;
  CScratchFolder& operator=(const CScratchFolder&) = delete;

  std::string File(const std::string& name) const { return m_Folder.File(name); }
  bool Exists(const std::string& name) const { return std::filesystem::exists(m_Folder.Path() / name); }
  // Names of the files in the folder.
  std::set<std::string> Files() const
  {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(m_Folder.Path()))
      names.insert(entry.path().filename().string());
    return names;
  }

private:
  std::filesystem::path m_Previous;
  CTempFolder m_Folder;
};

// The dialog's settings, defaults as the command has them (visual debugging off).
struct SOptions
{
  int SeedFace = 0;
  int RemoveGhost = 1;
  int Deterministic = 0;
  int StackRun = 0;
  int LimitOn = 0;
  int LimitSteps = 0;
  int GeometryOn = 0;
  int NormalBits = 8;
  int ParameterBits = 8;
  int Normalization = 2;
};

struct SResult
{
  int Ok = 0;
  float ConnectivityRate = -1.0f;
  float GeometryRate = -1.0f;
};

inline SResult Encode(CConquestCoder& coder, CMesh3d* pMesh, const SOptions& o = {},
                      const char* fileName = "mesh.bin")
{
  SResult r;
  r.Ok = coder.Encode(pMesh, fileName, nullptr, 0, 1, 0, 1, o.SeedFace, o.RemoveGhost,
                      o.Deterministic, o.StackRun, o.LimitOn, o.LimitSteps, &r.ConnectivityRate,
                      &r.GeometryRate, o.GeometryOn, o.NormalBits, o.ParameterBits, o.Normalization);
  return r;
}

// The valences among the codes: the three seed codes and every code of a step but the ghost
// (0), the split (1, with the offset after it) and the merge (2).
inline std::vector<unsigned int> Valences(const std::vector<unsigned int>& codes)
{
  std::vector<unsigned int> valences(codes.begin(), codes.begin() + std::min<size_t>(3, codes.size()));
  for (size_t i = 3; i < codes.size(); i++) {
    if (codes[i] == 1)
      i++;
    else if (codes[i] > 2)
      valences.push_back(codes[i]);
  }
  return valences;
}

// Maps (s, t, h) of a sheet onto the axes: 0 the xy plane (h along z), 1 yz (h along x),
// 2 xz (h along y).
inline std::array<float, 3> OnPlane(int plane, float s, float t, float h)
{
  if (plane == 1)
    return {h, s, t};
  if (plane == 2)
    return {s, h, t};
  return {s, t, h};
}

// An n x n grid over [0, 1]^2 with a gentle bump of the given height, without the squares
// listed as holes (cell index j * n + i).
inline std::unique_ptr<CMesh3d> Grid(int n, int plane = 0, const std::set<int>& holes = {},
                                     float bump = 0.1f)
{
  fixtures::Points points;
  fixtures::Triangles triangles;
  for (int j = 0; j <= n; j++)
    for (int i = 0; i <= n; i++) {
      const float s = static_cast<float>(i) / n;
      const float t = static_cast<float>(j) / n;
      points.push_back(OnPlane(plane, s, t, bump * std::sin(3.0f * s) * std::cos(2.0f * t)));
    }
  for (int j = 0; j < n; j++)
    for (int i = 0; i < n; i++) {
      if (holes.count(j * n + i))
        continue;
      const int a = j * (n + 1) + i;
      const int c = a + n + 1;
      triangles.push_back({a, a + 1, c + 1});
      triangles.push_back({a, c + 1, c});
    }
  // Vertices left without faces by the holes would be isolated: there are none as long as
  // holes do not cover a vertex's every square.
  return fixtures::Build(points, triangles);
}

// Torus of n x m quads, each cut along a diagonal chosen at random (seeded) when irregular is
// set, so that valences spread from 4 to 8.
inline std::unique_ptr<CMesh3d> Torus(int n, int m, bool irregular, unsigned int seed = 1)
{
  platform::Srand(seed);
  fixtures::Points points;
  fixtures::Triangles triangles;
  const float pi = 3.14159265f;
  for (int j = 0; j < m; j++)
    for (int i = 0; i < n; i++) {
      const float u = 2.0f * pi * i / n;
      const float v = 2.0f * pi * j / m;
      points.push_back({(1.0f + 0.35f * std::cos(v)) * std::cos(u),
                        (1.0f + 0.35f * std::cos(v)) * std::sin(u), 0.35f * std::sin(v)});
    }
  for (int j = 0; j < m; j++)
    for (int i = 0; i < n; i++) {
      const int a = j * n + i;
      const int b = j * n + (i + 1) % n;
      const int c = ((j + 1) % m) * n + (i + 1) % n;
      const int d = ((j + 1) % m) * n + i;
      if (irregular && platform::Rand() % 2) {
        triangles.push_back({a, b, d});
        triangles.push_back({b, c, d});
      } else {
        triangles.push_back({a, b, c});
        triangles.push_back({a, c, d});
      }
    }
  return fixtures::Build(points, triangles);
}

// The icosphere with every vertex moved along its radius by up to the given fraction.
inline std::unique_ptr<CMesh3d> NoisySphere(int levels, float noise, unsigned int seed = 1)
{
  auto mesh = fixtures::Icosphere(levels);
  platform::Srand(seed);
  for (int i = 0; i < mesh->NbVertex(); i++) {
    CVertex3d* v = mesh->GetVertex(i);
    const float f = 1.0f + noise * (2.0f * platform::Rand() / platform::RandMax - 1.0f);
    v->Set(v->x() * f, v->y() * f, v->z() * f);
  }
  mesh->Rebuild();
  return mesh;
}

// Zero-order entropy of the histogram of the values, in bits per value.
inline double Entropy(const std::vector<unsigned int>& values)
{
  std::map<unsigned int, int> histogram;
  for (const unsigned int value : values)
    histogram[value]++;
  double h = 0.0;
  for (const auto& [value, count] : histogram) {
    const double p = static_cast<double>(count) / values.size();
    h -= p * std::log2(p);
  }
  return h;
}

} // namespace conquest
