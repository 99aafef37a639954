#include "tests/document/CommandFixture.h"

#include "platform/core/Random.h"
#include "scene/ParserVrml.h"
#include "scene/SceneGraph3d.h"

#include <QTest>

#include <fstream>
#include <sstream>

namespace {

using CSimplificationCommandsTest = CCommandFixture;

const unsigned kTriangleCommands[] = {
  ID_SIMPLIFICATION_PROGRESSIVE_MESH, ID_SIMPLIFICATION_VOLUMIC,
  ID_SIMPLIFICATION_EDGE_COLLAPSE, ID_SIMPLIFICATION_INDEPENDENT_COLLAPSES,
  ID_SIMPLIFICATION_VERTEX_REMOVALS, ID_SIMPLIFICATION_EDGE_BASED};
const unsigned kAlwaysCommands[] = {ID_DEBUG_VOLUMIC_METRIC};

std::string ReadAll(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

int Count(const std::string& text, const std::string& word)
{
  int n = 0;
  for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1))
    n++;
  return n;
}

// A seed after which the generator's next two draws are both its largest value: the draws
// that would pick index n of n without a bound.
unsigned SeedOfTwoLargestDraws()
{
  constexpr unsigned kMultiplier = 214013u;
  constexpr unsigned kIncrement = 2531011u;
  // The inverse of the multiplier modulo 2^32, by Newton's iteration.
  unsigned inverse = kMultiplier;
  for (int i = 0; i < 5; i++)
    inverse *= 2u - kMultiplier * inverse;
  for (unsigned high = 0; high < 2; high++) {
    for (unsigned low = 0; low < 0x10000u; low++) {
      const unsigned first = (high << 31) | (0x7fffu << 16) | low;
      const unsigned second = first * kMultiplier + kIncrement;
      if (((second >> 16) & 0x7fffu) == 0x7fffu)
        return (first - kIncrement) * inverse;
    }
  }
  return 0;
}

} // namespace

TEST_F(CSimplificationCommandsTest, EnablementFollowsTheTypeOfObjectZero)
{
  ExpectEnabledOn({std::begin(kTriangleCommands), std::end(kTriangleCommands)}, IsTriangleScene);
  ExpectEnabledOn({std::begin(kAlwaysCommands), std::end(kAlwaysCommands)}, IsAnyScene);
}

TEST_F(CSimplificationCommandsTest, AlwaysEnabledCommandsLeaveOtherScenesAlone)
{
  for (int scene : {SCENE_EMPTY, SCENE_EMPTY_MESH, SCENE_QUAD_MESH, SCENE_POLYGON_MESH}) {
    for (unsigned id : kAlwaysCommands) {
      SetScene(scene);
      const int objects = NbObject();
      EXPECT_TRUE(Run(id)) << id;
      EXPECT_EQ(NbObject(), objects) << SceneName(scene);
    }
  }
  // Greyed without a triangle mesh: the menu refuses it.
  for (int scene : {SCENE_EMPTY, SCENE_QUAD_MESH, SCENE_POLYGON_MESH}) {
    SetScene(scene);
    EXPECT_FALSE(Run(ID_SIMPLIFICATION_EDGE_COLLAPSE)) << SceneName(scene);
  }
  SetScene(SCENE_EMPTY_MESH);
  EXPECT_TRUE(Run(ID_SIMPLIFICATION_EDGE_COLLAPSE));
  // A mesh whose vertices have no neighbours has no edge to collapse.
  CMesh3d* pMesh = SetMesh([](CMesh3d& m) { m.AddVertex(new CVertex3d(0.0f, 0.0f, 0.0f)); });
  for (int i = 0; i < 20; i++)
    ASSERT_TRUE(Run(ID_SIMPLIFICATION_EDGE_COLLAPSE));
  EXPECT_EQ(pMesh->NbVertex(), 1);
}

TEST_F(CSimplificationCommandsTest, EveryCommandRunsWithItsDefaultsOnSmallMeshes)
{
  for (const auto& build : SmallMeshes()) {
    std::vector<unsigned> commands(std::begin(kTriangleCommands), std::end(kTriangleCommands));
    commands.insert(commands.end(), std::begin(kAlwaysCommands), std::end(kAlwaysCommands));
    for (unsigned id : commands) {
      CMesh3d* pMesh = build();
      // Volumic metric collapses the highlighted edge 0-1.
      m_pDoc->m_CollapseVertexIndex = 1;
      const int vertices = pMesh->NbVertex();
      EXPECT_TRUE(Run(id)) << id;
      m_pDoc->JoinDecimation();
      ASSERT_EQ(Mesh(0), pMesh) << id;
      EXPECT_TRUE(pMesh->IsValid()) << id << " on mesh of " << vertices << " vertices";
      EXPECT_LE(pMesh->NbVertex(), vertices) << id;
    }
  }
}

