#include "tests/app/RenderViewFixture.h"

#include "app/objects/VertexSet3d.h"

#include <QTimer>

#include <cmath>

namespace {

using CRenderViewCommandsTest = CRenderViewFixture;

void ExpectRange(const CMesh3d& mesh, int axis, float lo, float hi)
{
  float min = 0.0f;
  float max = 0.0f;
  mesh.GetRange(axis, &min, &max);
  EXPECT_NEAR(min, lo, 1e-4) << "axis " << axis;
  EXPECT_NEAR(max, hi, 1e-4) << "axis " << axis;
}

} // namespace

TEST_F(CRenderViewCommandsTest, DemoNeedsAnObjectInTheScene)
{
  EXPECT_FALSE(Frame()->QueryCommand(ID_HELP_DEMO).m_Enabled);
  AddBox();
  EXPECT_TRUE(Frame()->QueryCommand(ID_HELP_DEMO).m_Enabled);
}

TEST_F(CRenderViewCommandsTest, DemoSubdividesObjectZeroAndShowsItFromItsOwnView)
{
  CMesh3d* sphere = Add(fixtures::Icosphere(1));
  const int nbFace = sphere->NbFace();
  const int nbEdge = fixtures::NbEdge(*sphere);
  ASSERT_TRUE(Frame()->DoCommand(ID_HELP_DEMO));

  // One Loop step: four faces for one, a vertex more on every edge, still closed.
  EXPECT_EQ(sphere->NbFace(), 4 * nbFace);
  EXPECT_EQ(sphere->NbVertex(), nbEdge + nbFace / 2 + 2);
  EXPECT_TRUE(fixtures::IsClosed(*sphere));
  for (int axis = 0; axis < 3; axis++)
    ExpectRange(*sphere, axis, 0.0f, 20.0f);

  EXPECT_FLOAT_EQ(m_View->m_xScaling, 0.78f);
  EXPECT_FLOAT_EQ(m_View->m_yScaling, 1.0f);
  EXPECT_FLOAT_EQ(m_View->m_zScaling, 0.52f);
  EXPECT_FLOAT_EQ(m_View->m_xTranslation, -7.82f);
  EXPECT_FLOAT_EQ(m_View->m_yTranslation, -8.62f);
  EXPECT_FLOAT_EQ(m_View->m_zTranslation, -29.5f);
  EXPECT_FLOAT_EQ(m_View->m_xRotation, 8.33f);
  EXPECT_FLOAT_EQ(m_View->m_yRotation, 19.0f);
  EXPECT_FLOAT_EQ(m_View->m_zRotation, 0.0f);

  // The demo's view brings the stretched mesh, twenty units wide, back into the window.
  const QImage image = Grab();
  EXPECT_NE(Centre(image) & 0xFFFFFF, 0u);
  EXPECT_GT(CountNotBlack(image), image.width() * image.height() / 4);
}

TEST_F(CRenderViewCommandsTest, DemoLeavesAnObjectThatIsNoTriangleMeshAlone)
{
  m_Document->m_SceneGraph.Add(new CVertexSet3d);
  m_View->m_xTranslation = 0.5f;
  ASSERT_TRUE(Frame()->DoCommand(ID_HELP_DEMO));
  EXPECT_FLOAT_EQ(m_View->m_xTranslation, 0.5f);
  EXPECT_FLOAT_EQ(m_View->m_zTranslation, -5.0f);
}

TEST_F(CRenderViewCommandsTest, MultiRefinementSpinsTheSceneTwoDegreesATick)
{
  m_View->m_yRotation = 0.0f;
  ASSERT_TRUE(Frame()->DoCommand(ID_ADVANCED_MULTI_REFINEMENT));
  EXPECT_TRUE(m_View->IsTimerActive(1));
  EXPECT_TRUE(m_View->IsTimerActive(2));
  EXPECT_FLOAT_EQ(m_View->m_ySpin, 2.0f);
  m_View->KillTimer(1);
  m_View->KillTimer(2);
  // Each tick of timer 1 turns the scene by the spin.
  m_View->OnTimer(1);
  m_View->OnTimer(1);
  EXPECT_FLOAT_EQ(m_View->m_yRotation, 4.0f);
  EXPECT_FLOAT_EQ(m_View->m_xRotation, 0.0f);
}

// --- faces out of the viewport ---------------------------------------------------------------

