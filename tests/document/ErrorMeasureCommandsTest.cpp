#include "tests/document/CommandFixture.h"

#include "app/objects/VectorSet3d.h"
#include "app/objects/VertexSet3d.h"
#include "app/dialogs/DlgIterations.h"

#include <filesystem>

namespace {

class CErrorMeasureCommandsTest : public CCommandFixture
{
protected:
  // Object 0 a torus, object 1 the same torus moved up by more than its thickness: every
  // face of 0 is far from 1.
  void SetTwoTori()
  {
    SetTorus(8, 6);
    auto* pOther = new CMesh3d;
    BuildTorus(*pOther, 8, 6);
    pOther->TranslateVertices(0.0f, 3.0f, 0.0f);
    pOther->Rebuild();
    m_pDoc->m_SceneGraph.Add(pOther);
  }
  // Object 0 a coarse torus, object 1 a fine one of the same shape: the vertices of 0 lie on
  // 1, the middles of its faces well inside.
  void SetCoarseOnFine()
  {
    SetTorus(8, 6);
    auto* pFine = new CMesh3d;
    BuildTorus(*pFine, 48, 36);
    pFine->Rebuild();
    m_pDoc->m_SceneGraph.Add(pFine);
  }

  int CountOfType(int type) const
  {
    int count = 0;
    for (int i = 0; i < NbObject(); i++)
      count += m_pDoc->m_SceneGraph.GetAt(i)->GetType() == type;
    return count;
  }

  std::vector<CVector3d> Positions(const CMesh3d* pMesh) const
  {
    std::vector<CVector3d> positions;
    for (int i = 0; i < pMesh->NbVertex(); i++)
      positions.emplace_back(pMesh->GetVertex(i)->x(), pMesh->GetVertex(i)->y(),
                             pMesh->GetVertex(i)->z());
    return positions;
  }

  static void ExpectSamePositions(const CMesh3d* pMesh, const std::vector<CVector3d>& expected)
  {
    ASSERT_EQ(pMesh->NbVertex(), static_cast<int>(expected.size()));
    for (int i = 0; i < pMesh->NbVertex(); i++) {
      EXPECT_FLOAT_EQ(pMesh->GetVertex(i)->x(), expected[i].x()) << "vertex " << i;
      EXPECT_FLOAT_EQ(pMesh->GetVertex(i)->y(), expected[i].y()) << "vertex " << i;
      EXPECT_FLOAT_EQ(pMesh->GetVertex(i)->z(), expected[i].z()) << "vertex " << i;
    }
  }
};

} // namespace

TEST_F(CErrorMeasureCommandsTest, TheTwoMeshMeasuresRefuseAnythingButATriangleMeshAsObject1)
{
  for (unsigned id : {ID_ERROR_ON_FACES, ID_ERROR_MOVE_MESH, ID_ERROR_ADAPTIVE_SUBDIVISION}) {
    CMesh3d* pMesh = SetTorus(6, 4);
    const std::vector<CVector3d> before = Positions(pMesh);
    EXPECT_TRUE(Run(id)); // object 1 missing
    m_pDoc->m_SceneGraph.Add(new CQuadMesh3d);
    EXPECT_TRUE(Run(id)); // object 1 a quad mesh
    EXPECT_EQ(NbObject(), 2) << id;
    EXPECT_EQ(pMesh->NbFace(), 48) << id;
    ExpectSamePositions(pMesh, before);
  }
}

TEST_F(CErrorMeasureCommandsTest, ErrorOnFacesAddsTheFaceAndEdgeVectorSets)
{
  SetTwoTori();
  ASSERT_TRUE(Run(ID_ERROR_ON_FACES));
  ASSERT_EQ(NbObject(), 4);
  EXPECT_EQ(m_pDoc->m_SceneGraph.GetAt(2)->GetType(), TYPE_VECTORSET3D);
  EXPECT_EQ(m_pDoc->m_SceneGraph.GetAt(3)->GetType(), TYPE_VECTORSET3D);
  // Every face of the smaller torus lies well off the larger one.
  EXPECT_EQ(Mesh(0)->CountFacesWithFlag(1), Mesh(0)->NbFace());
}

TEST_F(CErrorMeasureCommandsTest, MovingMesh0OnMesh1PutsItsVerticesOnTheOtherSurface)
{
  SetTwoTori();
  ASSERT_TRUE(Run(ID_ERROR_MOVE_MESH));
  for (int i = 0; i < Mesh(0)->NbVertex(); i++) {
    CVertex3d nearest;
    CFace3d* pFace = nullptr;
    EXPECT_LT(Mesh(1)->DistanceToFace(Mesh(0)->GetVertex(i), &nearest, &pFace), 1e-8) << i;
  }
}

