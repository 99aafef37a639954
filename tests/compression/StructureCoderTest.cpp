#include "StructureRoundTrip.h"
#include "platform/core/Random.h"

#include <gtest/gtest.h>

#include <mutex>

namespace {
using Codes = std::vector<unsigned int>;

using SEncoded = structuretest::SRoundTrip;

SEncoded EncodeMesh(CMesh3d* pMesh, int seed, const CStructureCoder::SOptions& options = {})
{
  return structuretest::RoundTrip(pMesh, seed, options, false);
}

// An n x n grid of squares cut in two, open along its border.
std::unique_ptr<CMesh3d> Grid(int n)
{
  fixtures::Points points;
  fixtures::Triangles triangles;
  for (int y = 0; y <= n; y++)
    for (int x = 0; x <= n; x++)
      points.push_back({static_cast<float>(x), static_cast<float>(y), 0});
  for (int y = 0; y < n; y++)
    for (int x = 0; x < n; x++) {
      const int i = y * (n + 1) + x;
      triangles.push_back({i, i + 1, i + n + 2});
      triangles.push_back({i, i + n + 2, i + n + 1});
    }
  return fixtures::Build(points, triangles);
}

// A closed sphere of rings round an axis between two poles.
std::unique_ptr<CMesh3d> Sphere(int nbRing, int nbSector)
{
  fixtures::Points points{{0, 0, 1}, {0, 0, -1}};
  fixtures::Triangles triangles;
  for (int r = 1; r <= nbRing; r++)
    for (int s = 0; s < nbSector; s++) {
      const float t = 3.14159265f * r / (nbRing + 1);
      const float p = 6.2831853f * s / nbSector;
      points.push_back({std::sin(t) * std::cos(p), std::sin(t) * std::sin(p), std::cos(t)});
    }
  const auto at = [&](int r, int s) { return 2 + (r - 1) * nbSector + (s % nbSector); };
  for (int s = 0; s < nbSector; s++) {
    triangles.push_back({0, at(1, s), at(1, s + 1)});
    triangles.push_back({1, at(nbRing, s + 1), at(nbRing, s)});
    for (int r = 1; r < nbRing; r++) {
      triangles.push_back({at(r, s), at(r + 1, s), at(r + 1, s + 1)});
      triangles.push_back({at(r, s), at(r + 1, s + 1), at(r, s + 1)});
    }
  }
  return fixtures::Build(points, triangles);
}

// The conquest met every vertex once, coded each valence once, and gave one offset per split.
void ExpectWholeConquest(const CMesh3d& mesh, const SEncoded& e)
{
  ASSERT_EQ(e.m_Encoded, 1);
  std::vector<int> sorted = e.m_Run;
  std::sort(sorted.begin(), sorted.end());
  std::vector<int> all(static_cast<std::size_t>(mesh.NbVertex()));
  for (int i = 0; i < mesh.NbVertex(); i++)
    all[i] = i;
  EXPECT_EQ(sorted, all);
  int nbValence = 0;
  for (const unsigned int code : e.m_Codes)
    nbValence += code > 2 ? 1 : 0;
  EXPECT_EQ(nbValence, mesh.NbVertex());
  EXPECT_EQ(static_cast<int>(e.m_Offsets.size()), CStructureCoder::CountValue(e.m_Codes, 1));
  EXPECT_EQ(e.m_Signs.size(), e.m_Offsets.size());
}

// Reads back a stream of the given bytes.
int DecodeBytes(const std::vector<std::uint8_t>& bytes, CStructureCoder* pCoder)
{
  gatetest::CCurrentTempFolder folder;
  WriteBytes(folder.File("topology.bin"), bytes);
  return pCoder->DecodeBitstream("topology.bin");
}
} // namespace

TEST(StructureCoderCodes, TetrahedronByHand)
{
  // Seed (0 2 1), pivot 0: its rotation is 2, 1, 3, so the edge after the one towards 1 leads
  // to the new vertex 3; then 0, 2, 1 and 3 are full and leave one by one.
  auto mesh = fixtures::Tetrahedron();
  const SEncoded e = EncodeMesh(mesh.get(), 0);
  ASSERT_EQ(e.m_Encoded, 1);
  EXPECT_EQ(e.m_Codes, (Codes{3, 3, 3, 3}));
  EXPECT_TRUE(e.m_Offsets.empty());
  EXPECT_EQ(e.m_GhostDegree, 0u);
  EXPECT_EQ(e.m_Run, (std::vector<int>{0, 2, 1, 3}));
  EXPECT_EQ(mesh->NbVertex(), 4);
  EXPECT_EQ(mesh->NbFace(), 4);
}

