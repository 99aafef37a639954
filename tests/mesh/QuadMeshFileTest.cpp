#include "mesh/QuadMesh3d.h"
#include "platform/core/Trace.h"

#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include <unistd.h>

#include "support/TempFolder.h"

namespace {

namespace fs = std::filesystem;

// Little-endian words, as the file stores them.
class CBytes
{
public:
  CBytes& Int(std::int32_t value)
  {
    for (int shift = 0; shift < 32; shift += 8)
      m_Bytes.push_back(static_cast<char>(static_cast<std::uint32_t>(value) >> shift));
    return *this;
  }
  CBytes& Float(float value) { return Int(std::bit_cast<std::int32_t>(value)); }
  CBytes& Ints(std::initializer_list<std::int32_t> values)
  {
    for (std::int32_t value : values)
      Int(value);
    return *this;
  }
  // A vertex count, a quad count and that many vertices at (i, 2i, 3i).
  CBytes& Header(std::int32_t nbVertex, std::int32_t nbQuad, int verticesWritten)
  {
    Int(nbVertex).Int(nbQuad);
    for (int i = 0; i < verticesWritten; i++)
      Float(float(i)).Float(float(2 * i)).Float(float(3 * i));
    return *this;
  }
  CBytes& Cut(size_t size)
  {
    m_Bytes.resize(size);
    return *this;
  }
  size_t Size() const { return m_Bytes.size(); }
  void Save(const std::string& fileName) const
  {
    std::ofstream(fileName, std::ios::binary).write(m_Bytes.data(), std::streamsize(m_Bytes.size()));
  }

private:
  std::vector<char> m_Bytes;
};

void ExpectSameMesh(CQuadMesh3d& a, CQuadMesh3d& b)
{
  ASSERT_EQ(a.NbVertex(), b.NbVertex());
  ASSERT_EQ(a.NbQuad(), b.NbQuad());
  for (int i = 0; i < a.NbVertex(); i++) {
    EXPECT_EQ(a.GetVertex(i)->x(), b.GetVertex(i)->x());
    EXPECT_EQ(a.GetVertex(i)->y(), b.GetVertex(i)->y());
    EXPECT_EQ(a.GetVertex(i)->z(), b.GetVertex(i)->z());
  }
  a.SetFlagVertices(-1);
  b.SetFlagVertices(-1);
  for (int i = 0; i < a.NbVertex(); i++) {
    a.GetVertex(i)->SetFlag(i);
    b.GetVertex(i)->SetFlag(i);
  }
  for (int i = 0; i < a.NbQuad(); i++)
    for (int k = 0; k < 4; k++)
      EXPECT_EQ(a.GetQuad(i)->v(k)->GetFlag(), b.GetQuad(i)->v(k)->GetFlag());
}

// Reading the file must fail and leave the (previously filled) mesh empty.
void ExpectRejected(const CTempFolder& folder, const CBytes& bytes, const char* what)
{
  SCOPED_TRACE(what);
  const std::string fileName = folder.File("bad.quad");
  bytes.Save(fileName);
  CQuadMesh3d mesh;
  mesh.GenerateBox();
  EXPECT_EQ(mesh.ReadBinary(fileName.c_str()), 0);
  EXPECT_EQ(mesh.NbVertex(), 0);
  EXPECT_EQ(mesh.NbQuad(), 0);
}

} // namespace

TEST(QuadMeshFile, RoundTripKeepsPositionsAndCorners)
{
  CTempFolder folder;
  const std::string fileName = folder.File("mushroom.quad");
  CQuadMesh3d written;
  written.GenerateMushroom();
  written.SubdivisionCatmullClark();
  written.GetVertex(3)->Set(0.1f, -1e-30f, 3.4e38f);  // bits, not text, are stored
  ASSERT_EQ(written.WriteBinary(fileName.c_str()), 1);
  EXPECT_EQ(fs::file_size(fileName), 8u + 12u * written.NbVertex() + 16u * written.NbQuad());

  CQuadMesh3d read;
  read.GenerateBox();  // what the mesh held before is replaced
  ASSERT_EQ(read.ReadBinary(fileName.c_str()), 1);
  ExpectSameMesh(written, read);
  // The reader leaves the adjacency to its caller.
  EXPECT_EQ(read.GetVertex(0)->NbQuadNeighbor(), 0);
  read.BuildAdjacencyAndNormals();
  EXPECT_EQ(read.GetVertex(0)->NbQuadNeighbor(), written.GetVertex(0)->NbQuadNeighbor());
}

