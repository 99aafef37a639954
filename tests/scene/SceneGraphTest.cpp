#include "scene/SceneGraph3d.h"

#include "app/objects/Camera3d.h"
#include "mesh/Mesh3d.h"
#include "mesh/PolygonMesh3d.h"
#include "mesh/QuadMesh3d.h"
#include "support/TempFolder.h"

#include <GL/gl.h>
#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// Counts its deletions and records what it was asked to do, and the texture bound when drawn.
class CProbe : public CObject3d
{
public:
  explicit CProbe(int* pDeleted, int type = TYPE_OBJECT3D) : m_pDeleted(pDeleted), m_Type(type) {}
  ~CProbe() override { ++*m_pDeleted; }
  int GetType() const override { return m_Type; }
  int BuildList() override
  {
    m_Built++;
    return 1;
  }
  int Draw() override
  {
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    m_BoundAtDraw.push_back(bound);
    return 1;
  }
  void SetModified(int flag = 1) override { m_Modified = flag; }
  void Show(unsigned char flag) override { m_Shown = flag; }

  int* m_pDeleted;
  int m_Type;
  int m_Built = 0;
  int m_Modified = 0;
  int m_Shown = -1;
  std::vector<GLint> m_BoundAtDraw;
};

// A mesh that reports its deletion and the texture bound when it is drawn.
class CTexturedProbe : public CMesh3d
{
public:
  explicit CTexturedProbe(int textureIndex) { SetTextureIndex(textureIndex); }
  int Draw() override
  {
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    m_BoundAtDraw.push_back(bound);
    return 1;
  }
  std::vector<GLint> m_BoundAtDraw;
};

// One quadrilateral.
CPolygonMesh3d* NewSquare()
{
  auto* mesh = new CPolygonMesh3d;
  const float corners[4][2] = {{0, 0}, {0.5f, 0}, {0.5f, 0.5f}, {0, 0.5f}};
  for (const auto& c : corners)
    mesh->AddVertex(new CPolygonVertex3d(c[0], c[1], 0));
  mesh->AddPolygon(new CPolygon3d(mesh->GetVertex(0), mesh->GetVertex(1), mesh->GetVertex(2),
                                  mesh->GetVertex(3)));
  return mesh;
}

CMesh3d* NewTriangle()
{
  auto* mesh = new CMesh3d;
  mesh->AddVertex(new CVertex3d(0, 0, 0));
  mesh->AddVertex(new CVertex3d(1, 0, 0));
  mesh->AddVertex(new CVertex3d(0, 1, 0));
  mesh->AddFace(new CFace3d(mesh->GetVertex(0), mesh->GetVertex(1), mesh->GetVertex(2)));
  return mesh;
}

// A 2 x 2 texture whose file name is the path it was read from.
CTexture* NewTexture(const CTempFolder& folder, const std::string& name)
{
  CTexture image;
  image.Alloc(2, 2, 24);
  image.Fill(10, 20, 30);
  image.SaveFileBMP(folder.File(name));
  auto* texture = new CTexture;
  texture->ReadFile(folder.File(name));
  texture->BGRtoRGB();
  return texture;
}

TEST(SceneGraph, OwnsItsObjectsAndTexturesAndDeletesThemWhenEmptied)
{
  int deleted = 0;
  {
    CSceneGraph3d scene;
    scene.Add(new CProbe(&deleted));
    scene.Add(new CProbe(&deleted));
    scene.RemoveAll();
    EXPECT_EQ(deleted, 2);
    EXPECT_EQ(scene.NbObject(), 0);
    EXPECT_EQ(scene.IsBuilt(), 0);
    scene.Add(new CProbe(&deleted));
    scene.AddTexture(new CTexture);
  }
  EXPECT_EQ(deleted, 3);  // the destructor empties the scene too
}

TEST(SceneGraph, FindsObjectsByTypeInListOrder)
{
  int deleted = 0;
  CSceneGraph3d scene;
  EXPECT_EQ(scene.FindFirstOfType(TYPE_CAMERA3D), nullptr);
  auto* first = new CProbe(&deleted, TYPE_QUADMESH3D);
  auto* second = new CProbe(&deleted, TYPE_QUADMESH3D);
  scene.Add(NewTriangle());
  scene.Add(first);
  scene.Add(second);
  EXPECT_EQ(scene.FindFirstOfType(TYPE_QUADMESH3D), first);
  EXPECT_EQ(scene.FindFirstOfType(TYPE_CAMERA3D), nullptr);
  scene.Add(new CCamera3d);
  EXPECT_EQ(scene.FindFirstOfType(TYPE_CAMERA3D), scene.GetAt(3));
}