TEST(StructureCoderCodes, OctahedronByHand)
{
  // Seed (0 2 4). Pivot 0 turns 2, 4, 3, 5: from the edge towards 4 (before the pivot) comes
  // 3, then 5, and 0 is full. Pivot 2 (after 0) turns 4, 0, 5, 1: from 5 comes 1.
  auto mesh = fixtures::Octahedron();
  const SEncoded e = EncodeMesh(mesh.get(), 0);
  ASSERT_EQ(e.m_Encoded, 1);
  EXPECT_EQ(e.m_Codes, (Codes{4, 4, 4, 4, 4, 4}));
  EXPECT_TRUE(e.m_Offsets.empty());
  EXPECT_EQ(e.m_Run, (std::vector<int>{0, 2, 4, 3, 5, 1}));
}

TEST(StructureCoderCodes, BoundaryGetsGhostOfLoopSize)
{
  auto mesh = fixtures::Fan(4);
  const int nbVertex = mesh->NbVertex();
  const SEncoded e = EncodeMesh(mesh.get(), 0);
  ASSERT_EQ(e.m_Encoded, 1);
  EXPECT_EQ(e.m_GhostDegree, 6u);
  EXPECT_GE(CStructureCoder::CountValue(e.m_Codes, 0), 1);
  EXPECT_EQ(e.m_Result.m_NbGhost, CStructureCoder::CountValue(e.m_Codes, 0));
  // The ghost is gone again and every real vertex was met once.
  EXPECT_EQ(mesh->NbVertex(), nbVertex);
  EXPECT_EQ(static_cast<int>(e.m_Run.size()), nbVertex);
  std::vector<int> sorted = e.m_Run;
  std::sort(sorted.begin(), sorted.end());
  for (int i = 0; i < nbVertex; i++)
    EXPECT_EQ(sorted[i], i);
}

TEST(StructureCoderCodes, EverySeedConquersEveryVertex)
{
  auto grid = Grid(4);
  for (int seed = 0; seed < grid->NbFace(); seed++) {
    SCOPED_TRACE(seed);
    const SEncoded e = EncodeMesh(grid.get(), seed);
    ExpectWholeConquest(*grid, e);
    EXPECT_EQ(e.m_GhostDegree, 16u);
  }
  auto octahedron = fixtures::Octahedron();
  for (int seed = 0; seed < octahedron->NbFace(); seed++)
    ExpectWholeConquest(*octahedron, EncodeMesh(octahedron.get(), seed));
}

TEST(StructureCoderCodes, SphereFromEverySeedSplitsAndStaysWhole)
{
  auto sphere = Sphere(5, 8);
  int nbSplitting = 0;
  for (int seed = 0; seed < sphere->NbFace(); seed++) {
    SCOPED_TRACE(seed);
    const SEncoded e = EncodeMesh(sphere.get(), seed);
    ExpectWholeConquest(*sphere, e);
    EXPECT_EQ(e.m_GhostDegree, 0u);
    EXPECT_EQ(CStructureCoder::CountValue(e.m_Codes, 0), 0);
    for (const unsigned int offset : e.m_Offsets)
      EXPECT_GE(offset, 1u);
    nbSplitting += e.m_Offsets.empty() ? 0 : 1;
  }
  EXPECT_GT(nbSplitting, 0);
  // With encourage full the pivots move, the conquest still covers the sphere.
  CStructureCoder::SOptions options;
  options.m_EncourageFull = 1;
  for (int seed = 0; seed < sphere->NbFace(); seed += 7)
    ExpectWholeConquest(*sphere, EncodeMesh(sphere.get(), seed, options));
}

TEST(StructureCoderCodes, RefusesWhatTheStreamCannotCarry)
{
  auto mesh = fixtures::Tetrahedron();
  EXPECT_EQ(EncodeMesh(mesh.get(), -1).m_Encoded, 0);
  EXPECT_EQ(EncodeMesh(mesh.get(), 4).m_Encoded, 0);
  CMesh3d empty;
  EXPECT_EQ(EncodeMesh(&empty, 0).m_Encoded, 0);
}

