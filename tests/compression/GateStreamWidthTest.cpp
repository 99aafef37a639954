// The seed section's index width read off the stream itself: B = ceil(log2(V)) bits per
// corner, with V the vertices of the stream, on meshes with handles whose vertex counts sit at
// and just past powers of two. Encoder and decoder share the width, so only the stream shows a
// field one bit too wide or too narrow.
#include "ConquestTopology.h"
#include "GateTestUtil.h"

#include "coding/IBitStream.h"
#include "coding/RangeDecoder.h"
#include "compression/TriangleGateCoder.h"
#include "compression/TriangleGateDecoder.h"

#include <gtest/gtest.h>

namespace {

int CeilLog2(int n)
{
  int bits = 0;
  while ((1 << bits) < n)
    bits++;
  return bits;
}

} // namespace

TEST(GateStreamWidth, SeedIndicesTakeCeilLog2OfTheVertexCount)
{
  gatetest::CCurrentTempFolder folder;
  // 8 x 4 = 32 and 8 x 8 = 64 vertices, then one past: 33 does not exist as a grid, so a
  // plate of genus 2 (48 vertices: 6 bits, as for 33 to 64) and a torus of 5 x 13 = 65 (7 bits).
  const std::vector<std::pair<int, std::unique_ptr<CMesh3d>>> cases = [] {
    std::vector<std::pair<int, std::unique_ptr<CMesh3d>>> c;
    c.emplace_back(5, conquesttopology::TorusGrid(8, 4));
    c.emplace_back(6, conquesttopology::TorusGrid(8, 8));
    c.emplace_back(6, conquesttopology::Plate(2));
    c.emplace_back(7, conquesttopology::TorusGrid(5, 13));
    return c;
  }();
  for (const auto& [bits, mesh] : cases) {
    SCOPED_TRACE(mesh->NbVertex());
    ASSERT_EQ(CeilLog2(mesh->NbVertex()), bits);
    CTriangleGateCoder coder;
    ASSERT_EQ(coder.Encode(mesh.get(), "mesh.bin", 0, 0, 1, 0, nullptr, 1, 0, 0, 0), 1);
    ASSERT_EQ(coder.GetGenus(), 1); // the handles leave faces for the zip
    const int nbVertex = coder.GetVertexOrder().GetSize();
    ASSERT_EQ(nbVertex, mesh->NbVertex());

    CIBitStream in(ReadBytes(folder.File("mesh.bin")));
    ASSERT_EQ(in.ReadBit(), 1);
    in.BReadBits(4);
    CRangeDecoder decoder(4);
    ASSERT_EQ(decoder.StartOrderK(&in, 0), 1);
    std::uint32_t code = 0;
    while (decoder.DecodeOrderK(&code, &in)) {
    }
    ASSERT_EQ(decoder.DoneOrderK(&in), 1);
    for (int i = 0; i < 3 * nbVertex; i++)
      in.ReadFloat();
    const int count = static_cast<int>(in.BReadBits(8));
    ASSERT_EQ(count, coder.NbSeedFace());
    ASSERT_GT(count, 0);
    for (int i = 0; i < 3 * count; i++)
      ASSERT_LT(static_cast<int>(in.BReadBits(bits)), nbVertex);
    // What is left is the padding alone: one to eight 0 bits.
    const std::uint64_t left = in.GetRemainingBits();
    EXPECT_GE(left, 1u);
    EXPECT_LE(left, 8u);
    EXPECT_EQ(in.BReadBits(static_cast<int>(left)), 0u);

    CMesh3d decoded;
    CTriangleGateDecoder back;
    EXPECT_EQ(back.Decode(&decoded, "mesh.bin", 0, nullptr, 1, 0, 0), 1);
    EXPECT_EQ(decoded.NbFace(), mesh->NbFace());
  }
}
