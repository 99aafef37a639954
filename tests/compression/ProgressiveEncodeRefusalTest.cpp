// Remembered refusals: a gate refused by the vetoes on the new faces, met again in a later layer
// on an unchanged ring, is refused without walking the patch. Judging every such gate in full
// as well must never contradict the remembered answer, and the stream must not change. The
// boundary test of a free vertex, read on its corners, is checked against its faces the same way.
#include "compression/ProgressiveCoder.h"
#include "tests/compression/ConquestFixtures.h"
#include "tests/compression/ProgressiveMeshes.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

std::vector<char> ReadAll(const std::string& name)
{
  std::ifstream in(name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct SCase
{
  const char* name;
  std::unique_ptr<CMesh3d> (*build)();
  int targetDivisor;
  int forbidConcave;
  int useMetric;
  int metricKind;
  double threshold;
  // Metric off after the first layer pair: refusals remembered until then were judged with it
  // on.
  int switchMetricOff;
  // Whether the mesh stalls enough for refusals to come back.
  bool expectHits;
};

std::unique_ptr<CMesh3d> Obj(const char* name)
{
  auto mesh = progressive::ReadObj(name);
  EXPECT_NE(nullptr, mesh) << name;
  return mesh ? std::move(mesh) : std::make_unique<CMesh3d>();
}

const SCase kCases[] = {
    {"cheese flipping", [] { return Obj("cheese.obj"); }, 100, 0, 0, 0, 0, 0, true},
    {"cheese metric switched off", [] { return Obj("cheese.obj"); }, 100, 1, 1, 0, 0.05, 1, true},
    {"camel volume", [] { return Obj("camel.obj"); }, 100, 0, 1, 1, 0.25, 0, true},
    {"plate with holes", [] { return progressive::PlateWithHoles(60, 60, 10); }, 100, 0, 0, 0, 0, 0,
     false},
    {"elephant patch", [] { return Obj("conquest_elephant_patch337.obj"); }, 10, 1, 1, 0, 0.3, 0,
     false},
};

struct SRun
{
  std::vector<char> bytes;
  int layers = 0;
  int hits = 0;
  int mismatches = 0;
  int boundaryMismatches = 0;
};

SRun EncodeCase(const SCase& c, int mode, int colourCause = 0)
{
  auto mesh = c.build();
  const int offBelow = mesh->NbVertex();
  CProgressiveCoder coder;
  coder.SetRefusalMemory(mode);
  SRun run;
  EXPECT_EQ(1, coder.Encode(mesh.get(), mesh->NbVertex() / c.targetDivisor, 11, "refusal.vpm", 0,
                            c.forbidConcave, 1, c.useMetric, c.metricKind, c.threshold,
                            c.switchMetricOff, offBelow, nullptr, 1, 0, colourCause, nullptr, 0,
                            nullptr, 0));
  run.bytes = ReadAll("refusal.vpm");
  run.layers = coder.NbLayer();
  run.hits = coder.GetRefusalHits();
  run.mismatches = coder.GetRefusalMismatches();
  run.boundaryMismatches = coder.GetBoundaryMismatches();
  return run;
}

TEST(ProgressiveRefusals, FullJudgementNeverContradictsARememberedRefusal)
{
  conquest::CScratchFolder folder;
  for (const SCase& c : kCases) {
    SCOPED_TRACE(c.name);
    const SRun checked = EncodeCase(c, 2);
    EXPECT_EQ(0, checked.mismatches);
    // The boundary test read on the corner lists agrees with the one read on the faces.
    EXPECT_EQ(0, checked.boundaryMismatches);
    if (c.expectHits) {
      // Many layers, most refusals coming back: the memory is exercised, not bypassed.
      EXPECT_GT(checked.layers, 10);
      EXPECT_GT(checked.hits, 1000);
    }
  }
}

TEST(ProgressiveRefusals, StreamIsTheSameWithAndWithoutTheMemory)
{
  conquest::CScratchFolder folder;
  for (const SCase& c : kCases) {
    SCOPED_TRACE(c.name);
    const SRun full = EncodeCase(c, 1);
    const SRun remembered = EncodeCase(c, 0);
    ASSERT_FALSE(full.bytes.empty());
    // Judging everything in full answers nothing from memory.
    EXPECT_EQ(0, full.hits);
    EXPECT_EQ(full.layers, remembered.layers);
    EXPECT_TRUE(full.bytes == remembered.bytes);
  }
}

// Refusals shown with their cause are judged in full each time (the vetoes then run in
// another order, and each refused patch is coloured).
TEST(ProgressiveRefusals, CauseColouringJudgesEveryGateInFull)
{
  conquest::CScratchFolder folder;
  const SCase& c = kCases[0];
  const SRun coloured = EncodeCase(c, 0, 1);
  const SRun plain = EncodeCase(c, 0);
  EXPECT_EQ(0, coloured.hits);
  EXPECT_GT(plain.hits, 0);
  EXPECT_TRUE(coloured.bytes == plain.bytes);
}

} // namespace