namespace {

// One triangle in a mesh of its own; the identity matrices put window x at 50 + 50 x over a
// 100 by 100 viewport.
std::unique_ptr<CMesh3d> Triangle(const fixtures::Points& points)
{
  return fixtures::Build(points, {{0, 1, 2}}, false);
}

int FlagThroughIdentity(const fixtures::Points& points)
{
  const double identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  const int viewport[4] = {0, 0, 100, 100};
  auto mesh = Triangle(points);
  mesh->GetFace(0)->SetFlag(7);
  mesh->FlagFacesOutOfViewport(identity, identity, viewport, 3);
  return mesh->GetFace(0)->GetFlag();
}

} // namespace

TEST(FlagFacesOutOfViewport, OnlyFacesWithEveryCornerOutsideAreFlagged)
{
  // Wholly inside, one corner inside, and corners on the right and top bounds.
  EXPECT_EQ(FlagThroughIdentity({{0, 0, 0}, {0.5f, 0, 0}, {0, 0.5f, 0}}), 7);
  EXPECT_EQ(FlagThroughIdentity({{0.9f, 0.9f, 0}, {1.5f, 0, 0}, {0, 1.5f, 0}}), 7);
  EXPECT_EQ(FlagThroughIdentity({{1.0f, 1.0f, 0}, {1.5f, 1.5f, 0}, {2, 1.2f, 0}}), 7);
  // Wholly to the right, and wholly below.
  EXPECT_EQ(FlagThroughIdentity({{1.1f, 0, 0}, {1.5f, 0, 0}, {1.2f, 0.5f, 0}}), 3);
  EXPECT_EQ(FlagThroughIdentity({{0, -1.1f, 0}, {0.5f, -1.5f, 0}, {-0.5f, -1.2f, 0}}), 3);
  // A big face across the whole viewport has all its corners outside: it is flagged too.
  EXPECT_EQ(FlagThroughIdentity({{-3, -3, 0}, {3, -3, 0}, {0, 3, 0}}), 3);
}

TEST_F(CRenderViewCommandsTest, FacesOutOfTheViewFollowTheViewTransform)
{
  CMesh3d* sphere = Add(fixtures::Icosphere(2));
  sphere->SetFacesFlag(7);
  m_View->FlagFacesOutOfViewport(3, 0);
  EXPECT_EQ(sphere->CountFacesWithFlag(3), 0);

  // Panned far to the right, nothing stays in view.
  m_View->m_xTranslation = 100.0f;
  m_View->FlagFacesOutOfViewport(3, 0);
  EXPECT_EQ(sphere->CountFacesWithFlag(3), sphere->NbFace());

  // Across the right edge: each face is flagged exactly when its three corners project right
  // of the window, by the perspective of the view worked out here.
  sphere->SetFacesFlag(7);
  const double w = m_View->width();
  const double h = m_View->height();
  const double focal = 1.0 / std::tan(22.5 * M_PI / 180.0);
  const float tx = static_cast<float>(5.0 * (w / h) / focal);
  m_View->m_xTranslation = tx;
  m_View->FlagFacesOutOfViewport(3, 0);
  auto windowX = [&](const CVertex3d* v) {
    return w / 2.0 * (1.0 + focal * (h / w) * (v->x() + tx) / (5.0 - v->z()));
  };
  int flagged = 0;
  for (int i = 0; i < sphere->NbFace(); i++) {
    const CFace3d* f = sphere->GetFace(i);
    const bool outside = windowX(f->v(0)) > w && windowX(f->v(1)) > w && windowX(f->v(2)) > w;
    EXPECT_EQ(f->GetFlag(), outside ? 3 : 7) << "face " << i;
    flagged += outside ? 1 : 0;
  }
  EXPECT_GT(flagged, 0);
  EXPECT_LT(flagged, sphere->NbFace());
}

TEST_F(CRenderViewCommandsTest, FlaggingOutOfTheViewNeedsATriangleMeshAtTheIndex)
{
  m_Document->m_SceneGraph.Add(new CVertexSet3d);
  CMesh3d* box = AddBox();
  box->SetFacesFlag(7);
  m_View->m_xTranslation = 100.0f;
  m_View->FlagFacesOutOfViewport(3, 0);
  m_View->FlagFacesOutOfViewport(3, 2);
  m_View->FlagFacesOutOfViewport(3, -1);
  EXPECT_EQ(box->CountFacesWithFlag(7), box->NbFace());
  m_View->FlagFacesOutOfViewport(3, 1);
  EXPECT_EQ(box->CountFacesWithFlag(3), box->NbFace());
}
