#include "tests/document/CodingFixture.h"

#include "app/dialogs/DlgGateCoding.h"
#include "app/dialogs/DlgIterations.h"
#include "tests/compression/GateTestUtil.h"
#include "tests/support/ClipboardRecorder.h"

#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>

namespace {

// Coders write their fixed-name files into the current folder: a scratch one.
class CGateCodingCommandsTest : public CCodingFixture
{
protected:

  template <typename TMesh> TMesh* Set(std::unique_ptr<TMesh> pMesh)
  {
    m_pDoc->EmptyScene();
    TMesh* pRaw = pMesh.get();
    m_pDoc->m_SceneGraph.Add(pMesh.release());
    return pRaw;
  }

  int CountMatching(const std::string& pattern) const
  {
    const std::regex re(pattern);
    int n = 0;
    for (const std::string& text : m_Status)
      n += std::regex_match(text, re) ? 1 : 0;
    return n;
  }

  const std::vector<std::string>& ClipboardTexts() const { return m_Recorder->m_Texts; }
};

} // namespace

TEST_F(CGateCodingCommandsTest, EncodersNeedTheirMeshKindAndDecodersAreAlwaysThere)
{
  const unsigned decoders[] = {ID_GATE_TRIANGLE_DECODE, ID_GATE_QUAD_DECODE, ID_GATE_POLYGON_DECODE,
                               ID_GATE_POLYGON_LABEL_CODING};
  for (unsigned id : decoders)
    EXPECT_TRUE(IsEnabled(id)) << id;
  EXPECT_FALSE(IsEnabled(ID_GATE_TRIANGLE_ENCODE));

  SetBox();
  EXPECT_TRUE(IsEnabled(ID_GATE_TRIANGLE_ENCODE));
  EXPECT_FALSE(IsEnabled(ID_GATE_QUAD_ENCODE));
  EXPECT_FALSE(IsEnabled(ID_GATE_POLYGON_MULTI_SEED));

  Set(gatetest::QuadGrid(2));
  EXPECT_FALSE(IsEnabled(ID_GATE_TRIANGLE_ENCODE));
  EXPECT_TRUE(IsEnabled(ID_GATE_QUAD_ENCODE));
  EXPECT_TRUE(IsEnabled(ID_GATE_QUAD_MULTI_ENCODING));
  EXPECT_FALSE(IsEnabled(ID_GATE_POLYGON_ENCODE));
  for (unsigned id : decoders)
    EXPECT_TRUE(IsEnabled(id)) << id;
}

TEST_F(CGateCodingCommandsTest, ATriangleMeshEncodedFromTheMenuDecodesBack)
{
  CMesh3d* pMesh = Set(gatetest::TriangleTorus(6, 5));
  const int nbVertex = pMesh->NbVertex();
  const int nbFace = pMesh->NbFace();
  ASSERT_TRUE(Run(ID_GATE_TRIANGLE_ENCODE));
  EXPECT_EQ(m_DialogTemplates.back(), 190);
  ASSERT_TRUE(std::filesystem::exists(PathOf("mesh.bin")));
  EXPECT_EQ(CountMatching(R"(Encoding\.\.\.\.done \([0-9.e+-]+ b/v\), packed: [0-9.e+-]+ b/v, [0-9.e+-]+ f/s, order-1 aac)"), 1)
    << LastStatus();

  m_FileAnswer = PathOf("mesh.bin");
  m_Answer = platform::IDNO; // no visual debugging
  ASSERT_TRUE(Run(ID_GATE_TRIANGLE_DECODE));
  ASSERT_EQ(NbObject(), 1);
  CMesh3d* pDecoded = Mesh(0);
  ASSERT_NE(pDecoded, nullptr);
  EXPECT_NE(pDecoded, pMesh);
  EXPECT_EQ(pDecoded->NbVertex(), nbVertex);
  EXPECT_EQ(pDecoded->NbFace(), nbFace);
  // Rebuilt: every face of the closed torus has its three neighbours.
  for (int i = 0; i < pDecoded->NbFace(); i++)
    EXPECT_EQ(pDecoded->GetFace(i)->NbFaceNeighbor(), 3);
  EXPECT_EQ(CountMatching(R"(Decoding\.\.\.\.done \([0-9.e+-]+ f/s\))"), 1) << LastStatus();
  EXPECT_EQ(m_Messages, std::vector<std::string>{"Visual debug ?"});
}

