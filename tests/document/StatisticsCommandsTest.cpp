#include "tests/document/CodingFixture.h"

#include "tests/mesh/MeshFixtures.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <regex>
#include <set>
#include <tuple>

namespace {

class CStatisticsCommandsTest : public CCodingFixture
{
protected:
  void SetUp() override
  {
    CCodingFixture::SetUp();
    m_pMesh = SetMesh([](CMesh3d& mesh) { mesh.Copy(fixtures::Icosphere(2).get()); });
  }

  static std::multiset<std::tuple<float, float, float>> Positions(const CMesh3d* pMesh)
  {
    std::multiset<std::tuple<float, float, float>> positions;
    for (int i = 0; i < pMesh->NbVertex(); i++) {
      const CVertex3d* v = pMesh->GetVertex(i);
      positions.insert({v->x(), v->y(), v->z()});
    }
    return positions;
  }
  static std::vector<std::string> FileLines(const std::string& name)
  {
    std::ifstream in(name);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
      lines.push_back(line);
    return lines;
  }

  void KeepFirst() { m_pDoc->KeepFirstObjectOnly(); }

  CMesh3d* m_pMesh = nullptr;
};

} // namespace

TEST_F(CStatisticsCommandsTest, EveryCommandButTheRandomTraceNeedsATriangleMesh)
{
  const unsigned ids[] = {ID_STATISTICS_DEGREE_HISTOGRAM, ID_STATISTICS_EXCURSION,
                          ID_HIGHLIGHT_ORDER_RAMP, ID_SPANNING_ROOT_DISTANCE, ID_GAP_RINGS,
                          ID_QUANTIZE_LINEAR, ID_QUANTIZE_DELTA_TREE_MULTI, ID_TREE_SHOW_DELTA};
  for (unsigned id : ids)
    EXPECT_TRUE(IsEnabled(id)) << id;
  m_pDoc->EmptyScene();
  for (unsigned id : ids)
    EXPECT_FALSE(IsEnabled(id)) << id;
  EXPECT_TRUE(IsEnabled(ID_QUANTIZER_TRACE_RANDOM));
  EXPECT_TRUE(Run(ID_QUANTIZER_TRACE_RANDOM));
  m_pDoc->m_SceneGraph.Add(new CQuadMesh3d);
  for (unsigned id : ids)
    EXPECT_FALSE(IsEnabled(id)) << id;
}

TEST_F(CStatisticsCommandsTest, MultiMeshQuantizationsAppendFifteenNamedCopies)
{
  for (unsigned id : {ID_QUANTIZE_LINEAR_MULTI, ID_QUANTIZE_DELTA_TREE_MULTI}) {
    KeepFirst();
    ASSERT_TRUE(Run(id));
    ASSERT_EQ(NbObject(), 16) << id;
    for (int bits = 2; bits <= 16; bits++) {
      EXPECT_EQ(Mesh(bits - 1)->GetName(), std::to_string(bits) + " bits");
      EXPECT_EQ(Mesh(bits - 1)->NbVertex(), m_pMesh->NbVertex());
    }
    // Two bits: each axis on four levels.
    std::set<float> xs;
    for (int i = 0; i < Mesh(1)->NbVertex(); i++)
      xs.insert(Mesh(1)->GetVertex(i)->x());
    if (id == ID_QUANTIZE_LINEAR_MULTI) {
      EXPECT_LE(xs.size(), 4u);
    }
  }
}

TEST_F(CStatisticsCommandsTest, LinearQuantizationPutsEachAxisOnItsLevels)
{
  m_EditDialog = [](platform::CDialog& dialog) {
    const auto& fields = dialog.Fields().Fields();
    ASSERT_FALSE(fields.empty());
    dialog.Fields().SetText(fields.front().Id, "3");
  };
  ASSERT_TRUE(Run(ID_QUANTIZE_LINEAR));
  EXPECT_EQ(m_DialogTemplates.back(), 166);
  std::set<float> xs;
  for (int i = 0; i < m_pMesh->NbVertex(); i++)
    xs.insert(m_pMesh->GetVertex(i)->x());
  EXPECT_LE(xs.size(), 8u);
  EXPECT_GE(xs.size(), 4u);
}

