#pragma once

#include "processing/ProcessingFixtures.h"
#include "processing/Wavefront.h"
#include "platform/core/Redraw.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <utility>

// Meshes, oracles and invariants shared by the ribbon tests.
namespace fixtures {

// A grid of nx by nz vertices bent along x onto the parabola y = 0.05 x^2.
inline std::unique_ptr<CMesh3d> BentGrid(int nx, int nz)
{
  auto mesh = FlatGrid(nx, nz);
  for (int i = 0; i < mesh->NbVertex(); i++) {
    CVertex3d* v = mesh->GetVertex(i);
    v->SetY(0.05f * v->x() * v->x());
  }
  mesh->Rebuild();
  return mesh;
}

// Distinct edges of the faces with the ribbons of their two ends.
using EdgeKey = std::pair<const CVertex3d*, const CVertex3d*>;
inline std::map<EdgeKey, std::pair<int, int>> EdgeRibbons(const CMesh3d& mesh)
{
  std::map<EdgeKey, std::pair<int, int>> edges;
  for (int i = 0; i < mesh.NbFace(); i++)
    for (int k = 0; k < 3; k++) {
      const CVertex3d* a = mesh.GetFace(i)->v(k);
      const CVertex3d* b = mesh.GetFace(i)->v((k + 1) % 3);
      edges[std::minmax(a, b)] = {a->GetRibbon(), b->GetRibbon()};
    }
  return edges;
}

inline int CountEdgesAcrossRibbons(const CMesh3d& mesh)
{
  int n = 0;
  for (const auto& [edge, ribbons] : EdgeRibbons(mesh))
    n += ribbons.first != ribbons.second ? 1 : 0;
  return n;
}

// Euler characteristic, orientation and (when the mesh was closed) closedness kept, no face
// with an empty or repeated corner, and an adjacency that a rebuild reproduces.
inline void ExpectSoundAfter(CMesh3d* mesh, int euler, bool closed)
{
  EXPECT_EQ(euler, EulerCharacteristic(*mesh));
  EXPECT_TRUE(IsOriented(*mesh));
  if (closed) {
    EXPECT_TRUE(IsClosedAndOriented(*mesh));
  }
  for (int i = 0; i < mesh->NbFace(); i++) {
    const CFace3d* f = mesh->GetFace(i);
    ASSERT_FALSE(f->HasNullVertex()) << "face " << i;
    EXPECT_FALSE(f->IsCollapsed()) << "face " << i;
  }
  for (int i = 0; i < mesh->NbVertex(); i++)
    EXPECT_GT(mesh->GetVertex(i)->NbFaceNeighbor(), 0) << "isolated vertex " << i;
  ExpectAdjacencyMatchesRebuild(mesh);
}

// Counts the repaints that the operations ask for, through the platform hook.
struct SRedrawCounter
{
  SRedrawCounter()
  {
    previous = platform::SetRedrawHook([this](CRenderView* view) { count += view == View(); });
  }
  ~SRedrawCounter() { platform::SetRedrawHook(previous); }
  SRedrawCounter(const SRedrawCounter&) = delete;
  SRedrawCounter& operator=(const SRedrawCounter&) = delete;

  // A view that is never dereferenced: only its address travels to the hook.
  static CRenderView* View()
  {
    static int token = 0;
    return reinterpret_cast<CRenderView*>(&token);
  }

  int count = 0;
  platform::RedrawHook previous;
};

} // namespace fixtures