TEST(StructureCoderStream, ClosedMeshReadsBackWithoutGhostOrOffsets)
{
  auto mesh = fixtures::Octahedron();
  const SEncoded e = EncodeMesh(mesh.get(), 3);
  ASSERT_EQ(e.m_Encoded, 1);
  CStructureCoder reader;
  ASSERT_EQ(DecodeBytes(e.m_Bytes, &reader), 1);
  EXPECT_EQ(reader.GetCodes(), e.m_Codes);
  EXPECT_EQ(reader.GetNbVertexRead(), 6);
  EXPECT_EQ(reader.GetGhostDegree(), 0u);
  EXPECT_TRUE(reader.GetOffsets().empty());
  EXPECT_FLOAT_EQ(e.m_Result.m_BitsPerFace, e.m_Bytes.size() * 8.0f / 8);
}

TEST(StructureCoderStream, SplitsAndGhostReadBack)
{
  auto mesh = fixtures::Build(
    {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 1, 0}, {0, 2, 0}, {1, 2, 0},
     {2, 2, 0}},
    {{0, 1, 4}, {0, 4, 3}, {1, 2, 5}, {1, 5, 4}, {3, 4, 7}, {3, 7, 6}, {4, 5, 8}, {4, 8, 7}});
  const SEncoded e = EncodeMesh(mesh.get(), 3);
  ASSERT_EQ(e.m_Encoded, 1);
  EXPECT_EQ(e.m_GhostDegree, 8u);
  CStructureCoder reader;
  ASSERT_EQ(DecodeBytes(e.m_Bytes, &reader), 1);
  EXPECT_EQ(reader.GetCodes(), e.m_Codes);
  EXPECT_EQ(reader.GetOffsets(), e.m_Offsets);
  EXPECT_EQ(reader.GetSigns(), e.m_Signs);
  EXPECT_EQ(reader.GetGhostDegree(), 8u);
  EXPECT_EQ(reader.GetNbVertexRead(), 9);

}

TEST(StructureCoderStream, SameBytesTwiceAndWithMutex)
{
  auto mesh = fixtures::Octahedron();
  const SEncoded first = EncodeMesh(mesh.get(), 5);
  std::mutex mutex;
  CStructureCoder::SOptions options;
  options.m_pMutex = &mutex;
  const SEncoded second = EncodeMesh(mesh.get(), 5, options);
  ASSERT_EQ(first.m_Encoded, 1);
  EXPECT_EQ(first.m_Bytes, second.m_Bytes);
  // The coder leaves the mutex free.
  EXPECT_TRUE(mutex.try_lock());
  mutex.unlock();
}

TEST(StructureCoderStream, HostileStreamsAreRefused)
{
  auto octahedron = fixtures::Octahedron();
  auto sphere = Sphere(5, 8);
  CStructureCoder reader;
  EXPECT_EQ(DecodeBytes({}, &reader), 0);
  platform::Srand(7);
  for (const SEncoded& e : {EncodeMesh(octahedron.get(), 0), EncodeMesh(sphere.get(), 76)}) {
    ASSERT_EQ(e.m_Encoded, 1);
    for (std::size_t cut = 0; cut < e.m_Bytes.size(); cut++) {
      const std::vector<std::uint8_t> head(e.m_Bytes.begin(), e.m_Bytes.begin() + cut);
      EXPECT_EQ(DecodeBytes(head, &reader), 0) << cut;
      EXPECT_TRUE(reader.GetCodes().empty());
    }
    // A vertex count far beyond what the file can hold.
    std::vector<std::uint8_t> huge = e.m_Bytes;
    huge[3] = 0xFF;
    EXPECT_EQ(DecodeBytes(huge, &reader), 0);
    // Flipped bytes never crash, and a refusal leaves nothing behind.
    for (int trial = 0; trial < 100; trial++) {
      std::vector<std::uint8_t> bytes = e.m_Bytes;
      const std::size_t at = 4 + static_cast<std::size_t>(platform::Rand()) % (bytes.size() - 4);
      bytes[at] ^= static_cast<std::uint8_t>(1 + platform::Rand() % 255);
      if (!DecodeBytes(bytes, &reader)) {
        EXPECT_EQ(reader.GetNbVertexRead(), 0);
        EXPECT_TRUE(reader.GetCodes().empty());
      }
    }
  }
}

