#include "tests/app/RenderViewFixture.h"

#include "app/objects/Camera3d.h"
#include "platform/core/Redraw.h"
#include "platform/ui/QtClipboard.h"
#include "tests/support/ClipboardRecorder.h"

#include <QGuiApplication>
#include <QOpenGLContext>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

using CRenderViewTest = CRenderViewFixture;

// The colour lighting gives a face that looks straight at the viewer and the light: global
// ambient 0.2 and the light's ambient 0.7 times the material's ambient, the light's diffuse
// 0.8 times its diffuse, its specular 1.0 times the material's specular, plus emission.
QRgb LitFacingColor(const CMaterial& m)
{
  int c[3];
  for (int i = 0; i < 3; i++) {
    const double value = m.GetEmission()[i] + 0.9 * m.GetAmbient()[i] + 0.8 * m.GetDiffuse()[i] +
                         m.GetSpecular()[i];
    c[i] = static_cast<int>(std::lround(std::min(1.0, value) * 255.0));
  }
  return qRgb(c[0], c[1], c[2]);
}

bool Near(QRgb a, QRgb b, int tolerance = 3)
{
  return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
         std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

} // namespace

TEST_F(CRenderViewTest, AnEmptySceneShowsTheBackgroundColour)
{
  EXPECT_EQ(CountNotBlack(Grab()), 0);
  m_View->m_ClearColorBlue = 1.0f;
  m_View->SetClearColor();
  const QImage image = Grab();
  EXPECT_EQ(CountColor(image, qRgb(0, 0, 255)), image.width() * image.height());
}

TEST_F(CRenderViewTest, AMeshIsDrawnInItsMaterialColourOverTheBackground)
{
  CMesh3d* box = AddBox();
  box->GetMaterial()->SetDiffuse(0.6f, 0.2f, 0.1f, 1.0f);
  box->GetMaterial()->SetAmbient(0.1f, 0.1f, 0.0f, 1.0f);
  const QImage image = Grab();
  EXPECT_TRUE(Near(Centre(image), LitFacingColor(*box->GetMaterial())))
    << std::hex << Centre(image) << " " << LitFacingColor(*box->GetMaterial());
  EXPECT_EQ(image.pixel(0, 0) & 0xFFFFFF, 0u);
  EXPECT_EQ(image.pixel(image.width() - 1, image.height() - 1) & 0xFFFFFF, 0u);
  // The box is 1 wide at distance 4.5 under a 45 degree field: a square of known size.
  const double side = image.height() / (2.0 * 4.5 * std::tan(22.5 * M_PI / 180.0));
  EXPECT_NEAR(CountColor(image, Centre(image)), side * side, side * 4);
}

TEST_F(CRenderViewTest, FlatAndSmoothShadingDiffer)
{
  CMesh3d* sphere = Add(fixtures::Icosphere(2));
  sphere->SetNormalBinding(1);
  const QImage flat = Grab();
  sphere->SetNormalBinding(0);
  sphere->SetModified();
  m_View->makeCurrent();
  glShadeModel(GL_SMOOTH);
  const QImage smooth = Grab();
  EXPECT_NE(flat, smooth);
  // One colour per face (and the background) against gradients across every face.
  EXPECT_LE(DistinctColors(flat), sphere->NbFace() + 1);
  EXPECT_GT(DistinctColors(smooth), 2 * DistinctColors(flat)) << DistinctColors(flat);
}

TEST_F(CRenderViewTest, DraggingWithBothButtonsRotates)
{
  AddBox();
  const QImage before = Grab();
  Mouse(QEvent::MouseButtonPress, Qt::LeftButton, {100, 100}, Qt::LeftButton);
  Mouse(QEvent::MouseButtonPress, Qt::RightButton, {100, 100}, Qt::LeftButton | Qt::RightButton);
  Mouse(QEvent::MouseMove, Qt::NoButton, {130, 110}, Qt::LeftButton | Qt::RightButton);
  EXPECT_FLOAT_EQ(m_View->m_yRotation, 10.0f);
  EXPECT_FLOAT_EQ(m_View->m_xRotation, 10.0f / 3.0f);
  EXPECT_FLOAT_EQ(m_View->m_zRotation, 0.0f);
  // The reference moved with the mouse: the next step counts from (130, 110).
  Mouse(QEvent::MouseMove, Qt::NoButton, {127, 110}, Qt::LeftButton | Qt::RightButton);
  EXPECT_FLOAT_EQ(m_View->m_yRotation, 9.0f);
  Mouse(QEvent::MouseButtonRelease, Qt::RightButton, {127, 110}, Qt::LeftButton);
  // Releasing one button ends the whole drag.
  Mouse(QEvent::MouseMove, Qt::NoButton, {200, 200}, Qt::LeftButton);
  EXPECT_FLOAT_EQ(m_View->m_yRotation, 9.0f);
  EXPECT_FLOAT_EQ(m_View->m_xTranslation, 0.0f);
  EXPECT_NE(Grab(), before);
}

