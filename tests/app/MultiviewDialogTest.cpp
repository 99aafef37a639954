#include "tests/app/DialogAnswer.h"
#include "tests/app/RenderViewFixture.h"

#include "app/StaticGL.h"
#include "app/dialogs/DlgMultiview.h"

#include <QDialog>
#include <QOpenGLContext>

#include <vector>

namespace {

using CMultiviewTest = CRenderViewFixture;

struct SAzimuths
{
  float TopLeft, TopRight, BottomLeft, BottomRight;
};

SAzimuths Azimuths(const CDlgMultiview& dialog)
{
  return {dialog.GetView(1096)->m_yRotation, dialog.GetView(1098)->m_yRotation,
          dialog.GetView(1097)->m_yRotation, dialog.GetView(1099)->m_yRotation};
}

// Dragging 30 pixels to the right with both buttons turns every preview by 10 degrees, each
// keeping its quarter turn; 50 pixels up with one button moves them up or nearer by 1.
TEST_F(CMultiviewTest, DragsTurnAndMoveEveryPreview)
{
  AddBox();
  std::vector<SAzimuths> azimuths;
  float elevation = 1.0f, y = 0.0f, z = 0.0f;
  bool released = false;
  CDialogAnswer answer([&](platform::CDialog& shown) {
    auto& dialog = static_cast<CDlgMultiview&>(shown);
    azimuths.push_back(Azimuths(dialog));
    dialog.OnLButtonDown({100, 100});
    dialog.OnRButtonDown({100, 100});
    dialog.OnMouseMove({130, 100});
    azimuths.push_back(Azimuths(dialog));
    elevation = dialog.GetView(1099)->m_xRotation;
    dialog.OnButtonUp(); // one release ends the drag of both buttons
    dialog.OnMouseMove({200, 100});
    released = Azimuths(dialog).TopRight == azimuths.back().TopRight;
    dialog.OnLButtonDown({50, 150});
    dialog.OnMouseMove({50, 100});
    dialog.OnButtonUp();
    y = dialog.GetView(1096)->m_yTranslation;
    dialog.OnRButtonDown({50, 150});
    dialog.OnMouseMove({50, 100});
    dialog.OnButtonUp();
    z = dialog.GetView(1097)->m_zTranslation;
    return platform::IDCANCEL;
  });
  CDlgMultiview::Show(m_View);
  ASSERT_EQ(azimuths.size(), 2u);
  EXPECT_FLOAT_EQ(azimuths[0].TopRight, 0.0f);
  EXPECT_FLOAT_EQ(azimuths[0].TopLeft, 90.0f);
  EXPECT_FLOAT_EQ(azimuths[0].BottomLeft, 180.0f);
  EXPECT_FLOAT_EQ(azimuths[0].BottomRight, 270.0f);
  EXPECT_NEAR(azimuths[1].TopRight, 10.0f, 1e-5);
  EXPECT_NEAR(azimuths[1].TopLeft, 100.0f, 1e-5);
  EXPECT_NEAR(azimuths[1].BottomLeft, 190.0f, 1e-5);
  EXPECT_NEAR(azimuths[1].BottomRight, 280.0f, 1e-5);
  EXPECT_FLOAT_EQ(elevation, 0.0f);
  EXPECT_TRUE(released);
  EXPECT_NEAR(y, 1.0f, 1e-5);
  EXPECT_NEAR(z, -4.0f, 1e-5);
}

// A client area 401 pixels wide has halves of 200.
TEST_F(CMultiviewTest, ResizingLaysTheFourPreviewsOut)
{
  std::vector<QRect> places;
  CDialogAnswer answer([&](platform::CDialog& shown) {
    auto& dialog = static_cast<CDlgMultiview&>(shown);
    dialog.OnSize(401, 301);
    for (int id : {1096, 1098, 1097, 1099})
      places.push_back(dialog.GetView(id)->geometry());
    return platform::IDCANCEL;
  });
  CDlgMultiview::Show(m_View);
  ASSERT_EQ(places.size(), 4u);
  EXPECT_EQ(places[0], QRect(0, 0, 199, 149));
  EXPECT_EQ(places[1], QRect(200, 0, 201, 149));
  EXPECT_EQ(places[2], QRect(0, 151, 199, 150));
  EXPECT_EQ(places[3], QRect(201, 151, 200, 150));
}

// The previews share the views' display lists; once the dialog has closed, the render view's
// context is current and the view still draws the scene.
TEST_F(CMultiviewTest, PreviewsShareTheViewsObjectsAndTheViewDrawsOnAfterClosing)
{
  AddBox();
  m_View->m_xRotation = 30.0f;
  m_View->m_yRotation = 40.0f;
  const QImage before = Grab();
  const int drawn = CountNotBlack(before);
  ASSERT_GT(drawn, 0);
  bool sharing = false;
  int previewPixels = 0;
  CDialogAnswer answer([&](platform::CDialog& shown) {
    auto& dialog = static_cast<CDlgMultiview&>(shown);
    shown.GetWindow()->show();
    if (!QTest::qWaitForWindowExposed(shown.GetWindow()))
      return platform::IDCANCEL;
    CStaticGL* preview = dialog.GetView(1098);
    const QImage image = preview->grabFramebuffer();
    sharing = QOpenGLContext::areSharing(preview->context(), m_View->context());
    // The grey background with the box drawn over it.
    previewPixels = Count(image.convertToFormat(QImage::Format_RGB32),
                          [](QRgb p) { return (p & 0xFFFFFF) != 0xC0C0C0; });
    return platform::IDCANCEL;
  });
  CDlgMultiview::Show(m_View);
  EXPECT_TRUE(sharing);
  EXPECT_GT(previewPixels, 0);
  EXPECT_EQ(QOpenGLContext::currentContext(), m_View->context());
  m_View->RedrawNow();
  EXPECT_EQ(LastPainted(), before);
}

} // namespace
