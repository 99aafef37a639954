#include "compression/ProgressiveCoder.h"
#include "compression/ProgressiveGeometryLayer.h"
#include "tests/compression/ConquestFixtures.h"
#include "tests/compression/ProgressiveMeshes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

int Counted(const std::vector<unsigned int>& codes)
{
  return static_cast<int>(std::count_if(codes.begin(), codes.end(), [](unsigned int c) { return c >= 3; }));
}

TEST(ProgressiveCodeList, RemovalCountFollowsEveryWayCodesCome)
{
  CProgressiveCodeList codes(0);
  EXPECT_EQ(0, codes.NbRemoval());
  // Null patches and the boundary marker are no removals; its side code, 5 or 6, is.
  for (unsigned int c : {2u, 3u, 1u, 5u, 2u, 6u, 4u, 1u, 6u})
    codes.Add(c);
  EXPECT_EQ(5, codes.NbRemoval());
  EXPECT_EQ(Counted(codes.GetCodes()), codes.NbRemoval());

  // A new list replaces the count, whatever came before.
  codes.SetCodes({2, 2, 2});
  EXPECT_EQ(0, codes.NbRemoval());
  codes.Add(3);
  EXPECT_EQ(1, codes.NbRemoval());
  const std::vector<unsigned int> longer(1000, 4);
  codes.SetCodes(longer);
  EXPECT_EQ(1000, codes.NbRemoval());
  EXPECT_EQ(1000, CProgressiveCodeList::CountRemovals(longer));
  codes.SetCodes(std::vector<unsigned int>{2, 6, 2}, 1);
  EXPECT_EQ(1, codes.NbRemoval());
  EXPECT_EQ(3, codes.NbCode());
}

// Runs of null patches land where single codes would have, in order among the others, and
// count no removal; an empty run adds nothing.
TEST(ProgressiveCodeList, NullPatchRunsComeAsSingleCodes)
{
  CProgressiveCodeList runs(1);
  CProgressiveCodeList singles(1);
  const std::vector<std::pair<size_t, unsigned int>> steps = {{3, 4}, {0, 1}, {0, 6}, {17, 3}, {1, 5}};
  for (const auto& [nulls, code] : steps) {
    runs.AddNullPatches(nulls);
    runs.Add(code);
    for (size_t i = 0; i < nulls; i++)
      singles.Add(2);
    singles.Add(code);
  }
  runs.AddNullPatches(5);
  for (int i = 0; i < 5; i++)
    singles.Add(2);
  EXPECT_EQ(singles.GetCodes(), runs.GetCodes());
  // 21 null patches among the steps, 5 after them, and a code a step.
  EXPECT_EQ(21 + 5 + static_cast<int>(steps.size()), runs.NbCode());
  EXPECT_EQ(4, runs.NbRemoval());
  EXPECT_EQ(Counted(runs.GetCodes()), runs.NbRemoval());
}

// Layers long enough that the reader's count of their removals is summed in several parts:
// each decoded layer keeps the count of its own codes, which its geometry matches record for
// record, and the encoder's layers hold the same.
TEST(ProgressiveCodeList, DecodedLayersKeepTheirCodesRemovals)
{
  conquest::CScratchFolder folder;
  auto mesh = progressive::Torus(160, 100);
  const int n0 = mesh->NbVertex();
  CProgressiveCoder encoder;
  ASSERT_EQ(1, progressive::Encode(&encoder, mesh.get(), 40, 12, "torus.vpm"));
  CMesh3d decoded;
  CProgressiveCoder decoder;
  ASSERT_EQ(1, progressive::Decode(&decoder, &decoded, "torus.vpm"));
  ASSERT_EQ(encoder.NbLayer(), decoder.NbLayer());
  int removals = 0;
  int longest = 0;
  for (int i = 0; i < decoder.NbLayer(); i++) {
    const CProgressiveCodeList* codes = decoder.GetLayerCodes(i);
    EXPECT_EQ(Counted(codes->GetCodes()), codes->NbRemoval()) << "layer " << i;
    EXPECT_EQ(decoder.GetLayerGeometry(i)->NbRecord(), codes->NbRemoval()) << "layer " << i;
    EXPECT_EQ(encoder.GetLayerCodes(i)->NbRemoval(), codes->NbRemoval()) << "layer " << i;
    EXPECT_EQ(Counted(encoder.GetLayerCodes(i)->GetCodes()), encoder.GetLayerCodes(i)->NbRemoval());
    removals += codes->NbRemoval();
    longest = std::max(longest, codes->NbCode());
  }
  EXPECT_GT(longest, 16 * 255);
  EXPECT_EQ(n0 - mesh->NbVertex(), removals);
  EXPECT_EQ(n0, decoded.NbVertex());
}

} // namespace
