#include "coding/OBitFile.h"
#include "coding/RangeEncoder.h"
#include "compression/ProgressiveCoder.h"
#include "mesh/Face3d.h"
#include "mesh/Vertex3d.h"
#include "platform/core/Redraw.h"
#include "tests/compression/ConquestFixtures.h"
#include "tests/compression/ProgressiveMeshes.h"
#include "tests/support/MessageCapture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Scratch = conquest::CScratchFolder;

struct STopology
{
  const char* name;
  int genus;
  std::unique_ptr<CMesh3d> (*build)();
};

const STopology kTopologies[] = {
    {"slab", 0, [] { return progressive::PiercedSlab(14, 8, 2, 0); }},
    {"torus", 1, [] { return progressive::Torus(30, 18); }},
    {"slab of genus 2", 2, [] { return progressive::PiercedSlab(14, 9, 2, 2); }},
    {"slab of genus 3", 3, [] { return progressive::PiercedSlab(19, 9, 2, 3); }},
    {"plate with 36 holes", -1, [] { return progressive::PlateWithHoles(38, 38, 6); }},
    {"torus and plate", -1, [] { return progressive::TorusAndPlate(20, 12, 30, 24); }},
};

TEST(ProgressiveFiles, EveryTopologyRoundTripsExactly)
{
  Scratch folder;
  for (const STopology& t : kTopologies) {
    SCOPED_TRACE(t.name);
    auto mesh = t.build();
    if (t.genus >= 0) {
      ASSERT_EQ(2 - 2 * t.genus, fixtures::EulerCharacteristic(*mesh));
      ASSERT_TRUE(fixtures::IsClosed(*mesh));
    } else {
      ASSERT_GT(progressive::CountBoundaryEdges(*mesh), 100);
    }
    for (int q : {8, 10}) {
      auto copy = t.build();
      CMesh3d decoded;
      EXPECT_GT(progressive::ExpectExactRoundTrip(copy.get(), 30, q, "t.vpm", &decoded), 1);
      EXPECT_LT(copy->NbVertex(), mesh->NbVertex() / 3);
    }
  }
}

std::vector<std::array<int, 3>> QuantizedPositions(const CMesh3d& mesh)
{
  std::vector<std::array<int, 3>> points;
  for (int i = 0; i < mesh.NbVertex(); i++)
    points.push_back(progressive::Quantized(mesh.GetVertex(i)));
  return points;
}

// Each cut is refused, leaving the mesh empty, or lost only padding and decodes as the whole
// stream does; each flipped bit is refused the same way or gives a mesh whose faces all hold
// vertices of the mesh.
void ExpectDamageRefusedOrHarmless(const std::vector<std::uint8_t>& bytes,
                                   const std::vector<std::array<int, 3>>& whole, int bitStep)
{
  for (size_t cut = 0; cut < bytes.size(); cut++) {
    WriteBytes("cut.vpm", std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + cut));
    CMesh3d decoded;
    CProgressiveCoder decoder;
    if (progressive::Decode(&decoder, &decoded, "cut.vpm")) {
      EXPECT_EQ(whole, QuantizedPositions(decoded)) << "cut at " << cut;
      continue;
    }
    EXPECT_EQ(0, decoded.NbVertex());
    EXPECT_EQ(0, decoded.NbFace());
  }
  for (size_t bit = 0; bit < 8 * bytes.size(); bit += bitStep) {
    auto damaged = bytes;
    damaged[bit / 8] ^= static_cast<std::uint8_t>(1u << (bit % 8));
    WriteBytes("bad.vpm", damaged);
    CMesh3d decoded;
    CProgressiveCoder decoder;
    if (!progressive::Decode(&decoder, &decoded, "bad.vpm")) {
      EXPECT_EQ(0, decoded.NbVertex()) << "bit " << bit;
      continue;
    }
    for (int i = 0; i < decoded.NbFace(); i++)
      for (int k = 0; k < 3; k++)
        ASSERT_GE(decoded.IndexFrom(decoded.GetFace(i)->v(k)), 0) << "bit " << bit;
  }
}

