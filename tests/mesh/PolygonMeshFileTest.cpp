#include "mesh/PolygonMesh3d.h"
#include "platform/core/Random.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace {

// Each test works in a folder of its own.
class PolygonMeshFile : public ::testing::Test
{
protected:
  std::string Write(const std::string& text) const
  {
    const std::string path = m_Folder.File("mesh.obj");
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }

  // Reads the text as an OBJ file into the mesh; the result of ReadFileOBJ.
  int Read(const std::string& text) { return m_Mesh.ReadFileOBJ(Write(text).c_str()); }

  std::vector<std::vector<int>> Corners()
  {
    std::vector<std::vector<int>> result;
    for (int i = 0; i < m_Mesh.NbPolygon(); i++) {
      std::vector<int> corners;
      const CPolygon3d* polygon = m_Mesh.GetPolygon(i);
      for (int k = 0; k < polygon->NbVertex(); k++)
        corners.push_back(m_Mesh.GetArrayVertex()->IndexFrom(polygon->GetVertex(k)));
      result.push_back(corners);
    }
    return result;
  }

  CTempFolder m_Folder;
  CPolygonMesh3d m_Mesh;
};

const char* const Square = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n";

} // namespace

//********************************************
// Well-formed files
//********************************************

TEST_F(PolygonMeshFile, EveryFaceFormGivesTheSamePolygon)
{
  ASSERT_EQ(Read(std::string(Square) +
                 "vt 0 0\nvt 1 0\nvt 1 1\nvn 0 0 1\n"
                 "f 1 2 3 4\n"
                 "f 1/1 2/2 3/3 4/1\n"
                 "f 1//1 2//1 3//1 4//1\n"
                 "f 1/1/1 2/2/1 3/3/1 4/1/1\n"),
            1);
  EXPECT_EQ(m_Mesh.NbVertex(), 4);
  ASSERT_EQ(m_Mesh.NbPolygon(), 4);
  for (const auto& corners : Corners())
    EXPECT_EQ(corners, (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(m_Mesh.GetVertex(2)->x(), 1.0f);
  EXPECT_EQ(m_Mesh.GetVertex(2)->y(), 1.0f);
  // The adjacency waits for Rebuild.
  EXPECT_EQ(m_Mesh.GetVertex(0)->NbPolygon(), 0);
}

TEST_F(PolygonMeshFile, ToleratesCrlfBlanksCommentsAndOtherStatements)
{
  ASSERT_EQ(Read("# a comment\r\n"
                 "mtllib scene.mtl\r\n"
                 "o thing\r\n"
                 "\r\n"
                 "   v   1.5\t-2e-1   +3   1.0\r\n"     // blanks, tab, plus sign, a weight
                 "v 4 5 6 0.5 0.5 0.5\r\n"             // a vertex colour
                 "\tv -1 -1 -1\r\n"
                 "vp 0.5\r\n"
                 "g group\r\n"
                 "usemtl red\r\n"
                 "s off\r\n"
                 "l 1 2\r\n"
                 "f  1   2\t\t3  \r\n"
                 "f 3 2 1"),                            // no end of line
            1);
  ASSERT_EQ(m_Mesh.NbVertex(), 3);
  EXPECT_EQ(m_Mesh.GetVertex(0)->x(), 1.5f);
  EXPECT_EQ(m_Mesh.GetVertex(0)->y(), -0.2f);
  EXPECT_EQ(m_Mesh.GetVertex(0)->z(), 3.0f);
  EXPECT_EQ(m_Mesh.GetVertex(2)->z(), -1.0f);
  EXPECT_EQ(Corners(), (std::vector<std::vector<int>>{{0, 1, 2}, {2, 1, 0}}));
}

TEST_F(PolygonMeshFile, NegativeIndicesCountBackFromTheLastVertexRead)
{
  ASSERT_EQ(Read("v 0 0 0\nv 1 0 0\nv 0 1 0\n"
                 "f -3 -2 -1\n"
                 "v 1 1 0\n"
                 "f -3/-1 -1/-1 -2//-1\n"),
            1);
  EXPECT_EQ(Corners(), (std::vector<std::vector<int>>{{0, 1, 2}, {1, 3, 2}}));
}

TEST_F(PolygonMeshFile, PositiveIndicesMayNameVerticesFurtherOn)
{
  ASSERT_EQ(Read("f 1 2 3\nv 0 0 0\nv 1 0 0\nv 0 1 0\n"), 1);
  EXPECT_EQ(m_Mesh.NbPolygon(), 1);
}

TEST_F(PolygonMeshFile, LongLinesAreReadWhole)
{
  // A polygon of 400 corners: a line far longer than any fixed buffer.
  std::string text;
  std::string face = "f";
  for (int i = 0; i < 400; i++) {
    text += "v " + std::to_string(i) + ".000000001 0.5 0.25\n";
    face += " " + std::to_string(i + 1) + "/" + std::to_string(i + 1);
  }
  ASSERT_EQ(Read(text + face + "\n"), 1);
  ASSERT_EQ(m_Mesh.NbPolygon(), 1);
  EXPECT_EQ(m_Mesh.GetPolygon(0)->NbVertex(), 400);
  EXPECT_EQ(m_Mesh.GetPolygon(0)->GetVertex(399), m_Mesh.GetVertex(399));
  m_Mesh.Rebuild();
  EXPECT_EQ(m_Mesh.NbEdge(), 400);
}

TEST_F(PolygonMeshFile, ReadingReplacesWhatTheMeshHeld)
{
  ASSERT_EQ(Read(std::string(Square) + "f 1 2 3 4\n"), 1);
  m_Mesh.Rebuild();
  ASSERT_EQ(Read("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"), 1);
  EXPECT_EQ(m_Mesh.NbVertex(), 3);
  EXPECT_EQ(m_Mesh.NbPolygon(), 1);
}

//********************************************
// Malformed files
//********************************************

TEST_F(PolygonMeshFile, MalformedFilesLeaveTheMeshEmpty)
{
  const std::string tri = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
  const char* const faces[] = {
    "f 1 2 4\n",            // past the last vertex
    "f 0 1 2\n",            // OBJ indices start at 1
    "f -4 -2 -1\n",         // before the first vertex
    "f 1 2 99999999999\n",  // beyond any int
    "f 1 2 -2147483648\n",
    "f 1 2\n",              // fewer than three corners
    "f\n",
    "f \r\n",
    "f 1 2 3x\n",           // junk after a number
    "f 1/ 2/ 3/\n",
    "f 1/2/ 2 3\n",
    "f 1///2 2 3\n",
    "f a b c\n",
    "f 1 2 +-3\n",
    "f 1 2 3\nf 1 2 4\n",   // a good face then a bad one
  };
  for (const char* face : faces) {
    EXPECT_EQ(Read(tri + face), 0) << face;
    EXPECT_EQ(m_Mesh.NbVertex(), 0) << face;
    EXPECT_EQ(m_Mesh.NbPolygon(), 0) << face;
  }
  const std::string vertices[] = {
    "v 1 2\n",          // truncated
    "v\n",
    "v 1 2 3e\n",
    "v 1e400 0 0\n",    // beyond float and double
    "v 0 1e39 0\n",     // beyond float
    "v nan 0 0\n",
    "v 0 inf 0\n",
    "v 0,5 1 2\n",      // a decimal comma
    std::string("v 1 2 3\0 4\n", 11),  // a NUL byte
  };
  for (const std::string& vertex : vertices) {
    ASSERT_EQ(Read(std::string(Square) + "f 1 2 3\n"), 1);
    EXPECT_EQ(Read(tri + vertex + "f 1 2 3\n"), 0) << vertex;
    EXPECT_EQ(m_Mesh.NbVertex(), 0) << vertex;
    EXPECT_EQ(m_Mesh.NbPolygon(), 0) << vertex;
  }
}

TEST_F(PolygonMeshFile, FilesWithoutPolygonsAreRefused)
{
  EXPECT_EQ(Read(""), 0);
  EXPECT_EQ(Read("# nothing\n\n"), 0);
  EXPECT_EQ(Read("v 0 0 0\nv 1 0 0\n"), 0);
  EXPECT_EQ(m_Mesh.NbVertex(), 0);
}

TEST_F(PolygonMeshFile, MissingFileAnswersZero)
{
  ASSERT_EQ(Read(std::string(Square) + "f 1 2 3\n"), 1);
  EXPECT_EQ(m_Mesh.ReadFileOBJ(m_Folder.File("absent.obj").c_str()), 0);
  EXPECT_EQ(m_Mesh.NbVertex(), 0);
  EXPECT_EQ(m_Mesh.ReadFileOBJ(m_Folder.Path().c_str()), 0);  // a folder
}

TEST_F(PolygonMeshFile, DamagedFilesNeverGiveAPolygonOnAMissingVertex)
{
  // Bytes of a sound file overwritten at random: each read either fails cleanly or gives
  // polygons of at least three corners, all on vertices of the mesh.
  std::string sound;
  for (int i = 0; i < 12; i++)
    sound += "v " + std::to_string(i) + " " + std::to_string(-i) + ".5 1e-3\n";
  for (int i = 1; i <= 10; i++)
    sound += "f " + std::to_string(i) + "/1/1 " + std::to_string(i + 1) + "//2 " +
             std::to_string(i + 2) + "\n";
  const char alphabet[] = "0123456789 /-+.eEvf\r\n\t#x";
  platform::Srand(7);
  int accepted = 0;
  for (int round = 0; round < 300; round++) {
    std::string text = sound;
    for (int k = 0; k < 1 + platform::Rand() % 4; k++)
      text[platform::Rand() % text.size()] = alphabet[platform::Rand() % (sizeof alphabet - 1)];
    if (!Read(text)) {
      EXPECT_EQ(m_Mesh.NbVertex(), 0);
      EXPECT_EQ(m_Mesh.NbPolygon(), 0);
      continue;
    }
    accepted++;
    for (int i = 0; i < m_Mesh.NbPolygon(); i++) {
      const CPolygon3d* polygon = m_Mesh.GetPolygon(i);
      EXPECT_GE(polygon->NbVertex(), 3);
      for (int k = 0; k < polygon->NbVertex(); k++)
        EXPECT_TRUE(m_Mesh.GetArrayVertex()->Contains(polygon->GetVertex(k)));
    }
    m_Mesh.Rebuild();
  }
  EXPECT_GT(accepted, 0);  // some damage (inside a comment, a digit for a digit) is harmless
}

//********************************************
// Binary file
//********************************************

TEST_F(PolygonMeshFile, BinaryFileHoldsCountsPositionsAndDegrees)
{
  ASSERT_EQ(Read("v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 2 0.5 -1\n"
                 "f 1 2 3 4\nf 2 5 3\n"),
            1);
  const std::string path = m_Folder.File("mesh.bin");
  ASSERT_EQ(m_Mesh.WriteBinary(path.c_str()), 1);

  const std::vector<std::uint8_t> bytes = ReadBytes(path);
  ASSERT_EQ(bytes.size(), 8u + 12u * 5 + (4u + 16u) + (4u + 12u));
  auto word = [&bytes](size_t i) {
    return static_cast<std::int32_t>(bytes[4 * i] | bytes[4 * i + 1] << 8 |
                                     bytes[4 * i + 2] << 16 |
                                     static_cast<std::uint32_t>(bytes[4 * i + 3]) << 24);
  };
  EXPECT_EQ(word(0), 5);
  EXPECT_EQ(word(1), 2);
  EXPECT_EQ(std::bit_cast<float>(word(2 + 3 * 4 + 1)), 0.5f);
  EXPECT_EQ(std::bit_cast<float>(word(2 + 3 * 4 + 2)), -1.0f);
  const std::vector<std::int32_t> polygons{4, 0, 1, 2, 3, 3, 1, 4, 2};
  for (size_t i = 0; i < polygons.size(); i++)
    EXPECT_EQ(word(17 + i), polygons[i]) << i;
}

TEST_F(PolygonMeshFile, BinaryFileThatCannotBeOpenedAnswersZero)
{
  ASSERT_EQ(Read(std::string(Square) + "f 1 2 3 4\n"), 1);
  EXPECT_EQ(m_Mesh.WriteBinary(m_Folder.File("no/such/mesh.bin").c_str()), 0);
}
