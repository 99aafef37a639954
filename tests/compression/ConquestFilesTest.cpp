// What the coder writes: the connectivity stream, the code dumps, and nothing else; and what
// it refuses to write.
#include "compression/ConquestFixtures.h"
#include "platform/core/Redraw.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using conquest::Encode;
using conquest::SOptions;
using Files = std::set<std::string>;

namespace {

std::uint8_t ReverseBits(std::uint8_t b)
{
  std::uint8_t r = 0;
  for (int i = 0; i < 8; i++)
    r = static_cast<std::uint8_t>(r | (((b >> i) & 1) << (7 - i)));
  return r;
}

// A double pyramid whose two apexes have the given valence.
std::unique_ptr<CMesh3d> Bipyramid(int n)
{
  fixtures::Points points{{0, 0, 1}, {0, 0, -1}};
  fixtures::Triangles triangles;
  for (int i = 0; i < n; i++) {
    const float a = 6.2831853f * i / n;
    points.push_back({std::cos(a), std::sin(a), 0});
    const int b = 2 + i;
    const int c = 2 + (i + 1) % n;
    triangles.push_back({0, b, c});
    triangles.push_back({1, c, b});
  }
  return fixtures::Build(points, triangles);
}

} // namespace

TEST(ConquestFiles, DumpsAndStreamHoldTheCodes)
{
  auto mesh = fixtures::Icosphere(2);
  conquest::CScratchFolder folder;
  CConquestCoder coder;
  const auto r = Encode(coder, mesh.get());
  ASSERT_EQ(r.Ok, 1);
  EXPECT_EQ(folder.Files(), (Files{"mesh.bin", "codes.txt", "codes.bin"}));
  const auto& codes = coder.GetCodes();

  std::ifstream text(folder.File("codes.txt"));
  std::vector<unsigned int> read;
  for (unsigned int code; text >> code;)
    read.push_back(code);
  EXPECT_EQ(read, codes);
  const auto bytes = ReadBytes(folder.File("codes.bin"));
  EXPECT_EQ(std::vector<unsigned int>(bytes.begin(), bytes.end()), codes);

  // The stream starts with the largest code on 8 bits, least significant bit first; the rate
  // leaves those 8 bits out.
  const auto stream = ReadBytes(folder.File("mesh.bin"));
  ASSERT_FALSE(stream.empty());
  EXPECT_EQ(ReverseBits(stream[0]), CConquestCoder::GetMaxValue(codes));
  EXPECT_FLOAT_EQ(r.ConnectivityRate, (stream.size() * 8.0f - 8.0f) / mesh->NbVertex());
  EXPECT_EQ(r.GeometryRate, -1.0f);
}

TEST(ConquestFiles, TheCallerNamesTheStreamOnly)
{
  auto mesh = fixtures::Octahedron();
  conquest::CScratchFolder folder;
  CConquestCoder coder;
  SOptions o;
  o.GeometryOn = 1;
  ASSERT_EQ(Encode(coder, mesh.get(), o, "octa.cod").Ok, 1);
  EXPECT_EQ(folder.Files(), (Files{"octa.cod", "codes.txt", "codes.bin", "pos.bin"}));
}

TEST(ConquestFiles, TwoRunsWriteTheSameBytes)
{
  for (const int stackRun : {0, 1}) {
    std::vector<std::vector<std::uint8_t>> runs[2];
    std::vector<float> rates[2];
    for (auto& run : runs) {
      auto mesh = conquest::Grid(8, 0, {20});
      conquest::CScratchFolder folder;
      CConquestCoder coder;
      SOptions o;
      o.GeometryOn = 1;
      o.StackRun = stackRun;
      const auto r = Encode(coder, mesh.get(), o);
      ASSERT_EQ(r.Ok, 1);
      for (const char* name : {"mesh.bin", "codes.txt", "codes.bin", "pos.bin"})
        run.push_back(ReadBytes(folder.File(name)));
      rates[&run - runs] = {r.ConnectivityRate, r.GeometryRate};
    }
    EXPECT_EQ(runs[0], runs[1]) << stackRun;
    EXPECT_EQ(rates[0], rates[1]) << stackRun;
  }
}

TEST(ConquestFiles, StackRunRateCountsItsWholeFile)
{
  auto mesh = conquest::Torus(16, 10, true);
  conquest::CScratchFolder folder;
  CConquestCoder coder;
  SOptions o;
  o.StackRun = 1;
  const auto r = Encode(coder, mesh.get(), o);
  ASSERT_EQ(r.Ok, 1);
  const auto stream = ReadBytes(folder.File("mesh.bin"));
  EXPECT_NEAR(r.ConnectivityRate * mesh->NbVertex(), stream.size() * 8.0, 8.0);
}

