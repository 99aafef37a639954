// The quad gate coder over quads made from the real meshes of tests/data and over generated
// quad meshes of every topology class, from three seed quads each: the decoded quads are the
// input's through the coder's vertex order, and the positions are the input's bit for bit.
#include "GateSuiteMeshes.h"

#include "compression/QuadGateCoder.h"
#include "compression/QuadGateDecoder.h"

#include <gtest/gtest.h>

namespace {

// The vertices of the quads, those of no quad left out.
int NbUsedVertex(const CQuadMesh3d& mesh)
{
  std::set<const void*> used;
  for (int i = 0; i < mesh.NbQuad(); i++)
    for (const void* v : gatetest::Corners(mesh, i))
      used.insert(v);
  return static_cast<int>(used.size());
}

void ExpectRoundTrip(CQuadMesh3d* pMesh, int seed)
{
  SCOPED_TRACE(testing::Message() << "seed " << seed);
  gatetest::CCurrentTempFolder folder;
  CQuadGateCoder coder;
  ASSERT_EQ(coder.Encode(pMesh, "mesh.bin", seed, 0, nullptr, 1, 0, 0, 0), 1);
  // Every quad is the first seed, a seed of the zip phase or conquered through a gate.
  EXPECT_EQ(1 + coder.NbSeedQuad() + coder.GetConqueredQuads(), pMesh->NbQuad());
  CQuadGateDecoder decoder;
  CQuadMesh3d decoded;
  ASSERT_EQ(decoder.Decode(&decoded, "mesh.bin", 0, nullptr, 1, 0), 1);
  EXPECT_EQ(decoder.GetCodes(), coder.GetCodes());
  EXPECT_EQ(decoder.GetGenus(), coder.GetGenus());
  const auto& order = coder.GetVertexOrder();
  ASSERT_TRUE(gatetest::SamePositions(order, decoded));
  const auto expected = gatetest::Faces(
    pMesh->NbQuad(), [&](int i) { return gatetest::Corners(*pMesh, i); },
    gatetest::RankOf(order, order.GetSize()));
  const auto actual = gatetest::Faces(
    decoded.NbQuad(), [&](int i) { return gatetest::Corners(decoded, i); },
    gatetest::RankOf(*decoded.GetArrayVertex(), decoded.NbVertex()));
  // Every vertex of a quad is in the order, once.
  EXPECT_EQ(order.GetSize(), NbUsedVertex(*pMesh));
  EXPECT_EQ(actual, expected);
  // The decoded quads are again a surface the coder takes whole.
  decoded.BuildAdjacencyAndNormals();
  CQuadGateCoder again;
  ASSERT_EQ(again.Encode(&decoded, "again.bin", 0, 0, nullptr, 1, 0, 0, 0), 1);
  EXPECT_EQ(1 + again.NbSeedQuad() + again.GetConqueredQuads(), pMesh->NbQuad());
}

void ExpectRoundTrips(CQuadMesh3d* pMesh)
{
  for (const int seed : gatesuite::Seeds(pMesh->NbQuad()))
    ExpectRoundTrip(pMesh, seed);
}

} // namespace

TEST(QuadGateSuite, RealMeshesMadeQuads)
{
  for (const char* file : {"sphere162.obj", "conquest_cheese_cut6.obj", "conquest_cheese_cut10.obj",
                           "conquest_elephant_unpinched.obj", "conquest_elephant_patch337.obj"}) {
    SCOPED_TRACE(file);
    auto quads = gatesuite::RealQuads(file);
    ASSERT_GT(quads->NbQuad(), 0);
    ExpectRoundTrips(quads.get());
  }
}

TEST(QuadGateSuite, EveryTopologyClass)
{
  for (const auto& [name, soup] : gatesuite::QuadClasses()) {
    SCOPED_TRACE(name);
    auto mesh = gatesuite::QuadMesh(soup);
    ExpectRoundTrips(mesh.get());
  }
}
