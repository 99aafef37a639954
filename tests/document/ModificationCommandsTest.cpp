#include "tests/document/CommandFixture.h"

#include "app/objects/VertexSet3d.h"
#include "mesh/HashTable.h"

#include <QImage>

namespace {

using CModificationCommandsTest = CCommandFixture;

const unsigned kTriangleCommands[] = {
  ID_MODIFICATION_MULTIPLE_SMOOTH, ID_REMOVE_FACES_1_NEIGHBOR,       ID_REMOVE_FACES_2_NEIGHBORS,
  ID_REMOVE_FACES_NO_NEIGHBOR,     ID_ALGORITHMS_REBUILD,            ID_ALGORITHMS_CLEANUP,
  ID_ALGORITHMS_CHECK,             ID_COLOR_CURVATURE,               ID_COLOR_HEIGHT,
  ID_COLOR_NORMAL_SPACE,           ID_COLOR_COMPACITY,               ID_COLOR_VERTICES_FROM_FACES,
  ID_ALGORITHMS_HIGHLIGHT_REMOVABLE, ID_ALGORITHMS_HIGHLIGHT_VERTICES, ID_ALGORITHMS_HASH_TABLE};

const unsigned kAlwaysCommands[] = {ID_DEBUG_PSEUDO_HASH_TABLE, ID_PREDEFINED_MAP,
                                    ID_PREDEFINED_PEAKS_MAP, ID_PREDEFINED_BOX,
                                    ID_PREDEFINED_MAP_FROM_IMAGE};

// The sum of every vertex position: a cheap fingerprint of the geometry.
double PositionSum(const CMesh3d* pMesh)
{
  double sum = 0.0;
  for (int i = 0; i < pMesh->NbVertex(); i++) {
    const CVertex3d* v = pMesh->GetVertex(i);
    sum += v->x() + 2.0 * v->y() + 3.0 * v->z();
  }
  return sum;
}

// The mesh with one more, isolated, triangle.
CMesh3d* AddStrayFaces(CMesh3d* pMesh)
{
  const int base = pMesh->NbVertex();
  pMesh->AddVertex(new CVertex3d(5.0f, 5.0f, 5.0f));
  pMesh->AddVertex(new CVertex3d(6.0f, 5.0f, 5.0f));
  pMesh->AddVertex(new CVertex3d(5.0f, 6.0f, 5.0f));
  pMesh->AddFace(new CFace3d(pMesh->GetVertex(base), pMesh->GetVertex(base + 1),
                             pMesh->GetVertex(base + 2)));
  pMesh->Rebuild();
  return pMesh;
}

} // namespace

TEST_F(CModificationCommandsTest, EnablementFollowsTheTypeOfObjectZero)
{
  ExpectEnabledOn({std::begin(kTriangleCommands), std::end(kTriangleCommands)}, IsTriangleScene);
  ExpectEnabledOn({std::begin(kAlwaysCommands), std::end(kAlwaysCommands)}, IsAnyScene);
  ExpectEnabledOn({ID_MODIFICATION_SMOOTH},
                  [](int scene) { return IsTriangleScene(scene) || scene == SCENE_QUAD_MESH; });
}

TEST_F(CModificationCommandsTest, EveryCommandRunsWithItsDefaultsOnSmallMeshes)
{
  for (const auto& build : SmallMeshes()) {
    for (unsigned id : kTriangleCommands) {
      CMesh3d* pMesh = build();
      EXPECT_TRUE(Run(id)) << id;
      ASSERT_EQ(Mesh(0), pMesh) << id;
      EXPECT_TRUE(pMesh->IsValid()) << id;
    }
    // The generators replace the scene by one mesh (the image map's file dialog is cancelled);
    // the pseudo hash table appends a box and a point.
    for (unsigned id : {ID_PREDEFINED_MAP, ID_PREDEFINED_PEAKS_MAP, ID_PREDEFINED_BOX}) {
      build();
      m_pDoc->m_SceneGraph.Add(new CQuadMesh3d);
      EXPECT_TRUE(Run(id)) << id;
      ASSERT_EQ(NbObject(), 1) << id;
      ASSERT_NE(Mesh(0), nullptr) << id;
      EXPECT_TRUE(Mesh(0)->IsValid()) << id;
      EXPECT_GT(Mesh(0)->NbFace(), 0) << id;
    }
    CMesh3d* pMesh = build();
    EXPECT_TRUE(Run(ID_DEBUG_PSEUDO_HASH_TABLE));
    EXPECT_EQ(NbObject(), 3);
    EXPECT_EQ(Mesh(0), pMesh);
  }
}

