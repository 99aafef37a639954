#include "GateTestUtil.h"

#include "compression/QuadGateCoder.h"
#include "compression/QuadGateDecoder.h"
#include "platform/core/Redraw.h"

#include <gtest/gtest.h>

using gatetest::CCurrentTempFolder;

namespace {

int Encode(CQuadMesh3d* mesh, CQuadGateCoder* coder, int seedQuad = 0)
{
  return coder->Encode(mesh, "mesh.bin", seedQuad, 0, nullptr, 1, 0, 0, 0);
}

int Decode(CQuadMesh3d* mesh, const char* fileName = "mesh.bin", CQuadGateDecoder* decoder = nullptr)
{
  CQuadGateDecoder local;
  return (decoder ? decoder : &local)->Decode(mesh, fileName, 0, nullptr, 1, 0);
}

void ExpectSameMesh(const CQuadMesh3d& original, const CQuadGateCoder& coder,
                    const CQuadMesh3d& decoded)
{
  const auto& order = coder.GetVertexOrder();
  ASSERT_TRUE(gatetest::SamePositions(order, decoded));
  CQuadMesh3d& d = const_cast<CQuadMesh3d&>(decoded);
  const auto expected = gatetest::Faces(
    original.NbQuad(), [&](int i) { return gatetest::Corners(original, i); },
    gatetest::RankOf(order, order.GetSize()));
  const auto actual = gatetest::Faces(
    decoded.NbQuad(), [&](int i) { return gatetest::Corners(decoded, i); },
    gatetest::RankOf(*d.GetArrayVertex(), decoded.NbVertex()));
  EXPECT_EQ(decoded.NbQuad(), original.NbQuad());
  EXPECT_EQ(actual, expected);
}

void ExpectRoundTrip(CQuadMesh3d* mesh, int seedQuad = 0)
{
  CCurrentTempFolder folder;
  CQuadGateCoder coder;
  ASSERT_EQ(Encode(mesh, &coder, seedQuad), 1);
  CQuadMesh3d decoded;
  ASSERT_EQ(Decode(&decoded), 1);
  ExpectSameMesh(*mesh, coder, decoded);
}

std::unique_ptr<CQuadMesh3d> Box(int levels)
{
  auto mesh = std::make_unique<CQuadMesh3d>();
  mesh->GenerateBox();
  for (int i = 0; i < levels; i++)
    mesh->SubdivisionCatmullClark();
  return mesh;
}

} // namespace

TEST(QuadGateCoder, OneQuadGivesFourSkips)
{
  CCurrentTempFolder folder;
  auto mesh = gatetest::BuildQuads({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2, 3}});
  CQuadGateCoder coder;
  ASSERT_EQ(Encode(mesh.get(), &coder), 1);
  EXPECT_EQ(coder.GetCodes(), (std::vector<unsigned int>{6, 6, 6, 6}));
  CQuadMesh3d decoded;
  ASSERT_EQ(Decode(&decoded), 1);
  EXPECT_EQ(decoded.NbVertex(), 4);
  ExpectSameMesh(*mesh, coder, decoded);
}

TEST(QuadGateCoder, TwoQuadsAcrossAnEdge)
{
  CCurrentTempFolder folder;
  auto mesh = gatetest::BuildQuads({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {1, 2, 0}, {0, 2, 0}},
                                   {{0, 1, 2, 3}, {3, 2, 4, 5}});
  CQuadGateCoder coder;
  ASSERT_EQ(Encode(mesh.get(), &coder), 1);
  EXPECT_EQ(coder.GetCodes(), (std::vector<unsigned int>{6, 6, 0, 6, 6, 6, 6}));
  CQuadGateDecoder decoder;
  CQuadMesh3d decoded;
  ASSERT_EQ(Decode(&decoded, "mesh.bin", &decoder), 1);
  EXPECT_EQ(decoded.NbVertex(), 6);
  EXPECT_EQ(decoder.GetCodes(), coder.GetCodes());
  ExpectSameMesh(*mesh, coder, decoded);
}

TEST(QuadGateCoder, ClosedMeshesRoundTrip)
{
  ExpectRoundTrip(Box(0).get());
  ExpectRoundTrip(Box(1).get(), 5);
  ExpectRoundTrip(Box(3).get(), 100);
}

TEST(QuadGateCoder, OpenMeshesRoundTrip)
{
  ExpectRoundTrip(gatetest::QuadGrid(3).get());
  ExpectRoundTrip(gatetest::QuadGrid(3).get(), 4);
  ExpectRoundTrip(gatetest::QuadGrid(12).get(), 30);
  auto mushroom = std::make_unique<CQuadMesh3d>();
  mushroom->GenerateMushroom();
  ExpectRoundTrip(mushroom.get());
  mushroom->SubdivisionCatmullClark();
  ExpectRoundTrip(mushroom.get(), 7);
}

