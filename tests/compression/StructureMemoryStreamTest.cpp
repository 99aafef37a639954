// The structure coder codes into memory and decodes from memory: the bytes in memory are the
// file's, and a mesh decoded from them is the one decoded from the file.
#include "StructureRoundTrip.h"
#include "coding/IBitStream.h"
#include "coding/OBitStream.h"

#include <gtest/gtest.h>

namespace {

gatetest::FaceSet FacesOf(const CMesh3d& mesh)
{
  const gatetest::Rank rank = gatetest::RankOf(*mesh.GetArrayVertex(), mesh.NbVertex());
  return gatetest::Faces(mesh.NbFace(), [&](int i) { return gatetest::Corners(mesh, i); }, rank);
}

} // namespace

TEST(StructureMemoryStream, MemoryBytesAreTheFileAndDecodeAlike)
{
  // Closed, with holes (ghost), and a torus (merges): every field of the stream is used.
  for (auto make : {+[] { return fixtures::Icosphere(2); },
                    +[] { return topology::Build(topology::GridWithHoles(9)); },
                    +[] { return topology::Build(topology::TorusGrid(7, 5)); }}) {
    auto mesh = make();
    gatetest::CCurrentTempFolder folder;
    CStructureCoder coder;
    CVertexTree tree;
    CStructureCoder::SResult result;
    ASSERT_EQ(coder.Encode(mesh.get(), "topology.bin", &tree, 0, {}, &result), 1);
    const std::vector<std::uint8_t> file = ReadBytes(folder.File("topology.bin"));
    COBitStream memory;
    ASSERT_EQ(coder.WriteStream(&memory, mesh->NbVertex()), 1);
    EXPECT_EQ(memory.GetBytes(), file);
    EXPECT_FLOAT_EQ(result.m_BitsPerFace, 8.0f * file.size() / mesh->NbFace());

    CMesh3d fromFile;
    CStructureCoder fileDecoder;
    ASSERT_EQ(fileDecoder.Decode(&fromFile, "topology.bin", {}), 1);
    CMesh3d fromMemory;
    CStructureCoder memoryDecoder;
    CIBitStream input(memory.GetBytes());
    ASSERT_EQ(memoryDecoder.Decode(&fromMemory, &input, {}), 1);
    EXPECT_EQ(fromMemory.NbVertex(), mesh->NbVertex());
    EXPECT_EQ(FacesOf(fromMemory), FacesOf(fromFile));
    EXPECT_EQ(memoryDecoder.GetCodes(), coder.GetCodes());
    EXPECT_EQ(memoryDecoder.GetOffsets(), coder.GetOffsets());
    EXPECT_EQ(memoryDecoder.GetSigns(), coder.GetSigns());
  }
}

TEST(StructureMemoryStream, CutOrMissingStreamsAreRefused)
{
  auto mesh = topology::Build(topology::TorusGrid(6, 4));
  gatetest::CCurrentTempFolder folder;
  CStructureCoder coder;
  CVertexTree tree;
  CStructureCoder::SResult result;
  ASSERT_EQ(coder.Encode(mesh.get(), "topology.bin", &tree, 0, {}, &result), 1);
  COBitStream memory;
  ASSERT_EQ(coder.WriteStream(&memory, mesh->NbVertex()), 1);
  const std::vector<std::uint8_t>& bytes = memory.GetBytes();
  for (const size_t keep : {size_t{0}, size_t{3}, bytes.size() / 2, bytes.size() - 1}) {
    SCOPED_TRACE(keep);
    CMesh3d decoded;
    CStructureCoder decoder;
    CIBitStream input(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + keep));
    EXPECT_EQ(decoder.Decode(&decoded, &input, {}), 0);
    EXPECT_TRUE(decoder.GetCodes().empty());
  }
  CMesh3d decoded;
  CStructureCoder decoder;
  EXPECT_EQ(decoder.Decode(&decoded, static_cast<CIBitStream*>(nullptr), {}), 0);
  EXPECT_EQ(decoder.Decode(&decoded, "no such file.bin", {}), 0);
}
