// The encoder's adjacency after each layer, brought up to date around the removals, against
// the mesh's own build from scratch: the same lists in the same orders.
#include "compression/ProgressiveCoder.h"
#include "tests/compression/ProgressiveMeshes.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// Layers alternate simple and double gates until two in a row remove nothing; late layers
// remove few vertices, which is when the lists are updated rather than rebuilt.
void ExpectAdjacencyAsRebuilt(CMesh3d* pMesh)
{
  CProgressiveCoder coder;
  int idle = 0;
  int layers = 0;
  int fewRemovals = 0;
  for (int layer = 0; idle < 2 && layer < 60; layer++) {
    const int before = pMesh->NbVertex();
    const int removed = coder.EncodeLayer(pMesh, layer % 2, layer % 2 ? 3 : 6);
    idle = removed == 0 ? idle + 1 : 0;
    fewRemovals += removed > 0 && 16 * removed < before;
    const std::vector<int> updated = progressive::Adjacency(*pMesh);
    pMesh->BuildAdjacency();
    ASSERT_EQ(progressive::Adjacency(*pMesh), updated) << "layer " << layer;
    layers++;
  }
  EXPECT_GT(layers, 4);
  EXPECT_GT(fewRemovals, 0);
}

TEST(ProgressiveAdjacency, LayersLeaveTheListsOfAFullBuild)
{
  const std::vector<std::unique_ptr<CMesh3d> (*)()> builds = {
      [] { return progressive::PlateWithHoles(30, 24, 6); },
      [] { return progressive::PiercedSlab(14, 9, 2, 2); },
      [] { return progressive::TorusAndPlate(20, 12, 30, 24); },
      [] { return progressive::ReadObj("bunny3674.obj"); },
      [] { return progressive::ReadObj("conquest_elephant_patch337.obj"); },
  };
  for (size_t i = 0; i < builds.size(); i++) {
    SCOPED_TRACE(i);
    auto mesh = builds[i]();
    ASSERT_NE(nullptr, mesh);
    ExpectAdjacencyAsRebuilt(mesh.get());
  }
}

} // namespace