TEST_F(CErrorMeasureCommandsTest, AdaptiveSubdivisionSplitsTheFacesFarFromObject1)
{
  SetCoarseOnFine();
  const int faces = Mesh(0)->NbFace();
  ASSERT_TRUE(Run(ID_ERROR_ADAPTIVE_SUBDIVISION));
  EXPECT_EQ(NbObject(), 2); // the measure's vector set is not kept
  EXPECT_GT(Mesh(0)->NbFace(), faces);
}

TEST_F(CErrorMeasureCommandsTest, LoopOnTheActiveFaceSplitsOnlyAroundAFaceOfTheMesh)
{
  CMesh3d* pMesh = SetGrid(4, 4);
  const int faces = pMesh->NbFace();
  m_pDoc->m_HighlightFaceIndex = faces + 10; // left from another mesh
  ASSERT_TRUE(Run(ID_LOOP_ADAPTIVE_ACTIVE_FACE));
  EXPECT_EQ(pMesh->NbFace(), faces);
  m_pDoc->m_HighlightFaceIndex = 12;
  ASSERT_TRUE(Run(ID_LOOP_ADAPTIVE_ACTIVE_FACE));
  EXPECT_GT(pMesh->NbFace(), faces + 3);
  EXPECT_LT(pMesh->NbFace(), 2 * faces);
}

TEST_F(CErrorMeasureCommandsTest, FractalSubdividesEveryTriangleMeshOfTheScene)
{
  CMesh3d* pFirst = SetTorus(4, 3);
  auto* pSecond = new CMesh3d;
  BuildGrid(*pSecond, 2, 2, 0, 0.0f);
  pSecond->Rebuild();
  m_pDoc->m_SceneGraph.Add(new CQuadMesh3d);
  m_pDoc->m_SceneGraph.Add(pSecond);
  ASSERT_TRUE(Run(ID_SUBDIVISION_FRACTAL));
  EXPECT_EQ(pFirst->NbFace(), 24 * 6);
  EXPECT_EQ(pSecond->NbFace(), 8 * 6);
}

TEST_F(CErrorMeasureCommandsTest, SimulateSplitAppends20FramesEndingOnTheSubdividedMesh)
{
  for (unsigned id : {ID_V3_SIMULATE_SPLIT, ID_V3_SIMULATE_SPLIT_SWAP}) {
    CMesh3d* pMesh = SetTorus(6, 4);
    const int nbVertex = pMesh->NbVertex();
    const int nbFace = pMesh->NbFace();
    const std::vector<CVector3d> before = Positions(pMesh);

    // The result of one step, on a copy, to compare the last frame with.
    CMesh3d expected;
    BuildTorus(expected, 6, 4);
    expected.Rebuild();
    expected.SubdivisionV3(id == ID_V3_SIMULATE_SPLIT_SWAP, 1, 0, nullptr, 0, 0.0f);
    expected.Rebuild();

    ASSERT_TRUE(Run(id));
    ASSERT_EQ(NbObject(), 21);
    for (int s = 1; s <= 20; s++)
      ASSERT_EQ(Mesh(s)->NbVertex(), nbVertex + nbFace) << "frame " << s;
    ExpectSamePositions(Mesh(20), Positions(&expected));
    // The start of the split: the old vertices where they were, each new one on an old one.
    for (int i = 0; i < nbVertex; i++)
      EXPECT_FLOAT_EQ(pMesh->GetVertex(i)->x(), before[i].x());
    for (int i = nbVertex; i < pMesh->NbVertex(); i++) {
      const CVertex3d* v = pMesh->GetVertex(i);
      bool onOld = false;
      for (const CVector3d& old : before)
        onOld |= old.x() == v->x() && old.y() == v->y() && old.z() == v->z();
      EXPECT_TRUE(onOld) << "new vertex " << i;
    }
    // Frame 10 is halfway.
    for (int i = 0; i < nbVertex; i++)
      EXPECT_NEAR(Mesh(10)->GetVertex(i)->x(),
                  (before[i].x() + expected.GetVertex(i)->x()) / 2.0f, 1e-5f);
  }
}

TEST_F(CErrorMeasureCommandsTest, SimulateSplitLeavesASceneEndingInAnotherObjectAlone)
{
  SetTorus(4, 4);
  m_pDoc->m_SceneGraph.Add(new CVectorSet3d);
  ASSERT_TRUE(Run(ID_V3_SIMULATE_SPLIT));
  EXPECT_EQ(NbObject(), 2);
  EXPECT_EQ(Mesh(0)->NbVertex(), 16);
}