TEST(QuadGateCoder, TorusRoundTrips)
{
  ExpectRoundTrip(gatetest::QuadTorus(12, 8).get());
  ExpectRoundTrip(gatetest::QuadTorus(5, 3).get(), 4);
}

TEST(QuadGateCoder, SeveralComponentsRoundTrip)
{
  auto box = Box(1);
  auto grid = gatetest::QuadGrid(3);
  auto two = gatetest::JoinQuads(*box, *grid);
  ExpectRoundTrip(two.get());
  auto three = gatetest::JoinQuads(*two, *gatetest::QuadTorus(6, 4));
  ExpectRoundTrip(three.get(), 30);
  CCurrentTempFolder folder;
  CQuadGateCoder coder;
  ASSERT_EQ(Encode(three.get(), &coder), 1);
  EXPECT_EQ(coder.GetGenus(), 1);
  EXPECT_LT(coder.NbSeedQuad(), three->NbQuad() / 2);
}

TEST(QuadGateCoder, RefusesWhatItCannotCode)
{
  CCurrentTempFolder folder;
  CQuadGateCoder coder;
  auto box = Box(0);
  EXPECT_EQ(Encode(box.get(), &coder, 6), 0);
  // The second quad runs against the first across their shared edge.
  auto flipped = gatetest::BuildQuads({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {1, 2, 0}, {0, 2, 0}},
                                      {{0, 1, 2, 3}, {2, 3, 5, 4}});
  EXPECT_EQ(Encode(flipped.get(), &coder), 0);
  CQuadMesh3d empty;
  EXPECT_EQ(Encode(&empty, &coder), 0);
  EXPECT_FALSE(std::filesystem::exists("mesh.bin"));
}

TEST(QuadGateCoder, StreamsAreIdenticalBetweenRuns)
{
  CCurrentTempFolder folder;
  auto mesh = gatetest::JoinQuads(*Box(2), *gatetest::QuadTorus(6, 5));
  CQuadGateCoder first;
  ASSERT_EQ(first.Encode(mesh.get(), "one.bin", 3, 0, nullptr, 1, 0, 0, 0), 1);
  CQuadGateCoder second;
  ASSERT_EQ(second.Encode(mesh.get(), "two.bin", 3, 0, nullptr, 1, 0, 0, 0), 1);
  EXPECT_EQ(ReadBytes("one.bin"), ReadBytes("two.bin"));
  EXPECT_GT(first.GetBitsPerVertex(), 0.0f);
}

TEST(QuadGateCoder, HostileStreamsFail)
{
  CCurrentTempFolder folder;
  auto mesh = gatetest::JoinQuads(*gatetest::QuadTorus(5, 4), *Box(0));
  CQuadGateCoder coder;
  ASSERT_EQ(Encode(mesh.get(), &coder), 1);
  const auto bytes = ReadBytes("mesh.bin");
  for (std::size_t n = 0; n < bytes.size(); n++) {
    WriteBytes("cut.bin", {bytes.begin(), bytes.begin() + static_cast<long>(n)});
    CQuadMesh3d decoded;
    ASSERT_EQ(Decode(&decoded, "cut.bin"), 0) << n << " bytes";
    EXPECT_EQ(decoded.NbVertex() + decoded.NbQuad(), 0);
  }
  int failures = 0;
  for (std::size_t bit = 0; bit < bytes.size() * 8; bit++) {
    WriteBytes("flip.bin", gatetest::Flipped(bytes, bit));
    CQuadMesh3d decoded;
    if (!Decode(&decoded, "flip.bin")) {
      failures++;
      EXPECT_EQ(decoded.NbVertex() + decoded.NbQuad(), 0);
    }
  }
  EXPECT_GT(failures, 0);
}

TEST(QuadGateCoder, VisualDebuggingRedraws)
{
  CCurrentTempFolder folder;
  int redraws = 0;
  auto previous = platform::SetRedrawHook([&redraws](CRenderView*) { redraws++; });
  int viewStandIn = 0;
  auto* view = reinterpret_cast<CRenderView*>(&viewStandIn);
  auto mesh = gatetest::QuadTorus(6, 4);
  CQuadGateCoder coder;
  ASSERT_EQ(coder.Encode(mesh.get(), "mesh.bin", 0, 1, view, 0, 0, 0, 0), 1);
  EXPECT_GE(redraws, 2);
  CQuadGateDecoder decoder;
  CQuadMesh3d decoded;
  const int before = redraws;
  ASSERT_EQ(decoder.Decode(&decoded, "mesh.bin", 1, view, 2, 0), 1);
  EXPECT_GT(redraws - before, decoded.NbQuad() / 2);
  platform::SetRedrawHook(previous);
}