TEST_F(CModificationCommandsTest, AlwaysEnabledCommandsRunOnAnEmptySceneOrAnotherKind)
{
  // The file dialog of the image map is cancelled.
  for (int scene : {SCENE_EMPTY, SCENE_QUAD_MESH, SCENE_POLYGON_MESH}) {
    for (unsigned id : kAlwaysCommands) {
      SetScene(scene);
      EXPECT_TRUE(Run(id)) << id;
    }
  }
  // The last one asked for an image and was cancelled: the scene stays.
  EXPECT_EQ(m_pDoc->m_SceneGraph.GetAt(0)->GetType(), TYPE_POLYGONMESH3D);
}

TEST_F(CModificationCommandsTest, PredefinedShapesReplaceTheScene)
{
  SetScene(SCENE_MESH_AND_TILING);
  m_pDoc->m_HighlightVertexIndex = 5;
  ASSERT_TRUE(Run(ID_PREDEFINED_BOX));
  ASSERT_EQ(NbObject(), 1);
  CMesh3d* pBox = Mesh(0);
  ASSERT_NE(pBox, nullptr);
  EXPECT_EQ(pBox->NbFace(), 12);
  EXPECT_EQ(m_pDoc->m_HighlightVertexIndex, 0);
  for (int axis = 0; axis < 3; axis++) {
    float lo = 0.0f, hi = 0.0f;
    pBox->GetRange(axis, &lo, &hi);
    EXPECT_FLOAT_EQ(lo, -5.0f);
    EXPECT_FLOAT_EQ(hi, 5.0f);
  }
  EXPECT_EQ(pBox->GetVertex(0)->NbVertexNeighbor(), pBox->GetVertex(0)->NbFaceNeighbor());
  EXPECT_NEAR(pBox->GetVertex(0)->GetNormal()->GetNorm(), 1.0, 1e-5);

  AnswerWith({{"Width", "7"}, {"Height", "5"}});
  ASSERT_TRUE(Run(ID_PREDEFINED_MAP));
  ASSERT_EQ(NbObject(), 1);
  EXPECT_EQ(Mesh(0)->NbVertex(), 35);
  EXPECT_EQ(Mesh(0)->NbFace(), 2 * 6 * 4);

  ASSERT_TRUE(Run(ID_PREDEFINED_PEAKS_MAP));
  ASSERT_EQ(NbObject(), 1);
  EXPECT_EQ(Mesh(0)->NbVertex(), 35);

  m_DialogAnswer = platform::IDCANCEL;
  CMesh3d* pKept = Mesh(0);
  ASSERT_TRUE(Run(ID_PREDEFINED_MAP));
  EXPECT_EQ(Mesh(0), pKept);
}

