// Opening each kind of mesh file through the document: the scene holds what the file describes,
// with adjacency built exactly for the kinds that are rebuilt after reading.
#include "tests/document/CommandFixture.h"

#include "coding/OBitFile.h"
#include "mesh/QuadMesh3d.h"
#include "tests/scene/TextureTestSupport.h"

#include <QImage>

#include <array>
#include <bit>
#include <fstream>

namespace {

class COpenFileKindsTest : public CCommandFixture
{
protected:
  std::string PathOf(const std::string& name) const { return (m_Scope.Path() / name).string(); }
  std::string Write(const std::string& name, const std::string& text) const
  {
    std::ofstream(PathOf(name), std::ios::binary) << text;
    return PathOf(name);
  }

  // Opens into the test's document, which first holds two objects: every mesh kind but the
  // quad files replaces them.
  CMesh3d* Open(const std::string& path)
  {
    SetBox();
    m_pDoc->m_SceneGraph.Add(new CQuadMesh3d);
    m_Messages.clear();
    EXPECT_TRUE(m_pDoc->OnOpenDocument(path)) << path;
    EXPECT_TRUE(m_Messages.empty()) << path;
    EXPECT_EQ(NbObject(), 1) << path;
    return Mesh(0);
  }

  static std::array<int, 3> Corners(const CMesh3d* pMesh, int face)
  {
    const CFace3d* f = pMesh->GetFace(face);
    return {pMesh->IndexFrom(f->v(0)), pMesh->IndexFrom(f->v(1)), pMesh->IndexFrom(f->v(2))};
  }
  static std::array<int, 3> Rgb(const CColor* pColor) { return {pColor->r(), pColor->g(), pColor->b()}; }
  static void ExpectPosition(const CVertex3d* v, float x, float y, float z)
  {
    EXPECT_FLOAT_EQ(v->x(), x);
    EXPECT_FLOAT_EQ(v->y(), y);
    EXPECT_FLOAT_EQ(v->z(), z);
  }
  // A closed tetrahedron read with adjacency: every vertex has three neighbours and a unit normal.
  static void ExpectRebuiltTetrahedron(const CMesh3d* pMesh)
  {
    ASSERT_EQ(pMesh->NbVertex(), 4);
    ASSERT_EQ(pMesh->NbFace(), 4);
    for (int i = 0; i < 4; i++) {
      EXPECT_EQ(pMesh->GetVertex(i)->NbVertexNeighbor(), 3) << i;
      EXPECT_NEAR(pMesh->GetVertex(i)->GetNormal()->GetNorm(), 1.0, 1e-5) << i;
    }
  }
  static void ExpectNoAdjacency(const CMesh3d* pMesh)
  {
    for (int i = 0; i < pMesh->NbVertex(); i++)
      EXPECT_EQ(pMesh->GetVertex(i)->NbVertexNeighbor(), 0) << i;
  }

  CScopedFolder m_Scope{"orvane_open_kinds"};
};

// Writes a ".bin" mesh: signed integers as a sign bit and a 32-bit magnitude, coordinates as
// doubles, low word first.
void WriteBin(const std::string& path, const std::vector<double>& points, const std::vector<int>& faces)
{
  COBitFile file(path.c_str());
  auto integer = [&file](long long value) {
    file.PutBit(value < 0 ? 1 : 0);
    file.WriteBits(static_cast<std::uint32_t>(value < 0 ? -value : value), 32);
  };
  integer(static_cast<long long>(points.size() / 3));
  integer(static_cast<long long>(faces.size() / 3));
  for (double value : points) {
    const auto bits = std::bit_cast<std::uint64_t>(value);
    file.WriteBits(static_cast<std::uint32_t>(bits), 32);
    file.WriteBits(static_cast<std::uint32_t>(bits >> 32), 32);
  }
  for (int index : faces)
    integer(index);
  file.Flush(0);
}

} // namespace

TEST_F(COpenFileKindsTest, SmmAndPpdFilesOpenAsRebuiltMeshes)
{
  // Zero-based faces after a "nV nF" line.
  const CMesh3d* pMesh = Open(Write("t.smm", "4 4\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n"
                                             "0 2 1\n0 1 3\n0 3 2\n1 2 3\n"));
  ASSERT_NE(pMesh, nullptr);
  ExpectRebuiltTetrahedron(pMesh);
  EXPECT_EQ(Corners(pMesh, 3), (std::array<int, 3>{1, 2, 3}));
  ExpectPosition(pMesh->GetVertex(3), 0, 0, 1);

  // One-based faces; the vertex and face numbers and the lines between the lists are skipped.
  pMesh = Open(Write("t.ppd", "vertex 4\nface 4\nskipped\n"
                              "7 0 0 0\n7 2 0 0\n7 0 2 0\n7 0 0 2\nskipped\nskipped\n"
                              "9 1 3 2\n9 1 2 4\n9 1 4 3\n9 2 3 4\nskipped\n"));
  ASSERT_NE(pMesh, nullptr);
  ExpectRebuiltTetrahedron(pMesh);
  EXPECT_EQ(Corners(pMesh, 0), (std::array<int, 3>{0, 2, 1}));
  ExpectPosition(pMesh->GetVertex(1), 2, 0, 0);
}

