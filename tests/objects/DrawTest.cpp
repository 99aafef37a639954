#include "app/objects/VectorSet3d.h"
#include "app/objects/VertexSet3d.h"
#include "mesh/Mesh3d.h"
#include "mesh/PolygonMesh3d.h"
#include "mesh/QuadMesh3d.h"

#include <GL/gl.h>
#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {
// A current OpenGL context for the whole suite; tests skip when none can be had.
class CDrawTest : public ::testing::Test
{
protected:
  static void SetUpTestSuite()
  {
    static int argc = 1;
    static char name[] = "test_objects";
    static char* argv[] = {name, nullptr};
    if (!QGuiApplication::instance())
      s_App = std::make_unique<QGuiApplication>(argc, argv);
    s_Surface = std::make_unique<QOffscreenSurface>();
    s_Surface->create();
    s_Context = std::make_unique<QOpenGLContext>();
    if (!s_Context->create() || !s_Context->makeCurrent(s_Surface.get()))
      s_Context.reset();
  }
  static void TearDownTestSuite()
  {
    if (s_Context)
      s_Context->doneCurrent();
    s_Context.reset();
    s_Surface.reset();
    s_App.reset();  // before static destruction, while Qt can still tear down
  }
  void SetUp() override
  {
    if (!s_Context)
      GTEST_SKIP() << "no OpenGL context";
  }

  // Runs the drawing in feedback mode and counts the primitives of each kind issued.
  template <class Fn>
  static std::vector<int> Count(Fn draw)
  {
    std::vector<GLfloat> buffer(1 << 20);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint size = glRenderMode(GL_RENDER);
    int polygons = 0, lines = 0;
    GLint values = 0;
    for (GLint i = 0; i < size;) {
      const GLint token = static_cast<GLint>(buffer[static_cast<size_t>(i++)]);
      if (token == GL_POLYGON_TOKEN) {
        const GLint n = static_cast<GLint>(buffer[static_cast<size_t>(i++)]);
        polygons++;
        values = n * 7;
      } else if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
        lines++;
        values = 2 * 7;
      } else if (token == GL_POINT_TOKEN) {
        values = 7;
      } else {
        values = 1;
      }
      i += values;
    }
    return {polygons, lines};
  }

public:
  template <class Fn>
  static int CountPolygons(Fn draw)
  {
    return Count(draw)[0];
  }

protected:
  static std::unique_ptr<CMesh3d> Triangle()
  {
    auto mesh = std::make_unique<CMesh3d>();
    mesh->AddVertex(new CVertex3d(-0.5f, -0.5f, 0));
    mesh->AddVertex(new CVertex3d(0.5f, -0.5f, 0));
    mesh->AddVertex(new CVertex3d(0, 0.5f, 0));
    mesh->AddFace(new CFace3d(mesh->GetVertex(0), mesh->GetVertex(1), mesh->GetVertex(2)));
    mesh->Rebuild();
    return mesh;
  }

  static std::unique_ptr<QGuiApplication> s_App;
  static std::unique_ptr<QOffscreenSurface> s_Surface;
  static std::unique_ptr<QOpenGLContext> s_Context;
};

std::unique_ptr<QGuiApplication> CDrawTest::s_App;
std::unique_ptr<QOffscreenSurface> CDrawTest::s_Surface;
std::unique_ptr<QOpenGLContext> CDrawTest::s_Context;