TEST_F(CSimplificationCommandsTest, RandomEdgeCollapsesStayInsideTheMesh)
{
  CMesh3d* pMesh = SetMapGrid(8);
  platform::Srand(3);
  for (int i = 0; i < 30; i++)
    ASSERT_TRUE(Run(ID_SIMPLIFICATION_EDGE_COLLAPSE));
  EXPECT_LT(pMesh->NbVertex(), 64);
  EXPECT_LT(pMesh->NbFace(), 2 * 7 * 7);
}

TEST_F(CSimplificationCommandsTest, TheLargestRandomDrawsStillPickAVertexAndANeighbour)
{
  const unsigned seed = SeedOfTwoLargestDraws();
  platform::Srand(seed);
  ASSERT_EQ(platform::Rand(), platform::RandMax);
  ASSERT_EQ(platform::Rand(), platform::RandMax);

  CMesh3d* pMesh = SetMapGrid(5);
  platform::Srand(seed);
  ASSERT_TRUE(Run(ID_SIMPLIFICATION_EDGE_COLLAPSE));
  // The last vertex (a corner of the grid) went into its last neighbour.
  EXPECT_EQ(pMesh->NbVertex(), 24);
  EXPECT_TRUE(CornersInMesh(pMesh));
}

TEST_F(CSimplificationCommandsTest, VertexRemovalsTakeTheInnerVerticesOfThreeFaces)
{
  // The centres that V3 insertion alone puts in the faces of a box have three faces each.
  CMesh3d* pMesh = SetBox();
  ASSERT_TRUE(Run(ID_V3_ALONE));
  ASSERT_EQ(pMesh->NbFace(), 36);
  ASSERT_TRUE(Run(ID_SIMPLIFICATION_VERTEX_REMOVALS));
  EXPECT_EQ(pMesh->NbFace(), 12);
  EXPECT_EQ(pMesh->NbVertex(), 8);
  EXPECT_TRUE(pMesh->IsValid());

  // No vertex of a tetrahedron can go without folding two faces onto each other.
  pMesh = SetTetrahedron();
  ASSERT_TRUE(Run(ID_SIMPLIFICATION_VERTEX_REMOVALS));
  EXPECT_EQ(pMesh->NbFace(), 4);
  EXPECT_TRUE(pMesh->IsValid());
}

TEST_F(CSimplificationCommandsTest, EdgeBasedSimplificationStopsAtTheFinalCount)
{
  CMesh3d* pMesh = SetMapGrid(10);
  AnswerWith({{"Final", "60"}, {"Frequency", "0"}});
  ASSERT_TRUE(Run(ID_SIMPLIFICATION_EDGE_BASED));
  EXPECT_EQ(pMesh->NbVertex(), 60);
  EXPECT_TRUE(pMesh->IsValid());
  EXPECT_TRUE(m_Requests.empty());

  // A final count at or above the vertex count still runs one step: one mesh saved.
  CScopedFolder folder("orvane_edge_step");
  m_FileAnswer = (folder.Path() / "one.wrl").string();
  m_EditDialog = [](platform::CDialog& dialog) {
    SetField(dialog, "Final", "1000");
    SetField(dialog, "Save", "1");
    EXPECT_TRUE(dialog.Fields().SetText(1029, "1"));
  };
  ASSERT_TRUE(Run(ID_SIMPLIFICATION_EDGE_BASED));
  EXPECT_GE(pMesh->NbVertex(), 59);
  EXPECT_EQ(Count(ReadAll(*m_FileAnswer), "IndexedFaceSet"), 1);
}

