#include "tests/document/CommandFixture.h"

#include "platform/core/Random.h"


namespace {

using CSubdivisionCommandsTest = CCommandFixture;

// Commands of the subdivision menu that need a triangle mesh as object 0.
const unsigned kTriangleCommands[] = {
  ID_SUBDIVISION_LOOP,        ID_LOOP_ADAPTIVE_RANDOM,   ID_LOOP_ADAPTIVE_CURVATURE,
  ID_SUBDIVISION_SIMPLE,      ID_V3_FLIP_EDGES,          ID_V3_ALONE,
  ID_V3_ALPHA_2_9,            ID_V3_ALPHA_1_3,           ID_V3_MAX_VERTICES,
  ID_V3_PARAMETERS,           ID_V3_PIECEWISE,           ID_V3_SILHOUETTE_1_ITER,
  ID_V3_SILHOUETTE_4_ITERS,   ID_V3_SILHOUETTE_4_ITERS_NO_DEBUG,
  ID_V3_SILHOUETTE_PARAMETERS, ID_V3_UNDO,               ID_V3_RECURSIVE_UNDO,
  ID_V3_REGULARIZE};

// The whole text against a pattern whose '*' stands for any run of characters (the times).
bool Matches(const std::string& text, const std::string& pattern)
{
  const size_t star = pattern.find('*');
  if (star == std::string::npos)
    return text == pattern;
  if (text.compare(0, star, pattern, 0, star) != 0)
    return false;
  const std::string rest = pattern.substr(star + 1);
  for (size_t at = star; at <= text.size(); at++)
    if (Matches(text.substr(at), rest))
      return true;
  return false;
}

} // namespace

TEST_F(CSubdivisionCommandsTest, EnablementFollowsTheTypeOfObjectZero)
{
  ExpectEnabledOn({std::begin(kTriangleCommands), std::end(kTriangleCommands)}, IsTriangleScene);
  ExpectEnabledOn({ID_LOOP_MULTIPLE}, IsAnyScene);
}

TEST_F(CSubdivisionCommandsTest, EveryCommandRunsWithItsDefaultsOnSmallMeshes)
{
  for (const auto& build : SmallMeshes()) {
    std::vector<unsigned> commands(std::begin(kTriangleCommands), std::end(kTriangleCommands));
    commands.push_back(ID_LOOP_MULTIPLE);
    for (unsigned id : commands) {
      CMesh3d* pMesh = build();
      const int faces = pMesh->NbFace();
      EXPECT_TRUE(Run(id)) << id;
      ASSERT_EQ(Mesh(0), pMesh) << id;
      EXPECT_TRUE(pMesh->IsValid()) << id << " on mesh of " << faces << " faces";
      // Only the history commands and selections that picked nothing may leave the count.
      if (id == ID_SUBDIVISION_LOOP || id == ID_SUBDIVISION_SIMPLE) {
        EXPECT_EQ(pMesh->NbFace(), 4 * faces) << id;
      }
      if (id == ID_V3_ALONE || id == ID_V3_FLIP_EDGES || id == ID_V3_ALPHA_1_3) {
        EXPECT_EQ(pMesh->NbFace(), 3 * faces) << id;
      }
    }
  }
}

TEST_F(CSubdivisionCommandsTest, LoopReportsTheFacesOfEveryMesh)
{
  SetTetrahedron();
  ASSERT_TRUE(Run(ID_SUBDIVISION_LOOP));
  EXPECT_TRUE(Matches(LastStatus(), "Loop done, 4 -> 16 faces, * s...")) << LastStatus();

  // A second mesh behind a tiling adds its faces; the tiling is not a mesh to subdivide.
  m_pDoc->m_SceneGraph.Add(new CTiling3d);
  CMesh3d* pSecond = new CMesh3d;
  pSecond->GenerateQuadrilateral();
  pSecond->Rebuild();
  m_pDoc->m_SceneGraph.Add(pSecond);
  ASSERT_TRUE(Run(ID_SUBDIVISION_LOOP));
  EXPECT_TRUE(Matches(LastStatus(), "Loop done, 20 -> 80 faces, * s...")) << LastStatus();
  EXPECT_EQ(pSecond->NbFace(), 16);

  SetScene(SCENE_EMPTY_MESH);
  ASSERT_TRUE(Run(ID_SUBDIVISION_LOOP));
  EXPECT_TRUE(Matches(LastStatus(), "Loop done, 0 -> 0 faces, * s...")) << LastStatus();
}

