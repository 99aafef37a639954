#include "tests/app/AppFixture.h"

#include "app/RenderView.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>

namespace {

// Ids no resource uses, so that each test decides who handles them.
enum : unsigned { ID_TEST_A = 40001, ID_TEST_B, ID_TEST_C, ID_TEST_D, ID_TEST_E };

class CRouting : public CAppFixture
{
protected:
  CRenderView* RenderView() const
  {
    return dynamic_cast<CRenderView*>(CVanthDoc::GetRenderView());
  }
  // Registers a handler that records who ran.
  void Handle(platform::CCmdTarget* target, unsigned id, const std::string& name)
  {
    target->GetCommandMap().On(id, [this, name] { m_Ran.push_back(name); });
  }
  std::vector<std::string> m_Ran;
};

QMenu* FindMenu(const std::vector<QMenu*>& menus, const QString& title)
{
  for (QMenu* menu : menus)
    if (menu->title() == title)
      return menu;
  return nullptr;
}

} // namespace

TEST_F(CRouting, CommandsGoToViewDocumentChildFrameMainFrameThenApplication)
{
  ASSERT_NE(NewDocument(), nullptr);
  ASSERT_NE(RenderView(), nullptr);
  platform::CCmdTarget* targets[] = {RenderView(), ActiveDocument(), ActiveChild(), Frame(), m_App.get()};
  const char* names[] = {"view", "document", "child", "main", "app"};
  // Command A is handled by all five, B by the last four, and so on.
  for (unsigned id = ID_TEST_A; id <= ID_TEST_E; id++)
    for (unsigned t = id - ID_TEST_A; t < 5; t++)
      Handle(targets[t], id, names[t]);
  for (unsigned id = ID_TEST_A; id <= ID_TEST_E; id++)
    EXPECT_TRUE(Frame()->DoCommand(id));
  EXPECT_EQ(m_Ran, (std::vector<std::string>{"view", "document", "child", "main", "app"}));
}

TEST_F(CRouting, WithoutAChildFrameTheMainFrameAndApplicationStillAnswer)
{
  Handle(Frame(), ID_TEST_A, "main");
  Handle(m_App.get(), ID_TEST_B, "app");
  EXPECT_TRUE(Frame()->DoCommand(ID_TEST_A));
  EXPECT_TRUE(Frame()->DoCommand(ID_TEST_B));
  EXPECT_EQ(m_Ran, (std::vector<std::string>{"main", "app"}));
}

TEST_F(CRouting, ACommandWithoutHandlerIsGreyedAndDoesNothing)
{
  const platform::CCmdUI ui = Frame()->QueryCommand(ID_SUBDIVISION_LOOP);
  EXPECT_FALSE(ui.m_Handled);
  EXPECT_FALSE(ui.m_Enabled);
  EXPECT_FALSE(Frame()->DoCommand(ID_SUBDIVISION_LOOP));
  EXPECT_TRUE(Frame()->QueryCommand(platform::ID_FILE_NEW).m_Enabled);
}

TEST_F(CRouting, TheUpdateHandlerRunsFirstAndCanRefuseTheCommand)
{
  bool enabled = false;
  std::vector<std::string> order;
  m_App->GetCommandMap().On(
    ID_TEST_A, [&] { order.push_back("command"); },
    [&](platform::CCmdUI& ui) {
      order.push_back("update");
      ui.Enable(enabled);
    });
  EXPECT_FALSE(Frame()->DoCommand(ID_TEST_A));
  EXPECT_EQ(order, (std::vector<std::string>{"update"}));
  enabled = true;
  order.clear();
  EXPECT_TRUE(Frame()->DoCommand(ID_TEST_A));
  EXPECT_EQ(order, (std::vector<std::string>{"update", "command"}));
}

TEST_F(CRouting, OpeningAMenuGreysAndChecksItsActions)
{
  ASSERT_NE(NewDocument(), nullptr);
  QMenu* view = FindMenu(Frame()->GetMenus(true), "View");
  QMenu* algorithms = FindMenu(Frame()->GetMenus(true), "Algorithms");
  ASSERT_NE(view, nullptr);
  ASSERT_NE(algorithms, nullptr);
  QAction* fullScreen = Frame()->FindCommandAction(ID_VIEW_FULL_SCREEN);
  QAction* toolbar = Frame()->FindCommandAction(platform::ID_VIEW_TOOLBAR);
  QAction* check = Frame()->FindCommandAction(ID_ALGORITHMS_CHECK);
  ASSERT_TRUE(fullScreen && toolbar && check);
  emit view->aboutToShow();
  emit algorithms->aboutToShow();
  EXPECT_TRUE(fullScreen->isEnabled());
  EXPECT_FALSE(fullScreen->isChecked());
  EXPECT_TRUE(toolbar->isChecked());
  EXPECT_FALSE(check->isEnabled());
  // The document handles the command: its update handler is the one asked.
  CVanthDoc* pDoc = ActiveDocument();
  ASSERT_NE(pDoc, nullptr);
  pDoc->GetCommandMap().OnUpdate(ID_ALGORITHMS_CHECK, [](platform::CCmdUI& ui) { ui.SetCheck(1); });
  pDoc->GetCommandMap().On(ID_ALGORITHMS_CHECK, [] {});
  emit algorithms->aboutToShow();
  EXPECT_TRUE(check->isEnabled());
  EXPECT_TRUE(check->isChecked());
}

