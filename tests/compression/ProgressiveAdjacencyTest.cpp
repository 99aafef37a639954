// The encoder's adjacency after each layer, brought up to date around the removals, against
// the mesh's own build from scratch: the same lists in the same orders.
#include "compression/ProgressiveCoder.h"
#include "tests/compression/ConquestFixtures.h"
#include "tests/compression/ProgressiveMeshes.h"

#include <gtest/gtest.h>

#include <cstring>
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

// Face and vertex normals as bit patterns, then the adjacency.
std::vector<int> NormalsAndAdjacency(const CMesh3d& mesh)
{
  std::vector<int> out;
  auto add = [&out](const CVector3d& n) {
    for (const float x : {n.x(), n.y(), n.z()}) {
      int bits = 0;
      std::memcpy(&bits, &x, sizeof bits);
      out.push_back(bits);
    }
  };
  for (int i = 0; i < mesh.NbFace(); i++)
    add(*mesh.GetFace(i)->GetNormal());
  for (int i = 0; i < mesh.NbVertex(); i++)
    add(*mesh.GetVertex(i)->GetNormal());
  const std::vector<int> adjacency = progressive::Adjacency(mesh);
  out.insert(out.end(), adjacency.begin(), adjacency.end());
  return out;
}

// The base mesh an encoding leaves is the one a full rebuild gives (lists, links, normals),
// whichever way its last layers brought the adjacency up to date.
TEST(ProgressiveAdjacency, EncodingLeavesTheBaseMeshAsRebuilt)
{
  const std::vector<std::unique_ptr<CMesh3d> (*)()> builds = {
      [] { return progressive::PlateWithHoles(30, 24, 6); },
      [] { return progressive::TorusAndPlate(20, 12, 30, 24); },
      [] { return progressive::ReadObj("bunny3674.obj"); },
      [] { return progressive::ReadObj("conquest_elephant_patch337.obj"); },
  };
  conquest::CScratchFolder folder;
  for (size_t i = 0; i < builds.size(); i++) {
    SCOPED_TRACE(i);
    for (const int divisor : {3, 40}) {
      auto mesh = builds[i]();
      ASSERT_NE(nullptr, mesh);
      CProgressiveCoder coder;
      ASSERT_EQ(1, progressive::Encode(&coder, mesh.get(), mesh->NbVertex() / divisor, 11, "m.vpm"));
      const std::vector<int> encoded = NormalsAndAdjacency(*mesh);
      mesh->Rebuild();
      EXPECT_EQ(NormalsAndAdjacency(*mesh), encoded) << "divisor " << divisor;
    }
  }
}

} // namespace
