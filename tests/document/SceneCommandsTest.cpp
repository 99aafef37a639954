#include "tests/document/CommandFixture.h"

#include "app/objects/VectorSet3d.h"

#include <cmath>

namespace {

using CSceneCommandsTest = CCommandFixture;

CRenderView* ViewOf(CVanthDoc* pDoc)
{
  return pDoc->GetOwnRenderView();
}

} // namespace

TEST_F(CSceneCommandsTest, TheCameraLooksFromWhereTheViewLooks)
{
  CRenderView* pView = ViewOf(m_pDoc);
  ASSERT_NE(pView, nullptr);
  m_pDoc->ProcessCamera();
  const CVertex3d* pEye = m_pDoc->m_Camera.GetEye();
  EXPECT_NEAR(pEye->x(), 0.0f, 1e-6f);
  EXPECT_NEAR(pEye->y(), 0.0f, 1e-6f);
  EXPECT_NEAR(pEye->z(), 5.0f, 1e-6f);
  EXPECT_NEAR(m_pDoc->m_Camera.GetDirection()->z(), -5.0f, 1e-6f);

  pView->m_yRotation = 90.0f;
  m_pDoc->ProcessCamera();
  EXPECT_NEAR(pEye->x(), -5.0f, 1e-5f);
  EXPECT_NEAR(pEye->y(), 0.0f, 1e-5f);
  EXPECT_NEAR(pEye->z(), 0.0f, 1e-5f);
  EXPECT_NEAR(m_pDoc->m_Camera.GetDirection()->x(), 5.0f, 1e-5f);
}

TEST_F(CSceneCommandsTest, KeepFirstObjectOnlyDeletesEveryOtherObject)
{
  CMesh3d* pFirst = SetBox();
  m_pDoc->m_SceneGraph.Add(new CQuadMesh3d);
  m_pDoc->m_SceneGraph.Add(new CMesh3d);
  m_pDoc->KeepFirstObjectOnly();
  ASSERT_EQ(NbObject(), 1);
  EXPECT_EQ(Mesh(0), pFirst);
  m_pDoc->KeepFirstObjectOnly();
  EXPECT_EQ(NbObject(), 1);
}

TEST_F(CSceneCommandsTest, TheSilhouetteColouringNeedsATriangleMeshFirst)
{
  m_pDoc->m_SceneGraph.Add(new CQuadMesh3d);
  m_pDoc->ColorSilhouette(1);
  CMesh3d* pMesh = SetBox();
  pMesh->SetFacesFlag(7);
  m_pDoc->ColorSilhouette(1);
  int flagged = 0;
  for (int i = 0; i < pMesh->NbFace(); i++) {
    EXPECT_NE(pMesh->GetFace(i)->GetFlag(), 7);
    flagged += pMesh->GetFace(i)->GetFlag() != 0;
  }
  // Seen from (0, 0, 5), the sides of the box stand edge-on: some faces are silhouette.
  EXPECT_GT(flagged, 0);
}

TEST_F(CSceneCommandsTest, ProcessCameraFromTheMenuFollowsTheView)
{
  CRenderView* pView = ViewOf(m_pDoc);
  ASSERT_NE(pView, nullptr);
  ASSERT_TRUE(Run(ID_SCENE_PROCESS_CAMERA)); // enabled on an empty scene too
  EXPECT_NEAR(m_pDoc->m_Camera.GetEye()->z(), 5.0f, 1e-6f);
  pView->m_yRotation = 90.0f;
  ASSERT_TRUE(Run(ID_SCENE_PROCESS_CAMERA));
  const CVertex3d* pEye = m_pDoc->m_Camera.GetEye();
  const CVector3d* pDirection = m_pDoc->m_Camera.GetDirection();
  EXPECT_NEAR(pEye->x(), -5.0f, 1e-5f);
  EXPECT_NEAR(pEye->z(), 0.0f, 1e-5f);
  EXPECT_NEAR(pDirection->x(), 5.0f, 1e-5f);
  EXPECT_NEAR(pDirection->y(), 0.0f, 1e-5f);
  EXPECT_NEAR(pDirection->z(), 0.0f, 1e-5f);
  // Moved off the axis, the eye keeps its distance to the origin.
  pView->m_xTranslation = 1.0f;
  pView->m_xRotation = 30.0f;
  ASSERT_TRUE(Run(ID_SCENE_PROCESS_CAMERA));
  EXPECT_NEAR(std::hypot(pEye->x(), pEye->y(), pEye->z()), std::sqrt(26.0f), 1e-5f);
}

