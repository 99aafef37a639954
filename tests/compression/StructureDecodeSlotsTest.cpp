// What the decoder leaves in its vertices before the caller rebuilds the mesh: the faces
// alone. Its neighbour slots and the ghost that closed the borders were working state of the
// decoding; no vertex may keep them (the ghost no longer exists once Decode returns). Once
// rebuilt, every vertex has the neighbours of the original vertex it stands for.
#include "StructureRoundTrip.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

TEST(StructureDecodeSlots, DecodedVerticesKeepNoWorkingStateAndRebuildToTheOriginal)
{
  // Borders (the ghost) and a handle (a merge) in one mesh.
  const topology::SSoup soup =
    topology::Join(topology::GridWithHoles(5), topology::TorusGrid(6, 4), 30);
  auto mesh = topology::Build(soup);
  const structuretest::SRoundTrip r = structuretest::RoundTrip(mesh.get(), 3);
  ASSERT_EQ(r.m_Encoded, 1);
  ASSERT_EQ(r.m_Decoded, 1);
  ASSERT_GT(r.m_GhostDegree, 0u);
  CMesh3d& decoded = *r.m_pDecoded;
  ASSERT_EQ(decoded.NbVertex(), mesh->NbVertex());
  ASSERT_EQ(r.m_Run.size(), static_cast<std::size_t>(mesh->NbVertex()));
  for (int i = 0; i < decoded.NbVertex(); i++) {
    EXPECT_EQ(decoded.GetVertex(i)->NbVertexNeighbor(), 0) << i;
    EXPECT_EQ(decoded.GetVertex(i)->NbFaceNeighbor(), 0) << i;
  }

  decoded.Rebuild();
  for (int i = 0; i < decoded.NbVertex(); i++) {
    SCOPED_TRACE(i);
    // Decoded vertex i is the run's vertex i: its neighbours in the original, in run order.
    const CVertex3d* original = mesh->GetVertex(r.m_Run[static_cast<std::size_t>(i)]);
    std::set<int> expected;
    for (int j = 0; j < original->NbVertexNeighbor(); j++) {
      const int index = mesh->GetArrayVertex()->IndexFrom(original->GetVertexNeighbor(j));
      expected.insert(static_cast<int>(std::find(r.m_Run.begin(), r.m_Run.end(), index) - r.m_Run.begin()));
    }
    const CVertex3d* v = decoded.GetVertex(i);
    std::set<int> got;
    for (int j = 0; j < v->NbVertexNeighbor(); j++)
      got.insert(decoded.GetArrayVertex()->IndexFrom(v->GetVertexNeighbor(j)));
    EXPECT_EQ(got, expected);
    EXPECT_EQ(v->IsOnBoundary(), original->IsOnBoundary());
  }
}
