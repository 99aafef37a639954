#include "tests/app/RenderViewFixture.h"

#include "scene/SceneGraph3d.h"

#include <QTest>

#include <cstdlib>

namespace {

// A file opened through File > Open is drawn in its window and follows the mouse.
class COpenAndShowTest : public CRenderViewFixture
{
protected:
  static int CountDiffering(const QImage& image, QRgb background)
  {
    return Count(image, [&](QRgb p) { return (p & 0xFFFFFF) != (background & 0xFFFFFF); });
  }

  CScopedFolder m_Scope{"orvane_show"};
};

} // namespace

TEST_F(COpenAndShowTest, AnOpenedVrmlMeshIsDrawnAndTheMouseTurnsIt)
{
  const std::string path = (m_Scope.Path() / "box.wrl").string();
  {
    CSceneGraph3d scene;
    auto* pMesh = new CMesh3d;
    pMesh->GenerateBox(1.0f, 1.0f, 1.0f);
    scene.Add(pMesh);
    ASSERT_EQ(scene.SaveFileVrml(path.c_str()), 1);
  }
  ASSERT_NE(m_App->OpenDocumentFile(path), nullptr);
  CRenderView* view = ViewOf(ActiveChild());
  ASSERT_NE(view, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(view));

  const QImage before = Grab(view);
  const QRgb background = before.pixel(0, 0);
  const int covered = CountDiffering(before, background);
  EXPECT_GT(covered, before.width() * before.height() / 100) << "the mesh covers too little";
  EXPECT_LT(covered, before.width() * before.height()) << "nothing is background";
  if (const char* out = std::getenv("ORVANE_SHOT"))
    before.save(out);

  m_View = view;
  const QPoint centre(view->width() / 2, view->height() / 2);
  Mouse(QEvent::MouseButtonPress, Qt::LeftButton, centre, Qt::LeftButton);
  Mouse(QEvent::MouseMove, Qt::NoButton, centre + QPoint(40, 25), Qt::LeftButton);
  Mouse(QEvent::MouseButtonRelease, Qt::LeftButton, centre + QPoint(40, 25), Qt::NoButton);
  const QImage after = Grab(view);
  EXPECT_NE(after, before) << "a drag must turn the scene";
}
