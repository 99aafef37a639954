// The progressive coder's report, code statistics, raw geometry files and the smallest base
// meshes a stream may hold.
#include "coding/IBitStream.h"
#include "coding/OBitStream.h"
#include "compression/ProgressiveCoder.h"
#include "tests/compression/ConquestFixtures.h"
#include "tests/compression/ProgressiveMeshes.h"
#include "tests/support/MessageCapture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Scratch = conquest::CScratchFolder;

double ReadFigure(const std::string& report, const std::string& label)
{
  const size_t at = report.find(label);
  EXPECT_NE(std::string::npos, at) << label;
  return at == std::string::npos ? -1 : std::atof(report.c_str() + at + label.size());
}

// Packing refines the caller's mesh again; the report still speaks of the base mesh written.
TEST(ProgressiveReport, PackedCodesReportTheBaseMeshWritten)
{
  Scratch folder;
  auto plain = progressive::Torus(30, 20);
  const int n0 = plain->NbVertex();
  CProgressiveCoder reference;
  ASSERT_EQ(1, progressive::Encode(&reference, plain.get(), 40, 10, "plain.vpm"));
  const int base = plain->NbVertex();
  ASSERT_LT(base, n0);

  CMessageCapture messages;
  auto mesh = progressive::Torus(30, 20);
  CProgressiveCoder coder;
  ASSERT_EQ(1, coder.Encode(mesh.get(), 40, 10, "packed.vpm", 1, 0, 1, 0, 0, 0.0, 0, 0, nullptr,
                            1, 0, 0, nullptr, 0, nullptr, 1));
  EXPECT_EQ(n0, mesh->NbVertex());
  ASSERT_EQ(1u, messages.Texts().size());
  const std::string& report = messages.Last();
  char expected[64];
  std::snprintf(expected, sizeof expected, "Base mesh: %d vertices\r\n", base);
  EXPECT_EQ(0u, report.find(expected));
  // Every removal is a code of 3 or more: the rate per removed vertex is the coder's own.
  const double connectivity = ReadFigure(report, "Connectivity: ");
  EXPECT_GT(connectivity, 0.5);
  EXPECT_NEAR(coder.GetBitsPerRemovedVertex(), connectivity, 1e-4 * connectivity);
  EXPECT_NEAR(static_cast<double>(coder.GetGeometryBits()) / (n0 - base),
              ReadFigure(report, "Geometry: "), 1e-4);
  // Nothing but the stream is written: the layers' dump hook writes no file.
  EXPECT_EQ((std::set<std::string>{"plain.vpm", "packed.vpm"}), folder.Files());
}

CProgressiveCodeList Codes(int gateType, const std::vector<unsigned int>& values)
{
  CProgressiveCodeList codes(gateType);
  for (unsigned int c : values)
    codes.Add(c);
  return codes;
}

TEST(ProgressiveStatistics, DistributionCountsEachCodeOrRefusesTooFewBins)
{
  CMessageCapture messages;
  const CProgressiveCodeList codes = Codes(0, {2, 3, 3, 6, 2, 1, 5, 2});
  std::vector<unsigned int> histogram{9, 9};
  ASSERT_EQ(1, CProgressiveCoder::ProcessDistribution(codes, &histogram, 8));
  EXPECT_EQ((std::vector<unsigned int>{0, 1, 3, 2, 0, 1, 1, 0}), histogram);
  EXPECT_TRUE(messages.Texts().empty());
  // The largest code, 6, needs seven bins.
  EXPECT_EQ(0, CProgressiveCoder::ProcessDistribution(codes, &histogram, 6));
  ASSERT_EQ(1u, messages.Texts().size());
  EXPECT_EQ("ProcessDistribution: max >= NbItem", messages.Last());
  ASSERT_EQ(1, CProgressiveCoder::ProcessDistribution(codes, &histogram, 7));
  EXPECT_EQ(1u, histogram[6]);

  EXPECT_EQ(6u, CProgressiveCoder::MaxCode(codes));
  EXPECT_EQ(0u, CProgressiveCoder::MaxCode(Codes(1, {})));
  EXPECT_EQ(3u, CProgressiveCoder::MaxCode(Codes(1, {2, 3, 2})));
}

