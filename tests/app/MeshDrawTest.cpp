#include "tests/app/RenderViewFixture.h"

#include <vector>

namespace {

// One vertex of a polygon that the feedback buffer returned: window position and colour.
struct SFedVertex
{
  float x, y, z;
  float r, g, b;
};

// The mesh's immediate-mode body, caught in the view's context by the feedback buffer, with
// lighting off so that the colours come back as issued. The view maps [-1, 1] onto the
// whole viewport.
class CMeshDrawTest : public CRenderViewFixture
{
protected:
  std::vector<std::vector<SFedVertex>> Feed(const CMesh3d& mesh) const
  {
    m_View->makeCurrent();
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glViewport(0, 0, 100, 100);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    std::vector<GLfloat> buffer(1 << 16);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR, buffer.data());
    glRenderMode(GL_FEEDBACK);
    mesh.DrawImmediate();
    const GLint size = glRenderMode(GL_RENDER);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glEnable(GL_LIGHTING);

    std::vector<std::vector<SFedVertex>> polygons;
    for (GLint i = 0; i < size;) {
      const GLint token = static_cast<GLint>(buffer[i++]);
      EXPECT_EQ(token, GL_POLYGON_TOKEN);
      if (token != GL_POLYGON_TOKEN)
        break;
      const GLint n = static_cast<GLint>(buffer[i++]);
      std::vector<SFedVertex> polygon;
      for (GLint k = 0; k < n; k++, i += 7)
        polygon.push_back({buffer[i], buffer[i + 1], buffer[i + 2], buffer[i + 3], buffer[i + 4],
                           buffer[i + 5]});
      polygons.push_back(polygon);
    }
    return polygons;
  }

  // Two triangles side by side in the plane z = 0, each face and each vertex coloured apart.
  static std::unique_ptr<CMesh3d> Quad()
  {
    auto mesh = fixtures::Build({{-0.5f, -0.5f, 0}, {0.5f, -0.5f, 0}, {0.5f, 0.5f, 0}, {-0.5f, 0.5f, 0}},
                                {{0, 1, 2}, {0, 2, 3}});
    mesh->GetFace(0)->SetColor(255, 0, 0);
    mesh->GetFace(1)->SetColor(0, 255, 0);
    const std::uint8_t grey[4] = {0, 85, 170, 255};
    for (int i = 0; i < 4; i++)
      mesh->GetVertex(i)->SetColor(grey[i], grey[i], grey[i]);
    return mesh;
  }

  static bool IsColor(const SFedVertex& v, float r, float g, float b)
  {
    return std::abs(v.r - r) < 0.01f && std::abs(v.g - g) < 0.01f && std::abs(v.b - b) < 0.01f;
  }
};

} // namespace

TEST_F(CMeshDrawTest, AHiddenMeshIssuesNothing)
{
  auto mesh = Quad();
  EXPECT_EQ(Feed(*mesh).size(), 2u);
  mesh->Show(0);
  EXPECT_TRUE(Feed(*mesh).empty());
}

TEST_F(CMeshDrawTest, FaceColoursGoPerTriangle)
{
  auto mesh = Quad();
  const auto polygons = Feed(*mesh);
  ASSERT_EQ(polygons.size(), 2u);
  for (const SFedVertex& v : polygons[0])
    EXPECT_TRUE(IsColor(v, 1, 0, 0));
  for (const SFedVertex& v : polygons[1])
    EXPECT_TRUE(IsColor(v, 0, 1, 0));
}

TEST_F(CMeshDrawTest, VertexColoursGoPerCornerWhateverTheNormalBinding)
{
  auto mesh = Quad();
  mesh->SetColorBinding(0);
  mesh->SetNormalBinding(1);
  const auto polygons = Feed(*mesh);
  ASSERT_EQ(polygons.size(), 2u);
  const int corners[2][3] = {{0, 1, 2}, {0, 2, 3}};
  for (int f = 0; f < 2; f++)
    for (int k = 0; k < 3; k++) {
      const float grey = mesh->GetVertex(corners[f][k])->GetColor()->r() / 255.0f;
      EXPECT_TRUE(IsColor(polygons[f][k], grey, grey, grey)) << f << " " << k;
    }
}

TEST_F(CMeshDrawTest, TheSingleColourOverridesEveryBinding)
{
  auto mesh = Quad();
  mesh->SetColor(10, 20, 30);
  mesh->SetUseSingleColor(1);
  for (int binding : {0, 1}) {
    mesh->SetColorBinding(binding);
    for (const auto& polygon : Feed(*mesh))
      for (const SFedVertex& v : polygon)
        EXPECT_TRUE(IsColor(v, 10 / 255.0f, 20 / 255.0f, 30 / 255.0f));
  }
}

TEST_F(CMeshDrawTest, TheMeshTransformTranslatesThenScales)
{
  auto mesh = Quad();
  mesh->GetTransform()->SetTranslation(CVector3d(0.5f, 0.0f, 0.0f));
  mesh->GetTransform()->SetScale(CVector3d(0.5f, 0.5f, 1.0f));
  const auto polygons = Feed(*mesh);
  ASSERT_EQ(polygons.size(), 2u);
  // Corner (-0.5, -0.5) goes to (0.25, -0.25): window (62.5, 37.5) on the 100 x 100 viewport.
  EXPECT_NEAR(polygons[0][0].x, 62.5f, 0.01f);
  EXPECT_NEAR(polygons[0][0].y, 37.5f, 0.01f);
  // The matrix is put back: nothing leaks into what is drawn next.
  m_View->makeCurrent();
  GLint depth = 0;
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
  EXPECT_EQ(depth, 1);
}
