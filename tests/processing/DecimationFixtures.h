#pragma once

#include "SimplificationFixtures.h"

#include <cmath>
#include <memory>
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

} // namespace fixtures
