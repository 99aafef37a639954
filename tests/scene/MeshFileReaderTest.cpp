#include "SceneFileTestSupport.h"

#include "coding/OBitFile.h"

#include <bit>
#include <functional>

using namespace scene_test;

namespace {

using Reader = int (CMesh3d::*)(const char*);

class MeshFileReader : public ::testing::Test
{
protected:
  // Writes the text and reads it with the reader into a fresh mesh; the reader's result.
  int Read(Reader reader, const std::string& text, const std::string& name = "mesh.txt")
  {
    WriteText(m_Folder.File(name), text);
    m_Mesh = std::make_unique<CMesh3d>();
    return (m_Mesh.get()->*reader)(m_Folder.File(name).c_str());
  }

  void ExpectVertex(int i, float x, float y, float z)
  {
    ASSERT_LT(i, m_Mesh->NbVertex());
    EXPECT_FLOAT_EQ(m_Mesh->GetVertex(i)->x(), x) << "vertex " << i;
    EXPECT_FLOAT_EQ(m_Mesh->GetVertex(i)->y(), y) << "vertex " << i;
    EXPECT_FLOAT_EQ(m_Mesh->GetVertex(i)->z(), z) << "vertex " << i;
  }

  void ExpectEmpty()
  {
    EXPECT_EQ(m_Mesh->NbVertex(), 0);
    EXPECT_EQ(m_Mesh->NbFace(), 0);
  }

