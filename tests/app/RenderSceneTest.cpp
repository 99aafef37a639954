#include "tests/app/RenderViewFixture.h"

namespace {

// A sphere of radius 1 and the index of its vertex and face nearest the viewer.
class CRenderSceneTest : public CRenderViewFixture
{
protected:
  void SetUp() override
  {
    CRenderViewFixture::SetUp();
    if (HasFatalFailure())
      return;
    m_Sphere = Add(fixtures::Icosphere(2));
    for (int i = 0; i < m_Sphere->NbVertex(); i++)
      if (m_Sphere->GetVertex(i)->z() > m_Sphere->GetVertex(m_Front)->z())
        m_Front = i;
    for (int i = 0; i < m_Sphere->NbFace(); i++)
      if (CentroidZ(i) > CentroidZ(m_FrontFace))
        m_FrontFace = i;
  }

  float CentroidZ(int face) const
  {
    const CFace3d* f = m_Sphere->GetFace(face);
    return f->v(0)->z() + f->v(1)->z() + f->v(2)->z();
  }

  static constexpr QRgb kRed = 0xFF0000;
  static constexpr QRgb kGreen = 0x00FF00;

  CMesh3d* m_Sphere = nullptr;
  int m_Front = 0;
  int m_FrontFace = 0;
};

} // namespace

TEST_F(CRenderSceneTest, NoOverlayDrawsNoHighlightColour)
{
  const QImage image = Grab();
  EXPECT_GT(CountNotBlack(image), 1000);
  EXPECT_EQ(CountColor(image, kRed), 0);
  EXPECT_EQ(CountColor(image, kGreen), 0);
}

TEST_F(CRenderSceneTest, TheVertexHighlightIsARedSphereAmongGreenNeighbours)
{
  m_Document->m_HighlightVertex = 1;
  m_Document->m_HighlightVertexIndex = m_Front;
  const QImage image = Grab();
  const int red = CountColor(image, kRed);
  const int green = CountColor(image, kGreen);
  EXPECT_GT(red, 100);
  EXPECT_GT(green, 100);
  // A bigger radius gives a bigger sphere.
  m_Document->m_SphereRadius = 0.3f;
  EXPECT_GT(CountColor(Grab(), kRed), red);
}

TEST_F(CRenderSceneTest, AVertexIndexPastTheMeshFallsBackToVertexZero)
{
  m_Document->m_HighlightVertex = 1;
  m_Document->m_HighlightVertexIndex = m_Sphere->NbVertex();
  Grab();
  EXPECT_EQ(m_Document->m_HighlightVertexIndex, 0);
  m_Document->m_HighlightCollapse = 1;
  m_Document->m_CollapseVertexIndex = -3;
  Grab();
  EXPECT_EQ(m_Document->m_CollapseVertexIndex, 0);
}

TEST_F(CRenderSceneTest, TheCollapseHighlightIsOneGreenSphere)
{
  m_Document->m_HighlightCollapse = 1;
  m_Document->m_CollapseVertexIndex = m_Front;
  const QImage image = Grab();
  EXPECT_GT(CountColor(image, kGreen), 100);
  EXPECT_EQ(CountColor(image, kRed), 0);
}

TEST_F(CRenderSceneTest, TheFaceHighlightOutlinesTheFaceInRedOverGreenNeighboursWithCornerSpheres)
{
  m_Document->m_HighlightFace = 1;
  m_Document->m_HighlightFaceIndex = m_FrontFace;
  const QImage image = Grab();
  EXPECT_GT(CountColor(image, kRed), 20);
  EXPECT_GT(CountColor(image, kGreen), CountColor(image, kRed));
  EXPECT_GT(CountColor(image, qRgb(0, 0, 200)), 0);
}

TEST_F(CRenderSceneTest, AFaceIndexOutsideTheMeshDrawsNothing)
{
  m_Document->m_HighlightFace = 1;
  m_Document->m_HighlightFaceIndex = m_Sphere->NbFace();
  const QImage image = Grab();
  EXPECT_EQ(CountColor(image, kRed), 0);
  EXPECT_EQ(CountColor(image, kGreen), 0);
  EXPECT_EQ(m_Document->m_HighlightFaceIndex, m_Sphere->NbFace());
}

TEST_F(CRenderSceneTest, HighlightsNeedATriangleMeshFirst)
{
  auto* other = new CObject3d;
  m_Document->m_SceneGraph.GetArrayObject()->InsertAt(0, other);
  m_Document->m_HighlightVertex = 1;
  m_Document->m_HighlightVertexIndex = m_Front;
  EXPECT_EQ(m_Document->IsFirstObjectOfType(TYPE_MESH3D), 0);
  EXPECT_EQ(m_Document->IsFirstObjectOfType(TYPE_OBJECT3D), 1);
  EXPECT_EQ(CountColor(Grab(), kRed), 0);
}

TEST_F(CRenderSceneTest, TheSingleColourWireframeDrawsLinesInTheMeshColourAndRestoresState)
{
  m_Sphere->SetColor(255, 255, 0);
  const QImage shaded = Grab();
  m_Document->m_WireframeOverlay = 1;
  m_Document->m_SingleColorWireframe = 1;
  const QImage wired = Grab();
  EXPECT_EQ(CountColor(shaded, 0xFFFF00), 0);
  EXPECT_GT(CountColor(wired, 0xFFFF00), 500);
  EXPECT_EQ(m_Sphere->GetUseSingleColor(), 0);
  m_View->makeCurrent();
  GLint mode[2] = {0, 0};
  glGetIntegerv(GL_POLYGON_MODE, mode);
  EXPECT_EQ(mode[0], GL_FILL);
  EXPECT_EQ(mode[1], GL_FILL);
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
  EXPECT_FALSE(glIsEnabled(GL_POLYGON_OFFSET_LINE));

  m_Document->m_Lighting = 0;
  Grab();
  m_View->makeCurrent();
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
}

TEST_F(CRenderSceneTest, TheWireframeDrawsEachMeshInItsOwnColours)
{
  for (int i = 0; i < m_Sphere->NbFace(); i++)
    m_Sphere->GetFace(i)->SetColor(0, 255, 255);
  m_Sphere->SetModified();
  m_Document->m_WireframeOverlay = 1;
  m_Document->m_LineWidth = 1.0f;
  const int thin = CountColor(Grab(), 0x00FFFF);
  EXPECT_GT(thin, 500);
  m_Document->m_LineWidth = 3.0f;
  EXPECT_GT(CountColor(Grab(), 0x00FFFF), thin);
}