TEST(SceneGraph, FindsTexturesByTheirWholeCaseSensitiveName)
{
  CTempFolder folder;
  CSceneGraph3d scene;
  EXPECT_EQ(scene.AddTexture(NewTexture(folder, "wood.bmp")), 0);
  EXPECT_EQ(scene.AddTexture(NewTexture(folder, "stone.bmp")), 1);
  EXPECT_EQ(scene.AddTexture(NewTexture(folder, "stone.bmp")), 2);

  int index = -7;
  EXPECT_EQ(scene.FindTexture(folder.File("stone.bmp"), &index), 1);
  EXPECT_EQ(index, 1);  // the first of two equal names
  index = -7;
  EXPECT_EQ(scene.FindTexture(folder.File("Stone.bmp"), &index), 0);
  EXPECT_EQ(scene.FindTexture(folder.File("stone.bm"), &index), 0);
  EXPECT_EQ(scene.FindTexture("stone.bmp", &index), 0);
  EXPECT_EQ(index, -7);
}

TEST(SceneGraph, ForwardsModesToTheObjectsThatUnderstandThem)
{
  int deleted = 0;
  CSceneGraph3d scene;
  CMesh3d* mesh = NewTriangle();
  auto* quads = new CQuadMesh3d;
  auto* polygons = NewSquare();
  auto* probe = new CProbe(&deleted);
  scene.Add(mesh);
  scene.Add(quads);
  scene.Add(polygons);
  scene.Add(probe);

  scene.SetColorBinding(0);
  EXPECT_EQ(mesh->GetColorBinding(), 0);
  EXPECT_EQ(quads->GetColorBinding(), 1);
  EXPECT_EQ(probe->m_Modified, 1);

  probe->m_Modified = 0;
  mesh->SetModified(0);
  quads->SetModified(0);
  polygons->SetModified(0);
  scene.SetSingleColorMode(1);
  EXPECT_EQ(mesh->GetUseSingleColor(), 1);
  EXPECT_EQ(mesh->GetModified(), 1);
  EXPECT_EQ(quads->GetModified(), 1);
  EXPECT_EQ(polygons->GetModified(), 1);
  EXPECT_EQ(probe->m_Modified, 1);

  scene.ShowMeshes(0);
  EXPECT_EQ(mesh->IsShown(), 0);
  EXPECT_EQ(probe->m_Shown, -1);  // only triangle meshes are shown or hidden

  scene.BuildAdjacency();
  scene.ComputeFaceNormals();
  scene.ComputeVertexNormals();
  EXPECT_EQ(mesh->GetVertex(0)->NbFaceNeighbor(), 1);
  EXPECT_FLOAT_EQ(mesh->GetFace(0)->GetNormal()->z(), 1.0f);
  EXPECT_FLOAT_EQ(mesh->GetVertex(2)->GetNormal()->z(), 1.0f);
}

// A current OpenGL context for the tests that build textures and display lists. The context
// lives until the program ends: its driver is then still loaded, so that what the driver keeps
// is not taken for a leak of ours.
class SceneGraphDraw : public ::testing::Test
{
protected:
  static void SetUpTestSuite()
  {
    static int argc = 1;
    static char name[] = "test_scene";
    static char* argv[] = {name, nullptr};
    if (s_pContext)
      return;
    if (!QGuiApplication::instance())
      new QGuiApplication(argc, argv);
    auto* surface = new QOffscreenSurface;
    surface->create();
    auto* context = new QOpenGLContext;
    if (context->create() && context->makeCurrent(surface))
      s_pContext = context;
  }
  void SetUp() override
  {
    if (!s_pContext)
      GTEST_SKIP() << "no OpenGL context";
  }

  static QOpenGLContext* s_pContext;
};
QOpenGLContext* SceneGraphDraw::s_pContext = nullptr;

TEST_F(SceneGraphDraw, AnEmptySceneBuildsNoTextureButCountsAsBuilt)
{
  CSceneGraph3d scene;
  EXPECT_EQ(scene.BuildList(), 1);
  EXPECT_EQ(scene.IsBuilt(), 1);
  EXPECT_TRUE(scene.GetTextureNames().empty());
  scene.Draw();
  scene.RemoveAll();
  EXPECT_EQ(scene.IsBuilt(), 0);
}

TEST_F(SceneGraphDraw, ABoundTextureStaysBoundForTheObjectsThatFollow)
{
  CTempFolder folder;
  int deleted = 0;
  CSceneGraph3d scene;
  scene.AddTexture(NewTexture(folder, "a.bmp"));
  auto* textured = new CTexturedProbe(0);
  auto* plain = new CTexturedProbe(-1);
  auto* other = new CProbe(&deleted);
  scene.Add(textured);
  scene.Add(plain);
  scene.Add(other);
  glBindTexture(GL_TEXTURE_2D, 0);

  scene.Draw();
  ASSERT_EQ(scene.GetTextureNames().size(), 1u);
  const GLint name = static_cast<GLint>(scene.GetTextureNames()[0]);
  EXPECT_NE(name, 0);
  EXPECT_EQ(glIsTexture(static_cast<GLuint>(name)), GL_TRUE);
  EXPECT_EQ(other->m_Built, 1);  // the first draw built every object's list
  ASSERT_EQ(textured->m_BoundAtDraw.size(), 1u);
  EXPECT_EQ(textured->m_BoundAtDraw[0], name);
  EXPECT_EQ(plain->m_BoundAtDraw[0], name);
  EXPECT_EQ(other->m_BoundAtDraw[0], name);

  scene.Draw();  // already built: no second build
  EXPECT_EQ(other->m_Built, 1);

  const GLuint kept = static_cast<GLuint>(name);
  scene.RemoveAll();
  EXPECT_EQ(glIsTexture(kept), GL_FALSE);
  EXPECT_EQ(deleted, 1);
}

