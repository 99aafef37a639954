#include "tests/app/RenderViewFixture.h"

#include "scene/SceneGraph3d.h"
#include "scene/Texture.h"

#include <QTest>

#include <filesystem>

namespace {

const QRgb kRed = qRgb(220, 30, 30);
const QRgb kGreen = qRgb(30, 200, 40);
const QRgb kBlue = qRgb(20, 40, 230);
const QRgb kYellow = qRgb(240, 220, 20);

// A 4 by 4 texture whose quarters (2 by 2 texels each) have four colours: red at (u, v) near
// (0, 0), green to its right, blue above it, yellow in the far corner. Row 0 is v = 0. The
// scene hands the bytes to OpenGL as they are: red first, as every reader leaves them.
CTexture* Quarters()
{
  auto* texture = new CTexture;
  texture->Alloc(4, 4, 24);
  for (unsigned y = 0; y < 4; y++)
    for (unsigned x = 0; x < 4; x++) {
      const QRgb c = y < 2 ? (x < 2 ? kRed : kGreen) : (x < 2 ? kBlue : kYellow);
      texture->SetColor(x, y, qRed(c), qGreen(c), qBlue(c));
    }
  return texture;
}

// A square of two triangles from (x0, y0) to (x1, y1) in the plane z = 0, white, with the
// texture's corners on its corners when `uv` is set.
std::unique_ptr<CMesh3d> Square(float x0, float y0, float x1, float y1, bool uv)
{
  auto mesh = fixtures::Build({{x0, y0, 0}, {x1, y0, 0}, {x1, y1, 0}, {x0, y1, 0}}, {{0, 1, 2}, {0, 2, 3}});
  mesh->SetColor(255, 255, 255);
  mesh->SetUseSingleColor(1);
  if (uv) {
    mesh->SetTextureCoordinates({0, 0, 1, 0, 1, 1, 0, 1});
    mesh->SetTextureIndices({0, 1, 2, 0, 2, 3});
    mesh->SetTextureIndex(0);
  }
  return mesh;
}

// Draws a scene of its own in the view's context with unlit, unprojected drawing over a 100
// by 100 viewport ([-1, 1] on both axes), and reads the pixels back.
class CTexturedDrawTest : public CRenderViewFixture
{
protected:
  void TearDown() override
  {
    // The scene's OpenGL textures go with the context they were made in.
    m_View->makeCurrent();
    m_Scene.RemoveAll();
    CRenderViewFixture::TearDown();
  }

  QImage Draw(bool texturing)
  {
    m_View->makeCurrent();
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glDisable(GL_LIGHTING);
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    if (texturing)
      glEnable(GL_TEXTURE_2D);
    else
      glDisable(GL_TEXTURE_2D);
    glViewport(0, 0, 100, 100);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    m_Scene.Draw();
    glFinish();
    QImage image(100, 100, QImage::Format_RGBA8888);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, 100, 100, GL_RGBA, GL_UNSIGNED_BYTE, image.bits());
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopAttrib();
    // Row 0 of the read is the bottom of the viewport.
    return image.mirrored().convertToFormat(QImage::Format_RGB32);
  }

  // The pixel at viewport coordinates (x, y), y upwards.
  static QRgb At(const QImage& image, int x, int y) { return image.pixel(x, 99 - y) & 0xFFFFFF; }

  CSceneGraph3d m_Scene;
};

} // namespace

TEST_F(CTexturedDrawTest, ATexturedSquareShowsEachTexelWhereItsCoordinatesPutIt)
{
  m_Scene.AddTexture(Quarters());
  m_Scene.Add(Square(-1, -1, 1, 1, true).release());
  const QImage image = Draw(true);
  // The centres of the quarters, well inside the 2 by 2 texel blocks that linear filtering
  // blends only at their borders.
  EXPECT_EQ(At(image, 25, 25), kRed & 0xFFFFFF);
  EXPECT_EQ(At(image, 75, 25), kGreen & 0xFFFFFF);
  EXPECT_EQ(At(image, 25, 75), kBlue & 0xFFFFFF);
  EXPECT_EQ(At(image, 75, 75), kYellow & 0xFFFFFF);
  EXPECT_EQ(m_Scene.GetTextureNames().size(), 1u);
}

TEST_F(CTexturedDrawTest, TheDisplayListAndImmediateDrawingShowTheSameTexels)
{
  m_Scene.AddTexture(Quarters());
  CMesh3d* mesh = Square(-1, -1, 1, 1, true).release();
  m_Scene.Add(mesh);
  mesh->SetUseDisplayList(1);
  const QImage first = Draw(true);   // compiles the list
  const QImage second = Draw(true);  // calls it
  mesh->SetUseDisplayList(0);
  const QImage immediate = Draw(true);
  EXPECT_EQ(At(first, 75, 75), kYellow & 0xFFFFFF);
  EXPECT_EQ(second, first);
  EXPECT_EQ(immediate, first);
}

