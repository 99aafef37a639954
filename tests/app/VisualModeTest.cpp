#include "tests/app/RenderViewFixture.h"

#include "app/objects/VisualModeObject.h"
#include "platform/core/Random.h"

#include <GL/gl.h>

#include <cmath>
#include <memory>

namespace {

using CVisualModeTest = CRenderViewFixture;

// Pixels of the image inside the square of chart cell k (a quarter of the view each way).
struct SCellPixels
{
  int NotBlack = 0;
  int OfColor = 0;
  QRgb Centre = 0;
};

SCellPixels CellPixels(const QImage& image, int k, QRgb color)
{
  const CVisualModeObject::SCell& cell = CVisualModeObject::kCells[k];
  const int w = image.width();
  const int h = image.height();
  const int cx = static_cast<int>((cell.x + 1.0f) / 2.0f * w);
  const int cy = static_cast<int>((1.0f - cell.y) / 2.0f * h);
  SCellPixels pixels;
  pixels.Centre = image.pixel(cx, cy) & 0xFFFFFF;
  for (int y = cy - h / 8 + 1; y < cy + h / 8; y++)
    for (int x = cx - w / 8 + 1; x < cx + w / 8; x++) {
      const QRgb p = image.pixel(x, y) & 0xFFFFFF;
      pixels.NotBlack += p != 0 ? 1 : 0;
      pixels.OfColor += p == (color & 0xFFFFFF) ? 1 : 0;
    }
  return pixels;
}

TEST_F(CVisualModeTest, TheRadiusGrowsForTwentyEightDrawingsThenStays)
{
  ASSERT_TRUE(m_View->MakeCurrent());
  CVisualModeObject chooser(45.0, 1.0);
  EXPECT_EQ(chooser.GetType(), 15);
  EXPECT_DOUBLE_EQ(chooser.GetRadius(), 0.01);
  chooser.Draw();
  EXPECT_NEAR(chooser.GetRadius(), 0.015, 1e-12);
  for (int i = 1; i < 27; i++)
    chooser.Draw();
  EXPECT_NEAR(chooser.GetRadius(), 0.145, 1e-12); // the 28th drawing uses this radius
  chooser.Draw();
  EXPECT_NEAR(chooser.GetRadius(), 0.15, 1e-12);
  chooser.Draw();
  EXPECT_NEAR(chooser.GetRadius(), 0.15, 1e-12);
}

TEST_F(CVisualModeTest, ADrawingRestoresBothPolygonModesAndTheLighting)
{
  ASSERT_TRUE(m_View->MakeCurrent());
  CVisualModeObject chooser(45.0, 1.0);
  for (const bool lighting : {true, false}) {
    glPolygonMode(GL_FRONT, GL_FILL);
    glPolygonMode(GL_BACK, GL_LINE);
    if (lighting)
      glEnable(GL_LIGHTING);
    else
      glDisable(GL_LIGHTING);
    chooser.Draw();
    GLint modes[2] = {0, 0};
    glGetIntegerv(GL_POLYGON_MODE, modes);
    EXPECT_EQ(modes[0], GL_FILL);
    EXPECT_EQ(modes[1], GL_LINE);
    EXPECT_EQ(glIsEnabled(GL_LIGHTING) == GL_TRUE, lighting);
  }
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glEnable(GL_LIGHTING);
}

// The view was resized after the chart was made: the projection it leaves behind has the
// viewport's aspect, not the one of construction.
TEST_F(CVisualModeTest, TheProjectionLeftBehindHasTheCurrentAspect)
{
  ASSERT_TRUE(m_View->MakeCurrent());
  CVisualModeObject chooser(45.0, 1.0);
  GLint saved[4];
  glGetIntegerv(GL_VIEWPORT, saved);
  for (const auto& size : {std::pair{400, 100}, std::pair{120, 360}}) {
    glViewport(0, 0, size.first, size.second);
    chooser.Draw();
    GLdouble projection[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    // m[0] = f / aspect and m[5] = f for a perspective.
    EXPECT_NEAR(projection[5] / projection[0], double(size.first) / size.second, 1e-5);
    EXPECT_NEAR(projection[5], 1.0 / std::tan(45.0 / 2.0 * M_PI / 180.0), 1e-5);
  }
  glViewport(saved[0], saved[1], saved[2], saved[3]);
  m_View->UpdateProjection();
}

TEST_F(CVisualModeTest, TheRandomValuesComeFromTheSharedGenerator)
{
  platform::Srand(11);
  std::array<double, 64> expected;
  for (double& value : expected)
    value = platform::Rand();
  platform::Srand(11);
  CVisualModeObject chooser(30.0, 2.0);
  EXPECT_EQ(chooser.GetRandomValues(), expected);
  EXPECT_DOUBLE_EQ(chooser.GetFovy(), 30.0);
  EXPECT_DOUBLE_EQ(chooser.GetAspect(), 2.0);
}

// Mode > Visual mode: the chart is appended after the meshes, which it hides, and grows to its
// full size in the drawings the command makes; each cell shows its style.
TEST_F(CVisualModeTest, TheCommandShowsTheSixteenCells)
{
  CMesh3d* box = AddBox();
  m_View->DoCommand(ID_MODE_VISUAL_MODE);
  CSceneGraph3d& scene = m_Document->m_SceneGraph;
  ASSERT_EQ(scene.NbObject(), 2);
  ASSERT_EQ(scene.GetAt(1)->GetType(), TYPE_VISUALMODE);
  const auto* chooser = static_cast<const CVisualModeObject*>(scene.GetAt(1));
  EXPECT_NEAR(chooser->GetRadius(), 0.15, 1e-12);
  EXPECT_NEAR(chooser->GetAspect(), double(m_View->width()) / m_View->height(), 1e-9);
  EXPECT_EQ(box->IsShown(), 0);

  const QImage image = LastPainted();
  const QRgb blue = qRgb(0, 128, 255);
  const QRgb silver = qRgb(192, 192, 192);
  int filledUnlit = 0;
  for (int k = 0; k < 16; k++) {
    SCOPED_TRACE(k);
    const CVisualModeObject::SCell& cell = CVisualModeObject::kCells[k];
    const SCellPixels pixels = CellPixels(image, k, qRgb(cell.r, cell.g, cell.b));
    EXPECT_GT(pixels.NotBlack, 0);
    if (cell.mode == GL_FILL && !cell.lighting) {
      EXPECT_EQ(pixels.Centre, 0xFFFFFFu);
      filledUnlit++;
    }
    if (!cell.lighting && cell.mode != GL_FILL) {
      EXPECT_GT(pixels.OfColor, 0); // unlit lines and points in the cell's own colour
    }
    // Only cells 2 and 10 carry their colours.
    EXPECT_EQ(CellPixels(image, k, blue).OfColor > 0, k == 2);
    EXPECT_EQ(CellPixels(image, k, silver).OfColor > 0, k == 10);
    if (cell.mode == GL_FILL) { // a filled sphere covers more than a wire or points
      EXPECT_GT(pixels.NotBlack, CellPixels(image, 0, 0).NotBlack);
    }
  }
  EXPECT_EQ(filledUnlit, 3);
}

} // namespace
