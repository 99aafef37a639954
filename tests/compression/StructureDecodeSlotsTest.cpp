// What the decoder leaves in its vertices' neighbour lists before the caller rebuilds the
// mesh: one slot per coded valence, filled only with real neighbours. The ghost that closed
// the borders lived only while decoding, so no slot may point to it.
#include "StructureRoundTrip.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

TEST(StructureDecodeSlots, SlotsHoldRealNeighboursAndNeverTheGhost)
{
  // Borders (the ghost) and a handle (a merge) in one mesh.
  const topology::SSoup soup =
    topology::Join(topology::GridWithHoles(5), topology::TorusGrid(6, 4), 30);
  auto mesh = topology::Build(soup);
  const structuretest::SRoundTrip r = structuretest::RoundTrip(mesh.get(), 3);
  ASSERT_EQ(r.m_Encoded, 1);
  ASSERT_EQ(r.m_Decoded, 1);
  ASSERT_GT(r.m_GhostDegree, 0u);
  const CMesh3d& decoded = *r.m_pDecoded;
  ASSERT_EQ(decoded.NbVertex(), mesh->NbVertex());
  ASSERT_EQ(r.m_Run.size(), static_cast<std::size_t>(mesh->NbVertex()));

  std::set<const CVertex3d*> own;
  for (int i = 0; i < decoded.NbVertex(); i++)
    own.insert(decoded.GetVertex(i));
  int nbEmpty = 0;
  for (int i = 0; i < decoded.NbVertex(); i++) {
    SCOPED_TRACE(i);
    const CVertex3d* v = decoded.GetVertex(i);
    // Decoded vertex i is the run's vertex i: its neighbours in the original, in run order.
    const CVertex3d* original = mesh->GetVertex(r.m_Run[static_cast<std::size_t>(i)]);
    std::set<int> expected;
    for (int j = 0; j < original->NbVertexNeighbor(); j++) {
      const auto it = std::find(r.m_Run.begin(), r.m_Run.end(),
                                mesh->GetArrayVertex()->IndexFrom(original->GetVertexNeighbor(j)));
      expected.insert(static_cast<int>(it - r.m_Run.begin()));
    }
    // One slot per neighbour, one more for the ghost on a border.
    const int border = original->IsOnBoundary() ? 1 : 0;
    ASSERT_EQ(v->NbVertexNeighbor(), original->NbVertexNeighbor() + border);
    for (int j = 0; j < v->NbVertexNeighbor(); j++) {
      const CVertex3d* u = v->GetVertexNeighbor(j);
      if (!u) {
        nbEmpty++;
        continue;
      }
      ASSERT_TRUE(own.count(u)) << "a slot points outside the mesh";
      EXPECT_TRUE(expected.count(decoded.GetArrayVertex()->IndexFrom(u)));
    }
  }
  // Where the ghost was joined, the slot stays empty.
  EXPECT_GT(nbEmpty, 0);
}