TEST_F(CModificationCommandsTest, MapFromImageSamplesTheChosenFile)
{
  CScopedFolder folder("orvane_map_image");
  const std::string path = (folder.Path() / "grey.bmp").string();
  QImage image(16, 8, QImage::Format_RGB888);
  image.fill(QColor(90, 90, 90));
  ASSERT_TRUE(image.save(QString::fromStdString(path)));
  SetBox();
  m_FileAnswer = path;
  AnswerWith({{"Width", "4"}, {"Height", "3"}});
  ASSERT_TRUE(Run(ID_PREDEFINED_MAP_FROM_IMAGE));
  ASSERT_EQ(NbObject(), 1);
  EXPECT_EQ(Mesh(0)->NbVertex(), 12);
  float lo = 0.0f, hi = 0.0f;
  Mesh(0)->GetRange(0, &lo, &hi);
  EXPECT_FLOAT_EQ(lo, -1.0f);
  EXPECT_FLOAT_EQ(hi, 1.0f);

  // A file that is no image leaves the scene as it was.
  CMesh3d* pKept = SetBox();
  m_FileAnswer = (folder.Path() / "missing.bmp").string();
  ASSERT_TRUE(Run(ID_PREDEFINED_MAP_FROM_IMAGE));
  ASSERT_EQ(NbObject(), 1);
  EXPECT_EQ(Mesh(0), pKept);
}

TEST_F(CModificationCommandsTest, SmoothActsOnEveryTriangleAndQuadMesh)
{
  CMesh3d* pFirst = SetMapGrid(6);
  // Make the grid bumpy so that smoothing moves it.
  pFirst->GetVertex(14)->Set(pFirst->GetVertex(14)->x(), 3.0f, pFirst->GetVertex(14)->z());
  auto* pQuad = new CQuadMesh3d;
  pQuad->GenerateBox();
  pQuad->BuildAdjacencyAndNormals();
  m_pDoc->m_SceneGraph.Add(pQuad);
  CMesh3d* pSecond = new CMesh3d;
  pSecond->GenerateQuadrilateral();
  pSecond->Rebuild();
  m_pDoc->m_SceneGraph.Add(pSecond);
  const double first = PositionSum(pFirst);
  const double second = PositionSum(pSecond);
  const float quadX = pQuad->GetVertex(0)->x();
  ASSERT_TRUE(Run(ID_MODIFICATION_SMOOTH));
  EXPECT_NE(PositionSum(pFirst), first);
  EXPECT_NE(PositionSum(pSecond), second);
  EXPECT_NE(pQuad->GetVertex(0)->x(), quadX);
}

TEST_F(CModificationCommandsTest, MultipleSmoothDuplicatesOnlyMeshes)
{
  SetMapGrid(6);
  Mesh(0)->GetVertex(14)->Set(Mesh(0)->GetVertex(14)->x(), 3.0f, Mesh(0)->GetVertex(14)->z());
  const double original = PositionSum(Mesh(0));
  m_pDoc->m_SceneGraph.Add(new CTiling3d);
  AnswerWith({{"Iterations", "3"}, {"Duplicate in scene graph", "1"}});
  ASSERT_TRUE(Run(ID_MODIFICATION_MULTIPLE_SMOOTH));
  ASSERT_EQ(NbObject(), 4);
  EXPECT_EQ(PositionSum(Mesh(0)), original);
  EXPECT_EQ(m_pDoc->m_SceneGraph.GetAt(1)->GetType(), TYPE_TILING3D);
  ASSERT_NE(Mesh(2), nullptr);
  ASSERT_NE(Mesh(3), nullptr);
  EXPECT_EQ(Mesh(3)->NbVertex(), 36);
  // The second copy is the first one smoothed again.
  EXPECT_NE(PositionSum(Mesh(2)), original);
  EXPECT_NE(PositionSum(Mesh(3)), PositionSum(Mesh(2)));
}

TEST_F(CModificationCommandsTest, RemovingFacesByNeighbourCountRebuildsTheAdjacency)
{
  CMesh3d* pMesh = AddStrayFaces(SetBox());
  ASSERT_EQ(pMesh->NbFace(), 13);
  ASSERT_TRUE(Run(ID_REMOVE_FACES_1_NEIGHBOR));
  EXPECT_EQ(pMesh->NbFace(), 13);
  ASSERT_TRUE(Run(ID_REMOVE_FACES_NO_NEIGHBOR));
  EXPECT_EQ(pMesh->NbFace(), 12);
  for (int i = 0; i < pMesh->NbFace(); i++)
    EXPECT_EQ(pMesh->GetFace(i)->NbFaceNeighbor(), 3);
}

