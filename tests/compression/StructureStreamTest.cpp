#include "StructureRoundTrip.h"
#include "coding/IBitFile.h"
#include "coding/OBitFile.h"
#include "compression/GateStream.h"
#include "platform/core/Random.h"
#include "support/MessageCapture.h"

#include <gtest/gtest.h>

namespace {
using Codes = std::vector<unsigned int>;

// The stream's fields as a reader that knows only their widths sees them.
struct SFields
{
  std::uint32_t m_NbVertex = 0;
  std::uint32_t m_HasGhost = 0;
  std::uint32_t m_GhostDegree = 0;
  std::uint32_t m_MaxCode = 0;
  Codes m_Codes;
  std::uint32_t m_HasOffsets = 0;
  std::uint32_t m_MaxOffsetLessOne = 0;
  Codes m_Offsets;
  Codes m_Signs;
  int m_EndsWithPadding = 0;
};

SFields Parse(const std::vector<std::uint8_t>& bytes)
{
  gatetest::CCurrentTempFolder folder;
  WriteBytes(folder.File("fields.bin"), bytes);
  CIBitFile file("fields.bin");
  SFields f;
  f.m_NbVertex = file.BReadBits(32);
  f.m_HasGhost = file.BReadBits(1);
  if (f.m_HasGhost)
    f.m_GhostDegree = file.BReadBits(16);
  f.m_MaxCode = file.BReadBits(8);
  if (!gate::ReadCodes(file, static_cast<int>(f.m_MaxCode) + 1, 0, 1u << 24, &f.m_Codes))
    return f;
  f.m_HasOffsets = file.BReadBits(1);
  if (f.m_HasOffsets) {
    f.m_MaxOffsetLessOne = file.BReadBits(16);
    if (!gate::ReadCodes(file, static_cast<int>(f.m_MaxOffsetLessOne) + 1, 0, 1u << 24,
                         &f.m_Offsets))
      return f;
    for (unsigned int& offset : f.m_Offsets)
      offset += 1;
    for (std::size_t i = 0; i < f.m_Offsets.size(); i++)
      f.m_Signs.push_back(file.BReadBits(1));
  }
  // The padding closes the last byte and nothing follows it.
  f.m_EndsWithPadding = gate::ReadPadding(file);
  file.ReadBit();
  f.m_EndsWithPadding = f.m_EndsWithPadding && file.IsPastEnd();
  return f;
}

// A stream written field by field, for counts the coder would never write.
std::vector<std::uint8_t> Compose(std::uint32_t nbVertex, std::uint32_t ghostDegree,
                                  const Codes& codes, const Codes& offsets, const Codes& signs)
{
  gatetest::CCurrentTempFolder folder;
  {
    COBitFile file("composed.bin");
    file.WriteBits(nbVertex, 32);
    file.WriteBits(ghostDegree ? 1 : 0, 1);
    if (ghostDegree)
      file.WriteBits(ghostDegree, 16);
    const unsigned int maxCode = *std::max_element(codes.begin(), codes.end());
    file.WriteBits(maxCode, 8);
    gate::WriteCodes(file, codes, static_cast<int>(maxCode) + 1, 0);
    file.WriteBits(offsets.empty() ? 0 : 1, 1);
    if (!offsets.empty()) {
      const unsigned int maxOffset = *std::max_element(offsets.begin(), offsets.end());
      file.WriteBits(maxOffset - 1, 16);
      Codes shifted;
      for (const unsigned int offset : offsets)
        shifted.push_back(offset - 1);
      gate::WriteCodes(file, shifted, static_cast<int>(maxOffset), 0);
      for (const unsigned int sign : signs)
        file.WriteBits(sign, 1);
    }
    file.Flush(0);
    file.FlushStream();
  }
  return ReadBytes(folder.File("composed.bin"));
}

struct SDecoded
{
  int m_Ok = 0;
  int m_NbFace = 0;
};

SDecoded DecodeStream(const std::vector<std::uint8_t>& bytes)
{
  gatetest::CCurrentTempFolder folder;
  WriteBytes(folder.File("topology.bin"), bytes);
  CMesh3d mesh;
  CStructureCoder decoder;
  SDecoded out;
  out.m_Ok = decoder.Decode(&mesh, "topology.bin", {});
  out.m_NbFace = mesh.NbFace();
  return out;
}

using SCoded = structuretest::SRoundTrip;

SCoded Encode(CMesh3d* pMesh, int seed)
{
  return structuretest::RoundTrip(pMesh, seed, {}, false);
}

// A strip of n squares in one row: every one of its 2n + 2 vertices on its one border.
topology::SSoup Strip(int n)
{
  return topology::MaskedGrid(n, 1, [](int, int) { return false; });
}
} // namespace