TEST_F(CRouting, TheButtonBarRefreshRunsTheUpdateHandlers)
{
  QAction* save = Frame()->FindCommandAction(platform::ID_FILE_SAVE);
  ASSERT_NE(save, nullptr);
  Frame()->UpdateButtonBar();
  EXPECT_FALSE(save->isEnabled()); // no document to save
  ASSERT_NE(NewDocument(), nullptr);
  Frame()->UpdateButtonBar();
  EXPECT_TRUE(save->isEnabled());
}

TEST_F(CRouting, TheDocumentMenuShowsWhileADocumentIsOpen)
{
  CVanthDoc* document = NewDocument();
  ASSERT_NE(document, nullptr);
  EXPECT_TRUE(Frame()->IsDocumentMenuShown());
  EXPECT_EQ(Frame()->windowTitle(), QString("Orvane - Untitled"));
  EXPECT_TRUE(Frame()->DoCommand(platform::ID_FILE_CLOSE));
  FlushDeletes();
  EXPECT_EQ(m_App->GetOpenDocumentCount(), 0);
  EXPECT_FALSE(Frame()->IsDocumentMenuShown());
  EXPECT_EQ(Frame()->windowTitle(), QString("Orvane"));
}

TEST_F(CRouting, TheChildFrameSplitsFormLeftAndRenderViewRight)
{
  ASSERT_NE(NewDocument(), nullptr);
  CChildFrame* child = ActiveChild();
  ASSERT_NE(child, nullptr);
  QSplitter* splitter = child->GetSplitter();
  ASSERT_NE(splitter, nullptr);
  EXPECT_EQ(splitter->orientation(), Qt::Horizontal);
  ASSERT_EQ(splitter->count(), 2);
  EXPECT_EQ(splitter->widget(0), CVanthDoc::GetCommandView());
  EXPECT_EQ(splitter->widget(1), CVanthDoc::GetRenderView());
  EXPECT_EQ(splitter->widget(0)->objectName(), QString("CommandView"));
  EXPECT_EQ(splitter->widget(1)->objectName(), QString("RenderView"));
  // The bar between them moves.
  splitter->setSizes({100, 300});
  EXPECT_EQ(splitter->sizes().front(), 100);
}

TEST_F(CRouting, NewWindowAddsAFrameOnTheSameDocument)
{
  CVanthDoc* document = NewDocument();
  ASSERT_NE(document, nullptr);
  CChildFrame* first = ActiveChild();
  ASSERT_TRUE(Frame()->DoCommand(platform::ID_WINDOW_NEW));
  ASSERT_EQ(ChildCount(), 2);
  CChildFrame* second = ActiveChild();
  ASSERT_NE(second, first);
  EXPECT_EQ(second->GetActiveDocument(), document);
  EXPECT_NE(second->GetPane(0, 1), first->GetPane(0, 1));
  EXPECT_EQ(first->windowTitle(), QString("Untitled:1"));
  EXPECT_EQ(second->windowTitle(), QString("Untitled:2"));
  EXPECT_EQ(m_App->GetOpenDocumentCount(), 1);

  second->close();
  FlushDeletes();
  EXPECT_EQ(m_App->GetOpenDocumentCount(), 1);
  EXPECT_EQ(first->windowTitle(), QString("Untitled"));
  first->close();
  FlushDeletes();
  EXPECT_EQ(m_App->GetOpenDocumentCount(), 0);
  EXPECT_EQ(CVanthDoc::GetRenderView(), nullptr);
  EXPECT_EQ(CVanthDoc::GetCommandView(), nullptr);
}

TEST_F(CRouting, TilingPlacesTheWindowsSideBySideOrStacked)
{
  ASSERT_NE(NewDocument(), nullptr);
  ASSERT_TRUE(Frame()->DoCommand(platform::ID_WINDOW_NEW));
  const auto windows = Frame()->GetMdiArea()->subWindowList();
  ASSERT_EQ(windows.size(), 2);
  ASSERT_TRUE(Frame()->DoCommand(platform::ID_WINDOW_TILE_VERT));
  EXPECT_EQ(windows[0]->y(), windows[1]->y());
  EXPECT_NE(windows[0]->x(), windows[1]->x());
  ASSERT_TRUE(Frame()->DoCommand(platform::ID_WINDOW_TILE_HORZ));
  EXPECT_EQ(windows[0]->x(), windows[1]->x());
  EXPECT_NE(windows[0]->y(), windows[1]->y());
}