TEST(ProgressiveStatistics, TextDumpListsTheCount)
{
  Scratch folder;
  ASSERT_EQ(1, CProgressiveCoder::DumpCodes(Codes(0, {2, 5, 3}), "codes.txt"));
  std::ifstream in("codes.txt", std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ("3 codes\n2\n5\n3\n", text.str());
  ASSERT_EQ(1, CProgressiveCoder::DumpCodes(Codes(0, {}), "empty.txt"));
  EXPECT_EQ(0, CProgressiveCoder::DumpCodes(Codes(0, {2}), "no/such/folder/codes.txt"));
}

// The raw file holds every removed vertex's position before removal, coarsest layer first in
// removal order: the decoder's order of the re-inserted vertices.
TEST(ProgressiveStatistics, RawGeometryRoundTripsThePositionsBeforeRemoval)
{
  Scratch folder;
  auto mesh = progressive::PlateWithHoles(30, 24, 7);
  CProgressiveCoder encoder;
  ASSERT_EQ(1, progressive::Encode(&encoder, mesh.get(), 60, 10, "p.vpm"));
  const int base = mesh->NbVertex();
  COBitStream out;
  ASSERT_EQ(1, encoder.OutputGeometry(&out));
  std::uint64_t bits = 10;
  for (int i = 0; i < encoder.NbGeometryLayer(); i++)
    bits += 32 + 96ull * encoder.GetLayerGeometry(i)->NbRecord();
  EXPECT_EQ((bits + 8) / 8, out.GetBytes().size());

  CProgressiveCoder reader;
  CIBitStream in(out.GetBytes());
  ASSERT_EQ(1, reader.InputGeometry(&in));
  ASSERT_EQ(encoder.NbGeometryLayer(), reader.NbGeometryLayer());
  const auto& originals = encoder.GetOriginalPositions();
  size_t next = static_cast<size_t>(base);
  for (int i = reader.NbGeometryLayer() - 1; i >= 0; i--) {
    const CProgressiveGeometryLayer* layer = reader.GetLayerGeometry(i);
    ASSERT_EQ(encoder.GetLayerGeometry(i)->NbRecord(), layer->NbRecord());
    for (int r = 0; r < layer->NbRecord(); r++, next++)
      ASSERT_EQ(originals[next], layer->GetRecord(r).GetPosition());
  }
  EXPECT_EQ(originals.size(), next);

  // Cut short, or a count the file cannot hold: refused, the coder keeps what it had.
  std::vector<std::uint8_t> cut(out.GetBytes().begin(), out.GetBytes().end() - 13);
  CIBitStream shortIn(cut);
  EXPECT_EQ(0, reader.InputGeometry(&shortIn));
  COBitStream flood;
  flood.WriteBits(1, 10);
  flood.WriteBits(0xffffffffu, 32);
  flood.Flush(0);
  CIBitStream floodIn(flood.GetBytes());
  EXPECT_EQ(0, reader.InputGeometry(&floodIn));
  EXPECT_EQ(encoder.NbGeometryLayer(), reader.NbGeometryLayer());
}

// Meshes whose vertices have no faces cannot lose any: the stream holds the whole mesh as its
// base, of one or two vertices, and decodes to it.
TEST(ProgressiveSmallBase, OneOrTwoVerticesMakeALegalStream)
{
  Scratch folder;
  const progressive::Points points{{1.5f, -2, 4}, {3, 0.25f, -1}};
  for (int n : {1, 2}) {
    SCOPED_TRACE(n);
    auto mesh = fixtures::Build(progressive::Points(points.begin(), points.begin() + n), {});
    CProgressiveCoder encoder;
    ASSERT_EQ(1, progressive::Encode(&encoder, mesh.get(), n - 1, 12, "small.vpm"));
    EXPECT_EQ(0, encoder.NbLayer());
    CMesh3d decoded;
    CProgressiveCoder decoder;
    ASSERT_EQ(1, progressive::Decode(&decoder, &decoded, "small.vpm"));
    ASSERT_EQ(n, decoded.NbVertex());
    EXPECT_EQ(0, decoded.NbFace());
    for (int i = 0; i < n; i++)
      for (int axis = 0; axis < 3; axis++)
        EXPECT_NEAR(points[i][axis], decoded.GetVertex(i)->Get(axis), 1e-3);
  }
}

// The stream holds q in 4 bits, and q = 0 leaves one level per axis: both refused before
// anything is written; 15 bits still round-trip.
TEST(ProgressiveSmallBase, QuantizationBitsOutsideTheFieldAreRefused)
{
  Scratch folder;
  for (int q : {0, 16, 15}) {
    SCOPED_TRACE(q);
    auto mesh = progressive::Torus(16, 12);
    const int n0 = mesh->NbVertex();
    CProgressiveCoder encoder;
    const int expected = q == 15 ? 1 : 0;
    EXPECT_EQ(expected, progressive::Encode(&encoder, mesh.get(), 20, q, "q.vpm"));
    EXPECT_EQ(expected == 1, folder.Exists("q.vpm"));
    EXPECT_EQ(expected == 1, mesh->NbVertex() < n0);
  }
}

} // namespace
