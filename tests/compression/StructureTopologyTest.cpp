#include "StructureRoundTrip.h"

#include <gtest/gtest.h>

namespace {
using structuretest::ExpectRoundTrip;

// Seeds spread over the faces: the first, the last and a few between.
std::vector<int> Seeds(const CMesh3d& mesh, int nbSeed)
{
  std::vector<int> seeds;
  for (int i = 0; i < nbSeed; i++)
    seeds.push_back(static_cast<int>(static_cast<long long>(mesh.NbFace() - 1) * i /
                                     std::max(1, nbSeed - 1)));
  return seeds;
}

void ExpectRoundTripFromSeeds(const topology::SSoup& soup, int nbSeed)
{
  auto mesh = topology::Build(soup);
  for (const int seed : Seeds(*mesh, nbSeed))
    ExpectRoundTrip(mesh.get(), seed);
  CStructureCoder::SOptions encourage;
  encourage.m_EncourageFull = 1;
  for (const int seed : Seeds(*mesh, 2))
    ExpectRoundTrip(mesh.get(), seed, encourage);
}

// Merges coded in the stream: two offsets each instead of one.
int NbMerge(const structuretest::SRoundTrip& r)
{
  return static_cast<int>(r.m_Offsets.size()) - CStructureCoder::CountValue(r.m_Codes, 1);
}
} // namespace

TEST(StructureTopology, GeneratorsHaveTheirTopology)
{
  const topology::STopology torus = topology::Measure(topology::TorusGrid(3, 3));
  EXPECT_EQ(torus.m_NbVertex, 9);
  EXPECT_EQ(torus.m_NbFace, 18);
  EXPECT_EQ(torus.Euler(), 0);
  EXPECT_EQ(torus.m_NbBoundaryLoop, 0);
  for (const int genus : {1, 2, 3, 7, 16, 20}) {
    const topology::STopology plate = topology::Measure(topology::VoxelPlate(genus));
    EXPECT_EQ(plate.Euler(), 2 - 2 * genus) << genus;
    EXPECT_EQ(plate.m_NbBoundaryLoop, 0);
    EXPECT_EQ(plate.m_NbComponent, 1);
  }
  for (const int holes : {1, 2, 5, 300}) {
    const topology::STopology grid = topology::Measure(topology::GridWithHoles(holes));
    EXPECT_EQ(grid.m_NbBoundaryLoop, holes + 1) << holes;
    EXPECT_EQ(grid.Euler(), 1 - holes);
  }
  const topology::STopology annulus = topology::Measure(topology::Annulus(7, 1));
  EXPECT_EQ(annulus.m_NbVertex, 14);
  EXPECT_EQ(annulus.m_NbFace, 14);
  EXPECT_EQ(annulus.m_NbBoundaryLoop, 2);
  const topology::STopology two =
    topology::Measure(topology::Join(topology::TorusGrid(3, 4), topology::Annulus(5, 2), 10));
  EXPECT_EQ(two.m_NbComponent, 2);
  EXPECT_EQ(two.Euler(), 0);
}

TEST(StructureTopology, TorusGridsOfSeveralSizes)
{
  for (const auto& [n, m] : {std::pair{3, 3}, {3, 4}, {4, 4}, {3, 7}, {5, 6}, {8, 12}, {20, 9}}) {
    SCOPED_TRACE(testing::Message() << n << "x" << m);
    ExpectRoundTripFromSeeds(topology::TorusGrid(n, m), 5);
  }
}

TEST(StructureTopology, SmallestTorusFromEverySeedNeedsAMerge)
{
  auto mesh = topology::Build(topology::TorusGrid(3, 3));
  for (int seed = 0; seed < mesh->NbFace(); seed++) {
    ExpectRoundTrip(mesh.get(), seed);
    // One handle: the two fronts that went round it meet once.
    EXPECT_EQ(NbMerge(structuretest::RoundTrip(mesh.get(), seed)), 1) << seed;
  }
}

TEST(StructureTopology, VoxelPlatesOfGenusOneToTwenty)
{
  for (int genus = 1; genus <= 20; genus++) {
    SCOPED_TRACE(genus);
    ExpectRoundTripFromSeeds(topology::VoxelPlate(genus), 3);
    auto mesh = topology::Build(topology::VoxelPlate(genus));
    EXPECT_EQ(NbMerge(structuretest::RoundTrip(mesh.get(), 0)), genus);
  }
}

