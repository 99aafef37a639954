// Pins of the structure coder on the larger real meshes of tests/data, recorded before its
// inner loops were reworked for speed: for several seed faces and both modes, the stream's
// bytes and the decoder's faces in the order it makes them. Each row also checks that the
// decoded mesh is the original with its vertices in conquest order, so a pin never holds a
// wrong stream. A mismatch prints the new rows for review.
#include "ObjSoup.h"
#include "StructureRoundTrip.h"

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <string>
#include <unordered_map>

namespace {

struct SHash
{
  std::uint64_t m_Value = 14695981039346656037ull;
  void Add(std::uint64_t word)
  {
    for (int i = 0; i < 8; i++) {
      m_Value ^= (word >> (8 * i)) & 0xFFu;
      m_Value *= 1099511628211ull;
    }
  }
};

// The decoded faces, in the decoder's order, as indices of its vertices.
std::uint64_t HashFaces(const CMesh3d& mesh)
{
  std::unordered_map<const CVertex3d*, int> index;
  for (int i = 0; i < mesh.NbVertex(); i++)
    index.emplace(mesh.GetVertex(i), i);
  SHash hash;
  for (int i = 0; i < mesh.NbFace(); i++)
    for (int k = 0; k < 3; k++)
      hash.Add(static_cast<std::uint64_t>(index.at(mesh.GetFace(i)->v(k))));
  return hash.m_Value;
}

std::uint64_t RowHash(CMesh3d* pMesh, int seed, int mode)
{
  CStructureCoder::SOptions options;
  options.m_EncourageFull = mode;
  const structuretest::SRoundTrip r = structuretest::RoundTrip(pMesh, seed, options);
  EXPECT_EQ(r.m_Encoded, 1) << r.m_Refusal;
  EXPECT_EQ(r.m_Decoded, 1);
  if (!r.m_Encoded || !r.m_Decoded)
    return 0;
  const CMesh3d& decoded = *r.m_pDecoded;
  EXPECT_EQ(decoded.NbVertex(), pMesh->NbVertex());
  const gatetest::Rank rank = gatetest::RankOf(*decoded.GetArrayVertex(), decoded.NbVertex());
  EXPECT_EQ(gatetest::Faces(decoded.NbFace(), [&](int i) { return gatetest::Corners(decoded, i); },
                            rank),
            structuretest::FacesInRunOrder(*pMesh, r.m_Run));
  SHash hash;
  for (const std::uint8_t b : r.m_Bytes)
    hash.Add(b);
  hash.Add(HashFaces(decoded));
  return hash.m_Value;
}

struct SPinned
{
  const char* m_Name;
  std::vector<std::uint64_t> m_Rows; // mode 0 then mode 1, each over the seeds
};

// Four seeds: the first face, a third and half of the way, the last.
std::vector<int> Seeds(int nbFace)
{
  return {0, nbFace / 3, nbFace / 2, nbFace - 1};
}

void ExpectPinned(const SPinned& pinned)
{
  std::string rows;
  bool same = true;
  std::size_t row = 0;
  for (int mode = 0; mode < 2; mode++) {
    const int nbFace = objsoup::ReadData(pinned.m_Name)->NbFace();
    for (const int seed : Seeds(nbFace)) {
      SCOPED_TRACE(std::string(pinned.m_Name) + " mode " + std::to_string(mode) + " seed " +
                   std::to_string(seed));
      auto mesh = objsoup::ReadData(pinned.m_Name);
      const std::uint64_t got = RowHash(mesh.get(), seed, mode);
      char line[96];
      std::snprintf(line, sizeof(line), "    0x%016" PRIx64 "ull, // mode %d seed %d\n", got, mode,
                    seed);
      rows += line;
      const bool match = row < pinned.m_Rows.size() && pinned.m_Rows[row] == got;
      EXPECT_TRUE(match);
      same = same && match;
      row++;
    }
  }
  EXPECT_EQ(row, pinned.m_Rows.size());
  if (!same)
    std::printf("%s rows:\n%s", pinned.m_Name, rows.c_str());
}

} // namespace

// Closed genus 0: no ghost, no merge.
TEST(StructurePins, Camel)
{
  ExpectPinned({"camel.obj", {
    0xaf493f3c4fcbe4dbull, // mode 0 seed 0
    0x1b98bc901509e530ull, // mode 0 seed 6512
    0x1ad3468364e945ccull, // mode 0 seed 9768
    0x4f9521ce06ccacf1ull, // mode 0 seed 19535
    0x3c63e4d91cb537b5ull, // mode 1 seed 0
    0x96bcc584234864d4ull, // mode 1 seed 6512
    0x19579ee1e87b5edcull, // mode 1 seed 9768
    0x8f725cb495b7af07ull, // mode 1 seed 19535
  }});
}

// Genus 133: many merges.
TEST(StructurePins, Cheese)
{
  ExpectPinned({"cheese.obj", {
    0x414a494fc3146c99ull, // mode 0 seed 0
    0x96c45993a3101dd5ull, // mode 0 seed 5928
    0x4b38635169d3c3edull, // mode 0 seed 8893
    0x051cab6785b5befcull, // mode 0 seed 17785
    0x7f46b7320e735ba4ull, // mode 1 seed 0
    0xf13203a3dc274c81ull, // mode 1 seed 5928
    0x9a324c8dddbf1a24ull, // mode 1 seed 8893
    0x84705737c9d052d8ull, // mode 1 seed 17785
  }});
}

// A small closed scan with irregular valences.
TEST(StructurePins, Bunny)
{
  ExpectPinned({"bunny3674.obj", {
    0x1a0903a5697e2384ull, // mode 0 seed 0
    0xa452a006cd99325eull, // mode 0 seed 1224
    0xa619fc07a88188faull, // mode 0 seed 1837
    0x68c1ad3453262d45ull, // mode 0 seed 3673
    0xd56d99092340890eull, // mode 1 seed 0
    0x9e30965403197941ull, // mode 1 seed 1224
    0x3116ed98137f301cull, // mode 1 seed 1837
    0x87b98695b3d4d4cdull, // mode 1 seed 3673
  }});
}

// A cut with borders (the ghost) and handles together.
TEST(StructurePins, CheeseCut)
{
  ExpectPinned({"conquest_cheese_cut10.obj", {
    0x2ed93f2d283eb69aull, // mode 0 seed 0
    0xe48ae70f5e59cc90ull, // mode 0 seed 252
    0x6f98a0d6c8d4f48bull, // mode 0 seed 378
    0xb56bddfde1462052ull, // mode 0 seed 755
    0x0a6b6ac90b1d7139ull, // mode 1 seed 0
    0xd5ac0e2cf08df318ull, // mode 1 seed 252
    0x4fa14c991b50ab97ull, // mode 1 seed 378
    0x44040abc6781be08ull, // mode 1 seed 755
  }});
}