TEST(StructureStreamFields, WidthsHoldOnHandlesHolesAndPowersOfTwo)
{
  struct SCase
  {
    const char* m_Name;
    topology::SSoup m_Soup;
  };
  const std::vector<SCase> cases{
    {"torus 16", topology::TorusGrid(4, 4)},       {"torus 64", topology::TorusGrid(8, 8)},
    {"torus 256", topology::TorusGrid(16, 16)},    {"torus 1024", topology::TorusGrid(32, 32)},
    {"plate genus 9", topology::VoxelPlate(9)},    {"strip ghost 256", Strip(127)},
    {"strip ghost 512", Strip(255)},               {"300 holes", topology::GridWithHoles(300)},
    {"bipyramid 255", topology::Bipyramid(255)},   {"three parts",
     topology::Join(topology::Join(topology::TorusGrid(3, 5), Strip(4), 9), topology::VoxelPlate(2), 20)}};
  for (const SCase& c : cases) {
    SCOPED_TRACE(c.m_Name);
    auto mesh = topology::Build(c.m_Soup);
    const topology::STopology topology = topology::Measure(*mesh);
    const SCoded e = Encode(mesh.get(), mesh->NbFace() / 2);
    ASSERT_EQ(e.m_Encoded, 1);
    const SFields f = Parse(e.m_Bytes);
    EXPECT_EQ(f.m_NbVertex, static_cast<std::uint32_t>(mesh->NbVertex()));
    EXPECT_EQ(f.m_HasGhost, topology.m_NbBoundaryVertex > 0 ? 1u : 0u);
    EXPECT_EQ(f.m_GhostDegree, static_cast<std::uint32_t>(topology.m_NbBoundaryVertex));
    EXPECT_EQ(f.m_Codes, e.m_Codes);
    EXPECT_EQ(f.m_MaxCode, CStructureCoder::GetMax(e.m_Codes));
    EXPECT_EQ(f.m_HasOffsets, e.m_Offsets.empty() ? 0u : 1u);
    EXPECT_EQ(f.m_Offsets, e.m_Offsets);
    EXPECT_EQ(f.m_Signs, e.m_Signs);
    if (!e.m_Offsets.empty()) {
      EXPECT_EQ(f.m_MaxOffsetLessOne + 1, CStructureCoder::GetMax(e.m_Offsets));
    }
    EXPECT_EQ(f.m_EndsWithPadding, 1);
    // One valence per vertex, the seed corners of every component included.
    int nbValence = 0;
    for (const unsigned int code : f.m_Codes)
      nbValence += code > 2 ? 1 : 0;
    EXPECT_EQ(nbValence, mesh->NbVertex());
    EXPECT_EQ(DecodeStream(e.m_Bytes).m_NbFace, mesh->NbFace());
  }
}

TEST(StructureStreamFields, CoderRefusesWhatNoFieldHolds)
{
  // Refusals are said to the caller, which shows them; the coder shows nothing itself.
  CMessageCapture messages;
  const auto expectRefused = [](const SCoded& e, const char* what) {
    EXPECT_EQ(e.m_Encoded, 0) << what;
    EXPECT_NE(e.m_Refusal.find(what), std::string::npos) << e.m_Refusal;
    EXPECT_TRUE(e.m_Bytes.empty());
  };
  // A valence of 256 does not fit the 8-bit codes.
  auto wide = topology::Build(topology::Bipyramid(256));
  expectRefused(Encode(wide.get(), 0), "255 neighbours");
  // A vertex in no face has no valence to code.
  topology::SSoup lonely = topology::TorusGrid(3, 3);
  lonely.m_Points.push_back({9.0f, 9.0f, 9.0f});
  auto withLonely = topology::Build(lonely);
  expectRefused(Encode(withLonely.get(), 0), "no face");
  // 65536 border vertices overflow the ghost's 16-bit degree; 65534 fit.
  auto over = topology::Build(Strip(32767));
  expectRefused(Encode(over.get(), 0), "fields");
  auto under = topology::Build(Strip(32766));
  const SCoded e = Encode(under.get(), 0);
  ASSERT_EQ(e.m_Encoded, 1);
  EXPECT_TRUE(e.m_Refusal.empty());
  EXPECT_EQ(Parse(e.m_Bytes).m_GhostDegree, 65534u);
  EXPECT_TRUE(messages.Texts().empty());
}