TEST(ProgressiveFiles, EveryTruncationAndBitFlipIsRefusedOrHarmless)
{
  Scratch folder;
  for (auto build : {+[] { return progressive::PlateWithHoles(12, 10, 5); },
                     +[] { return progressive::TorusAndPlate(8, 6, 8, 6); }}) {
    auto mesh = build();
    CProgressiveCoder coder;
    ASSERT_EQ(1, progressive::Encode(&coder, mesh.get(), 10, 8, "s.vpm"));
    ASSERT_GT(coder.NbLayer(), 1);
    CMesh3d decoded;
    CProgressiveCoder decoder;
    ASSERT_EQ(1, progressive::Decode(&decoder, &decoded, "s.vpm"));
    // Every third bit: each byte gets at least two of its bits flipped.
    const auto bytes = ReadBytes("s.vpm");
    ExpectDamageRefusedOrHarmless(bytes, QuantizedPositions(decoded), 3);
  }
}

// A stream whose codes section repeats one code compresses thousands of codes into a byte:
// the reader stops once a layer holds more codes than the base mesh can use.
TEST(ProgressiveFiles, LayerOfEndlessCodesIsRefused)
{
  Scratch folder;
  for (unsigned int code : {2u, 3u}) {
    {
      COBitFile file("endless.vpm");
      file.WriteBits(4, 4);
      file.WriteBits(4, 24);
      file.WriteBits(4, 24);
      for (int k = 0; k < 6; k++)
        file.WriteFloat(1.0f);
      const unsigned int corners[4][3] = {{0, 1, 2}, {0, 2, 3}, {0, 3, 1}, {1, 3, 2}};
      for (int v = 0; v < 4; v++)
        for (int k = 0; k < 3; k++)
          file.WriteBits(static_cast<unsigned int>((v * 5 + k * 3) % 16), 4);
      for (const auto& f : corners)
        for (unsigned int c : f)
          file.WriteBits(c, 2);
      file.WriteBits(1, 10);
      CRangeEncoder encoder(7);
      ASSERT_TRUE(encoder.Start());
      encoder.Encode(0, &file);
      for (int i = 0; i < 2000000; i++)
        encoder.Encode(code, &file);
      encoder.Encode(0, &file);
      encoder.Done(&file);
      file.WriteBits(1, 10);
      file.PutBit(0);
      file.WriteBits(0, 4);
      file.Flush(0);
      file.FlushStream();
    }
    CMesh3d decoded;
    CProgressiveCoder decoder;
    EXPECT_EQ(0, progressive::Decode(&decoder, &decoded, "endless.vpm"));
    EXPECT_EQ(0, decoded.NbVertex());
    EXPECT_EQ(0, decoder.NbLayer());
  }
}

// One layer to "refine.bin" and back: the vertex and face counts and the topology return,
// the new vertices at the mean of their border.
TEST(ProgressiveFiles, SingleLayerFileRoundTrips)
{
  Scratch folder;
  for (const STopology& t : kTopologies)
    for (int gateType : {0, 1}) {
      SCOPED_TRACE(std::string(t.name) + (gateType ? " double" : " simple"));
      auto mesh = t.build();
      const int n0 = mesh->NbVertex();
      const int nf = mesh->NbFace();
      const int euler = fixtures::EulerCharacteristic(*mesh);
      const int boundary = progressive::CountBoundaryEdges(*mesh);
      CProgressiveCoder encoder;
      ASSERT_EQ(1, encoder.EncodeOneLayer(mesh.get(), "refine.bin", gateType, gateType ? 3 : 6, 0,
                                          0, 1, 0, 0, 0.0, 1, nullptr, 1, 0, 0, 0));
      // Double layers remove valence 3 only, which some meshes lack.
      ASSERT_LE(mesh->NbVertex(), n0);
      CProgressiveCoder decoder;
      ASSERT_EQ(1, decoder.DecodeLayer(mesh.get(), "refine.bin", 1, nullptr, 0, 0));
      EXPECT_EQ(n0, mesh->NbVertex());
      EXPECT_EQ(nf, mesh->NbFace());
      EXPECT_EQ(euler, fixtures::EulerCharacteristic(*mesh));
      EXPECT_EQ(boundary, progressive::CountBoundaryEdges(*mesh));
      EXPECT_TRUE(fixtures::IsOriented(*mesh));
    }
}

