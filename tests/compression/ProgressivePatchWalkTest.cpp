// The encoder walks a patch around its front vertex on the vertex's corners where the ring is
// plainly manifold, and on the face links otherwise. Faces turned the other way and fins (a
// third face on an edge) must send the walk back to the faces: the conquest then takes the
// decisions it takes on the face lists alone (adjacency indices cleared).
#include "compression/ProgressiveCodeList.h"
#include "compression/ProgressiveCoder.h"
#include "mesh/Mesh3d.h"
#include "mesh/Vertex3d.h"
#include "tests/compression/ConquestFixtures.h"
#include "tests/compression/ProgressiveMeshes.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

namespace {

// A jittered torus with every `flipEvery`-th face turned over and, every `finEvery`-th face, a
// fin: a new vertex joined to the face's first edge.
std::unique_ptr<CMesh3d> DamagedTorus(int n, int m, int flipEvery, int finEvery)
{
  progressive::Points points;
  progressive::Triangles triangles;
  progressive::AppendTorus(&points, &triangles, n, m, 0);
  const size_t count = triangles.size();
  for (size_t i = 0; i < count; i++) {
    auto& t = triangles[i];
    if (finEvery > 0 && i % static_cast<size_t>(finEvery) == 3) {
      const auto& a = points[static_cast<size_t>(t[0])];
      const auto& b = points[static_cast<size_t>(t[1])];
      points.push_back({(a[0] + b[0]) / 2, (a[1] + b[1]) / 2, (a[2] + b[2]) / 2 + 0.3f});
      triangles.push_back({t[1], t[0], static_cast<int>(points.size()) - 1});
    }
    // Away from the seed edge (vertices 0 and 1), which would stop the conquest at once.
    if (flipEvery > 0 && i > 8 && i % static_cast<size_t>(flipEvery) == 1)
      std::swap(t[1], t[2]);
  }
  return fixtures::Build(points, triangles);
}

std::vector<unsigned int> OneLayer(CMesh3d* mesh, int gateType, int maxValence, bool stale)
{
  if (stale)
    for (int i = 0; i < mesh->NbVertex(); i++)
      mesh->GetVertex(i)->SetAdjacencyIndex(-1);
  CProgressiveCoder coder;
  coder.EncodeLayer(mesh, gateType, maxValence);
  return coder.NbLayer() == 1 ? coder.GetLayerCodes(0)->GetCodes() : std::vector<unsigned int>{};
}

int Removals(const std::vector<unsigned int>& codes)
{
  int n = 0;
  for (unsigned int code : codes)
    n += code >= 3 ? 1 : 0;
  return n;
}

TEST(ProgressivePatchWalk, BrokenRingsDecideAsOnTheFaceLists)
{
  conquest::CScratchFolder folder;
  struct SCase
  {
    int flipEvery;
    int finEvery;
  };
  const SCase cases[] = {{0, 0}, {41, 0}, {0, 11}, {53, 17}, {29, 7}};
  for (const SCase& c : cases) {
    SCOPED_TRACE(c.flipEvery * 100 + c.finEvery);
    auto listed = DamagedTorus(24, 18, c.flipEvery, c.finEvery);
    auto stale = DamagedTorus(24, 18, c.flipEvery, c.finEvery);
    int removals = 0;
    // Simple and double layers in turn, as an encoding makes them; later layers start from
    // the lists carried through the update.
    for (int layer = 0; layer < 4; layer++) {
      const int gateType = layer % 2;
      const int maxValence = gateType == 0 ? 6 : 3;
      const auto expected = OneLayer(stale.get(), gateType, maxValence, true);
      const auto codes = OneLayer(listed.get(), gateType, maxValence, false);
      EXPECT_EQ(expected, codes) << "layer " << layer;
      EXPECT_EQ(progressive::Adjacency(*stale), progressive::Adjacency(*listed));
      removals += Removals(codes);
    }
    // Faces on an edge held by three faces, or twice the same way, are never replaced: the
    // most damaged torus keeps many more of its vertices.
    EXPECT_GT(removals, 24 * 18 / 12);
  }
}

// The damage must reach the patches the conquest tries, or the test above proves nothing:
// a damaged torus loses fewer vertices in its first layer than the sound one.
TEST(ProgressivePatchWalk, DamageReachesThePatches)
{
  auto sound = DamagedTorus(24, 18, 0, 0);
  auto damaged = DamagedTorus(24, 18, 29, 7);
  const int removedSound = Removals(OneLayer(sound.get(), 0, 6, false));
  const int removedDamaged = Removals(OneLayer(damaged.get(), 0, 6, false));
  EXPECT_GT(removedSound, 24 * 18 / 8);
  EXPECT_LT(removedDamaged, removedSound);
}

} // namespace