TEST(StructureStreamRefusals, ComposedStreamsOfImpossibleCounts)
{
  // The tetrahedron: three seed corners and one new vertex, all of valence 3.
  const Codes tetrahedron{3, 3, 3, 3};
  ASSERT_EQ(DecodeStream(Compose(4, 0, tetrahedron, {}, {})).m_Ok, 1);
  EXPECT_EQ(DecodeStream(Compose(4, 0, tetrahedron, {}, {})).m_NbFace, 4);
  // More vertices than the codes conquer, fewer than they need.
  EXPECT_EQ(DecodeStream(Compose(5, 0, tetrahedron, {}, {})).m_Ok, 0);
  EXPECT_EQ(DecodeStream(Compose(3, 0, tetrahedron, {}, {})).m_Ok, 0);
  // A ghost code without a ghost, a ghost of degree below 3.
  EXPECT_EQ(DecodeStream(Compose(4, 0, {3, 3, 3, 0, 3}, {}, {})).m_Ok, 0);
  EXPECT_EQ(DecodeStream(Compose(4, 2, tetrahedron, {}, {})).m_Ok, 0);
  // A split with no offset; more offsets than two per split.
  EXPECT_EQ(DecodeStream(Compose(4, 0, {3, 3, 3, 1, 3}, {}, {})).m_Ok, 0);
  EXPECT_EQ(DecodeStream(Compose(4, 0, {3, 3, 3, 1, 3}, {1, 1, 1}, {0, 0, 0})).m_Ok, 0);
  // Codes left after the conquest closed start a component that never closes.
  EXPECT_EQ(DecodeStream(Compose(7, 0, {3, 3, 3, 3, 3, 3, 3}, {}, {})).m_Ok, 0);
  EXPECT_EQ(DecodeStream(Compose(6, 0, {3, 3, 3, 3, 3}, {}, {})).m_Ok, 0);
}

TEST(StructureStreamRefusals, OffsetsBeyondEveryListAndMissingMergeOffsets)
{
  auto mesh = topology::Build(topology::VoxelPlate(2));
  const SCoded e = Encode(mesh.get(), 0);
  ASSERT_EQ(e.m_Encoded, 1);
  ASSERT_GT(e.m_Offsets.size(), static_cast<std::size_t>(CStructureCoder::CountValue(e.m_Codes, 1)));
  const std::uint32_t nbVertex = static_cast<std::uint32_t>(mesh->NbVertex());
  ASSERT_EQ(DecodeStream(Compose(nbVertex, 0, e.m_Codes, e.m_Offsets, e.m_Signs)).m_Ok, 1);
  // No list is this long: as a split, a merge's list or a place in it, each is refused.
  for (std::size_t i = 0; i < e.m_Offsets.size(); i++) {
    Codes offsets = e.m_Offsets;
    offsets[i] = 60000;
    EXPECT_EQ(DecodeStream(Compose(nbVertex, 0, e.m_Codes, offsets, e.m_Signs)).m_Ok, 0) << i;
  }
  // Without the last offset the stream still has one per split, but a merge goes short.
  const Codes fewer(e.m_Offsets.begin(), e.m_Offsets.end() - 1);
  const Codes fewerSigns(e.m_Signs.begin(), e.m_Signs.end() - 1);
  EXPECT_EQ(DecodeStream(Compose(nbVertex, 0, e.m_Codes, fewer, fewerSigns)).m_Ok, 0);
}

