#include "tests/document/CommandFixture.h"

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