TEST_F(CStatisticsCommandsTest, DeltasMadeAndUndoneLeaveThePositions)
{
  const auto before = Positions(m_pMesh);
  const int nbVertex = m_pMesh->NbVertex();
  ASSERT_TRUE(Run(ID_TREE_PULL_PUSH_DELTA));
  ASSERT_EQ(m_pMesh->NbVertex(), nbVertex);
  // The push reorders the vertices: every old position is still there, up to rounding.
  for (const auto& [x, y, z] : before) {
    bool found = false;
    for (int i = 0; i < m_pMesh->NbVertex() && !found; i++) {
      const CVertex3d* v = m_pMesh->GetVertex(i);
      found = std::abs(v->x() - x) < 1e-5f && std::abs(v->y() - y) < 1e-5f &&
              std::abs(v->z() - z) < 1e-5f;
    }
    EXPECT_TRUE(found) << x << " " << y << " " << z;
  }
}

TEST_F(CStatisticsCommandsTest, ExcursionsWriteOneLinePerVertex)
{
  ASSERT_TRUE(Run(ID_STATISTICS_EXCURSION));
  const std::vector<std::string> original = FileLines("original_order_absolute.dat");
  EXPECT_EQ(static_cast<int>(original.size()), m_pMesh->NbVertex());

  // A highlight past the end seeds the tree at vertex 0.
  m_pDoc->m_HighlightVertexIndex = 100000;
  ASSERT_TRUE(Run(ID_SPANNING_ROOT_DISTANCE));
  EXPECT_EQ(m_pDoc->m_HighlightVertexIndex, 0);
  const std::vector<std::string> delta = FileLines("root_distance_delta.dat");
  const std::vector<std::string> absolute = FileLines("root_distance_absolute.dat");
  EXPECT_EQ(static_cast<int>(delta.size()), m_pMesh->NbVertex());
  EXPECT_EQ(static_cast<int>(absolute.size()), m_pMesh->NbVertex());
  const int roots = static_cast<int>(std::count_if(delta.begin(), delta.end(), [](const std::string& line) {
    return std::regex_match(line, std::regex("[0-9]+\t0\troot"));
  }));
  EXPECT_GE(roots, 1);
  // The display object of the tree.
  EXPECT_EQ(NbObject(), 2);
}

TEST_F(CStatisticsCommandsTest, GapsAppendTheirCutMeshes)
{
  ASSERT_TRUE(Run(ID_GAP_RINGS_MULTI_MESH));
  EXPECT_EQ(NbObject(), 11);
  for (int i = 1; i < NbObject(); i++)
    EXPECT_NE(Mesh(i), nullptr);
}

TEST_F(CStatisticsCommandsTest, VertexOrderHighlightsAppendOneSetEach)
{
  ASSERT_TRUE(Run(ID_HIGHLIGHT_ORDER_EDGES));
  ASSERT_TRUE(Run(ID_HIGHLIGHT_ORDER_RAMP));
  EXPECT_EQ(NbObject(), 3);
  SetMesh([](CMesh3d&) {});
  ASSERT_TRUE(Run(ID_HIGHLIGHT_ORDER_EDGES));
  EXPECT_EQ(NbObject(), 1);
}

TEST_F(CStatisticsCommandsTest, BitsAndIterationsOutsideTheirRangesAreRefused)
{
  const float x = m_pMesh->GetVertex(5)->x();
  for (const char* bits : {"0", "31"}) {
    m_Messages.clear();
    m_EditDialog = [bits](platform::CDialog& dialog) { dialog.Fields().SetText(1019, bits); };
    ASSERT_TRUE(Run(ID_QUANTIZE_LINEAR));
    ASSERT_FALSE(m_Messages.empty()) << bits;
    EXPECT_EQ(m_Messages.front(), "Please enter an integer between 1 and 30.");
    // Refused at every try: the dialog ends as cancelled and the mesh is as it was.
    EXPECT_EQ(m_pMesh->GetVertex(5)->x(), x);
  }
  m_Messages.clear();
  m_EditDialog = [](platform::CDialog& dialog) { dialog.Fields().SetText(1067, "0"); };
  ASSERT_TRUE(Run(ID_ATTRIBUTES_POSITIONS));
  ASSERT_FALSE(m_Messages.empty());
  EXPECT_EQ(m_Messages.front(), "Please enter an integer between 1 and 1000000000.");
  EXPECT_FALSE(std::filesystem::exists("Positions.bin"));
}