TEST(StructureStreamRefusals, CutAndFlippedStreamsWithMergesHolesAndParts)
{
  const std::vector<topology::SSoup> soups{
    topology::TorusGrid(3, 3), topology::VoxelPlate(3), topology::GridWithHoles(5),
    topology::Join(topology::Annulus(6, 2), topology::TorusGrid(4, 3), 9)};
  platform::Srand(5);
  for (const topology::SSoup& soup : soups) {
    auto mesh = topology::Build(soup);
    const SCoded e = Encode(mesh.get(), 1);
    ASSERT_EQ(e.m_Encoded, 1);
    for (std::size_t cut = 0; cut < e.m_Bytes.size(); cut++) {
      const std::vector<std::uint8_t> head(e.m_Bytes.begin(), e.m_Bytes.begin() + cut);
      EXPECT_EQ(DecodeStream(head).m_Ok, 0) << cut;
    }
    for (int trial = 0; trial < 200; trial++) {
      const std::size_t bit = static_cast<std::size_t>(platform::Rand()) % (e.m_Bytes.size() * 8);
      const SDecoded d = DecodeStream(gatetest::Flipped(e.m_Bytes, bit));
      // Whatever a flipped stream decodes to, it is a whole conquest of its own vertices.
      if (d.m_Ok) {
        EXPECT_GT(d.m_NbFace, 0);
      }
    }
  }
}

// Streams whose codes, offsets and signs were changed before they were range coded: the
// coding is sound, the conquest they describe is not. The decoder walks, splits and merges its
// loops on whatever they say, in both pivot modes, and either refuses them or makes a mesh of
// whole faces on the vertices it made.
TEST(StructureStreamRefusals, ConquestsChangedBeforeCodingDecodeSafely)
{
  const std::vector<topology::SSoup> soups{
    topology::Join(topology::GridWithHoles(5), topology::TorusGrid(6, 4), 30),
    topology::VoxelPlate(3)};
  platform::Srand(11);
  const auto pick = [](std::size_t n) { return static_cast<std::size_t>(platform::Rand()) % n; };
  int nbRefused = 0;
  int nbTrial = 0;
  for (const topology::SSoup& soup : soups) {
    auto mesh = topology::Build(soup);
    const SCoded e = Encode(mesh.get(), 0);
    ASSERT_EQ(e.m_Encoded, 1);
    ASSERT_FALSE(e.m_Offsets.empty());
    const auto nbVertex = static_cast<std::uint32_t>(mesh->NbVertex());
    const unsigned int maxCode = CStructureCoder::GetMax(e.m_Codes);
    const unsigned int maxOffset = CStructureCoder::GetMax(e.m_Offsets);
    for (int trial = 0; trial < 150; trial++, nbTrial++) {
      SCOPED_TRACE(trial);
      Codes codes = e.m_Codes;
      Codes offsets = e.m_Offsets;
      Codes signs = e.m_Signs;
      for (int change = 0; change < 1 + trial % 3; change++) {
        const std::size_t what = pick(3);
        if (what == 0)
          codes[3 + pick(codes.size() - 3)] = static_cast<unsigned int>(pick(maxCode + 1));
        else if (what == 1)
          offsets[pick(offsets.size())] = 1 + static_cast<unsigned int>(pick(maxOffset));
        else
          signs[pick(signs.size())] ^= 1u;
      }
      const std::vector<std::uint8_t> bytes =
        Compose(nbVertex, e.m_GhostDegree, codes, offsets, signs);
      for (int mode = 0; mode < 2; mode++) {
        CStructureCoder::SOptions options;
        options.m_EncourageFull = mode;
        CIBitStream input(bytes.data(), bytes.size());
        CMesh3d decoded;
        CStructureCoder decoder;
        const int ok = decoder.Decode(&decoded, &input, options);
        nbRefused += ok ? 0 : 1;
        EXPECT_LE(decoded.NbVertex(), static_cast<int>(nbVertex));
        for (int f = 0; f < decoded.NbFace(); f++) {
          const CFace3d* pFace = decoded.GetFace(f);
          ASSERT_NE(pFace, nullptr);
          for (int c = 0; c < 3; c++) {
            const int index = pFace->v(c)->GetAdjacencyIndex();
            ASSERT_GE(index, 0);
            ASSERT_LT(index, decoded.NbVertex());
            EXPECT_EQ(decoded.GetVertex(index), pFace->v(c));
          }
          if (ok) {
            EXPECT_NE(pFace->v(0), pFace->v(1));
            EXPECT_NE(pFace->v(1), pFace->v(2));
            EXPECT_NE(pFace->v(0), pFace->v(2));
          }
        }
      }
    }
  }
  // Most changed conquests do not close as their counts say.
  EXPECT_GT(nbRefused, nbTrial / 2);
}