// The quad and polygon meshes always draw through their lists: every Draw issues what one
// immediate drawing does, whether the list is compiled or called, and compiles again after a
// change.
template <class M>
void ExpectListDrawsOnce(M* mesh)
{
  glDisable(GL_LIGHTING);
  const int once = CDrawTest::CountPolygons([&] { mesh->DrawImmediate(); });
  EXPECT_GT(once, 0);
  EXPECT_EQ(CDrawTest::CountPolygons([&] { EXPECT_EQ(mesh->Draw(), 1); }), once);
  EXPECT_EQ(mesh->GetModified(), 0);
  EXPECT_EQ(CDrawTest::CountPolygons([&] { EXPECT_EQ(mesh->Draw(), 1); }), once);
  mesh->SetModified();
  EXPECT_EQ(CDrawTest::CountPolygons([&] { EXPECT_EQ(mesh->Draw(), 1); }), once);
  EXPECT_EQ(mesh->GetModified(), 0);
  mesh->Show(0);
  EXPECT_EQ(CDrawTest::CountPolygons([&] { EXPECT_EQ(mesh->Draw(), 0); }), 0);
}
} // namespace

TEST_F(CDrawTest, QuadMeshDisplayList)
{
  CQuadMesh3d mesh;
  for (const float x : {-0.5f, 0.0f, 0.5f}) {
    mesh.AddVertex(new CQuadVertex3d(x, -0.5f, 0));
    mesh.AddVertex(new CQuadVertex3d(x, 0.5f, 0));
  }
  for (const int a : {0, 2})
    mesh.AddQuad(new CQuad3d(mesh.GetVertex(a), mesh.GetVertex(a + 2), mesh.GetVertex(a + 3),
                             mesh.GetVertex(a + 1)));
  mesh.BuildAdjacencyAndNormals();
  ExpectListDrawsOnce(&mesh);
}

TEST_F(CDrawTest, PolygonMeshDisplayList)
{
  CPolygonMesh3d mesh;
  for (int i = 0; i < 5; i++) {
    const float angle = 1.2566f * static_cast<float>(i);
    mesh.AddVertex(new CPolygonVertex3d(0.5f * std::cos(angle), 0.5f * std::sin(angle), 0));
  }
  auto* pentagon = new CPolygon3d(mesh.GetVertex(0), mesh.GetVertex(1), mesh.GetVertex(2));
  pentagon->AddVertex(mesh.GetVertex(3));
  pentagon->AddVertex(mesh.GetVertex(4));
  mesh.AddPolygon(pentagon);
  mesh.Rebuild();
  ExpectListDrawsOnce(&mesh);
}

TEST_F(CDrawTest, MeshImmediateDrawing)
{
  auto mesh = Triangle();
  EXPECT_EQ(Count([&] { EXPECT_EQ(mesh->Draw(), 1); })[0], 1);
  mesh->Show(0);
  EXPECT_EQ(Count([&] { EXPECT_EQ(mesh->Draw(), 0); })[0], 0);
}

TEST_F(CDrawTest, MeshDisplayListDrawsOnce)
{
  auto mesh = Triangle();
  mesh->SetUseDisplayList(1);
  EXPECT_EQ(Count([&] { EXPECT_EQ(mesh->Draw(), 1); })[0], 1);  // compiled and executed
  EXPECT_EQ(mesh->IsListBuilt(), 1);
  EXPECT_EQ(mesh->GetModified(), 0);
  const unsigned int list = mesh->GetDisplayList();
  EXPECT_EQ(Count([&] { EXPECT_EQ(mesh->Draw(), 1); })[0], 1);  // called
  EXPECT_EQ(mesh->GetDisplayList(), list);
  mesh->SetModified();
  EXPECT_EQ(Count([&] { EXPECT_EQ(mesh->Draw(), 1); })[0], 1);  // compiled again
  EXPECT_EQ(mesh->GetModified(), 0);

  CMesh3d empty;
  empty.SetUseDisplayList(1);
  EXPECT_EQ(empty.Draw(), 0);
}

