#include "tests/document/CodingFixture.h"

#include "coding/IBitFile.h"
#include "coding/RangeDecoder.h"
#include "compression/PositionDecoder.h"
#include "platform/ui/WaitCursor.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

namespace {

using CCommandRulesTest = CCodingFixture;

std::string ReadFile(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The values the label test codes: each character alone through atoi.
std::vector<std::uint32_t> LabelsOf(const std::string& text)
{
  std::vector<std::uint32_t> values;
  for (char c : text)
    values.push_back(c >= '0' && c <= '9' ? static_cast<std::uint32_t>(c - '0') : 0u);
  return values;
}

// Decodes count values of an order-k range-coded file over 7 symbols.
std::vector<std::uint32_t> DecodeLabels(const std::string& path, std::uint32_t order, size_t count)
{
  CIBitFile in(path.c_str());
  CRangeDecoder decoder(7);
  std::vector<std::uint32_t> values;
  if (!in.IsValid() || !decoder.StartOrderK(&in, order))
    return values;
  for (size_t i = 0; i < count; i++) {
    std::uint32_t symbol = 99;
    decoder.DecodeOrderK(&symbol, &in);
    values.push_back(symbol);
  }
  return values;
}

} // namespace

TEST_F(CCommandRulesTest, TheLabelTestCodesEveryCharacterWithNonDigitsAsZero)
{
  // Line ends, letters and signs all count, as 0; the last pass is of order 4.
  const std::string text = "0123456601234\nab-6543210\n\n3x";
  std::ofstream(PathOf("labels.ff"), std::ios::binary) << text;
  m_FileAnswer = PathOf("labels.ff");
  ASSERT_TRUE(Run(ID_GATE_POLYGON_LABEL_CODING));
  EXPECT_TRUE(m_Messages.empty());
  const std::vector<std::uint32_t> expected = LabelsOf(text);
  EXPECT_EQ(DecodeLabels(PathOf("bidon.bin"), 4, expected.size()), expected);

  // A file of nothing but non-digits is a run of zeros.
  std::ofstream(PathOf("letters.ff"), std::ios::binary) << "abc\n";
  m_FileAnswer = PathOf("letters.ff");
  ASSERT_TRUE(Run(ID_GATE_POLYGON_LABEL_CODING));
  EXPECT_TRUE(m_Messages.empty());
  EXPECT_EQ(DecodeLabels(PathOf("bidon.bin"), 4, 4), std::vector<std::uint32_t>(4, 0u));
}

TEST_F(CCommandRulesTest, TheLabelTestRefusesOnlyDigitsBeyondItsAlphabet)
{
  for (char digit : {'7', '8', '9'}) {
    std::filesystem::remove(PathOf("bidon.bin"));
    m_Messages.clear();
    std::ofstream(PathOf("bad.ff"), std::ios::binary) << "x01\n" << digit << "2";
    m_FileAnswer = PathOf("bad.ff");
    ASSERT_TRUE(Run(ID_GATE_POLYGON_LABEL_CODING));
    ASSERT_EQ(m_Messages.size(), 1u) << digit;
    EXPECT_NE(m_Messages[0].find(std::string("Invalid label '") + digit + "'"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(PathOf("bidon.bin"))) << digit;
  }
}

TEST_F(CCommandRulesTest, TheDeltaExcursionWritesTheAbsoluteOneFirst)
{
  SetTorus(6, 5);
  m_pDoc->m_HighlightVertexIndex = 3;
  ASSERT_TRUE(Run(ID_TREE_EXCURSION));
  const std::string absolute = ReadFile(PathOf("vertex_root_absolute.dat"));
  ASSERT_FALSE(absolute.empty());
  std::filesystem::remove(PathOf("vertex_root_absolute.dat"));
  ASSERT_FALSE(std::filesystem::exists(PathOf("vertex_root_delta.dat")));

  ASSERT_TRUE(Run(ID_TREE_EXCURSION_DELTA));
  // The same tree from the same seed: the same absolute excursion, and the delta one beside it.
  EXPECT_EQ(ReadFile(PathOf("vertex_root_absolute.dat")), absolute);
  const std::string delta = ReadFile(PathOf("vertex_root_delta.dat"));
  EXPECT_FALSE(delta.empty());
  EXPECT_NE(delta, absolute);
}

TEST_F(CCommandRulesTest, EveryConversionHandlerShowsTheHourglass)
{
  const auto setPolygons = [this] {
    SetBox();
    auto* pPolygons = new CPolygonMesh3d;
    pPolygons->FromTriangleMesh(Mesh(0));
    m_pDoc->EmptyScene();
    m_pDoc->m_SceneGraph.Add(pPolygons);
  };
  const auto setQuads = [this] { SetScene(SCENE_QUAD_MESH); };
  const auto setTriangles = [this] { SetBox(); };
  const std::vector<std::pair<unsigned, std::function<void()>>> cases = {
    {ID_CONVERSION_TRIANGLE_POLYGON, setTriangles},
    {ID_CONVERSION_QUAD_POLYGON, setQuads},
    {ID_CONVERSION_POLYGON_TRIANGLE_STAR, setPolygons},
    {ID_CONVERSION_POLYGON_TRIANGLE_REGULAR, setPolygons},
    {ID_CONVERSION_POLYGON_QUAD_TRIANGLES, setPolygons},
    {ID_STATISTICS_POLYGON_DEGREES, setPolygons},
    {ID_ALGORITHMS_WELD, setPolygons},
    {ID_ALGORITHMS_WELD, setTriangles},
    {ID_QUAD_KOBBELT, setQuads},
    {ID_QUAD_CATMULL_CLARK, setQuads},
    {ID_EXPORT_QUAD_MESH, setQuads},
    {ID_EXPORT_CPT, setTriangles},
    {ID_REMOVE_FACES_DUPLICATE, setTriangles},
    {ID_MODIFICATION_REMOVE_HOLE, setTriangles},
    {ID_CONVERSION_TRIANGLE_QUAD, setTriangles},
  };
  m_FileAnswer = PathOf("export.out");
  for (const auto& [id, setScene] : cases) {
    setScene();
    const int before = platform::CWaitCursor::NbShown();
    ASSERT_TRUE(Run(id)) << id;
    EXPECT_GE(platform::CWaitCursor::NbShown(), before + 1) << "no hourglass from command " << id;
  }
  EXPECT_TRUE(std::filesystem::exists(PathOf("export.out")));

  // A cancelled export writes nothing and has nothing to wait for.
  m_FileAnswer.reset();
  SetBox();
  const int before = platform::CWaitCursor::NbShown();
  ASSERT_TRUE(Run(ID_EXPORT_CPT));
  EXPECT_EQ(platform::CWaitCursor::NbShown(), before);
}

TEST_F(CCommandRulesTest, ADecimationWorkerThatCannotStartKeepsNothing)
{
  CMesh3d* pMesh = SetMapGrid(8);
  const int vertices = pMesh->NbVertex();
  AnswerWith({{"Final", std::to_string(vertices - 10)}, {"Save intermediate", "0"},
              {"Method", "0"}, {"Max iter", "5"}, {"Samples per face", "4"}});
  int attempts = 0;
  m_pDoc->m_StartDecimationWorker = [&attempts](CThreadMeshApproxVolumic&) -> int {
    attempts++;
    throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
  };
  ASSERT_TRUE(Run(ID_SIMPLIFICATION_VOLUMIC));
  EXPECT_EQ(attempts, 1);
  ASSERT_EQ(m_Messages.size(), 1u);
  EXPECT_EQ(m_Messages[0], "Failed to create thread");
  EXPECT_FALSE(m_pDoc->IsDecimating());
  EXPECT_EQ(pMesh->NbVertex(), vertices);
  // No run is held: commands on the mesh are not refused.
  EXPECT_FALSE(m_pDoc->RefuseWhileDecimating(pMesh));

  // A start that declines without an exception is not a thread failure.
  m_pDoc->m_StartDecimationWorker = [](CThreadMeshApproxVolumic&) { return 0; };
  ASSERT_TRUE(Run(ID_SIMPLIFICATION_VOLUMIC));
  EXPECT_EQ(m_Messages.size(), 1u);
  EXPECT_FALSE(m_pDoc->IsDecimating());

  // With threads back, the same command runs to its end.
  m_pDoc->m_StartDecimationWorker = [](CThreadMeshApproxVolumic& worker) { return worker.Start(); };
  ASSERT_TRUE(Run(ID_SIMPLIFICATION_VOLUMIC));
  EXPECT_TRUE(m_pDoc->IsDecimating());
  m_pDoc->JoinDecimation();
  EXPECT_FALSE(m_pDoc->IsDecimating());
  EXPECT_LT(pMesh->NbVertex(), vertices);
  EXPECT_EQ(m_Messages.size(), 1u);
}

TEST_F(CCommandRulesTest, MultiMeshNamesEachCopyByTheBitsItsDecodingRead)
{
  CMesh3d* pMesh = SetTorus(6, 5);
  ASSERT_TRUE(Run(ID_ATTRIBUTES_POSITIONS));
  ASSERT_TRUE(Run(ID_DECODE_MULTI_MESH));
  ASSERT_EQ(NbObject(), 9);
  int previous = 0;
  for (int level = 0; level <= 7; level++) {
    CMesh3d copy;
    copy.Copy(pMesh);
    const int bits = CPositionDecoder().Decode("Positions.bin", nullptr, &copy, level);
    // At least the header: 32 + 5 + 5 bits and 15 floats.
    EXPECT_GE(bits, 42 + 15 * 32) << level;
    EXPECT_GE(bits, previous) << level;
    previous = bits;
    EXPECT_EQ(Mesh(level + 1)->GetName(),
              "[" + std::to_string(level) + "]" + std::to_string(bits) + " bits");
  }
}