  CTempFolder m_Folder;
  std::unique_ptr<CMesh3d> m_Mesh;
};

// --- the text formats ------------------------------------------------------------------------

TEST_F(MeshFileReader, SmfTakesVerticesFacesAndColoursInAnyOrder)
{
  const std::string text =
      "# a comment\nv 0 0 0\nf 1 2 3\nv 1 0 0\nc 1 0.5 0\nbegin\nv 0 1 0\nt 3 2 1\nc 0 0 1.5\n";
  ASSERT_EQ(Read(&CMesh3d::ReadFileSmf, text), 1);
  ASSERT_EQ(m_Mesh->NbVertex(), 3);
  ASSERT_EQ(m_Mesh->NbFace(), 2);
  EXPECT_EQ(Corners(*m_Mesh, 0), (std::array<int, 3>{0, 1, 2}));
  EXPECT_EQ(Corners(*m_Mesh, 1), (std::array<int, 3>{2, 1, 0}));  // 't' as 'f'
  ExpectVertex(1, 1, 0, 0);
  EXPECT_EQ(*m_Mesh->GetVertex(0)->GetColor(), CColor(255, 127, 0));
  EXPECT_EQ(*m_Mesh->GetVertex(1)->GetColor(), CColor(0, 0, 255));  // held at the ends
  EXPECT_EQ(m_Mesh->NbEdge(), 0);  // no adjacency is built
}

TEST_F(MeshFileReader, SmfRefusesAColourBeforeItsVertex)
{
  EXPECT_EQ(Read(&CMesh3d::ReadFileSmf, "v 0 0 0\nc 1 1 1\nc 1 1 1\nv 1 0 0\n"), 0);
  ExpectEmpty();
}

TEST_F(MeshFileReader, SmmSizesFromItsHeaderWithZeroBasedFaces)
{
  ASSERT_EQ(Read(&CMesh3d::ReadFileSmm, "3 2\n0 0 0\n1 0 0\n0 1 0\n0 1 2\n2 1 0\n"), 1);
  ASSERT_EQ(m_Mesh->NbFace(), 2);
  EXPECT_EQ(Corners(*m_Mesh, 1), (std::array<int, 3>{2, 1, 0}));
  ExpectVertex(2, 0, 1, 0);
}

TEST_F(MeshFileReader, PpdSkipsItsNumbersAndFixedLines)
{
  const std::string text = "vertex 3\nface 1\nVertices\n1 0 0 0\n2 1 0 0\n3 0 1 0.5\n"
                           "\nFaces\n1 3 2 1\nend\n";
  ASSERT_EQ(Read(&CMesh3d::ReadFilePpd, text), 1);
  ASSERT_EQ(m_Mesh->NbFace(), 1);
  EXPECT_EQ(Corners(*m_Mesh, 0), (std::array<int, 3>{2, 1, 0}));
  ExpectVertex(2, 0, 1, 0.5f);
}

TEST_F(MeshFileReader, DemGivesEachFaceItsHexadecimalColour)
{
  const std::string text = "vertices: 3\nfaces: 1\nv 0 0 0\nnormal\nv 1 0 0\nnormal\n"
                           "v 0 1 0\nnormal\nf 1 2 3\nc ff 80 0\n";
  ASSERT_EQ(Read(&CMesh3d::ReadFileDem, text), 1);
  ASSERT_EQ(m_Mesh->NbFace(), 1);
  EXPECT_EQ(*m_Mesh->GetFace(0)->GetColor(), CColor(255, 128, 0, 255));
  EXPECT_EQ(Corners(*m_Mesh, 0), (std::array<int, 3>{0, 1, 2}));
}

TEST_F(MeshFileReader, MhpTurnsItsZAxisIntoY)
{
  const std::string text = "vertices: 3\nfaces: 1\nVertex 1 1 2 3\nVertex 2 0 0 0\n"
                           "Vertex 3 4 5 6\nFace 1 1 3 2\n";
  ASSERT_EQ(Read(&CMesh3d::ReadFileMhp, text), 1);
  ExpectVertex(0, 1, 3, -2);
  ExpectVertex(2, 4, 6, -5);
  EXPECT_EQ(Corners(*m_Mesh, 0), (std::array<int, 3>{0, 2, 1}));
}

TEST_F(MeshFileReader, ObjTakesVerticesAndTrianglesAndSkipsOtherRecords)
{
  const std::string text = "# made by hand\nmtllib a.mtl\nv 0 0 0\nvn 0 0 1\nvt 0.5 0.5\n"
                           "v 1 0 0\nv 0 1 0\ng part\nusemtl red\nf 1 2 3\ns off\n";
  ASSERT_EQ(Read(&CMesh3d::ReadFileObj, text), 1);
  EXPECT_EQ(m_Mesh->NbVertex(), 3);
  ASSERT_EQ(m_Mesh->NbFace(), 1);
  EXPECT_EQ(Corners(*m_Mesh, 0), (std::array<int, 3>{0, 1, 2}));
  EXPECT_EQ(Read(&CMesh3d::ReadFileObj, "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nf 1 2 4 3\n"), 0);
  EXPECT_EQ(Read(&CMesh3d::ReadFileObj, "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1/1 2/2 3/3\n"), 0);
}

// One well-formed file of each text format, with what it holds, and the same file with a face
// index that names no vertex.
struct SSample
{
  const char* name;
  Reader reader;
  std::string text;
  int nbVertex;
  int nbFace;
  std::string badIndex;
};

std::vector<SSample> Samples()
{
  return {
      {"smf", &CMesh3d::ReadFileSmf, "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n", 3, 1,
       "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 4\n"},
      {"smm", &CMesh3d::ReadFileSmm, "3 1\n0 0 0\n1 0 0\n0 1 0\n0 1 2\n", 3, 1,
       "3 1\n0 0 0\n1 0 0\n0 1 0\n0 1 3\n"},
      {"ppd", &CMesh3d::ReadFilePpd, "vertex 3\nface 1\n-\n1 0 0 0\n2 1 0 0\n3 0 1 0\n-\n-\n1 1 2 3\n-\n",
       3, 1, "vertex 3\nface 1\n-\n1 0 0 0\n2 1 0 0\n3 0 1 0\n-\n-\n1 1 2 0\n-\n"},
      {"dem", &CMesh3d::ReadFileDem,
       "vertices: 3\nfaces: 1\nv 0 0 0\n-\nv 1 0 0\n-\nv 0 1 0\n-\nf 1 2 3\nc 1 2 3\n", 3, 1,
       "vertices: 3\nfaces: 1\nv 0 0 0\n-\nv 1 0 0\n-\nv 0 1 0\n-\nf 1 2 -3\nc 1 2 3\n"},
      {"mhp", &CMesh3d::ReadFileMhp,
       "vertices: 3\nfaces: 1\nVertex 1 0 0 0\nVertex 2 1 0 0\nVertex 3 0 1 0\nFace 1 1 2 3\n", 3, 1,
       "vertices: 3\nfaces: 1\nVertex 1 0 0 0\nVertex 2 1 0 0\nVertex 3 0 1 0\nFace 1 1 2 4294967297\n"},
      {"obj", &CMesh3d::ReadFileObj, "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n", 3, 1,
       "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 99\n"},
  };
}

TEST_F(MeshFileReader, EveryTextFormatReadsTheSameWithWindowsLineEnds)
{
  for (const SSample& sample : Samples()) {
    SCOPED_TRACE(sample.name);
    ASSERT_EQ(Read(sample.reader, sample.text), 1);
    EXPECT_EQ(m_Mesh->NbVertex(), sample.nbVertex);
    EXPECT_EQ(m_Mesh->NbFace(), sample.nbFace);
    std::string crlf;
    for (const char c : sample.text)
      crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    ASSERT_EQ(Read(sample.reader, crlf), 1);
    EXPECT_EQ(m_Mesh->NbVertex(), sample.nbVertex);
    EXPECT_EQ(m_Mesh->NbFace(), sample.nbFace);
    ExpectVertex(1, 1, 0, 0);
  }
}

TEST_F(MeshFileReader, EveryTextFormatRefusesHostileFilesAndLeavesTheMeshEmpty)
{
  for (const SSample& sample : Samples()) {
    SCOPED_TRACE(sample.name);
    EXPECT_EQ(Read(sample.reader, sample.badIndex), 0);
    ExpectEmpty();

    // Cut at the last blank, inside the last line that holds numbers.
    const std::string cut = sample.text.substr(0, sample.text.rfind(' '));
    EXPECT_EQ(Read(sample.reader, cut), 0);
    ExpectEmpty();

    // A line longer than 254 characters is refused, not split into two.
    const std::string longLine = sample.text.substr(0, sample.text.find('\n') + 1) + std::string(300, ' ') +
                                 "\n" + sample.text.substr(sample.text.find('\n') + 1);
    EXPECT_EQ(Read(sample.reader, longLine), 0);
    ExpectEmpty();

    m_Mesh = std::make_unique<CMesh3d>();
    EXPECT_EQ((m_Mesh.get()->*sample.reader)(m_Folder.File("missing").c_str()), 0);
  }
}

TEST_F(MeshFileReader, ALineOfExactly254CharactersIsRead)
{
  std::string line = "v 1 0 0";
  line += std::string(254 - line.size(), ' ');
  ASSERT_EQ(line.size(), 254u);
  EXPECT_EQ(Read(&CMesh3d::ReadFileSmf, "v 0 0 0\n" + line + "\r\nv 0 1 0\nf 1 2 3"), 1);
  EXPECT_EQ(m_Mesh->NbFace(), 1);
  EXPECT_EQ(Read(&CMesh3d::ReadFileSmf, "v 0 0 0\n" + line + " \nv 0 1 0\nf 1 2 3"), 0);
}

TEST_F(MeshFileReader, HeaderCountsMustMatchTheLinesThatFollow)
{
  // Counts far beyond what the file holds: refused without allocating for them.
  EXPECT_EQ(Read(&CMesh3d::ReadFileSmm, "2000000000 2000000000\n0 0 0\n"), 0);
  EXPECT_EQ(Read(&CMesh3d::ReadFileSmm, "-1 0\n"), 0);
  EXPECT_EQ(Read(&CMesh3d::ReadFileSmm, "3 2\n0 0 0\n1 0 0\n0 1 0\n0 1 2\n"), 0);
  EXPECT_EQ(Read(&CMesh3d::ReadFileDem, "vertices: 99999999999\nfaces: 0\n"), 0);
  EXPECT_EQ(Read(&CMesh3d::ReadFileMhp, "vertices: 3\nfaces: 1\nVertex 1 0 0 0\n"), 0);
  EXPECT_EQ(Read(&CMesh3d::ReadFilePpd, "vertex 3\nface -1\n"), 0);
  EXPECT_EQ(Read(&CMesh3d::ReadFileDem,
                 "vertices: 3\nfaces: 1\nv 0 0 0\n-\nv 1 0 0\n-\nv 0 1 0\n-\nf 1 2 3\n"), 0);
  ExpectEmpty();
  // A vertex line that does not parse.
  EXPECT_EQ(Read(&CMesh3d::ReadFileSmf, "v 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"), 0);
  EXPECT_EQ(Read(&CMesh3d::ReadFileSmm, "1 0\n0 zero 0\n"), 0);
}

// --- the bit-stream mesh ---------------------------------------------------------------------

// Writes a ".bin" mesh in the bit-file conventions: signed integers as a sign bit and a 32-bit
// magnitude, coordinates as doubles, low word first.
class CBinWriter
{
public:
  explicit CBinWriter(const std::string& path) : m_File(path.c_str()) {}
  ~CBinWriter() { m_File.Flush(0); }
  CBinWriter(const CBinWriter&) = delete;
  CBinWriter& operator=(const CBinWriter&) = delete;