TEST_F(COpenFileKindsTest, DemAndMhpFilesOpenWithoutAdjacency)
{
  // Each vertex line is followed by one line of its own, each face by its hexadecimal colour.
  const CMesh3d* pMesh = Open(Write("t.dem", "vertices: 3\nfaces: 1\n"
                                             "v 0 0 0\nx\nv 1 0 0\nx\nv 0 1 0\nx\n"
                                             "f 1 2 3\nc ff 80 1\n"));
  ASSERT_NE(pMesh, nullptr);
  ASSERT_EQ(pMesh->NbVertex(), 3);
  ASSERT_EQ(pMesh->NbFace(), 1);
  EXPECT_EQ(Corners(pMesh, 0), (std::array<int, 3>{0, 1, 2}));
  const CColor* colour = pMesh->GetFace(0)->GetColor();
  EXPECT_EQ(colour->r(), 255);
  EXPECT_EQ(colour->g(), 128);
  EXPECT_EQ(colour->b(), 1);
  ExpectNoAdjacency(pMesh);

  // The file's z axis is up: (x, y, z) is stored as (x, z, -y).
  pMesh = Open(Write("t.mhp", "vertices: 3\nfaces: 1\n"
                              "Vertex 1 1 2 3\nVertex 2 4 5 6\nVertex 3 7 8 9\nFace 1 3 2 1\n"));
  ASSERT_NE(pMesh, nullptr);
  ASSERT_EQ(pMesh->NbVertex(), 3);
  ASSERT_EQ(pMesh->NbFace(), 1);
  ExpectPosition(pMesh->GetVertex(0), 1, 3, -2);
  ExpectPosition(pMesh->GetVertex(2), 7, 9, -8);
  EXPECT_EQ(Corners(pMesh, 0), (std::array<int, 3>{2, 1, 0}));
  ExpectNoAdjacency(pMesh);
}

TEST_F(COpenFileKindsTest, BinFilesReverseTheirFacesAndFitEachAxisToItsRange)
{
  const std::string path = PathOf("t.bin");
  // A tetrahedron whose x spans 0 to 4, y 10 to 20, z 5 to 9; faces stored in reverse order.
  WriteBin(path, {0, 10, 5, 4, 10, 5, 0, 20, 5, 0, 10, 9}, {1, 2, 0, 3, 1, 0, 2, 3, 0, 3, 2, 1});
  const CMesh3d* pMesh = Open(path);
  ASSERT_NE(pMesh, nullptr);
  ExpectRebuiltTetrahedron(pMesh);
  // x and y onto [-1, 1], z onto [-0.1, 0.1].
  ExpectPosition(pMesh->GetVertex(0), -1, -1, -0.1f);
  ExpectPosition(pMesh->GetVertex(1), 1, -1, -0.1f);
  ExpectPosition(pMesh->GetVertex(2), -1, 1, -0.1f);
  ExpectPosition(pMesh->GetVertex(3), -1, -1, 0.1f);
  EXPECT_EQ(Corners(pMesh, 0), (std::array<int, 3>{0, 2, 1}));
  EXPECT_EQ(Corners(pMesh, 3), (std::array<int, 3>{1, 2, 3}));
}