TEST_F(CGateCodingCommandsTest, NothingIsRemovedUntilAStreamDecodes)
{
  CMesh3d* pMesh = SetBox();
  std::ofstream(PathOf("broken.bin"), std::ios::binary) << "not a gate stream at all";

  // The file dialog cancelled.
  EXPECT_TRUE(Run(ID_GATE_TRIANGLE_DECODE));
  EXPECT_EQ(Mesh(0), pMesh);

  // Visual debugging chosen, then its iterations dialog cancelled.
  m_FileAnswer = PathOf("broken.bin");
  m_Answer = platform::IDYES;
  m_DialogAnswer = platform::IDCANCEL;
  EXPECT_TRUE(Run(ID_GATE_QUAD_DECODE));
  ASSERT_EQ(NbObject(), 1);
  EXPECT_EQ(Mesh(0), pMesh);
  EXPECT_EQ(m_DialogTemplates.back(), 163);

  // A stream that does not decode: the scene stays, and the user is told.
  m_Answer = platform::IDNO;
  m_Messages.clear();
  EXPECT_TRUE(Run(ID_GATE_POLYGON_DECODE));
  ASSERT_EQ(NbObject(), 1);
  EXPECT_EQ(Mesh(0), pMesh);
  ASSERT_EQ(m_Messages.size(), 2u);
  EXPECT_EQ(m_Messages[1], "Unable to decode " + PathOf("broken.bin"));
  EXPECT_EQ(LastStatus(), "Decoding polygon-mesh....failed");
}

TEST_F(CGateCodingCommandsTest, QuadMultiEncodingTablesOneRowPerSeed)
{
  // Three quads in a row.
  Set(gatetest::BuildQuads({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0},
                            {0, 1, 0}, {1, 1, 0}, {2, 1, 0}, {3, 1, 0}},
                           {{0, 1, 5, 4}, {1, 2, 6, 5}, {2, 3, 7, 6}}));
  ASSERT_TRUE(Run(ID_GATE_QUAD_MULTI_ENCODING));
  ASSERT_EQ(ClipboardTexts().size(), 1u);
  const std::string& table = ClipboardTexts()[0];
  EXPECT_TRUE(std::regex_match(table, std::regex("SEED \t BIT-RATE \\(b/v\\) \t SPEED \\(quad/s\\)\r\n"
                                                 "0\t[0-9.e+-]+\t[0-9.e+-]+\r\n"
                                                 "1\t[0-9.e+-]+\t[0-9.e+-]+\r\n"
                                                 "2\t[0-9.e+-]+\t[0-9.e+-]+\r\n")))
    << table;
  EXPECT_EQ(CountMatching(R"(Seed +[123] of +3, [0-9.]+ b/v, +[0-9]+ f/s)"), 3);
}

TEST_F(CGateCodingCommandsTest, PolygonMultiSeedCountsThePolygonsAfterTheSplit)
{
  // A hexagon beside a quad: the hexagon splits into quads (and triangles) first.
  Set(gatetest::BuildPolygons({{0, 0, 0}, {1, 0, 0}, {2, 1, 0}, {1, 2, 0}, {0, 2, 0}, {-1, 1, 0},
                               {2, 3, 0}},
                              {{0, 1, 2, 3, 4, 5}, {3, 2, 6, 4}}));
  ASSERT_TRUE(Run(ID_GATE_POLYGON_MULTI_SEED));
  auto* pMesh = dynamic_cast<CPolygonMesh3d*>(m_pDoc->m_SceneGraph.GetAt(0));
  ASSERT_NE(pMesh, nullptr);
  EXPECT_GT(pMesh->NbPolygon(), 2);
  ASSERT_EQ(ClipboardTexts().size(), 1u);
  const std::string& table = ClipboardTexts()[0];
  int rows = 0;
  for (int seed = 0; seed < pMesh->NbPolygon(); seed++)
    rows += table.find(std::to_string(seed) + "\t") != std::string::npos;
  EXPECT_EQ(rows, pMesh->NbPolygon());
  EXPECT_EQ(CountMatching(R"(Seed [0-9]+ \([0-9.e+-]+ b/v - using order-1 aac\), speed: [0-9.e+-]+ polygons/s)"),
            pMesh->NbPolygon());
}

TEST_F(CGateCodingCommandsTest, TheLabelTestCodesItsSevenSymbolsAndRefusesOthers)
{
  std::ofstream(PathOf("labels.ff")) << "0123456601234\n6543210\n";
  m_FileAnswer = PathOf("labels.ff");
  ASSERT_TRUE(Run(ID_GATE_POLYGON_LABEL_CODING));
  EXPECT_TRUE(m_Messages.empty());
  EXPECT_GT(std::filesystem::file_size(PathOf("bidon.bin")), 0u);

  std::filesystem::remove(PathOf("bidon.bin"));
  std::ofstream(PathOf("bad.ff")) << "01237\n";
  m_FileAnswer = PathOf("bad.ff");
  ASSERT_TRUE(Run(ID_GATE_POLYGON_LABEL_CODING));
  ASSERT_EQ(m_Messages.size(), 1u);
  EXPECT_NE(m_Messages[0].find("Invalid label '7'"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(PathOf("bidon.bin")));

  m_FileAnswer = PathOf("missing.ff");
  ASSERT_TRUE(Run(ID_GATE_POLYGON_LABEL_CODING));
  ASSERT_EQ(m_Messages.size(), 2u);
  EXPECT_EQ(m_Messages[1], "Unable to open file " + PathOf("missing.ff"));
}