TEST_F(CSubdivisionCommandsTest, MultipleLoopsInPlaceOrOnCopies)
{
  CMesh3d* pMesh = SetTetrahedron();
  AnswerWith({{"Iterations", "2"}});
  ASSERT_TRUE(Run(ID_LOOP_MULTIPLE));
  EXPECT_EQ(NbObject(), 1);
  EXPECT_EQ(pMesh->NbFace(), 64);

  // Copy i comes from object i: the tiling at 1 is not a mesh and gives no copy.
  SetTetrahedron();
  m_pDoc->m_SceneGraph.Add(new CTiling3d);
  AnswerWith({{"Iterations", "3"}, {"Duplicate in scene graph", "1"}});
  ASSERT_TRUE(Run(ID_LOOP_MULTIPLE));
  ASSERT_EQ(NbObject(), 4);
  EXPECT_EQ(Mesh(0)->NbFace(), 4);
  EXPECT_EQ(m_pDoc->m_SceneGraph.GetAt(1)->GetType(), TYPE_TILING3D);
  EXPECT_EQ(Mesh(2)->NbFace(), 16);
  EXPECT_EQ(Mesh(3)->NbFace(), 64);
  EXPECT_TRUE(Mesh(3)->IsValid());

  // Cancel changes nothing.
  m_DialogAnswer = platform::IDCANCEL;
  ASSERT_TRUE(Run(ID_LOOP_MULTIPLE));
  EXPECT_EQ(NbObject(), 4);
}

TEST_F(CSubdivisionCommandsTest, MultipleLoopsDoNothingWithoutATriangleMesh)
{
  for (int scene : {SCENE_EMPTY, SCENE_QUAD_MESH, SCENE_POLYGON_MESH}) {
    SetScene(scene);
    const int objects = NbObject();
    m_DialogTemplates.clear();
    EXPECT_TRUE(Run(ID_LOOP_MULTIPLE));
    EXPECT_TRUE(m_DialogTemplates.empty()) << SceneName(scene);
    EXPECT_EQ(NbObject(), objects);
  }
}

TEST_F(CSubdivisionCommandsTest, MaxVerticesStopsAtTheWantedCountOrAfterFourPasses)
{
  CMesh3d* pMesh = SetTetrahedron();
  AnswerWith({{"Iterations", "4"}});
  ASSERT_TRUE(Run(ID_V3_MAX_VERTICES));
  EXPECT_EQ(pMesh->NbFace(), 4);
  EXPECT_TRUE(Matches(LastStatus(), "V3 done (* s)...")) << LastStatus();
  ASSERT_GE(m_Status.size(), 2u);
  EXPECT_EQ(m_Status[m_Status.size() - 2], "0 out of 1...");

  AnswerWith({{"Iterations", "100000"}});
  ASSERT_TRUE(Run(ID_V3_MAX_VERTICES));
  EXPECT_EQ(pMesh->NbFace(), 4 * 81);
}

TEST_F(CSubdivisionCommandsTest, RecursiveUndoReturnsToTheMeshBeforeTheV3Steps)
{
  CMesh3d* pMesh = SetBox();
  const int faces = pMesh->NbFace();
  const int vertices = pMesh->NbVertex();
  ASSERT_TRUE(Run(ID_V3_ALONE));
  ASSERT_TRUE(Run(ID_V3_FLIP_EDGES));
  ASSERT_GT(pMesh->NbFace(), faces);
  ASSERT_TRUE(Run(ID_V3_UNDO));
  EXPECT_TRUE(CornersInMesh(pMesh));
  ASSERT_TRUE(Run(ID_V3_RECURSIVE_UNDO));
  EXPECT_EQ(pMesh->NbFace(), faces);
  EXPECT_EQ(pMesh->NbVertex(), vertices);
  EXPECT_TRUE(pMesh->IsValid());
}