TEST_F(CDrawTest, MeshColoursFollowBindings)
{
  auto mesh = Triangle();
  mesh->GetFace(0)->SetColor(255, 0, 0);
  mesh->GetVertex(1)->SetColor(0, 255, 0);
  mesh->SetColor(0, 0, 255);
  glDisable(GL_LIGHTING);
  auto firstColor = [&](int corner) {
    std::vector<GLfloat> buffer(1024);
    glFeedbackBuffer(1024, GL_3D_COLOR, buffer.data());
    glRenderMode(GL_FEEDBACK);
    mesh->Draw();
    glRenderMode(GL_RENDER);
    // token, count, then per vertex x y z r g b a.
    const size_t base = 2 + static_cast<size_t>(corner) * 7;
    return std::vector<float>{buffer[base + 3], buffer[base + 4], buffer[base + 5]};
  };
  EXPECT_EQ(firstColor(1), (std::vector<float>{1, 0, 0}));  // per face
  mesh->SetColorBinding(0);
  EXPECT_EQ(firstColor(1), (std::vector<float>{0, 1, 0}));  // per vertex
  mesh->SetUseSingleColor(1);
  EXPECT_EQ(firstColor(1), (std::vector<float>{0, 0, 1}));  // single colour wins
}

TEST_F(CDrawTest, VertexSet)
{
  CVertexSet3d set;
  EXPECT_EQ(set.GetType(), TYPE_OBJECT3D);
  EXPECT_EQ(set.BuildList(), 0);  // empty
  CColor red(255, 0, 0);
  EXPECT_EQ(set.AddVertex(new CVertex3d(0, 0, -0.5f), 0.1f), 0);
  EXPECT_EQ(set.AddColoredVertex(new CVertex3d(0.3f, 0, -0.5f), &red, 0.05f), 1);
  set.InsertVertex(0, new CVertex3d(-0.3f, 0, -0.5f), 0.2f);
  EXPECT_FLOAT_EQ(set.GetRadius(0), 0.2f);
  EXPECT_FLOAT_EQ(set.GetRadius(2), 0.05f);
  EXPECT_EQ(*set.GetVertex(2)->GetColor(), red);
  const int first = Count([&] { EXPECT_EQ(set.Draw(), 1); })[0];
  EXPECT_GT(first, 0);
  EXPECT_EQ(set.IsListBuilt(), 1);
  EXPECT_EQ(set.IsModified(), 0);
  EXPECT_EQ(set.Draw(), 1);  // calls the list
  set.Show(0);
  EXPECT_EQ(set.Draw(), 0);

  // A set of a mesh's own vertices leaves them alone.
  CVertex3d kept;
  {
    CVertexSet3d borrowed;
    borrowed.SetOwnsVertices(0);
    borrowed.AddVertex(&kept, 0.1f);
  }
  EXPECT_EQ(kept.GetFlag(), 0);
}

TEST_F(CDrawTest, VectorSet)
{
  CVectorSet3d set;
  EXPECT_EQ(set.GetType(), TYPE_VECTORSET3D);
  EXPECT_EQ(set.GetName(), "VectorSet");
  EXPECT_EQ(*set.GetColor(), CColor(255, 255, 255));
  set.AddVector(new CVertex3d(0, 0, 0), new CVertex3d(0.5f, 0, 0));
  set.AddVector(new CVertex3d(0, 0.1f, 0), new CVertex3d(0, 0.5f, 0));
  EXPECT_EQ(set.NbVector(), 2);
  glDisable(GL_LIGHTING);
  EXPECT_EQ(Count([&] { EXPECT_EQ(set.Draw(), 1); })[1], 2);
  EXPECT_EQ(Count([&] { EXPECT_EQ(set.Draw(), 1); })[1], 2);

  // Half-length segments.
  set.SetLengthRatio(0.5f);
  std::vector<GLfloat> buffer(256);
  glFeedbackBuffer(256, GL_3D, buffer.data());
  glRenderMode(GL_FEEDBACK);
  set.Draw();
  glRenderMode(GL_RENDER);
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  // token, x0 y0 z0, x1 y1 z1: window x of the end is a quarter of the half width from the
  // centre.
  const float centre = viewport[0] + viewport[2] / 2.0f;
  EXPECT_NEAR(buffer[4] - centre, viewport[2] / 2.0f * 0.25f, 0.5f);
}