TEST_F(SceneGraphDraw, ATextureAddedAfterTheFirstDrawIsUploadedAtTheNext)
{
  CTempFolder folder;
  CSceneGraph3d scene;
  scene.AddTexture(NewTexture(folder, "a.bmp"));
  auto* first = new CTexturedProbe(0);
  scene.Add(first);
  scene.Draw();
  ASSERT_EQ(scene.GetTextureNames().size(), 1u);

  scene.AddTexture(NewTexture(folder, "b.bmp"));
  auto* second = new CTexturedProbe(1);
  scene.Add(second);
  scene.Draw();
  ASSERT_EQ(scene.GetTextureNames().size(), 2u);
  ASSERT_EQ(second->m_BoundAtDraw.size(), 1u);
  EXPECT_EQ(second->m_BoundAtDraw[0], static_cast<GLint>(scene.GetTextureNames()[1]));
  GLint width = 0;
  glBindTexture(GL_TEXTURE_2D, scene.GetTextureNames()[1]);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
  EXPECT_EQ(width, 2);
}

TEST_F(SceneGraphDraw, AMeshNamingNoTextureBindsNothing)
{
  CSceneGraph3d scene;
  auto* stray = new CTexturedProbe(3);  // no texture 3 in the scene
  scene.Add(stray);
  glBindTexture(GL_TEXTURE_2D, 0);
  scene.Draw();
  ASSERT_EQ(stray->m_BoundAtDraw.size(), 1u);
  EXPECT_EQ(stray->m_BoundAtDraw[0], 0);
}

TEST_F(SceneGraphDraw, NormalBindingReachesTriangleMeshesAndRebuildsTheOthers)
{
  int deleted = 0;
  CSceneGraph3d scene;
  CMesh3d* mesh = NewTriangle();
  auto* probe = new CProbe(&deleted);
  auto* quads = new CQuadMesh3d;
  quads->GenerateBox();
  scene.Add(mesh);
  scene.Add(probe);
  scene.Add(quads);
  mesh->SetModified(0);
  quads->SetModified(1);
  scene.SetNormalBinding(0);
  EXPECT_EQ(mesh->GetNormalBinding(), 0);
  EXPECT_EQ(mesh->GetModified(), 1);
  EXPECT_EQ(probe->m_Built, 1);
  EXPECT_EQ(quads->GetNormalBinding(), 1);  // rebuilt, binding unchanged
  EXPECT_EQ(quads->GetModified(), 0);
}

TEST_F(SceneGraphDraw, DrawsOnlyTheObjectsOfTheGivenType)
{
  int deleted = 0;
  CSceneGraph3d scene;
  auto* mesh = new CTexturedProbe(-1);
  auto* probe = new CProbe(&deleted);
  scene.Add(mesh);
  scene.Add(probe);
  scene.DrawObjectsOfType(TYPE_MESH3D);
  EXPECT_EQ(mesh->m_BoundAtDraw.size(), 1u);
  EXPECT_TRUE(probe->m_BoundAtDraw.empty());
  EXPECT_EQ(scene.IsBuilt(), 0);  // drawing by type builds nothing

  scene.DrawUntextured();
  EXPECT_EQ(scene.IsBuilt(), 1);
  EXPECT_EQ(probe->m_BoundAtDraw.size(), 1u);
}

// The number of polygons that the scene's immediate drawing issues (the driver may cut a
// quadrilateral into two triangles).
int CountImmediatePolygons(CSceneGraph3d& scene)
{
  std::vector<GLfloat> buffer(4096);
  glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D, buffer.data());
  glRenderMode(GL_FEEDBACK);
  scene.DrawImmediate(0);
  const GLint size = glRenderMode(GL_RENDER);
  int polygons = 0;
  for (GLint i = 0; i < size;) {
    const GLint token = static_cast<GLint>(buffer[static_cast<size_t>(i++)]);
    if (token == GL_POLYGON_TOKEN) {
      const GLint n = static_cast<GLint>(buffer[static_cast<size_t>(i++)]);
      polygons++;
      i += 3 * n;
    }
  }
  return polygons;
}

TEST_F(SceneGraphDraw, ImmediateDrawingIssuesTheFacesOfEveryMeshKind)
{
  CSceneGraph3d scene;
  scene.Add(NewTriangle());
  scene.Add(NewTriangle());
  scene.Add(new CCamera3d);  // skipped
  EXPECT_EQ(CountImmediatePolygons(scene), 2);
  scene.Add(NewSquare());
  EXPECT_GT(CountImmediatePolygons(scene), 2);
  auto* quads = new CQuadMesh3d;
  quads->GenerateBox();
  scene.RemoveAll();
  scene.Add(quads);
  EXPECT_GT(CountImmediatePolygons(scene), 0);
}

} // namespace