TEST(ProgressiveFiles, DamagedSingleLayerFileLeavesASoundMesh)
{
  Scratch folder;
  auto mesh = progressive::PlateWithHoles(16, 14, 5);
  CProgressiveCoder encoder;
  ASSERT_EQ(1, encoder.EncodeOneLayer(mesh.get(), "refine.bin", 0, 6, 0, 0, 1, 0, 0, 0.0, 1,
                                      nullptr, 1, 0, 0, 0));
  const auto bytes = ReadBytes("refine.bin");
  const int euler = fixtures::EulerCharacteristic(*mesh);
  for (size_t bit = 0; bit < 8 * bytes.size(); bit++) {
    auto damaged = bytes;
    damaged[bit / 8] ^= static_cast<std::uint8_t>(1u << (bit % 8));
    WriteBytes("bad.bin", damaged);
    CMesh3d copy;
    copy.Copy(mesh.get());
    copy.Rebuild();
    CProgressiveCoder decoder;
    decoder.DecodeLayer(&copy, "bad.bin", 1, nullptr, 0, 0);
    EXPECT_EQ(euler, fixtures::EulerCharacteristic(copy)) << "bit " << bit;
    EXPECT_TRUE(fixtures::IsOriented(copy)) << "bit " << bit;
  }
  // Another mesh's layer does not fit: refused.
  auto other = progressive::Torus(12, 10);
  CProgressiveCoder decoder;
  EXPECT_EQ(0, decoder.DecodeLayer(other.get(), "refine.bin", 1, nullptr, 0, 0));
}

std::string ReadText(const char* name)
{
  std::ifstream in(name);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

int Count(const std::string& text, const std::string& word)
{
  int n = 0;
  for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1))
    n++;
  return n;
}

TEST(ProgressiveFiles, ReportAndLevelsFile)
{
  Scratch folder;
  CMessageCapture messages;
  auto mesh = progressive::Torus(24, 16);
  const int n0 = mesh->NbVertex();
  int pairs = 0;
  static int* s_Pairs = nullptr;
  s_Pairs = &pairs;
  CProgressiveCoder coder;
  ASSERT_EQ(1, coder.Encode(mesh.get(), 40, 10, "t.vpm", 0, 0, 1, 0, 0, 0.0, 0, 0, nullptr, 1, 0,
                            0, [](int) { return ++*s_Pairs; }, 1, "levels.wrl", 1));
  ASSERT_EQ(1u, messages.Texts().size());
  const std::string& report = messages.Last();
  const auto size = static_cast<long>(ReadBytes("t.vpm").size());
  char expected[128];
  std::snprintf(expected, sizeof expected, "Base mesh: %d vertices\r\n", mesh->NbVertex());
  EXPECT_EQ(0u, report.find(expected));
  EXPECT_NE(std::string::npos, report.find("Connectivity: "));
  EXPECT_NE(std::string::npos, report.find(" b/rv\r\nGeometry: "));
  std::snprintf(expected, sizeof expected, "%d layers\r\n", coder.NbLayer());
  EXPECT_NE(std::string::npos, report.find(expected));
  // The total counts the padded file's bits.
  long total = 0;
  ASSERT_EQ(1, std::sscanf(report.c_str() + report.find("Total: "), "Total: %ld bits", &total));
  EXPECT_EQ(8 * size, total);
  EXPECT_GT(n0, mesh->NbVertex());
  // The original and one mesh per pair that removed something: all of them when the target
  // was reached, else all but the last.
  const std::string levels = ReadText("levels.wrl");
  EXPECT_EQ(0u, levels.find("#VRML V2.0 utf8"));
  const int written = mesh->NbVertex() <= 40 ? pairs : pairs - 1;
  EXPECT_GT(written, 1);
  EXPECT_EQ(1 + written, Count(levels, "IndexedFaceSet"));
}

// Packing drops only null codes the decoder implies: the stream gets no longer, decodes to
// the same reconstruction, and the caller's mesh is refined back to its vertex count.
TEST(ProgressiveFiles, PackedCodesDecodeTheSame)
{
  Scratch folder;
  for (auto build : {+[] { return progressive::Torus(30, 20); },
                     +[] { return progressive::PlateWithHoles(24, 20, 6); }}) {
    auto plain = build();
    auto packed = build();
    const int n0 = plain->NbVertex();
    CProgressiveCoder a;
    CProgressiveCoder b;
    ASSERT_EQ(1, progressive::Encode(&a, plain.get(), 20, 10, "plain.vpm"));
    ASSERT_EQ(1, progressive::Encode(&b, packed.get(), 20, 10, "packed.vpm", nullptr, 1));
    EXPECT_EQ(n0, packed->NbVertex());
    EXPECT_LE(ReadBytes("packed.vpm").size(), ReadBytes("plain.vpm").size());
    CMesh3d decoded;
    CProgressiveCoder decoder;
    ASSERT_EQ(1, progressive::Decode(&decoder, &decoded, "packed.vpm"));
    ASSERT_EQ(b.GetReconstruction().size(), static_cast<size_t>(decoded.NbVertex()));
    for (int i = 0; i < decoded.NbVertex(); i++)
      ASSERT_EQ(b.GetReconstruction()[i], progressive::Quantized(decoded.GetVertex(i)));
  }
}

