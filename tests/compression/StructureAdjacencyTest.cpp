// The structure coder reads the faces' corners, not the mesh's adjacency: its stream is the
// same whatever state the adjacency is in, and it leaves that adjacency as it found it.
// Meshes it cannot index are refused, never walked.
#include "StructureRoundTrip.h"
#include "coding/OBitStream.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::uint8_t> EncodeToMemory(CMesh3d* pMesh, int seed, int* pOk)
{
  CStructureCoder coder;
  CVertexTree tree;
  CStructureCoder::SResult result;
  COBitStream stream;
  *pOk = coder.Encode(pMesh, &stream, &tree, seed, {}, &result);
  return stream.GetBytes();
}

// Borders (the ghost) and a handle (a merge) in one mesh.
topology::SSoup HolesAndTorus()
{
  return topology::Join(topology::GridWithHoles(4), topology::TorusGrid(5, 4), 30);
}

} // namespace

TEST(StructureAdjacency, StreamDoesNotDependOnTheMeshAdjacency)
{
  auto built = topology::Build(HolesAndTorus());
  auto cleared = topology::Build(HolesAndTorus());
  cleared->ClearVertexAdjacency();
  for (const int seed : {0, 17, built->NbFace() - 1}) {
    SCOPED_TRACE(seed);
    int okBuilt = 0;
    int okCleared = 0;
    const std::vector<std::uint8_t> a = EncodeToMemory(built.get(), seed, &okBuilt);
    const std::vector<std::uint8_t> b = EncodeToMemory(cleared.get(), seed, &okCleared);
    ASSERT_EQ(okBuilt, 1);
    ASSERT_EQ(okCleared, 1);
    EXPECT_FALSE(a.empty());
    EXPECT_EQ(a, b);
  }
  // The cleared mesh was left as it was given, the ghost gone from its vertices.
  EXPECT_EQ(cleared->NbVertex(), built->NbVertex());
  for (int i = 0; i < cleared->NbVertex(); i++) {
    EXPECT_EQ(cleared->GetVertex(i)->NbVertexNeighbor(), 0);
    EXPECT_EQ(cleared->GetVertex(i)->NbFaceNeighbor(), 0);
  }
}

TEST(StructureAdjacency, UnindexableMeshesAreRefused)
{
  // A vertex listed twice: its first place belongs to no face.
  auto twice = topology::Build(topology::TorusGrid(4, 4));
  twice->AddVertex(twice->GetVertex(0));
  CStructureCoder coder;
  CVertexTree tree;
  CStructureCoder::SResult result;
  COBitStream stream;
  EXPECT_EQ(coder.Encode(twice.get(), &stream, &tree, 0, {}, &result), 0);
  EXPECT_FALSE(coder.GetRefusal().empty());
  twice->GetArrayVertex()->SetSize(twice->NbVertex() - 1);

  // A face corner the mesh does not list.
  auto stranger = topology::Build(topology::TorusGrid(4, 4));
  CVertex3d outside(0.0f, 0.0f, 0.0f);
  CVertex3d* pKept = stranger->GetFace(3)->v(1);
  stranger->GetFace(3)->SetVertex(1, &outside);
  EXPECT_EQ(coder.Encode(stranger.get(), &stream, &tree, 0, {}, &result), 0);
  EXPECT_EQ(coder.GetRefusal(), "Structure coding: the mesh is not a manifold the conquest can walk.");
  stranger->GetFace(3)->SetVertex(1, pKept);
  EXPECT_TRUE(stream.GetBytes().empty());
}