TEST_F(CRenderViewTest, SwappedAxesTurnAboutZ)
{
  EXPECT_TRUE(Frame()->DoCommand(ID_GEOMETRY_SWAP_AXES));
  EXPECT_EQ(m_View->m_SwapAxes, 0);
  EXPECT_EQ(Frame()->QueryCommand(ID_GEOMETRY_SWAP_AXES).m_Checked, 0);
  Mouse(QEvent::MouseButtonPress, Qt::LeftButton, {50, 50}, Qt::LeftButton);
  Mouse(QEvent::MouseButtonPress, Qt::RightButton, {50, 50}, Qt::LeftButton | Qt::RightButton);
  Mouse(QEvent::MouseMove, Qt::NoButton, {20, 50}, Qt::LeftButton | Qt::RightButton);
  EXPECT_FLOAT_EQ(m_View->m_zRotation, -10.0f);
  EXPECT_FLOAT_EQ(m_View->m_yRotation, 0.0f);
  EXPECT_TRUE(Frame()->DoCommand(ID_GEOMETRY_SWAP_AXES));
  EXPECT_EQ(Frame()->QueryCommand(ID_GEOMETRY_SWAP_AXES).m_Checked, 1);
}

TEST_F(CRenderViewTest, TheLeftButtonPansAndTheRightButtonZooms)
{
  AddBox();
  const QImage start = Grab();
  Mouse(QEvent::MouseButtonPress, Qt::LeftButton, {100, 100}, Qt::LeftButton);
  Mouse(QEvent::MouseMove, Qt::NoButton, {150, 80}, Qt::LeftButton);
  Mouse(QEvent::MouseButtonRelease, Qt::LeftButton, {150, 80}, Qt::NoButton);
  EXPECT_FLOAT_EQ(m_View->m_xTranslation, 1.0f);
  EXPECT_FLOAT_EQ(m_View->m_yTranslation, 0.4f);
  const QImage panned = Grab();
  EXPECT_GT(MeanColumn(panned), MeanColumn(start) + 10);

  Mouse(QEvent::MouseButtonPress, Qt::RightButton, {100, 100}, Qt::RightButton);
  Mouse(QEvent::MouseMove, Qt::NoButton, {100, 50}, Qt::RightButton);
  Mouse(QEvent::MouseButtonRelease, Qt::RightButton, {100, 50}, Qt::NoButton);
  EXPECT_FLOAT_EQ(m_View->m_zTranslation, -4.0f);
  EXPECT_GT(CountNotBlack(Grab()), CountNotBlack(panned));
}

TEST_F(CRenderViewTest, SpeedsScaleByOneAndAHalfAndResetKeepsZRotationAndScale)
{
  EXPECT_TRUE(Frame()->DoCommand(ID_ROTATION_INCREASE));
  EXPECT_FLOAT_EQ(m_View->m_SpeedRotation, 0.5f);
  EXPECT_TRUE(Frame()->DoCommand(ID_TRANSLATION_DECREASE));
  EXPECT_FLOAT_EQ(m_View->m_SpeedTranslation, 0.02f / 1.5f);
  m_View->m_xRotation = 10.0f;
  m_View->m_zRotation = 20.0f;
  m_View->m_xScaling = 2.0f;
  m_View->m_yTranslation = 3.0f;
  m_View->m_zTranslation = -9.0f;
  EXPECT_TRUE(Frame()->DoCommand(ID_GEOMETRY_RESET));
  EXPECT_FLOAT_EQ(m_View->m_xRotation, 0.0f);
  EXPECT_FLOAT_EQ(m_View->m_zRotation, 20.0f);
  EXPECT_FLOAT_EQ(m_View->m_xScaling, 2.0f);
  EXPECT_FLOAT_EQ(m_View->m_yTranslation, 0.0f);
  EXPECT_FLOAT_EQ(m_View->m_zTranslation, -5.0f);
}

