#include "coding/OBitFile.h"
#include "coding/RangeEncoder.h"
#include "compression/ProgressiveCoder.h"
#include "mesh/Mesh3d.h"
#include "tests/compression/ConquestFixtures.h"
#include "tests/compression/ProgressiveMeshes.h"
#include "tests/mesh/MeshFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <vector>

namespace {

// A single-layer file as the coder writes one: the gate type bit, then the codes range coded
// over 7 symbols and ended by the end symbol.
void WriteSingleLayer(const char* name, int gateType, const std::vector<unsigned int>& codes)
{
  COBitFile file(name);
  ASSERT_TRUE(file.IsValid());
  file.PutBit(static_cast<unsigned int>(gateType));
  CRangeEncoder encoder(7);
  ASSERT_TRUE(encoder.Start());
  for (unsigned int code : codes)
    ASSERT_TRUE(encoder.Encode(code, &file));
  ASSERT_TRUE(encoder.Done(&file));
  file.Flush(0);
  file.FlushStream();
}

// Whether the layer's codes were taken: a refused file leaves the mesh untouched, a taken one
// is replayed and marks the mesh modified, whatever the replay gives.
bool CodesTaken(CMesh3d* mesh, const char* name)
{
  mesh->SetModified(0);
  CProgressiveCoder coder;
  coder.DecodeLayer(mesh, name, 0, nullptr, 0, 0);
  return mesh->GetModified() != 0;
}

} // namespace

TEST(ProgressiveBounds, ALayerMayHoldTwoCodesPerFacePlusTwo)
{
  // Every code uses at least one face of the mesh it is replayed on, a boundary removal two
  // codes for one face: 2 F + 2 codes can be read, one more cannot.
  conquest::CScratchFolder folder;
  auto mesh = fixtures::Icosphere(1);
  const int limit = 2 * mesh->NbFace() + 2;
  WriteSingleLayer("at.bin", 1, std::vector<unsigned int>(static_cast<size_t>(limit), 2u));
  WriteSingleLayer("over.bin", 1, std::vector<unsigned int>(static_cast<size_t>(limit) + 1, 2u));
  EXPECT_FALSE(CodesTaken(mesh.get(), "over.bin"));
  EXPECT_EQ(mesh->NbVertex(), 42);
  EXPECT_TRUE(CodesTaken(mesh.get(), "at.bin"));

  // The bound follows the mesh: the same file is too long for a smaller one.
  auto small = fixtures::Octahedron();
  EXPECT_FALSE(CodesTaken(small.get(), "at.bin"));
}

TEST(ProgressiveBounds, LaterLayersMayHoldMoreCodesThanTheBaseMeshAllows)
{
  // Each layer is replayed on the mesh that the layers before it refined: its bound grows by
  // two faces per removal before it.
  conquest::CScratchFolder folder;
  auto mesh = fixtures::Icosphere(3);
  CProgressiveCoder coder;
  ASSERT_EQ(progressive::Encode(&coder, mesh.get(), 12, 10, "deep.vpm"), 1);
  const int baseLimit = 2 * mesh->NbFace() + 2;
  int largest = 0;
  for (int i = 0; i < coder.NbLayer(); i++)
    largest = std::max(largest, coder.GetLayerCodes(i)->NbCode());
  ASSERT_GT(largest, baseLimit);
  CMesh3d decoded;
  CProgressiveCoder decoder;
  ASSERT_EQ(progressive::Decode(&decoder, &decoded, "deep.vpm"), 1);
  EXPECT_EQ(decoded.NbVertex(), 642);
}

TEST(ProgressiveBounds, QuantizationTakesOneToFifteenBits)
{
  // The stream gives q four bits: 15 is the largest width it can carry.
  conquest::CScratchFolder folder;
  {
    auto mesh = fixtures::Icosphere(2);
    CProgressiveCoder coder;
    ASSERT_EQ(progressive::Encode(&coder, mesh.get(), 20, 15, "q15.vpm"), 1);
    CMesh3d decoded;
    CProgressiveCoder decoder;
    ASSERT_EQ(progressive::Decode(&decoder, &decoded, "q15.vpm"), 1);
    ASSERT_EQ(decoded.NbVertex(), 162);
    // Quantized coordinates span the whole 15-bit grid.
    float largest = 0.0f;
    for (int i = 0; i < decoded.NbVertex(); i++) {
      const CVertex3d* v = decoded.GetVertex(i);
      largest = std::max({largest, v->x2(), v->y2(), v->z2()});
    }
    EXPECT_EQ(largest, 32767.0f);
  }
  {
    auto mesh = fixtures::Icosphere(2);
    CProgressiveCoder coder;
    ASSERT_EQ(progressive::Encode(&coder, mesh.get(), 20, 1, "q1.vpm"), 1);
    CMesh3d decoded;
    CProgressiveCoder decoder;
    EXPECT_EQ(progressive::Decode(&decoder, &decoded, "q1.vpm"), 1);
  }
  for (int q : {0, 16, 17}) {
    auto mesh = fixtures::Icosphere(1);
    CProgressiveCoder coder;
    const std::string name = "q" + std::to_string(q) + ".vpm";
    EXPECT_EQ(progressive::Encode(&coder, mesh.get(), 10, q, name.c_str()), 0) << q;
    EXPECT_FALSE(std::filesystem::exists(name)) << q;
    EXPECT_EQ(mesh->NbVertex(), 42) << q;
  }
}