TEST(StructureCoderStream, ReportSwitchesToMinutesAtSixtySeconds)
{
  auto mesh = fixtures::Tetrahedron();
  const SEncoded e = EncodeMesh(mesh.get(), 0);
  ASSERT_EQ(e.m_Encoded, 1);
  EXPECT_NE(e.m_Result.m_Report.find("Nb degrees : 4\r\n"), std::string::npos);
  EXPECT_NE(e.m_Result.m_Report.find("Nb faces   : 4 faces\r\n"), std::string::npos);
  CStructureCoder coder;
  ASSERT_EQ(DecodeBytes(e.m_Bytes, &coder), 1);
  gatetest::CCurrentTempFolder folder;
  CStructureCoder::SResult result;
  ASSERT_EQ(coder.ArithmeticCoding("again.bin", 4, 4, 59.5, &result), 1);
  EXPECT_NE(result.m_Report.find("Duration   : 59.5 sec(s)\r\n"), std::string::npos);
  ASSERT_EQ(coder.ArithmeticCoding("again.bin", 4, 4, 90.0, &result), 1);
  EXPECT_NE(result.m_Report.find("Duration   : 1.5 min(s)\r\n"), std::string::npos);
  // Writing the codes read back gives the same stream.
  EXPECT_EQ(ReadBytes(folder.File("again.bin")), e.m_Bytes);
}

using structuretest::ExpectRoundTrip;

TEST(StructureCoderRoundTrip, ClosedMeshes)
{
  auto tetrahedron = fixtures::Tetrahedron();
  ExpectRoundTrip(tetrahedron.get(), 0);
  auto octahedron = fixtures::Octahedron();
  for (int seed = 0; seed < octahedron->NbFace(); seed++)
    ExpectRoundTrip(octahedron.get(), seed);
}

TEST(StructureCoderRoundTrip, SphereWithSplitsFromEverySeed)
{
  auto sphere = Sphere(5, 8);
  for (int seed = 0; seed < sphere->NbFace(); seed++)
    ExpectRoundTrip(sphere.get(), seed);
  CStructureCoder::SOptions options;
  options.m_EncourageFull = 1;
  for (int seed = 0; seed < sphere->NbFace(); seed += 5)
    ExpectRoundTrip(sphere.get(), seed, options);
}

TEST(StructureCoderRoundTrip, OpenMeshesThroughTheGhost)
{
  auto fan = fixtures::Fan(5);
  for (int seed = 0; seed < fan->NbFace(); seed++)
    ExpectRoundTrip(fan.get(), seed);
  auto grid = Grid(4);
  for (int seed = 0; seed < grid->NbFace(); seed += 3)
    ExpectRoundTrip(grid.get(), seed);
}

TEST(StructureCoderRoundTrip, DecoderRefusesAMeshThatIsNotEmptyAndBadStreams)
{
  auto octahedron = fixtures::Octahedron();
  const SEncoded e = EncodeMesh(octahedron.get(), 0);
  ASSERT_EQ(e.m_Encoded, 1);
  gatetest::CCurrentTempFolder folder;
  WriteBytes(folder.File("topology.bin"), e.m_Bytes);
  CStructureCoder decoder;
  auto full = fixtures::Tetrahedron();
  EXPECT_EQ(decoder.Decode(full.get(), "topology.bin", {}), 0);
  EXPECT_EQ(full->NbVertex(), 4);
  CMesh3d none;
  EXPECT_EQ(decoder.Decode(&none, "missing.bin", {}), 0);
  // Flipped bytes: refused or decoded, never a crash.
  platform::Srand(11);
  for (int trial = 0; trial < 200; trial++) {
    std::vector<std::uint8_t> bytes = e.m_Bytes;
    bytes[static_cast<std::size_t>(platform::Rand()) % bytes.size()] ^=
      static_cast<std::uint8_t>(1 + platform::Rand() % 255);
    WriteBytes(folder.File("topology.bin"), bytes);
    CMesh3d mesh;
    if (decoder.Decode(&mesh, "topology.bin", {})) {
      EXPECT_EQ(mesh.NbVertex(), static_cast<int>(decoder.GetNbVertexRead()));
    }
  }
}