TEST_F(CRenderViewTest, TheCameraModeMovesTheScenesCameraAndNothingWithoutOne)
{
  m_View->m_MoveCamera = 1;
  Mouse(QEvent::MouseButtonPress, Qt::LeftButton, {100, 100}, Qt::LeftButton);
  Mouse(QEvent::MouseMove, Qt::NoButton, {50, 100}, Qt::LeftButton);
  EXPECT_FLOAT_EQ(m_View->m_xTranslation, 0.0f);

  auto* camera = new CCamera3d;
  m_Document->m_SceneGraph.Add(camera);
  const float eyeX = camera->GetEye()->x();
  Mouse(QEvent::MouseMove, Qt::NoButton, {0, 100}, Qt::LeftButton);
  // The reference stayed where the button went down, since nothing moved.
  EXPECT_FLOAT_EQ(camera->GetEye()->x(), eyeX + 100 * 0.02f / 10.0f);
  EXPECT_FLOAT_EQ(m_View->m_xTranslation, 0.0f);
}

TEST_F(CRenderViewTest, TimerOneSpinsTheScene)
{
  AddBox();
  const QImage before = Grab();
  m_View->OnTimer(1);
  EXPECT_FLOAT_EQ(m_View->m_yRotation, 5.0f);
  m_View->m_xSpin = 1.0f;
  m_View->SetTimer(1, 10);
  EXPECT_TRUE(m_View->IsTimerActive(1));
  // However busy the machine, the running timer ticks within seconds.
  EXPECT_TRUE(QTest::qWaitFor([this] { return m_View->m_xRotation >= 1.0f; }, 10000));
  m_View->KillTimer(1);
  EXPECT_FALSE(m_View->IsTimerActive(1));
  const float ticks = m_View->m_xRotation;
  EXPECT_GE(ticks, 1.0f);
  EXPECT_FLOAT_EQ(m_View->m_yRotation, 5.0f + 5.0f * ticks);
  EXPECT_NE(LastPainted(), before);
}

TEST_F(CRenderViewTest, TheRedrawHookPaintsAtOnceWithoutRunningOtherEvents)
{
  AddBox();
  const QImage before = Grab();
  m_View->m_yRotation = 30.0f;
  bool ran = false;
  QTimer::singleShot(0, [&ran] { ran = true; });
  platform::RedrawView(m_View);
  EXPECT_FALSE(ran);
  EXPECT_NE(LastPainted(), before);
  EXPECT_EQ(LastPainted(), Grab());
  platform::RedrawView(nullptr);
  QCoreApplication::processEvents();
  EXPECT_TRUE(ran);
}

// Visual debugging redraws in a tight loop: Qt defers a repaint that comes less than a frame
// after the window last composed, so each redraw right after another one tests that the view
// is still painted before the hook returns.
TEST_F(CRenderViewTest, RedrawsInARowEachPaintAtOnce)
{
  AddBox();
  platform::RedrawView(m_View);
  for (float angle : {20.0f, 40.0f, 60.0f, 80.0f}) {
    const QImage before = LastPainted();
    m_View->m_yRotation = angle;
    bool ran = false;
    QTimer::singleShot(0, [&ran] { ran = true; });
    platform::RedrawView(m_View);
    EXPECT_FALSE(ran) << angle;
    EXPECT_NE(LastPainted(), before) << angle;
    QCoreApplication::processEvents();
    EXPECT_TRUE(ran) << angle;
  }
}

TEST_F(CRenderViewTest, PushThenPopCarriesTheViewToAnotherWindow)
{
  m_View->m_xRotation = 12.0f;
  m_View->m_yRotation = -7.0f;
  m_View->m_zRotation = 3.0f;
  m_View->m_xTranslation = 0.5f;
  m_View->m_zTranslation = -8.0f;
  m_View->m_yScaling = 2.0f;
  EXPECT_TRUE(Frame()->DoCommand(ID_VIEWING_PUSH));

  ASSERT_NE(NewDocument(), nullptr);
  CRenderView* other = ViewOf(ActiveChild());
  ASSERT_NE(other, nullptr);
  ASSERT_NE(other, m_View);
  EXPECT_TRUE(Frame()->DoCommand(ID_VIEWING_POP));
  EXPECT_FLOAT_EQ(other->m_xRotation, 12.0f);
  EXPECT_FLOAT_EQ(other->m_yRotation, -7.0f);
  EXPECT_FLOAT_EQ(other->m_zRotation, 3.0f);
  EXPECT_FLOAT_EQ(other->m_xTranslation, 0.5f);
  EXPECT_FLOAT_EQ(other->m_yTranslation, 0.0f);
  EXPECT_FLOAT_EQ(other->m_zTranslation, -8.0f);
  EXPECT_FLOAT_EQ(other->m_xScaling, 1.0f);
  EXPECT_FLOAT_EQ(other->m_yScaling, 2.0f);
}

