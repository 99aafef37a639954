#include "tests/document/CodingFixture.h"

#include "app/objects/VectorSet3d.h"
#include "app/objects/VertexSet3d.h"

#include "tests/compression/GateTestUtil.h"
#include "tests/mesh/MeshFixtures.h"

#include <regex>

namespace {

class CStructureCommandsTest : public CCodingFixture
{
protected:
  enum { kMultithreading = 1089, kVisual = 1088, kMultipleSeed = 1095 };
  void SetUp() override
  {
    CCodingFixture::SetUp();
    m_pMesh = SetMesh([](CMesh3d& mesh) { mesh.Copy(fixtures::Icosphere(1).get()); });
    Options({{kVisual, 0}});
  }
  CMesh3d* m_pMesh = nullptr;
};

using CPositionCommandsTest = CStructureCommandsTest;

} // namespace

TEST_F(CStructureCommandsTest, AnEncodedMeshDecodesIntoTheOnlyObject)
{
  m_pDoc->m_SceneGraph.Add(new CQuadMesh3d);
  ASSERT_TRUE(Run(ID_STRUCTURE_ENCODE));
  ASSERT_TRUE(std::filesystem::exists("topology.bin"));
  ASSERT_TRUE(Run(ID_STRUCTURE_DECODE));
  ASSERT_EQ(NbObject(), 1);
  CMesh3d* pDecoded = Mesh(0);
  ASSERT_NE(pDecoded, nullptr);
  EXPECT_EQ(pDecoded->NbVertex(), 42);
  EXPECT_EQ(pDecoded->NbFace(), 80);
  EXPECT_TRUE(fixtures::IsClosed(*pDecoded));
  EXPECT_TRUE(std::regex_match(LastStatus(), std::regex("End decoding\\.\\.\\.[0-9.e+-]+ s")))
    << LastStatus();
}

TEST_F(CStructureCommandsTest, VisualDebuggingLeavesItsMarkersAndSegmentsInTheScene)
{
  // The dialog's default: visual debugging on, a repaint every step.
  Options({{kVisual, 1}});
  ASSERT_TRUE(Run(ID_STRUCTURE_ENCODE));
  ASSERT_EQ(NbObject(), 3);
  EXPECT_EQ(Mesh(0), m_pMesh);
  const auto* pMarkers = dynamic_cast<const CVertexSet3d*>(m_pDoc->m_SceneGraph.GetAt(1));
  const auto* pSegments = dynamic_cast<const CVectorSet3d*>(m_pDoc->m_SceneGraph.GetAt(2));
  ASSERT_NE(pMarkers, nullptr);
  ASSERT_NE(pSegments, nullptr);
  // Every vertex marked once, every edge of the closed icosphere drawn once (V + F - 2).
  EXPECT_EQ(pMarkers->NbVertex(), 42);
  EXPECT_EQ(pSegments->NbVector(), 42 + 80 - 2);
  // Visual debugging off adds nothing more.
  Options({{kVisual, 0}});
  ASSERT_TRUE(Run(ID_STRUCTURE_ENCODE));
  EXPECT_EQ(NbObject(), 3);
}

TEST_F(CStructureCommandsTest, ALargeMeshIsColouredWithoutMarkerSets)
{
  // 10,242 vertices: a sphere per vertex on every repaint would outlast the coding.
  CMesh3d* pLarge = SetMesh([](CMesh3d& mesh) { mesh.Copy(fixtures::Icosphere(5).get()); });
  ASSERT_GT(pLarge->NbVertex(), 5000);
  Options({{kVisual, 1}});
  ASSERT_TRUE(Run(ID_STRUCTURE_ENCODE));
  EXPECT_EQ(NbObject(), 1);
  EXPECT_TRUE(std::filesystem::exists("topology.bin"));
}

TEST_F(CStructureCommandsTest, AStreamThatDoesNotDecodeLeavesTheScene)
{
  std::ofstream("topology.bin", std::ios::binary) << "garbage";
  ASSERT_TRUE(Run(ID_STRUCTURE_DECODE));
  ASSERT_EQ(NbObject(), 1);
  EXPECT_EQ(Mesh(0), m_pMesh);
  ASSERT_FALSE(m_Messages.empty());
  EXPECT_EQ(m_Messages.back(), "Unable to decode topology.bin");
}

