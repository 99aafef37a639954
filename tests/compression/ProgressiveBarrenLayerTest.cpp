// Layers that cannot remove anything: an encoding does not walk them (they leave the stream),
// a layer asked for on its own still is, and every code is kept.
#include "compression/ProgressiveCoder.h"
#include "mesh/Mesh3d.h"
#include "tests/compression/ConquestFixtures.h"
#include "tests/compression/ProgressiveMeshes.h"
#include "tests/mesh/MeshFixtures.h"

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

struct SRun
{
  std::vector<char> bytes;
  int barren = 0;
  int mismatches = 0;
  int vertices = 0;
};

SRun EncodeWithMode(std::unique_ptr<CMesh3d> mesh, int divisor, int mode)
{
  CProgressiveCoder coder;
  coder.SetRefusalMemory(mode);
  SRun run;
  EXPECT_EQ(1, progressive::Encode(&coder, mesh.get(), mesh->NbVertex() / divisor, 11, "barren.vpm"));
  run.bytes = ReadAll("barren.vpm");
  run.barren = coder.GetBarrenLayers();
  run.mismatches = coder.GetBarrenMismatches();
  run.vertices = mesh->NbVertex();
  return run;
}

// Closed, valences 5 and 6 only: a double layer, which removes vertices of valence 3 alone,
// has nothing to remove. Asked for on its own, it is walked all the same and its codes kept:
// with no removal, each gate with a free face in front takes that face as a null patch, and
// the conquest from the seed edge reaches every face of the closed surface once.
TEST(ProgressiveBarrenLayers, ALayerOnItsOwnKeepsEveryNullPatch)
{
  auto mesh = fixtures::Icosphere(2);
  const int faces = mesh->NbFace();
  CProgressiveCoder coder;
  EXPECT_EQ(0, coder.EncodeLayer(mesh.get(), 1, 3));
  ASSERT_EQ(1, coder.NbLayer());
  const CProgressiveCodeList* codes = coder.GetLayerCodes(0);
  EXPECT_EQ(faces, codes->NbCode());
  for (unsigned int code : codes->GetCodes())
    EXPECT_EQ(2u, code);
  EXPECT_EQ(0, coder.GetBarrenLayers());
  EXPECT_EQ(faces, mesh->NbFace());
}

// Every vertex of a tetrahedron has valence 3 and neighbours of valence 3: any border it would
// leave is degenerate, so neither layer of the first pair can remove anything, and the encoding
// stops there with the whole tetrahedron as its base mesh.
TEST(ProgressiveBarrenLayers, DegenerateRingsLeaveNothingToWalk)
{
  conquest::CScratchFolder folder;
  for (int mode : {0, 2}) {
    SCOPED_TRACE(mode);
    const SRun run = EncodeWithMode(fixtures::Tetrahedron(), 4, mode);
    EXPECT_EQ(2, run.barren);
    EXPECT_EQ(0, run.mismatches);
    EXPECT_EQ(4, run.vertices);
  }
  CMesh3d decoded;
  CProgressiveCoder decoder;
  ASSERT_EQ(1, progressive::Decode(&decoder, &decoded, "barren.vpm"));
  EXPECT_EQ(4, decoded.NbVertex());
  EXPECT_EQ(4, decoded.NbFace());
}

// A flat open fan has no inner vertex: its rim vertices of valence 3 lie on the boundary,
// where only a simple layer removes them. Each double layer is skipped, each simple one walked.
TEST(ProgressiveBarrenLayers, BoundaryVerticesGoInSimpleLayersOnly)
{
  conquest::CScratchFolder folder;
  const SRun skipped = EncodeWithMode(fixtures::Fan(12), 4, 0);
  const SRun walked = EncodeWithMode(fixtures::Fan(12), 4, 1);
  const SRun checked = EncodeWithMode(fixtures::Fan(12), 4, 2);
  EXPECT_LT(walked.vertices, 14);
  EXPECT_EQ(walked.vertices, skipped.vertices);
  ASSERT_FALSE(walked.bytes.empty());
  EXPECT_TRUE(skipped.bytes == walked.bytes);
  EXPECT_EQ(0, checked.mismatches);
  EXPECT_GT(skipped.barren, 0);
  EXPECT_EQ(skipped.barren, checked.barren);
}

struct SCase
{
  const char* name;
  std::unique_ptr<CMesh3d> (*build)();
  int divisor;
};

std::unique_ptr<CMesh3d> Obj(const char* name)
{
  auto mesh = progressive::ReadObj(name);
  EXPECT_NE(nullptr, mesh) << name;
  return mesh ? std::move(mesh) : std::make_unique<CMesh3d>();
}

// Meshes that stall: many late double layers find no free vertex of valence 3 (cheese, the
// plate), or only ones whose rings are degenerate (the elephant patch).
const SCase kStalling[] = {
    {"cheese", [] { return Obj("cheese.obj"); }, 100},
    {"plate with holes", [] { return progressive::PlateWithHoles(60, 60, 10); }, 100},
    {"elephant patch", [] { return Obj("conquest_elephant_patch337.obj"); }, 10},
};

TEST(ProgressiveBarrenLayers, SkippingThemLeavesTheStreamAlone)
{
  conquest::CScratchFolder folder;
  for (const SCase& c : kStalling) {
    SCOPED_TRACE(c.name);
    const SRun skipped = EncodeWithMode(c.build(), c.divisor, 0);
    // Judging in full walks every layer.
    const SRun walked = EncodeWithMode(c.build(), c.divisor, 1);
    // Checking walks them too, and counts any that removed something after all.
    const SRun checked = EncodeWithMode(c.build(), c.divisor, 2);
    EXPECT_GT(skipped.barren, 0);
    EXPECT_EQ(skipped.barren, checked.barren);
    EXPECT_EQ(0, checked.mismatches);
    ASSERT_FALSE(walked.bytes.empty());
    EXPECT_TRUE(skipped.bytes == walked.bytes);
    EXPECT_TRUE(checked.bytes == walked.bytes);
    EXPECT_EQ(walked.vertices, skipped.vertices);
  }
}

} // namespace
