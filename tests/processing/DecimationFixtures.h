#pragma once

#include "SimplificationFixtures.h"

#include <cmath>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

class CRenderView;

// Inputs shared by the decimation tests.
namespace fixtures {

// A stand-in for a render view: only compared, never used.
inline CRenderView* FakeView()
{
  static int token = 0;
  return reinterpret_cast<CRenderView*>(&token);
}

// An n by n grid with wavy heights, so that no interior vertex is exactly flat.
inline std::unique_ptr<CMesh3d> WavyGrid(int n, float amplitude)
{
  auto mesh = FlatGrid(n, n);
  for (int i = 0; i < mesh->NbVertex(); i++)
    mesh->GetVertex(i)->Move(0.0f, amplitude * std::sin(1.7f * i), 0.0f);
  mesh->Rebuild();
  return mesh;
}

inline std::vector<Position> BoundaryPositions(const CMesh3d& mesh)
{
  std::vector<Position> boundary;
  for (int i = 0; i < mesh.NbVertex(); i++)
    if (mesh.GetVertex(i)->IsOnBoundary())
      boundary.push_back(PositionOf(mesh.GetVertex(i)));
  return boundary;
}

// The triangles of an OBJ file in tests/data ("v x y z" and "f a b c" lines, 1-based); null
// when the file is missing or holds anything else.
inline std::unique_ptr<CMesh3d> ReadTestObj(const std::string& name)
{
  std::ifstream in(std::string(ORVANE_TEST_DATA) + "/" + name);
  Points points;
  Triangles triangles;
  std::string line;
  while (in && std::getline(in, line)) {
    std::istringstream fields(line);
    std::string tag;
    fields >> tag;
    if (tag == "v") {
      Position p{};
      fields >> p[0] >> p[1] >> p[2];
      points.push_back(p);
    } else if (tag == "f") {
      std::array<int, 3> t{};
      fields >> t[0] >> t[1] >> t[2];
      for (int& i : t)
        i--;
      triangles.push_back(t);
    }
  }
  if (points.empty() || triangles.empty())
    return nullptr;
  return Build(points, triangles);
}

// An icosphere whose vertices are moved off the sphere by up to a quarter of the mean edge
// length, radially and tangentially, with a fixed pseudo-random sequence.
inline std::unique_ptr<CMesh3d> PerturbedSphere(int levels, float fraction = 0.25f)
{
  auto mesh = Icosphere(levels);
  double sum = 0.0;
  int edges = 0;
  for (int i = 0; i < mesh->NbFace(); i++)
    for (int k = 0; k < 3; k++) {
      const CVertex3d* a = mesh->GetFace(i)->v(k);
      const CVertex3d* b = mesh->GetFace(i)->v((k + 1) % 3);
      sum += Distance(PositionOf(a), PositionOf(b));
      edges++;
    }
  const float amount = static_cast<float>(2.0 * fraction * sum / edges);
  unsigned int state = 20240603u;
  auto next = [&state]() {
    state = state * 214013u + 2531011u;
    return static_cast<float>((state >> 16) & 0x7fff) / 32767.0f - 0.5f;
  };
  for (int i = 0; i < mesh->NbVertex(); i++) {
    const float dx = next();
    const float dy = next();
    const float dz = next();
    mesh->GetVertex(i)->Move(amount * dx, amount * dy, amount * dz);
  }
  mesh->Rebuild();
  return mesh;
}

} // namespace fixtures