TEST_F(CStructureCommandsTest, MultithreadingSaysItIsNotThereAndWritesNothing)
{
  Options({{kVisual, 0}, {kMultithreading, 1}});
  ASSERT_TRUE(Run(ID_STRUCTURE_ENCODE));
  ASSERT_EQ(m_Messages.size(), 1u);
  EXPECT_NE(m_Messages[0].find("Multithreading is not available"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists("topology.bin"));
}

TEST_F(CStructureCommandsTest, TheBenchmarkTablesEveryFace)
{
  Options({{kVisual, 0}, {kMultipleSeed, 1}});
  ASSERT_TRUE(Run(ID_STRUCTURE_ENCODE));
  const std::vector<std::string> lines = Lines(Clipboard());
  ASSERT_EQ(lines.size(), 81u);
  EXPECT_EQ(lines[0], "Seed\tBoundary\tNbVertexNeighbor\tNbOffset\tNbGhost\tCost\r");
  // Closed, every vertex of valence 5 or 6: no boundary, 15 to 18 neighbours per face.
  for (int i = 0; i < 80; i++)
    EXPECT_TRUE(std::regex_match(lines[i + 1], std::regex(std::to_string(i) +
                                                          "\t0\t1[5-8]\t[0-9]+\t[0-9]+\t[0-9.e+-]+\r")))
      << lines[i + 1];
  // Each row went to the clipboard as it came.
  EXPECT_EQ(m_Recorder->m_Texts.size(), 80u);
}

TEST_F(CPositionCommandsTest, MultiMeshDecodesEightLevelsNamedByTheirBits)
{
  m_DialogAnswer = platform::IDOK;
  ASSERT_TRUE(Run(ID_ATTRIBUTES_POSITIONS));
  ASSERT_TRUE(std::filesystem::exists("Positions.bin"));
  ASSERT_TRUE(Run(ID_DECODE_MULTI_MESH));
  ASSERT_EQ(NbObject(), 9);
  EXPECT_EQ(Mesh(0), m_pMesh);
  for (int level = 0; level <= 7; level++) {
    CMesh3d* pMesh = Mesh(level + 1);
    ASSERT_NE(pMesh, nullptr);
    EXPECT_TRUE(std::regex_match(pMesh->GetName(), std::regex("\\[" + std::to_string(level) + "\\][0-9]+ bits")))
      << pMesh->GetName();
    EXPECT_EQ(pMesh->NbVertex(), 42);
  }
}

TEST_F(CPositionCommandsTest, PositionsOfAnotherMeshAreRefused)
{
  ASSERT_TRUE(Run(ID_ATTRIBUTES_POSITIONS));
  CMesh3d* pOther = SetBox();
  const float x = pOther->GetVertex(0)->x();
  ASSERT_TRUE(Run(ID_DECODE_FIRST_APPROXIMATION));
  ASSERT_EQ(m_Messages.size(), 1u);
  EXPECT_NE(m_Messages[0].find("Unable to decode Positions.bin"), std::string::npos);
  EXPECT_EQ(pOther->GetVertex(0)->x(), x);
  ASSERT_TRUE(Run(ID_DECODE_MULTI_MESH));
  EXPECT_EQ(m_Messages.size(), 2u);
  EXPECT_EQ(NbObject(), 1);
}

TEST_F(CPositionCommandsTest, MultiCodingAppendsElevenWidthsBesideTheSource)
{
  ASSERT_TRUE(Run(ID_ATTRIBUTES_MULTI_CODING));
  ASSERT_EQ(NbObject(), 12);
  EXPECT_EQ(Mesh(0), m_pMesh);
  for (int i = 1; i <= 11; i++)
    EXPECT_TRUE(std::regex_match(Mesh(i)->GetName(), std::regex("[0-9]+\\.[0-9]{2} b/face")))
      << Mesh(i)->GetName();
}

TEST_F(CPositionCommandsTest, InterpolatingKeepsTheUsersMeshAndAppendsSeventyTwo)
{
  m_pDoc->m_SceneGraph.Add(new CQuadMesh3d);
  ASSERT_TRUE(Run(ID_ATTRIBUTES_MULTI_CODING_INTERPOLATING));
  ASSERT_EQ(NbObject(), 2 + 72);
  EXPECT_EQ(Mesh(0), m_pMesh);
  EXPECT_EQ(Mesh(2)->GetName(), "1 bits");
  EXPECT_EQ(Mesh(2 + 12)->GetName(), "2 bits");
  // Each block starts at its width and its last step lands on the next width.
  const CMesh3d* pTwoBits = Mesh(2 + 12);
  const CMesh3d* pLastStep = Mesh(2 + 11);
  for (int j = 0; j < pTwoBits->NbVertex(); j++)
    EXPECT_NEAR(pLastStep->GetVertex(j)->x(), pTwoBits->GetVertex(j)->x(), 1e-6f);
}

TEST_F(CPositionCommandsTest, TheToggleSaysWhichPositionsShow)
{
  ASSERT_TRUE(Run(ID_ATTRIBUTES_TOGGLE_QUANTIZED));
  const std::string first = LastStatus();
  ASSERT_TRUE(Run(ID_ATTRIBUTES_TOGGLE_QUANTIZED));
  EXPECT_NE(LastStatus(), first);
  EXPECT_TRUE(first == "Quantized mode" || first == "Unquantized mode") << first;
}