TEST_F(CSimplificationCommandsTest, EdgeBasedSimplificationSavesEveryNthStepOrNever)
{
  CScopedFolder folder("orvane_edge_based");
  const std::string path = (folder.Path() / "steps.wrl").string();
  SetMapGrid(8);
  m_FileAnswer = path;
  // Save frequency 0: the header only.
  AnswerWith({{"Final", "50"}, {"Save", "1"}});
  ASSERT_TRUE(Run(ID_SIMPLIFICATION_EDGE_BASED));
  EXPECT_EQ(ReadAll(path).rfind("#VRML V2.0", 0), 0u);
  EXPECT_EQ(Count(ReadAll(path), "IndexedFaceSet"), 0);

  // Saved at steps 0, f, 2f, ...: every step with f = 1, a fifth of them with f = 5.
  const auto savedWithFrequency = [&](const char* frequency) {
    SetMapGrid(8);
    m_EditDialog = [frequency](platform::CDialog& dialog) {
      SetField(dialog, "Final", "50");
      SetField(dialog, "Save", "1");
      SetField(dialog, "Collapse boundaries", "1");
      EXPECT_TRUE(dialog.Fields().SetText(1029, frequency));  // the second "Frequency"
    };
    EXPECT_TRUE(Run(ID_SIMPLIFICATION_EDGE_BASED));
    EXPECT_EQ(Mesh(0)->NbVertex(), 50);
    return Count(ReadAll(path), "IndexedFaceSet");
  };
  const int everyStep = savedWithFrequency("1");
  EXPECT_GE(everyStep, 14);
  // Each step's mesh as it stands after its collapse: no vertex that a collapse took.
  CSceneGraph3d saved;
  CParserVrml parser;
  ASSERT_EQ(parser.Run(path.c_str(), &saved), 1);
  ASSERT_EQ(saved.NbObject(), everyStep);
  int previous = 64;
  for (int i = 0; i < saved.NbObject(); i++) {
    ASSERT_EQ(saved.GetAt(i)->GetType(), TYPE_MESH3D);
    const int nbVertex = static_cast<CMesh3d*>(saved.GetAt(i))->NbVertex();
    EXPECT_LE(nbVertex, previous) << i;
    previous = nbVertex;
  }
  EXPECT_EQ(previous, 50);
  EXPECT_EQ(savedWithFrequency("5"), (everyStep + 4) / 5);

  // Cancelling the file dialog changes nothing.
  CMesh3d* pMesh = SetMapGrid(8);
  m_FileAnswer.reset();
  ASSERT_TRUE(Run(ID_SIMPLIFICATION_EDGE_BASED));
  EXPECT_EQ(pMesh->NbVertex(), 64);
  ASSERT_FALSE(m_Messages.empty());
  EXPECT_EQ(m_Messages.back(), "The operation has been canceled");
}

TEST_F(CSimplificationCommandsTest, TheVolumicMetricRefusesHighlightsOutsideTheMesh)
{
  CMesh3d* pMesh = SetMapGrid(6);
  // Both highlights at vertex 0: no edge.
  ASSERT_TRUE(Run(ID_DEBUG_VOLUMIC_METRIC));
  EXPECT_EQ(pMesh->NbVertex(), 36);
  m_pDoc->m_HighlightVertexIndex = 14;
  m_pDoc->m_CollapseVertexIndex = 360;
  ASSERT_TRUE(Run(ID_DEBUG_VOLUMIC_METRIC));
  EXPECT_EQ(pMesh->NbVertex(), 36);
  EXPECT_EQ(m_pDoc->m_CollapseVertexIndex, 360);

  m_pDoc->m_CollapseVertexIndex = 15;
  ASSERT_TRUE(Run(ID_DEBUG_VOLUMIC_METRIC));
  EXPECT_EQ(pMesh->NbVertex(), 35);
  EXPECT_EQ(m_pDoc->m_HighlightVertexIndex, 0);
  EXPECT_EQ(m_pDoc->m_CollapseVertexIndex, 0);
  EXPECT_TRUE(pMesh->IsValid());
}

TEST_F(CSimplificationCommandsTest, ProgressiveMeshStopsAtTheFinalCount)
{
  CMesh3d* pMesh = SetBox();
  ASSERT_TRUE(Run(ID_SUBDIVISION_LOOP));
  ASSERT_TRUE(Run(ID_SUBDIVISION_LOOP));
  ASSERT_EQ(pMesh->NbVertex(), 98);
  m_pDoc->m_HighlightFaceIndex = 9;
  AnswerWith({{"Final", "40"}, {"Update iterations", "0"}});
  ASSERT_TRUE(Run(ID_SIMPLIFICATION_PROGRESSIVE_MESH));
  EXPECT_EQ(pMesh->NbVertex(), 40);
  EXPECT_EQ(m_pDoc->m_HighlightFaceIndex, 0);
  EXPECT_TRUE(pMesh->IsValid());
  EXPECT_EQ(LastStatus(), "Progressive mesh: 40 vertices");
}

TEST_F(CSimplificationCommandsTest, ProgressiveMeshSaysWhereAndWhyItStopped)
{
  // Every corner of a box is sharp at the dialog's threshold: no collapse may go.
  CMesh3d* pMesh = SetBox();
  ASSERT_EQ(pMesh->NbVertex(), 8);
  AnswerWith({{"Final", "6"}, {"Update iterations", "0"}});
  ASSERT_TRUE(Run(ID_SIMPLIFICATION_PROGRESSIVE_MESH));
  EXPECT_EQ(pMesh->NbVertex(), 8);
  EXPECT_EQ(LastStatus(), "Progressive mesh stopped at 8 vertices (6 wanted): the collapses "
                          "left are refused, most for a sharp end vertex (Sharp threshold)");

  // With a threshold above any sine, no vertex is sharp and the count is reached.
  AnswerWith({{"Final", "6"}, {"Update iterations", "0"}, {"Sharp threshold", "1.5"}});
  ASSERT_TRUE(Run(ID_SIMPLIFICATION_PROGRESSIVE_MESH));
  EXPECT_EQ(pMesh->NbVertex(), 6);
  EXPECT_EQ(LastStatus(), "Progressive mesh: 6 vertices");
}