// The metric vetoes removals that move the surface: a crumpled plate keeps more vertices.
TEST(ProgressiveFiles, MetricVetoKeepsDetail)
{
  for (int kind : {0, 1}) {
    auto free = progressive::PlateWithHoles(30, 30, 8);
    auto vetoed = progressive::PlateWithHoles(30, 30, 8);
    CProgressiveCoder a;
    CProgressiveCoder b;
    b.SetMetric(1, kind, 0.001);
    const int removedFree = a.EncodeLayer(free.get(), 0, 6);
    const int removedVetoed = b.EncodeLayer(vetoed.get(), 0, 6);
    EXPECT_GT(removedFree, 0);
    EXPECT_LT(removedVetoed, removedFree) << "kind " << kind;
    // A threshold no removal reaches vetoes nothing.
    auto loose = progressive::PlateWithHoles(30, 30, 8);
    CProgressiveCoder c;
    c.SetMetric(1, kind, 1e30);
    EXPECT_EQ(removedFree, c.EncodeLayer(loose.get(), 0, 6));
  }
}

// Visual debugging redraws the view every `period` conquest steps while encoding one layer,
// and after each simple layer while decoding.
TEST(ProgressiveFiles, RedrawsThroughTheHook)
{
  Scratch folder;
  int redraws = 0;
  auto* view = reinterpret_cast<CRenderView*>(&redraws);
  const platform::RedrawHook previous = platform::SetRedrawHook([&](CRenderView* v) {
    EXPECT_EQ(view, v);
    redraws++;
  });
  auto mesh = progressive::Torus(20, 12);
  CProgressiveCoder one;
  ASSERT_EQ(1, one.EncodeOneLayer(mesh.get(), "refine.bin", 0, 6, 0, 0, 1, 0, 0, 0.0, 1, view, 4,
                                  1, 1, 0));
  const int steps = one.GetLayerCodes(0)->NbCode();
  EXPECT_GE(redraws, steps / 4);
  EXPECT_LE(redraws, mesh->NbFace() / 4 + steps);

  auto full = progressive::Torus(20, 12);
  CProgressiveCoder encoder;
  ASSERT_EQ(1, progressive::Encode(&encoder, full.get(), 20, 10, "t.vpm"));
  int simple = 0;
  for (int i = 0; i < encoder.NbLayer(); i++)
    simple += encoder.GetLayerCodes(i)->GetGateType() == 0 ? 1 : 0;
  redraws = 0;
  CMesh3d decoded;
  CProgressiveCoder decoder;
  ASSERT_EQ(1, decoder.Decode(&decoded, "t.vpm", nullptr, view, 1, 0, 0, 0, 1));
  EXPECT_EQ(simple, redraws);

  // Fine grain: a redraw every 5 re-inserted vertices as well, the result unchanged.
  redraws = 0;
  CMesh3d fine;
  CProgressiveCoder fineDecoder;
  ASSERT_EQ(1, fineDecoder.Decode(&fine, "t.vpm", nullptr, view, 1, 1, 0, 1, 5));
  EXPECT_EQ(simple + (fine.NbVertex() - full->NbVertex()) / 5, redraws);
  ASSERT_EQ(decoded.NbVertex(), fine.NbVertex());
  EXPECT_EQ(decoded.NbFace(), fine.NbFace());
  for (int i = 0; i < fine.NbVertex(); i++)
    ASSERT_EQ(progressive::Quantized(decoded.GetVertex(i)), progressive::Quantized(fine.GetVertex(i)));
  EXPECT_TRUE(fixtures::IsOriented(fine));
  platform::SetRedrawHook(previous);
}

} // namespace
