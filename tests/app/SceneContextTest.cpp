#include "tests/app/RenderViewFixture.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>

namespace {

// A context of its own, sharing nothing with the views: names that the scene holds mean other
// objects there, or nothing.
class COtherContext
{
public:
  COtherContext()
  {
    m_Surface.create();
    m_Context.create();
  }
  bool MakeCurrent() { return m_Context.makeCurrent(&m_Surface); }
  // Objects under the given names, as if that context had made them.
  void Occupy(unsigned list, unsigned texture)
  {
    glNewList(list, GL_COMPILE);
    glEndList();
    glBindTexture(GL_TEXTURE_2D, texture);
    glBindTexture(GL_TEXTURE_2D, 0);
  }
  bool Holds(unsigned list, unsigned texture)
  {
    MakeCurrent();
    return glIsList(list) && glIsTexture(texture);
  }

private:
  QOffscreenSurface m_Surface;
  QOpenGLContext m_Context;
};

// A document with a textured box drawn once, so that the view's shared group holds the box's
// display list and the scene's texture; a second window keeps the group alive.
class CSceneContextTest : public CRenderViewFixture
{
protected:
  void SetUp() override
  {
    CRenderViewFixture::SetUp();
    if (HasFatalFailure())
      return;
    m_Frame = ActiveChild();
    CMesh3d* box = AddBox();
    box->SetUseDisplayList(1);
    const std::uint8_t pixels[12] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
    auto texture = std::make_unique<CTexture>();
    ASSERT_TRUE(texture->ReadBuffer(pixels, 2, 2, 24));
    m_Document->m_SceneGraph.AddTexture(texture.release());
    Grab();
    m_List = box->GetDisplayList();
    ASSERT_EQ(m_Document->m_SceneGraph.GetTextureNames().size(), 1u);
    m_Texture = m_Document->m_SceneGraph.GetTextureNames()[0];
    ASSERT_TRUE(InViews(m_View));

    ASSERT_NE(NewDocument(), nullptr);
    m_Other = ViewOf(ActiveChild());
    ASSERT_NE(m_Other, nullptr);
    Grab(m_Other);
    ASSERT_TRUE(InViews(m_Other)) << "the two windows share no objects";

    ASSERT_TRUE(m_Foreign.MakeCurrent());
    m_Foreign.Occupy(m_List, m_Texture);
  }

  bool InViews(CRenderView* view) const
  {
    view->makeCurrent();
    return glIsList(m_List) && glIsTexture(m_Texture);
  }

  bool GoneFromViews() const
  {
    m_Other->makeCurrent();
    return !glIsList(m_List) && !glIsTexture(m_Texture);
  }

  CChildFrame* m_Frame = nullptr;
  CRenderView* m_Other = nullptr;
  unsigned m_List = 0;
  unsigned m_Texture = 0;
  COtherContext m_Foreign;
};

} // namespace

TEST_F(CSceneContextTest, ClosingADocumentDeletesItsObjectsInTheViewsGroup)
{
  m_Frame->close();
  ASSERT_TRUE(m_Foreign.MakeCurrent());
  FlushDeletes();
  EXPECT_TRUE(GoneFromViews());
  EXPECT_TRUE(m_Foreign.Holds(m_List, m_Texture));
}

TEST_F(CSceneContextTest, EmptyingTheSceneDeletesInTheViewsGroupWhateverIsCurrent)
{
  m_Document->EmptyScene();
  EXPECT_EQ(m_Document->m_SceneGraph.NbObject(), 0);
  EXPECT_EQ(m_Document->m_SceneGraph.NbTexture(), 0);
  // The view's context stays current, as after any of its own steps.
  EXPECT_EQ(QOpenGLContext::currentContext(), m_View->context());
  EXPECT_TRUE(GoneFromViews());
  EXPECT_TRUE(m_Foreign.Holds(m_List, m_Texture));
  // The emptied document still draws.
  EXPECT_EQ(CountNotBlack(Grab()), 0);
}

// A document whose view never had a context, and a mesh whose list was made in a context gone
// since: the stale name must reach no context.
TEST(SceneWithoutContext, DeletingTheDocumentTouchesNoOtherContext)
{
  auto document = std::make_unique<CVanthDoc>();
  auto view = std::make_unique<CRenderView>(document.get());
  EXPECT_EQ(view->GetDocument(), document.get());
  auto mesh = fixtures::Icosphere(1);
  mesh->SetUseDisplayList(1);
  {
    COtherContext gone;
    ASSERT_TRUE(gone.MakeCurrent());
    mesh->Draw();
  }
  const unsigned list = mesh->GetDisplayList();
  ASSERT_NE(list, 0u);
  document->m_SceneGraph.Add(mesh.release());

  COtherContext foreign;
  ASSERT_TRUE(foreign.MakeCurrent());
  foreign.Occupy(list, 1);
  document.reset();
  EXPECT_EQ(view->GetDocument(), nullptr);
  EXPECT_TRUE(foreign.Holds(list, 1));
}