TEST_F(CTexturedDrawTest, WithTexturingOffTheSquareTakesItsOwnColour)
{
  m_Scene.AddTexture(Quarters());
  m_Scene.Add(Square(-1, -1, 1, 1, true).release());
  const QImage image = Draw(false);
  for (QPoint p : {QPoint(25, 25), QPoint(75, 25), QPoint(25, 75), QPoint(75, 75)})
    EXPECT_EQ(At(image, p.x(), p.y()), 0xFFFFFFu) << p.x() << "," << p.y();
}

// The texture bound for the first mesh stays bound while the next one is drawn; a mesh
// without coordinates must not be tinted by it.
TEST_F(CTexturedDrawTest, AMeshWithoutCoordinatesAfterATexturedOneIsNotTinted)
{
  m_Scene.AddTexture(Quarters());
  m_Scene.Add(Square(-1, -1, 0, 1, true).release());
  m_Scene.Add(Square(0, -1, 1, 1, false).release());
  const QImage image = Draw(true);
  // The left half spreads the texture over 50 pixels; texel centres lie away from the
  // edges, where repeating wraps the filter round to the other side.
  EXPECT_EQ(At(image, 12, 25), kRed & 0xFFFFFF);
  EXPECT_EQ(At(image, 37, 75), kYellow & 0xFFFFFF);
  for (QPoint p : {QPoint(60, 10), QPoint(90, 90), QPoint(75, 50)})
    EXPECT_EQ(At(image, p.x(), p.y()), 0xFFFFFFu) << p.x() << "," << p.y();
}

// Indices read from a file may name no coordinate pair; such a corner takes (0, 0), as if it
// named a pair (0, 0) of the table.
TEST_F(CTexturedDrawTest, CornersWithIndicesOutsideTheTableTakeTheOrigin)
{
  m_Scene.AddTexture(Quarters());
  CMesh3d* mesh = Square(-1, -1, 1, 1, true).release();
  mesh->SetTextureIndices({7, -3, 100, 7, 100}); // one corner short as well
  m_Scene.Add(mesh);
  const QImage image = Draw(true);
  mesh->SetTextureIndices({0, 0, 0, 0, 0, 0});
  mesh->SetModified();
  const QImage origin = Draw(true);
  EXPECT_EQ(image, origin);
  // One colour all over, the one of the texture's corner.
  EXPECT_EQ(DistinctColors(origin), 1);
  EXPECT_NE(At(origin, 50, 50), 0xFFFFFFu);
}

namespace {

// The textured sphere of the test data opened as a user would, in a window.
class CTexturedFileTest : public CRenderViewFixture
{
protected:
  // Pixels whose hue is clearly that of the checker's red squares, or of its blue ones.
  static int CountReddish(const QImage& image)
  {
    return Count(image, [](QRgb p) { return qRed(p) > qGreen(p) + 60 && qRed(p) > qBlue(p) + 60; });
  }
  static int CountBluish(const QImage& image)
  {
    return Count(image, [](QRgb p) { return qBlue(p) > qRed(p) + 60 && qGreen(p) > qRed(p) + 60; });
  }

  CScopedFolder m_Scope{"orvane_textured"};
};

} // namespace

TEST_F(CTexturedFileTest, TheCheckerOfAVrmlSphereShowsInItsWindow)
{
  const std::filesystem::path data(ORVANE_TEST_DATA);
  for (const char* name : {"textured_sphere.wrl", "checker.bmp"})
    std::filesystem::copy_file(data / name, m_Scope.Path() / name);
  // Opened by its full path from elsewhere: the texture's name is found beside the scene.
  ASSERT_NE(m_App->OpenDocumentFile((m_Scope.Path() / "textured_sphere.wrl").string()), nullptr);
  CVanthDoc* document = ActiveDocument();
  ASSERT_NE(document, nullptr);
  ASSERT_EQ(document->m_SceneGraph.NbTexture(), 1);
  ASSERT_EQ(document->m_SceneGraph.GetTexture(0)->GetWidth(), 256u);
  CRenderView* view = ViewOf(ActiveChild());
  ASSERT_NE(view, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(view));

  const QImage image = Grab(view);
  const int area = image.width() * image.height();
  // Both colours of the checker cover a fair part of the sphere.
  EXPECT_GT(CountReddish(image), area / 100);
  EXPECT_GT(CountBluish(image), area / 100);

  // Textures > View off: the sphere is drawn in its material's grey, no checker left.
  m_View = view;
  view->makeCurrent();
  glDisable(GL_TEXTURE_2D);
  const QImage plain = Grab(view);
  EXPECT_EQ(CountReddish(plain), 0);
  EXPECT_EQ(CountBluish(plain), 0);
  ASSERT_TRUE(Frame()->DoCommand(ID_TEXTURES_VIEW));
  EXPECT_EQ(CountBluish(Grab(view)), CountBluish(image));
}