TEST_F(CSimplificationCommandsTest, TheDecimationThreadWorksOnAOneMeshScene)
{
  // Model 1 names nothing in a one-mesh scene: object 0 is both model and reference.
  CMesh3d* pMesh = SetMapGrid(8);
  AnswerWith({{"Final", "40"}, {"Save intermediate", "0"}, {"Method", "0"}, {"Max iter", "5"},
              {"Samples per face", "4"}});
  ASSERT_TRUE(Run(ID_SIMPLIFICATION_VOLUMIC));
  EXPECT_TRUE(m_pDoc->IsDecimating());

  // While it runs, commands that change its mesh are refused.
  const int vertices = pMesh->NbVertex();
  // Its result is taken on this thread, between events: until then it counts as running.
  ASSERT_TRUE(Run(ID_SUBDIVISION_LOOP));
  EXPECT_EQ(pMesh->NbVertex(), vertices);
  ASSERT_TRUE(Run(ID_PREDEFINED_BOX));
  EXPECT_EQ(Mesh(0), pMesh);
  EXPECT_NE(LastStatus().find("command refused"), std::string::npos) << LastStatus();
  // A mesh it does not hold may still change.
  auto* pOther = new CMesh3d;
  pOther->GenerateQuadrilateral();
  pOther->Rebuild();
  m_pDoc->m_SceneGraph.Add(pOther);
  EXPECT_TRUE(m_pDoc->IsDecimating());
  EXPECT_FALSE(m_pDoc->RefuseWhileDecimating(pOther));
  EXPECT_TRUE(m_pDoc->RefuseWhileDecimating(pMesh));
  m_pDoc->DeleteObject(1);
  m_pDoc->JoinDecimation();
  EXPECT_FALSE(m_pDoc->IsDecimating());
  ASSERT_EQ(Mesh(0), pMesh);
  EXPECT_LT(pMesh->NbVertex(), vertices);
  EXPECT_TRUE(pMesh->IsValid());
  EXPECT_GT(pMesh->GetVertex(0)->NbVertexNeighbor(), 0);

  // Once done, the commands work again.
  const int faces = pMesh->NbFace();
  ASSERT_TRUE(Run(ID_SUBDIVISION_LOOP));
  EXPECT_EQ(pMesh->NbFace(), 4 * faces);
}

TEST_F(CSimplificationCommandsTest, TheDecimationResultArrivesThroughTheEventLoop)
{
  CMesh3d* pMesh = SetMapGrid(8);
  AnswerWith({{"Final", "40"}, {"Save intermediate", "0"}, {"Method", "0"}, {"Max iter", "5"},
              {"Samples per face", "4"}});
  ASSERT_TRUE(Run(ID_SIMPLIFICATION_VOLUMIC));
  // No join: the worker's requests, queued to this thread, end the run and bring the result.
  ASSERT_TRUE(QTest::qWaitFor([this] { return !m_pDoc->IsDecimating(); }, 60000));
  EXPECT_LT(pMesh->NbVertex(), 64);
  EXPECT_GT(pMesh->GetVertex(0)->NbVertexNeighbor(), 0);
}

TEST_F(CSimplificationCommandsTest, AModelDeletedDuringTheDecimationGetsNoResult)
{
  SetMapGrid(8);
  AnswerWith({{"Final", "40"}, {"Save intermediate", "0"}, {"Method", "0"}, {"Max iter", "5"},
              {"Samples per face", "4"}});
  ASSERT_TRUE(Run(ID_SIMPLIFICATION_VOLUMIC));
  m_pDoc->EmptyScene();
  m_pDoc->JoinDecimation();
  EXPECT_EQ(NbObject(), 0);
  EXPECT_FALSE(m_pDoc->IsDecimating());
  // Repaint requests still queued find nothing to do.
  QCoreApplication::processEvents();
  EXPECT_EQ(NbObject(), 0);
}

TEST_F(CSimplificationCommandsTest, ACancelledIntermediateFileStartsNoDecimation)
{
  CMesh3d* pMesh = SetMapGrid(6);
  ASSERT_TRUE(Run(ID_SIMPLIFICATION_VOLUMIC));
  EXPECT_FALSE(m_pDoc->IsDecimating());
  ASSERT_EQ(m_Requests.size(), 1u);
  EXPECT_FALSE(m_Requests[0].Open);
  EXPECT_EQ(m_Requests[0].InitialPath, "mesh_volumic.wrl");
  ASSERT_FALSE(m_Messages.empty());
  EXPECT_EQ(m_Messages.back(), "The operation has been canceled");
  EXPECT_EQ(pMesh->NbVertex(), 36);
}