TEST_F(COpenFileKindsTest, AnImageOpensAsAnEmptyQuadMeshOrAsAHeightMap)
{
  // Left half red, right half a grey ramp upwards.
  QImage image(8, 4, QImage::Format_RGB888);
  for (int y = 0; y < 4; y++)
    for (int x = 0; x < 8; x++)
      image.setPixelColor(x, y, x < 4 ? QColor(255, 0, 0) : QColor(40 * y, 40 * y, 40 * y));
  ASSERT_TRUE(image.save(QString::fromStdString(PathOf("i.bmp"))));

  AnswerWith({{"Quad mesh", "1"}});
  SetBox();
  ASSERT_TRUE(m_pDoc->OnOpenDocument(PathOf("i.bmp")));
  EXPECT_EQ(m_DialogTemplates.back(), 144);
  ASSERT_EQ(NbObject(), 1);
  const auto* pQuad = dynamic_cast<const CQuadMesh3d*>(m_pDoc->m_SceneGraph.GetAt(0));
  ASSERT_NE(pQuad, nullptr);
  EXPECT_EQ(pQuad->NbVertex(), 0);

  AnswerWith({{"Width", "4"}, {"Height", "3"}});
  SetBox();
  ASSERT_TRUE(m_pDoc->OnOpenDocument(PathOf("i.bmp")));
  ASSERT_EQ(NbObject(), 1);
  const CMesh3d* pMesh = Mesh(0);
  ASSERT_NE(pMesh, nullptr);
  ASSERT_EQ(pMesh->NbVertex(), 12);
  EXPECT_EQ(pMesh->NbFace(), 2 * 3 * 2);
  // Sample (i, j) at pixel (2i, trunc(4j / 3)) of the texture, whose rows run bottom first as
  // the file stores them: row r is image row 3 - r. Heights are grey levels: red pixels 85, the
  // ramp 120, 80, 40 for j = 0, 1, 2. x and z fitted to [-1, 1], the heights from [40, 120] to
  // [-0.2, 0.2].
  ExpectPosition(pMesh->GetVertex(0), -1, -0.2f + 0.4f * 45.0f / 80.0f, -1);
  ExpectPosition(pMesh->GetVertex(2), 1.0f / 3.0f, 0.2f, -1);
  ExpectPosition(pMesh->GetVertex(11), 1, -0.2f, 1);
  const CColor* red = pMesh->GetVertex(1)->GetColor();
  EXPECT_EQ(Rgb(red), (std::array<int, 3>{255, 0, 0}));
  const CColor* grey = pMesh->GetVertex(6)->GetColor();  // texture pixel (4, 1)
  EXPECT_EQ(Rgb(grey), (std::array<int, 3>{80, 80, 80}));
  EXPECT_GT(pMesh->GetVertex(5)->NbVertexNeighbor(), 0);

  // Cancelled: the scene stays as it was.
  m_DialogAnswer = platform::IDCANCEL;
  SetBox();
  EXPECT_FALSE(m_pDoc->OnOpenDocument(PathOf("i.bmp")));
  EXPECT_EQ(NbObject(), 1);
  EXPECT_EQ(Mesh(0)->NbVertex(), 8);
}

TEST_F(COpenFileKindsTest, AVrmlIndexBelowMinusOneIsRefusedWithItsReason)
{
  const std::string path = Write("low.wrl", "#VRML V2.0 utf8\n"
                                            "DEF P Transform {\n"
                                            "  children [\n"
                                            "    Shape {\n"
                                            "      appearance Appearance { material Material { } }\n"
                                            "      geometry IndexedFaceSet {\n"
                                            "        coord Coordinate { point [ 0 0 0, 1 0 0, 0 1 0 ] }\n"
                                            "        coordIndex [ 0, 1, -2, -1 ]\n"
                                            "      }\n"
                                            "    }\n"
                                            "  ]\n"
                                            "}\n");
  m_Messages.clear();
  const int children = ChildCount();
  EXPECT_EQ(m_App->OpenDocumentFile(path), nullptr);
  FlushDeletes();
  EXPECT_EQ(m_Messages, std::vector<std::string>{"Unable to read " + path + ": coordIndex holds the index -2"});
  EXPECT_EQ(ChildCount(), children);

  // The same file with a sound index opens.
  std::string sound = "#VRML V2.0 utf8\n";
  {
    std::ifstream in(path);
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    sound = all.replace(all.find("-2"), 2, "2");
  }
  m_Messages.clear();
  SetBox();
  EXPECT_TRUE(m_pDoc->OnOpenDocument(Write("sound.wrl", sound)));
  EXPECT_TRUE(m_Messages.empty());
  ASSERT_EQ(NbObject(), 2);  // appended to the box
  EXPECT_EQ(Mesh(1)->NbFace(), 1);
}

TEST_F(COpenFileKindsTest, AnOversizedJpegIsRefusedWithItsPathAndSize)
{
  // A small file whose frame header claims 30000 x 20000 pixels.
  const std::vector<std::uint8_t> bytes = texture_test::JpegClaiming(30000, 20000);
  ASSERT_FALSE(bytes.empty());
  std::ofstream(PathOf("huge.jpg"), std::ios::binary)
    .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  SetBox();
  m_Messages.clear();
  EXPECT_FALSE(m_pDoc->OnOpenDocument(PathOf("huge.jpg")));
  EXPECT_EQ(m_Messages, std::vector<std::string>{"Unable to read " + PathOf("huge.jpg") +
                                                 ": image of 30000 x 20000 pixels is too large"});
  ASSERT_EQ(NbObject(), 1);  // the scene is left as it was
  EXPECT_EQ(Mesh(0)->NbVertex(), 8);
}