TEST(ConquestFiles, TheStepLimitSkipsTheEntropyStage)
{
  auto full = fixtures::Icosphere(2);
  conquest::CScratchFolder folder;
  CConquestCoder complete;
  ASSERT_EQ(Encode(complete, full.get()).Ok, 1);

  auto mesh = fixtures::Icosphere(2);
  conquest::CScratchFolder limited;
  CConquestCoder coder;
  SOptions o;
  o.LimitOn = 1;
  o.LimitSteps = 10;
  const auto r = Encode(coder, mesh.get(), o);
  ASSERT_EQ(r.Ok, 1);
  EXPECT_EQ(limited.Files(), (Files{"codes.txt", "codes.bin"}));
  EXPECT_EQ(r.ConnectivityRate, -1.0f);
  const auto& codes = coder.GetCodes();
  ASSERT_LT(codes.size(), complete.GetCodes().size());
  EXPECT_GE(codes.size(), 4u);
  // Up to where it stops, the conquest is the complete one.
  EXPECT_TRUE(std::equal(codes.begin(), codes.end(), complete.GetCodes().begin()));
  EXPECT_LT(mesh->CountFacesWithFlag(1), mesh->NbFace());
}

TEST(ConquestFiles, CodesAboveAByteAreRefusedNotCut)
{
  // Apexes of valence 300: the 8-bit maximum and codes.bin cannot hold them.
  auto mesh = Bipyramid(300);
  conquest::CScratchFolder folder;
  CConquestCoder coder;
  EXPECT_EQ(Encode(coder, mesh.get()).Ok, 0);
  EXPECT_EQ(CConquestCoder::GetMaxValue(coder.GetCodes()), 300u);
  EXPECT_EQ(folder.Files(), (Files{"codes.txt"}));

  CConquestCoder stackRun;
  SOptions o;
  o.StackRun = 1;
  auto again = Bipyramid(300);
  EXPECT_EQ(Encode(stackRun, again.get(), o).Ok, 0);
  EXPECT_FALSE(folder.Exists("codes.bin"));

  auto fits = Bipyramid(250);
  CConquestCoder fitting;
  EXPECT_EQ(Encode(fitting, fits.get()).Ok, 1);
  EXPECT_EQ(ReadBytes(folder.File("codes.bin")).size(), fitting.GetCodes().size());
}

TEST(ConquestFiles, RefusedInputWritesNothing)
{
  auto mesh = fixtures::Octahedron();
  conquest::CScratchFolder folder;
  SOptions o;
  for (const int seed : {-1, 8}) {
    CConquestCoder coder;
    o.SeedFace = seed;
    EXPECT_EQ(Encode(coder, mesh.get(), o).Ok, 0) << seed;
  }
  o.SeedFace = 0;
  o.GeometryOn = 1;
  for (const int bits : {0, 31}) {
    CConquestCoder coder;
    o.NormalBits = bits;
    EXPECT_EQ(Encode(coder, mesh.get(), o).Ok, 0) << bits;
  }
  CConquestCoder coder;
  EXPECT_EQ(Encode(coder, nullptr).Ok, 0);
  EXPECT_TRUE(folder.Files().empty());
  EXPECT_EQ(mesh->NbVertex(), 6);
}

TEST(ConquestFiles, VisualDebuggingRedrawsEveryNthRequest)
{
  int redraws = 0;
  const auto previous = platform::SetRedrawHook([&redraws](CRenderView*) { redraws++; });
  auto* view = reinterpret_cast<CRenderView*>(&redraws); // opaque: only handed to the hook
  conquest::CScratchFolder folder;
  int counts[2] = {0, 0};
  for (const int updateEach : {1, 4}) {
    auto mesh = fixtures::Icosphere(1);
    CConquestCoder coder;
    float rate = 0.0f;
    redraws = 0;
    ASSERT_EQ(coder.Encode(mesh.get(), "mesh.bin", view, 1, 1, 0, updateEach, 0, 1, 0, 0, 0, 0,
                           &rate, nullptr, 0, 8, 8, 2),
              1);
    counts[updateEach == 1 ? 0 : 1] = redraws;
    // The seed face keeps its debug colour.
    EXPECT_EQ(mesh->GetFace(0)->GetColor()->b(), 255);
  }
  EXPECT_GT(counts[0], 3 * counts[1]);
  EXPECT_GT(counts[1], 1);

  redraws = 0;
  auto mesh = fixtures::Icosphere(1);
  CConquestCoder quiet;
  ASSERT_EQ(Encode(quiet, mesh.get()).Ok, 1);
  EXPECT_EQ(redraws, 0);
  platform::SetRedrawHook(previous);
}