TEST(StructureTopology, GridsWithOneToThreeHundredHoles)
{
  for (const int holes : {1, 2, 3, 4, 9, 17, 40, 64, 256, 300}) {
    SCOPED_TRACE(holes);
    ExpectRoundTripFromSeeds(topology::GridWithHoles(holes), holes > 50 ? 2 : 4);
  }
}

TEST(StructureTopology, Annuli)
{
  for (const auto& [sectors, rings] : {std::pair{7, 1}, {3, 1}, {12, 1}, {9, 4}, {40, 3}}) {
    SCOPED_TRACE(testing::Message() << sectors << "x" << rings);
    auto mesh = topology::Build(topology::Annulus(sectors, rings));
    for (int seed = 0; seed < mesh->NbFace(); seed++)
      ExpectRoundTrip(mesh.get(), seed);
  }
}

TEST(StructureTopology, SeveralComponents)
{
  const topology::SSoup two = topology::Join(topology::TorusGrid(4, 5), topology::Annulus(6, 2), 10);
  ExpectRoundTripFromSeeds(two, 6);
  const topology::SSoup three = topology::Join(two, topology::VoxelPlate(3), 20);
  ExpectRoundTripFromSeeds(three, 6);
  // A lone triangle as the last component, and as the first.
  const topology::SSoup triangle{{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}};
  ExpectRoundTripFromSeeds(topology::Join(three, triangle, 40), 3);
  ExpectRoundTripFromSeeds(topology::Join(triangle, topology::GridWithHoles(3), 5), 3);
}

TEST(StructureTopology, EncodingLeavesTheMeshAsBuilt)
{
  // The ghost and the edge arrays are gone; every vertex has the neighbours a fresh build
  // gives it, in the same order.
  const topology::SSoup soup = topology::Join(topology::GridWithHoles(7), topology::TorusGrid(3, 4), 30);
  auto mesh = topology::Build(soup);
  auto fresh = topology::Build(soup);
  ASSERT_EQ(structuretest::RoundTrip(mesh.get(), 5).m_Decoded, 1);
  ASSERT_EQ(mesh->NbVertex(), fresh->NbVertex());
  for (int i = 0; i < mesh->NbVertex(); i++) {
    const CVertex3d* v = mesh->GetVertex(i);
    const CVertex3d* w = fresh->GetVertex(i);
    EXPECT_EQ(v->GetData(), nullptr);
    ASSERT_EQ(v->NbVertexNeighbor(), w->NbVertexNeighbor()) << i;
    for (int j = 0; j < v->NbVertexNeighbor(); j++)
      EXPECT_EQ(mesh->GetArrayVertex()->IndexFrom(v->GetVertexNeighbor(j)),
                fresh->GetArrayVertex()->IndexFrom(w->GetVertexNeighbor(j)));
    EXPECT_EQ(v->NbFaceNeighbor(), w->NbFaceNeighbor());
  }
}

TEST(StructureTopology, NonManifoldMeshesAreRefused)
{
  // Two fans pinched at one vertex, three faces on one edge, a face turned over: no stream
  // could bring them back, so the coder refuses them and says why.
  const topology::SSoup pinched{{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, -1, 0}},
                                {{0, 1, 2}, {0, 3, 4}}};
  const topology::SSoup fin{{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}},
                            {{0, 1, 2}, {1, 0, 3}, {0, 1, 4}}};
  topology::SSoup turned = topology::TorusGrid(4, 4);
  std::swap(turned.m_Triangles[5][1], turned.m_Triangles[5][2]);
  for (const topology::SSoup* pSoup : {&pinched, &fin, static_cast<const topology::SSoup*>(&turned)}) {
    auto mesh = topology::Build(*pSoup);
    for (int seed = 0; seed < mesh->NbFace(); seed++) {
      const structuretest::SRoundTrip r = structuretest::RoundTrip(mesh.get(), seed);
      EXPECT_EQ(r.m_Encoded, 0) << seed;
      EXPECT_NE(r.m_Refusal.find("manifold"), std::string::npos) << r.m_Refusal;
    }
  }
}