TEST_F(CModificationCommandsTest, ColouringGivesEveryMeshColours)
{
  CMesh3d* pMesh = SetMapGrid(8);
  pMesh->GetVertex(20)->Set(pMesh->GetVertex(20)->x(), 2.0f, pMesh->GetVertex(20)->z());
  pMesh->Rebuild();
  ASSERT_TRUE(Run(ID_COLOR_HEIGHT));
  bool varied = false;
  for (int i = 1; i < pMesh->NbVertex(); i++)
    varied |= !(*pMesh->GetVertex(i)->GetColor() == *pMesh->GetVertex(0)->GetColor());
  EXPECT_TRUE(varied);
}

TEST_F(CModificationCommandsTest, HighlightsAddAVertexSetOrNothing)
{
  SetMapGrid(6);
  ASSERT_TRUE(Run(ID_ALGORITHMS_HIGHLIGHT_REMOVABLE));
  EXPECT_EQ(NbObject(), 1);  // no inner vertex of three faces on a grid

  CMesh3d* pMesh = SetTetrahedron();
  ASSERT_TRUE(Run(ID_ALGORITHMS_HIGHLIGHT_REMOVABLE));
  ASSERT_EQ(NbObject(), 2);
  auto* pSet = dynamic_cast<CVertexSet3d*>(m_pDoc->m_SceneGraph.GetAt(1));
  ASSERT_NE(pSet, nullptr);
  EXPECT_EQ(pSet->NbVertex(), 4);
  EXPECT_NE(pSet->GetVertex(0), pMesh->GetVertex(0));
  EXPECT_EQ(pSet->GetVertex(0)->x(), pMesh->GetVertex(0)->x());

  ASSERT_TRUE(Run(ID_ALGORITHMS_HIGHLIGHT_VERTICES));
  ASSERT_EQ(NbObject(), 3);
  pSet = dynamic_cast<CVertexSet3d*>(m_pDoc->m_SceneGraph.GetAt(2));
  ASSERT_NE(pSet, nullptr);
  EXPECT_EQ(pSet->NbVertex(), 4);
  EXPECT_FLOAT_EQ(pSet->GetRadius(1),
                  static_cast<float>(0.1 * pMesh->GetVertex(1)->GetMeanLengthEdgeAround()));
}

TEST_F(CModificationCommandsTest, TheHashTableIsAddedToTheScene)
{
  SetBox();
  AnswerWith({{"Size", "4"}});
  ASSERT_TRUE(Run(ID_ALGORITHMS_HASH_TABLE));
  ASSERT_EQ(NbObject(), 2);
  EXPECT_NE(dynamic_cast<CHashTable*>(m_pDoc->m_SceneGraph.GetAt(1)), nullptr);
  EXPECT_TRUE(m_Messages.empty());
}

TEST_F(CModificationCommandsTest, ThePseudoHashTableColoursTheFaceNearestToThePoint)
{
  AnswerWith({{"X", "0.6"}, {"Y", "0.1"}, {"Z", "0.1"}});
  ASSERT_TRUE(Run(ID_DEBUG_PSEUDO_HASH_TABLE));
  ASSERT_EQ(NbObject(), 2);
  CMesh3d* pBox = Mesh(0);
  ASSERT_NE(pBox, nullptr);
  EXPECT_EQ(pBox->NbFace(), 12 * 16);
  EXPECT_EQ(m_pDoc->m_SceneGraph.GetAt(1)->GetType(), TYPE_VERTEX3D);
  int red = 0;
  for (int i = 0; i < pBox->NbFace(); i++)
    red += *pBox->GetFace(i)->GetColor() == CColor(255, 0, 0);
  EXPECT_EQ(red, 1);

  // Cancelled, the dialog's defaults (the origin) still place the point.
  m_DialogAnswer = platform::IDCANCEL;
  ASSERT_TRUE(Run(ID_DEBUG_PSEUDO_HASH_TABLE));
  EXPECT_EQ(NbObject(), 4);
}