TEST_F(CSubdivisionCommandsTest, AnAdaptiveSeedOutsideTheMeshIsRefused)
{
  CMesh3d* pMesh = SetBox();
  AnswerWith({{"Adaptative mode", "1"}, {"Seed", "8"}});
  ASSERT_TRUE(Run(ID_V3_PARAMETERS));
  EXPECT_EQ(pMesh->NbFace(), 12);
  EXPECT_NE(LastStatus().find("Seed 8"), std::string::npos) << LastStatus();

  AnswerWith({{"Adaptative mode", "1"}, {"Seed", "7"}, {"# iters", "1"}, {"Ratio", "2"}});
  ASSERT_TRUE(Run(ID_V3_PARAMETERS));
  EXPECT_GT(pMesh->NbFace(), 12);
}

TEST_F(CSubdivisionCommandsTest, TheAdaptiveRefinementWritesItsSteps)
{
  CMesh3d* pMesh = SetBox();
  ASSERT_TRUE(Run(ID_V3_ALONE));
  const int refined = pMesh->NbFace();
  m_Status.clear();
  ASSERT_TRUE(Run(ID_V3_SILHOUETTE_4_ITERS));
  const std::vector<std::string> expected = {
    "Undo action...", "Undo action...step 0", "Rebuild adjacency...",
    "Refine front faces...(step 0)", "Refine front faces...(step 1)",
    "Refine silhouette faces...(step 0)", "Refine silhouette faces...(step 1)",
    "Process normals...", "Color faces..."};
  ASSERT_EQ(m_Status.size(), expected.size() + 1);
  for (size_t i = 0; i < expected.size(); i++)
    EXPECT_EQ(m_Status[i], expected[i]);
  // The history went first: the refinement starts again from the box's 12 faces.
  const std::string done =
    "Adaptive refinement done (12 to " + std::to_string(pMesh->NbFace()) + " faces, * s)...";
  EXPECT_TRUE(Matches(m_Status.back(), done)) << m_Status.back();
  EXPECT_NE(pMesh->NbFace(), refined);
  EXPECT_TRUE(pMesh->IsValid());
}

TEST_F(CSubdivisionCommandsTest, TimerTwoStepsTheRefinementOfItsOwnDocument)
{
  CRenderView* pView = m_pDoc->GetOwnRenderView();
  ASSERT_NE(pView, nullptr);
  // With nothing to refine the step does nothing.
  for (int scene : {SCENE_EMPTY, SCENE_QUAD_MESH, SCENE_POLYGON_MESH}) {
    SetScene(scene);
    m_Status.clear();
    pView->OnTimer(2);
    EXPECT_TRUE(m_Status.empty()) << SceneName(scene);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  }

  CMesh3d* pMesh = SetBox();
  // Another window is active: the step still works on the document of the timer's view.
  CVanthDoc* pOther = NewDocument();
  ASSERT_NE(pOther, m_pDoc);
  m_Status.clear();
  pView->OnTimer(2);
  ASSERT_FALSE(m_Status.empty());
  EXPECT_TRUE(Matches(m_Status.back(), "Adaptive refinement done (12 to * faces, * s)..."));
  EXPECT_GT(pMesh->NbFace(), 12);
  EXPECT_EQ(pOther->m_SceneGraph.NbObject(), 0);
}

TEST_F(CSubdivisionCommandsTest, RandomAdaptiveLoopRefinesAboutOneFaceInTen)
{
  CMesh3d* pMesh = SetMapGrid(30);
  const int faces = pMesh->NbFace();
  platform::Srand(7);
  ASSERT_TRUE(Run(ID_LOOP_ADAPTIVE_RANDOM));
  // Each picked face splits with its neighbours: more faces, but far from all split 1 to 4.
  EXPECT_GT(pMesh->NbFace(), faces);
  EXPECT_LT(pMesh->NbFace(), 2 * faces);
  EXPECT_TRUE(pMesh->IsValid());
}
