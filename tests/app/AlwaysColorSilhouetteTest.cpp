#include "tests/app/RenderViewFixture.h"

#include "app/resources/Resource.h"
#include "mesh/Face3d.h"

namespace {

using CAlwaysColorSilhouetteTest = CRenderViewFixture;

// Faces whose flag is not the one the test left on every face.
int Reflagged(const CMesh3d& mesh, int mark)
{
  int n = 0;
  for (int i = 0; i < mesh.NbFace(); i++)
    n += mesh.GetFace(i)->GetFlag() != mark;
  return n;
}

} // namespace

TEST_F(CAlwaysColorSilhouetteTest, TheMenuEntryIsEnabledAndSetsTheFlag)
{
  EXPECT_TRUE(Frame()->QueryCommand(ID_COLOR_ALWAYS_SILHOUETTE).m_Enabled);
  EXPECT_EQ(m_View->m_AlwaysColorSilhouette, 0);
  ASSERT_TRUE(Frame()->DoCommand(ID_COLOR_ALWAYS_SILHOUETTE));
  EXPECT_EQ(m_View->m_AlwaysColorSilhouette, 1);
  // A second call leaves it set: there is no command that clears it.
  ASSERT_TRUE(Frame()->DoCommand(ID_COLOR_ALWAYS_SILHOUETTE));
  EXPECT_EQ(m_View->m_AlwaysColorSilhouette, 1);
}

TEST_F(CAlwaysColorSilhouetteTest, ALeftReleaseColoursTheSilhouetteOnlyWithTheFlag)
{
  CMesh3d* mesh = Add(fixtures::Icosphere(2));
  const int mark = 7;
  mesh->SetFacesFlag(mark);
  const QPoint point(m_View->width() / 2, m_View->height() / 2);

  Mouse(QEvent::MouseButtonPress, Qt::LeftButton, point, Qt::LeftButton);
  Mouse(QEvent::MouseButtonRelease, Qt::LeftButton, point, Qt::NoButton);
  EXPECT_EQ(Reflagged(*mesh, mark), 0) << "without the flag a release leaves the faces alone";

  ASSERT_TRUE(Frame()->DoCommand(ID_COLOR_ALWAYS_SILHOUETTE));
  EXPECT_EQ(Reflagged(*mesh, mark), 0) << "the command itself colours nothing";

  // A right release is no drag of the scene's position: still nothing.
  Mouse(QEvent::MouseButtonPress, Qt::RightButton, point, Qt::RightButton);
  Mouse(QEvent::MouseButtonRelease, Qt::RightButton, point, Qt::NoButton);
  EXPECT_EQ(Reflagged(*mesh, mark), 0);

  Mouse(QEvent::MouseButtonPress, Qt::LeftButton, point, Qt::LeftButton);
  Mouse(QEvent::MouseButtonRelease, Qt::LeftButton, point, Qt::NoButton);
  // Every face was reflagged: seen from (0, 0, 5), a ring of the sphere's faces around its
  // outline is silhouette (flag 1), the faces in the middle are not (flag 0); each face has
  // the flag palette's colour of its flag.
  EXPECT_EQ(Reflagged(*mesh, mark), mesh->NbFace());
  int silhouette = 0;
  for (int i = 0; i < mesh->NbFace(); i++) {
    const CFace3d* face = mesh->GetFace(i);
    silhouette += face->GetFlag() == 1;
    const CColor expected = face->GetFlag() == 1 ? CColor(255, 128, 84) : CColor(40, 128, 255);
    EXPECT_EQ(*face->GetColor(), expected) << "face " << i;
  }
  EXPECT_GT(silhouette, 0);
  EXPECT_LT(silhouette, mesh->NbFace());
}

TEST_F(CAlwaysColorSilhouetteTest, TheReleasePaintsAtOnce)
{
  AddBox();
  ASSERT_TRUE(Frame()->DoCommand(ID_COLOR_ALWAYS_SILHOUETTE));
  m_View->RedrawNow();
  const double centred = MeanColumn(LastPainted());
  ASSERT_GT(centred, 0.0);
  // The view moved without a paint; the release paints it before it returns.
  m_View->m_xTranslation = 1.0f;
  const QPoint point(10, 10);
  Mouse(QEvent::MouseButtonPress, Qt::LeftButton, point, Qt::LeftButton);
  Mouse(QEvent::MouseButtonRelease, Qt::LeftButton, point, Qt::NoButton);
  EXPECT_GT(MeanColumn(LastPainted()), centred + m_View->width() / 20.0);
}