  CBinWriter& Int(std::int64_t value)
  {
    m_File.PutBit(value < 0 ? 1 : 0);
    m_File.WriteBits(static_cast<std::uint32_t>(value < 0 ? -value : value), 32);
    return *this;
  }
  CBinWriter& Double(double value)
  {
    const auto bits = std::bit_cast<std::uint64_t>(value);
    m_File.WriteBits(static_cast<std::uint32_t>(bits), 32);
    m_File.WriteBits(static_cast<std::uint32_t>(bits >> 32), 32);
    return *this;
  }
  CBinWriter& Point(double x, double y, double z) { return Double(x).Double(y).Double(z); }

private:
  COBitFile m_File;
};

TEST_F(MeshFileReader, BinReversesFacesAndRescalesEachAxis)
{
  const std::string path = m_Folder.File("mesh.bin");
  {
    CBinWriter(path).Int(4).Int(2).Point(0, 10, 5).Point(4, 20, 7).Point(2, 15, 9).Point(1, 12, 5)
        .Int(0).Int(1).Int(2).Int(3).Int(2).Int(1);
  }
  CMesh3d mesh;
  ASSERT_EQ(mesh.ReadFileBin(path.c_str()), 1);
  ASSERT_EQ(mesh.NbVertex(), 4);
  ASSERT_EQ(mesh.NbFace(), 2);
  EXPECT_EQ(Corners(mesh, 0), (std::array<int, 3>{2, 1, 0}));
  EXPECT_EQ(Corners(mesh, 1), (std::array<int, 3>{1, 2, 3}));
  EXPECT_FLOAT_EQ(mesh.GetVertex(0)->x(), -1);
  EXPECT_FLOAT_EQ(mesh.GetVertex(1)->x(), 1);
  EXPECT_FLOAT_EQ(mesh.GetVertex(2)->x(), 0);
  EXPECT_FLOAT_EQ(mesh.GetVertex(1)->y(), 1);
  EXPECT_FLOAT_EQ(mesh.GetVertex(2)->y(), 0);
  EXPECT_FLOAT_EQ(mesh.GetVertex(0)->z(), -0.1f);
  EXPECT_FLOAT_EQ(mesh.GetVertex(2)->z(), 0.1f);
}

TEST_F(MeshFileReader, BinFlatAxisGoesToTheLowEnd)
{
  const std::string path = m_Folder.File("flat.bin");
  {
    CBinWriter(path).Int(3).Int(1).Point(0, 0, 3).Point(1, 0, 3).Point(0, 1, 3).Int(0).Int(1).Int(2);
  }
  CMesh3d mesh;
  ASSERT_EQ(mesh.ReadFileBin(path.c_str()), 1);
  for (int i = 0; i < 3; i++)
    EXPECT_FLOAT_EQ(mesh.GetVertex(i)->z(), -0.1f);
}

TEST_F(MeshFileReader, BinRefusesHostileFiles)
{
  const std::string path = m_Folder.File("bad.bin");
  auto refused = [&](const std::function<void(CBinWriter&)>& write) {
    {
      CBinWriter writer(path);
      write(writer);
    }
    CMesh3d mesh;
    const int result = mesh.ReadFileBin(path.c_str());
    EXPECT_EQ(mesh.NbVertex(), 0);
    EXPECT_EQ(mesh.NbFace(), 0);
    return result == 0;
  };
  // More vertices than the bits hold, a negative count, an index naming no vertex, a coordinate
  // that is no float, a face cut short.
  EXPECT_TRUE(refused([](CBinWriter& w) { w.Int(2000000000).Int(0).Point(0, 0, 0); }));
  EXPECT_TRUE(refused([](CBinWriter& w) { w.Int(0).Int(-1); }));
  EXPECT_TRUE(refused([](CBinWriter& w) {
    w.Int(3).Int(1).Point(0, 0, 0).Point(1, 0, 0).Point(0, 1, 0).Int(0).Int(1).Int(3);
  }));
  EXPECT_TRUE(refused([](CBinWriter& w) {
    w.Int(3).Int(1).Point(0, 0, 0).Point(1e300, 0, 0).Point(0, 1, 0).Int(0).Int(1).Int(2);
  }));
  EXPECT_TRUE(refused([](CBinWriter& w) {
    w.Int(3).Int(1).Point(0, 0, 0).Point(std::nan(""), 0, 0).Point(0, 1, 0).Int(0).Int(1).Int(2);
  }));
  EXPECT_TRUE(refused([](CBinWriter& w) {
    w.Int(3).Int(1).Point(0, 0, 0).Point(1, 0, 0).Point(0, 1, 0).Int(0).Int(1);
  }));
  CMesh3d mesh;
  EXPECT_EQ(mesh.ReadFileBin(m_Folder.File("missing.bin").c_str()), 0);
}

} // namespace
