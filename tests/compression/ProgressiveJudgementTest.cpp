// The judgement of a gate's front vertex: a vertex whose valence no pattern takes is refused
// without its boundary status being read, unless it may still go as a boundary vertex of
// valence 3. Reading the status everywhere (refusal mode 2 checks every answer) must give the
// same layers, whatever valences the layer takes.
#include "compression/ProgressiveCoder.h"
#include "mesh/Mesh3d.h"
#include "tests/compression/ConquestFixtures.h"
#include "tests/compression/ProgressiveMeshes.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::vector<char> ReadAll(const std::string& name)
{
  std::ifstream in(name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct SLayers
{
  std::vector<std::vector<char>> files;
  int vertices = 0;
  int faces = 0;
  int boundaryMismatches = 0;
};

// Four single layers, simple and double in turn, on a plate whose holes give boundary vertices
// of every valence.
SLayers EncodeLayers(int mode, int maxValence, int pureValence)
{
  auto mesh = progressive::PlateWithHoles(24, 24, 6);
  CProgressiveCoder coder;
  coder.SetRefusalMemory(mode);
  SLayers layers;
  for (int layer = 0; layer < 4; layer++) {
    const std::string name = "layer" + std::to_string(layer) + ".vpl";
    EXPECT_NE(0, coder.EncodeOneLayer(mesh.get(), name.c_str(), layer % 2, maxValence,
                                      pureValence, 0, 1, 0, 0, 0, 1, nullptr, 1, 0, 0, 0));
    layers.files.push_back(ReadAll(name));
  }
  layers.vertices = mesh->NbVertex();
  layers.faces = mesh->NbFace();
  layers.boundaryMismatches = coder.GetBoundaryMismatches();
  return layers;
}

TEST(ProgressiveJudgement, BoundaryStatusSkippedForUnfitValencesChangesNoLayer)
{
  conquest::CScratchFolder folder;
  const int initial = progressive::PlateWithHoles(24, 24, 6)->NbVertex();
  ASSERT_GT(progressive::CountBoundaryEdges(*progressive::PlateWithHoles(24, 24, 6)), 0);
  // Valence 3 removable on the boundary (4, 6, 8) or not (3); every fitting valence or one.
  for (int maxValence : {3, 4, 6, 8})
    for (int pure : {0, 1}) {
      SCOPED_TRACE(testing::Message() << "max valence " << maxValence << " pure " << pure);
      const SLayers skipped = EncodeLayers(0, maxValence, pure);
      const SLayers asked = EncodeLayers(2, maxValence, pure);
      EXPECT_EQ(0, asked.boundaryMismatches);
      ASSERT_EQ(asked.files.size(), skipped.files.size());
      for (size_t i = 0; i < asked.files.size(); i++) {
        EXPECT_FALSE(asked.files[i].empty()) << "layer " << i;
        EXPECT_TRUE(asked.files[i] == skipped.files[i]) << "layer " << i;
      }
      EXPECT_EQ(asked.vertices, skipped.vertices);
      EXPECT_EQ(asked.faces, skipped.faces);
      // The plate's inner vertices have valence 6: a layer taking it removes some. Below, every
      // vertex but a few by the holes is refused for its valence alone.
      if (maxValence == 6 || (maxValence > 6 && !pure)) {
        EXPECT_LT(skipped.vertices, initial);
      }
    }
}

} // namespace