TEST_F(CErrorMeasureCommandsTest, VertexTypesGiveOnePointPerVertexColouredByClass)
{
  CMesh3d* pMesh = SetGrid(3, 3);
  ASSERT_TRUE(Run(ID_V3_VERTEX_TYPES));
  ASSERT_EQ(NbObject(), 2);
  auto* pSet = dynamic_cast<CVertexSet3d*>(m_pDoc->m_SceneGraph.GetAt(1));
  ASSERT_NE(pSet, nullptr);
  ASSERT_EQ(pSet->NbVertex(), pMesh->NbVertex());
  // Corners and sides are boundary (black); the flat interior is smooth (white).
  EXPECT_EQ(*pSet->GetVertex(0)->GetColor(), CColor(0, 0, 0));
  EXPECT_EQ(*pSet->GetVertex(5)->GetColor(), CColor(255, 255, 255));
  EXPECT_FLOAT_EQ(pSet->GetRadius(5), static_cast<float>(0.1 * pMesh->GetVertex(5)->GetMeanLengthEdgeAround()));
}

TEST_F(CErrorMeasureCommandsTest, MeshControlKeepsTheControlMeshOnShowAndSubdivides)
{
  CMesh3d* pMesh = SetTorus(5, 4);
  m_DialogAnswer = platform::IDCANCEL;
  ASSERT_TRUE(Run(ID_V3_MESH_CONTROL));
  EXPECT_EQ(NbObject(), 1);
  EXPECT_EQ(pMesh->NbFace(), 40);

  m_DialogAnswer = platform::IDOK;
  m_EditDialog = [](platform::CDialog& dialog) { dialog.Fields().SetText(1067, "2"); };
  ASSERT_TRUE(Run(ID_V3_MESH_CONTROL));
  ASSERT_EQ(NbObject(), 3);
  auto* pEdges = dynamic_cast<CVectorSet3d*>(m_pDoc->m_SceneGraph.GetAt(1));
  auto* pPoints = dynamic_cast<CVertexSet3d*>(m_pDoc->m_SceneGraph.GetAt(2));
  ASSERT_NE(pEdges, nullptr);
  ASSERT_NE(pPoints, nullptr);
  EXPECT_EQ(pEdges->NbVector(), 60); // a torus: edges = 3/2 faces
  EXPECT_EQ(pPoints->NbVertex(), 20);
  EXPECT_EQ(pMesh->NbFace(), 40 * 9); // two V3 steps triple the faces twice
}

TEST_F(CErrorMeasureCommandsTest, PeaksReplaceTheSceneAndResetTheHighlights)
{
  SetTorus(4, 4);
  m_pDoc->m_SceneGraph.Add(new CQuadMesh3d);
  m_pDoc->m_HighlightVertexIndex = 17;
  m_pDoc->m_HighlightFaceIndex = 9;
  ASSERT_TRUE(Run(ID_ADVANCED_PEAKS));
  ASSERT_EQ(NbObject(), 1);
  ASSERT_NE(Mesh(0), nullptr);
  EXPECT_EQ(Mesh(0)->NbVertex(), 3600);
  EXPECT_EQ(Mesh(0)->NbFace(), 6962);
  EXPECT_EQ(m_pDoc->m_HighlightVertexIndex, 0);
  EXPECT_EQ(m_pDoc->m_HighlightFaceIndex, 0);
  const float ranges[3][2] = {{-2, 2}, {-1, 1}, {-2, 2}};
  for (int axis = 0; axis < 3; axis++) {
    float lo = 0.0f;
    float hi = 0.0f;
    Mesh(0)->GetRange(axis, &lo, &hi);
    EXPECT_NEAR(lo, ranges[axis][0], 1e-5f);
    EXPECT_NEAR(hi, ranges[axis][1], 1e-5f);
  }
  const CRenderView* pView = m_pDoc->GetOwnRenderView();
  EXPECT_EQ(pView->m_xRotation, 31.0f);
  EXPECT_EQ(pView->m_yRotation, -44.0f);
  EXPECT_EQ(pView->m_zTranslation, -6.0f);
}

TEST_F(CErrorMeasureCommandsTest, QuadrilateralAndQuadPeaks)
{
  SetTorus(4, 4);
  m_pDoc->m_SceneGraph.Add(new CQuadMesh3d);
  ASSERT_TRUE(Run(ID_PREDEFINED_QUADRILATERAL));
  ASSERT_EQ(NbObject(), 1);
  EXPECT_EQ(Mesh(0)->NbVertex(), 4);
  EXPECT_EQ(Mesh(0)->NbFace(), 4);
  ASSERT_TRUE(Run(ID_ADVANCED_QUAD_PEAKS));
  ASSERT_EQ(NbObject(), 2);
  EXPECT_EQ(m_pDoc->m_SceneGraph.GetAt(1)->GetType(), TYPE_QUADMESH3D);
}