TEST_F(CSceneCommandsTest, MaterialsChangeEveryTriangleMeshAndNoOtherObject)
{
  CMesh3d* pFirst = SetBox();
  auto* pQuads = new CQuadMesh3d;
  auto* pLast = new CMesh3d;
  m_pDoc->m_SceneGraph.Add(pQuads);
  m_pDoc->m_SceneGraph.Add(pLast);
  const float quadShininess = *pQuads->GetMaterial()->GetShininess();
  const struct
  {
    unsigned Id;
    float Ambient1;
    float Diffuse2;
    float Specular0;
    float Shininess;
  } materials[] = {{ID_MATERIAL_LIGHT_BLUE, 0.5f, 1.0f, 0.75f, 64.0f},
                   {ID_MATERIAL_BRASS, 0.223529f, 0.113725f, 0.992157f, 27.8974f},
                   {ID_MATERIAL_PEWTER, 0.058824f, 0.541176f, 0.333333f, 9.84615f}};
  for (const auto& m : materials) {
    pFirst->SetModified(0);
    pLast->SetModified(0);
    ASSERT_TRUE(Run(m.Id));
    for (CMesh3d* pMesh : {pFirst, pLast}) {
      const CMaterial* pMaterial = pMesh->GetMaterial();
      EXPECT_FLOAT_EQ(pMaterial->GetAmbient()[1], m.Ambient1);
      EXPECT_FLOAT_EQ(pMaterial->GetDiffuse()[2], m.Diffuse2);
      EXPECT_FLOAT_EQ(pMaterial->GetSpecular()[0], m.Specular0);
      EXPECT_FLOAT_EQ(pMaterial->GetSpecular()[3], 1.0f);
      EXPECT_FLOAT_EQ(*pMaterial->GetShininess(), m.Shininess);
      EXPECT_EQ(pMesh->GetModified(), 1);
    }
    EXPECT_EQ(*pQuads->GetMaterial()->GetShininess(), quadShininess);
  }
}

TEST_F(CSceneCommandsTest, DuplicateCopiesTheLastObjectOnlyWhenItIsATriangleMesh)
{
  SetBox();
  auto* pLast = new CMesh3d;
  CCommandFixture::BuildTorus(*pLast, 5, 3);
  pLast->Rebuild();
  m_pDoc->m_SceneGraph.Add(pLast);
  ASSERT_TRUE(Run(ID_SCENE_DUPLICATE_LAST_MESH));
  ASSERT_EQ(NbObject(), 3);
  EXPECT_EQ(Mesh(2)->NbVertex(), 15);
  EXPECT_EQ(Mesh(2)->NbFace(), 30);
  EXPECT_EQ(Mesh(2)->GetVertex(7)->x(), pLast->GetVertex(7)->x());
  EXPECT_EQ(Mesh(2)->GetVertex(7)->NbVertexNeighbor(), 6); // adjacency built

  m_pDoc->m_SceneGraph.Add(new CQuadMesh3d);
  ASSERT_TRUE(Run(ID_SCENE_DUPLICATE_LAST_MESH));
  EXPECT_EQ(NbObject(), 4);
}

TEST_F(CSceneCommandsTest, TheSimplexMeshJoinsNeighbourFacesInRed)
{
  SetTorus(4, 3);
  ASSERT_TRUE(Run(ID_SCENE_ADD_SIMPLEX_MESH));
  ASSERT_EQ(NbObject(), 2);
  auto* pSet = dynamic_cast<CVectorSet3d*>(m_pDoc->m_SceneGraph.GetAt(1));
  ASSERT_NE(pSet, nullptr);
  EXPECT_EQ(pSet->NbVector(), 36); // one per edge of a closed mesh of 24 faces
  EXPECT_EQ(*pSet->GetColor(), CColor(255, 0, 0));
}

TEST_F(CSceneCommandsTest, FrontFacesAndSilhouetteFlagFromTheCurrentView)
{
  CMesh3d* pMesh = SetTorus(16, 8);
  ASSERT_TRUE(Run(ID_COLOR_FRONT_FACES_SILHOUETTE));
  int front = 0;
  int silhouette = 0;
  for (int i = 0; i < pMesh->NbFace(); i++) {
    front += pMesh->GetFace(i)->GetFlag() == 2;
    silhouette += pMesh->GetFace(i)->GetFlag() == 1;
  }
  // Seen from (0, 0, 5) a lying torus turns part of its faces towards the eye.
  EXPECT_GT(front, 0);
  EXPECT_GT(silhouette, 0);
  EXPECT_LT(front + silhouette, pMesh->NbFace());
  ASSERT_TRUE(Run(ID_COLOR_SILHOUETTE_CAMERA));
  for (int i = 0; i < pMesh->NbFace(); i++)
    EXPECT_NE(pMesh->GetFace(i)->GetFlag(), 2);
}

TEST_F(CSceneCommandsTest, KeepFirstObjectOnlyFromTheMenu)
{
  SetTorus(4, 3);
  m_pDoc->m_SceneGraph.Add(new CVectorSet3d);
  ASSERT_TRUE(Run(ID_SCENE_KEEP_FIRST_OBJECT));
  EXPECT_EQ(NbObject(), 1);
  m_pDoc->EmptyScene();
  EXPECT_TRUE(Run(ID_SCENE_KEEP_FIRST_OBJECT)); // always enabled
}