TEST_F(CRenderViewTest, PopWithoutPushRestoresTheIdentity)
{
  EXPECT_TRUE(Frame()->DoCommand(ID_VIEWING_POP));
  EXPECT_FLOAT_EQ(m_View->m_zTranslation, 0.0f);
  EXPECT_FLOAT_EQ(m_View->m_xRotation, 0.0f);
  EXPECT_FLOAT_EQ(m_View->m_zScaling, 1.0f);
}

TEST_F(CRenderViewTest, ASecondWindowOnTheDocumentDrawsTheSameDisplayList)
{
  CMesh3d* box = AddBox();
  box->SetUseDisplayList(1);
  const QImage first = Grab();
  const unsigned list = box->GetDisplayList();
  ASSERT_NE(list, 0u);
  ASSERT_EQ(box->GetModified(), 0);

  EXPECT_TRUE(Frame()->DoCommand(platform::ID_WINDOW_NEW));
  CRenderView* second = ViewOf(ActiveChild());
  ASSERT_NE(second, nullptr);
  ASSERT_NE(second, m_View);
  EXPECT_EQ(second->GetDocument(), m_Document);
  const QImage image = Grab(second);
  EXPECT_TRUE(QOpenGLContext::areSharing(m_View->context(), second->context()));
  EXPECT_EQ(box->GetDisplayList(), list);
  EXPECT_EQ(Centre(image), Centre(first));
  EXPECT_GT(CountColor(image, Centre(first)), 100);
}

// The bitmap goes to a recorder, not to the display's clipboard that tests running at the
// same time share; it is read back as the image the system clipboard would get.
TEST_F(CRenderViewTest, CopyPutsAnImageOfTheViewsSizeOnTheClipboard)
{
  AddBox();
  CClipboardRecorder clipboard;
  EXPECT_TRUE(Frame()->DoCommand(platform::ID_EDIT_COPY));
  ASSERT_EQ(clipboard.m_Bitmaps.size(), 1u);
  const QImage copied = platform::CQtClipboard::ImageFromDib(clipboard.m_Bitmaps[0]);
  ASSERT_FALSE(copied.isNull());
  EXPECT_EQ(copied.size(), m_View->size() * m_View->devicePixelRatio());
  const QImage shown = Grab();
  EXPECT_EQ(Centre(copied) & 0xFFFFFF, Centre(shown) & 0xFFFFFF);
  // Rows go bottom-up in the bitmap: the top row of the copy is the top row on screen.
  m_View->m_yTranslation = 1.2f;
  EXPECT_TRUE(Frame()->DoCommand(platform::ID_EDIT_COPY));
  ASSERT_EQ(clipboard.m_Bitmaps.size(), 2u);
  const QImage high =
    platform::CQtClipboard::ImageFromDib(clipboard.m_Bitmaps[1]).convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(high, Grab());
}

TEST_F(CRenderViewTest, TheFontGlyphsAreListsFromBase1000)
{
  m_View->makeCurrent();
  EXPECT_TRUE(glIsList(CRenderView::kFontListBase));
  EXPECT_TRUE(glIsList(CRenderView::kFontListBase + 254));
  GLint base = 0;
  glGetIntegerv(GL_LIST_BASE, &base);
  EXPECT_EQ(base, 1000);

  const int w = m_View->width() * m_View->devicePixelRatio();
  const int h = m_View->height() * m_View->devicePixelRatio();
  glViewport(0, 0, w, h);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glDisable(GL_LIGHTING);
  glDisable(GL_TEXTURE_2D);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0, w, 0, h, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glColor3f(1, 1, 1);
  glRasterPos2i(10, 10);
  glCallLists(3, GL_UNSIGNED_BYTE, "W.W");
  GLint raster[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_CURRENT_RASTER_POSITION, raster);
  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glEnable(GL_LIGHTING);
  const QImage text = LastPainted();
  const QFontMetrics metrics(m_View->font());
  const int advance = 2 * metrics.horizontalAdvance(QChar('W')) + metrics.horizontalAdvance(QChar('.'));
  EXPECT_EQ(raster[0], 10 + advance);
  EXPECT_EQ(raster[1], 10);
  const int lit = CountColor(text, qRgb(255, 255, 255));
  EXPECT_GT(lit, 10);
  // Every lit pixel lies in the text's box above the baseline's descent.
  const QRect box(9, text.height() - 11 - metrics.ascent(), advance + 2,
                  metrics.height() + 2);
  int inside = 0;
  for (int y = box.top(); y <= box.bottom(); y++)
    for (int x = box.left(); x <= box.right(); x++)
      inside += (text.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF ? 1 : 0;
  EXPECT_EQ(inside, lit);
}