TEST(QuadMeshFile, LayoutIsLittleEndianCountsThenPointsThenCorners)
{
  CTempFolder folder;
  const std::string fileName = folder.File("box.quad");
  CQuadMesh3d box;
  box.GenerateBox();
  ASSERT_EQ(box.WriteBinary(fileName.c_str()), 1);

  CBytes expected;
  expected.Ints({8, 6});
  for (int i = 0; i < 8; i++)
    expected.Float(box.GetVertex(i)->x()).Float(box.GetVertex(i)->y()).Float(box.GetVertex(i)->z());
  expected.Ints({0, 1, 2, 3, 0, 4, 5, 1, 4, 7, 6, 5, 7, 3, 2, 6, 2, 1, 5, 6, 0, 3, 7, 4});
  const std::string expectedName = folder.File("expected.quad");
  expected.Save(expectedName);

  std::ifstream a(fileName, std::ios::binary), b(expectedName, std::ios::binary);
  const std::string bytesA((std::istreambuf_iterator<char>(a)), std::istreambuf_iterator<char>());
  const std::string bytesB((std::istreambuf_iterator<char>(b)), std::istreambuf_iterator<char>());
  EXPECT_EQ(bytesA, bytesB);
}

TEST(QuadMeshFile, EmptyMeshRoundTrips)
{
  CTempFolder folder;
  const std::string fileName = folder.File("empty.quad");
  CQuadMesh3d empty;
  ASSERT_EQ(empty.WriteBinary(fileName.c_str()), 1);
  EXPECT_EQ(fs::file_size(fileName), 8u);
  CQuadMesh3d read;
  EXPECT_EQ(read.ReadBinary(fileName.c_str()), 1);
  EXPECT_EQ(read.NbVertex(), 0);
}

TEST(QuadMeshFile, MissingFilesFailWithATrace)
{
  CTempFolder folder;
  std::vector<std::string> lines;
  platform::TraceSink previous =
    platform::SetTraceSink([&](const std::string& line) { lines.push_back(line); });

  CQuadMesh3d mesh;
  mesh.GenerateBox();
  const std::string missing = folder.File("missing.quad");
  EXPECT_EQ(mesh.ReadBinary(missing.c_str()), 0);
  EXPECT_EQ(mesh.NbVertex(), 0);
  mesh.GenerateBox();
  const std::string unwritable = folder.File("no/such/folder.quad");
  EXPECT_EQ(mesh.WriteBinary(unwritable.c_str()), 0);
  platform::SetTraceSink(previous);

  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "** unable to open file " + missing + " for reading\n");
  EXPECT_EQ(lines[1], "** unable to open file " + unwritable + " for writing\n");
}

TEST(QuadMeshFile, HostileFilesAreRejectedWholly)
{
  CTempFolder folder;
  // Four vertices and one good quad, the base of the damaged files.
  auto good = [&] { return CBytes().Header(4, 1, 4).Ints({0, 1, 2, 3}); };
  {
    const std::string fileName = folder.File("good.quad");
    good().Save(fileName);
    CQuadMesh3d mesh;
    ASSERT_EQ(mesh.ReadBinary(fileName.c_str()), 1);
    EXPECT_EQ(mesh.NbQuad(), 1);
  }

  ExpectRejected(folder, CBytes(), "empty file");
  ExpectRejected(folder, CBytes().Int(4), "half a header");
  ExpectRejected(folder, good().Cut(8 + 12 * 2), "cut among the vertices");
  ExpectRejected(folder, good().Cut(good().Size() - 1), "cut in the last corner");
  ExpectRejected(folder, good().Int(0), "trailing bytes");
  ExpectRejected(folder, CBytes().Header(4, 1, 4).Ints({0, 1, 2, 4}), "corner one past the end");
  ExpectRejected(folder, CBytes().Header(4, 1, 4).Ints({0, -1, 2, 3}), "negative corner");
  ExpectRejected(folder, CBytes().Header(4, 2, 4).Ints({0, 1, 2, 3, 3, 2, 1, INT_MIN}),
                 "bad corner in a later quad");
  ExpectRejected(folder, CBytes().Header(INT_MAX, 1, 4).Ints({0, 1, 2, 3}), "huge vertex count");
  ExpectRejected(folder, CBytes().Header(4, INT_MAX, 4).Ints({0, 1, 2, 3}), "huge quad count");
  ExpectRejected(folder, CBytes().Header(-4, 1, 4).Ints({0, 1, 2, 3}), "negative vertex count");
  ExpectRejected(folder, CBytes().Header(4, -1, 4), "negative quad count");
  // 12 * 0x15555556 wraps to 8 in 32 bits: a size check done in int would pass.
  ExpectRejected(folder, CBytes().Header(0x15555556, 0, 0).Cut(16), "count that wraps");
  ExpectRejected(folder, CBytes().Header(0, 0x10000001, 0).Cut(24), "quad count that wraps");
}
