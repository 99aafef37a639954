#include "tests/app/AppFixture.h"

#include "platform/core/Status.h"

#include <QAction>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTest>

namespace {

class CWindowList : public CAppFixture
{
protected:
  void SetUp() override
  {
    CAppFixture::SetUp();
    ASSERT_TRUE(m_Started);
    Frame()->resize(1000, 800);
    ASSERT_TRUE(QTest::qWaitFor([this] { return Frame()->size() == QSize(1000, 800); }, 10000));
  }

  // A new document titled as asked, in its own window.
  CVanthDoc* Open(const std::string& title)
  {
    CVanthDoc* document = NewDocument();
    if (document)
      document->SetTitle(title);
    return document;
  }

  // The window list as a person sees it: the Window menu about to open.
  std::vector<QAction*> ShowWindowMenu()
  {
    QMenu* menu = Frame()->GetWindowMenu();
    if (!menu)
      return {};
    emit menu->aboutToShow();
    return Frame()->GetWindowListActions();
  }

  static QStringList Texts(const std::vector<QAction*>& actions)
  {
    QStringList texts;
    for (const QAction* action : actions)
      texts << action->text();
    return texts;
  }

  static std::vector<bool> Checks(const std::vector<QAction*>& actions)
  {
    std::vector<bool> checks;
    for (const QAction* action : actions)
      checks.push_back(action->isCheckable() && action->isChecked());
    return checks;
  }
};

} // namespace

TEST_F(CWindowList, TheWindowMenuListsEveryWindowAndChecksTheActiveOne)
{
  ASSERT_NE(Frame()->GetWindowMenu(), nullptr);
  EXPECT_EQ(Frame()->GetWindowMenu()->title(), QString("Window"));
  EXPECT_TRUE(ShowWindowMenu().empty());

  ASSERT_NE(Open("first"), nullptr);
  ASSERT_NE(Open("second & more"), nullptr);
  ASSERT_NE(Open("third"), nullptr);
  std::vector<QAction*> lines = ShowWindowMenu();
  EXPECT_EQ(Texts(lines), QStringList({"&1 first", "&2 second && more", "&3 third"}));
  EXPECT_EQ(Checks(lines), std::vector<bool>({false, false, true}));
  // The lines come after the menu's own entries, behind a separator.
  const QList<QAction*> all = Frame()->GetWindowMenu()->actions();
  ASSERT_GE(all.size(), 4);
  EXPECT_TRUE(all[all.size() - 4]->isSeparator());
  EXPECT_EQ(all.back(), lines.back());

  // Opening the menu again rebuilds the list rather than adding to it.
  lines = ShowWindowMenu();
  EXPECT_EQ(lines.size(), 3u);
  EXPECT_EQ(Frame()->GetWindowMenu()->actions().size(), all.size());
}

TEST_F(CWindowList, ChoosingALineActivatesItsWindow)
{
  CVanthDoc* first = Open("first");
  ASSERT_NE(first, nullptr);
  ASSERT_NE(Open("second"), nullptr);
  EXPECT_NE(ActiveDocument(), first);
  std::vector<QAction*> lines = ShowWindowMenu();
  ASSERT_EQ(lines.size(), 2u);
  lines[0]->trigger();
  EXPECT_EQ(ActiveDocument(), first);
  EXPECT_EQ(Checks(ShowWindowMenu()), std::vector<bool>({true, false}));

  // A closed window leaves the list; the others are numbered again.
  ActiveChild()->close();
  FlushDeletes();
  lines = ShowWindowMenu();
  EXPECT_EQ(Texts(lines), QStringList({"&1 second"}));
  EXPECT_EQ(Checks(lines), std::vector<bool>({true}));
}

TEST_F(CWindowList, TwoWindowsOnOneDocumentAreListedWithTheirNumbers)
{
  ASSERT_NE(Open("mesh"), nullptr);
  ASSERT_TRUE(Frame()->DoCommand(platform::ID_WINDOW_NEW));
  EXPECT_EQ(Texts(ShowWindowMenu()), QStringList({"&1 mesh:1", "&2 mesh:2"}));
}

TEST_F(CWindowList, NewWindowsCascadeInsideTheClientArea)
{
  const QRect area = Frame()->GetMdiArea()->viewport()->rect();
  ASSERT_GT(area.width(), 400);
  std::vector<QRect> placed;
  for (int i = 0; i < 12; i++) {
    ASSERT_NE(Open("w" + std::to_string(i)), nullptr);
    placed.push_back(ActiveChild()->geometry());
  }
  int wraps = 0;
  for (size_t i = 0; i < placed.size(); i++) {
    SCOPED_TRACE(i);
    EXPECT_TRUE(area.contains(placed[i])) << placed[i].x() << "," << placed[i].y();
    EXPECT_EQ(placed[i].size(), placed[0].size());
    if (i == 0)
      continue;
    const QPoint step = placed[i].topLeft() - placed[i - 1].topLeft();
    if (placed[i].topLeft() == QPoint(0, 0)) {
      wraps++;
      continue;
    }
    // Each one further right and down by the same step, so that every title bar shows.
    EXPECT_GT(step.x(), 0);
    EXPECT_EQ(step.x(), step.y());
  }
  EXPECT_EQ(placed[0].topLeft(), QPoint(0, 0));
  EXPECT_GE(placed[0].width(), area.width() * 3 / 4 - 1);
  // Twelve windows a title bar apart do not fit in a quarter of the area: the cascade wrapped.
  EXPECT_GE(wraps, 1);
}

TEST_F(CWindowList, EachWindowShowsItsOwnDocumentsStatusMessage)
{
  CVanthDoc* first = Open("first");
  ASSERT_NE(first, nullptr);
  platform::StatusMessage("%s", "Loaded first");
  CVanthDoc* second = Open("second");
  ASSERT_NE(second, nullptr);
  // The new window has written nothing yet.
  EXPECT_EQ(Frame()->GetMessageText(), QString());
  platform::StatusMessage("Loop done");
  EXPECT_EQ(Frame()->GetMessageText(), QString("Loop done"));

  std::vector<QAction*> lines = ShowWindowMenu();
  ASSERT_EQ(lines.size(), 2u);
  lines[0]->trigger();
  ASSERT_EQ(ActiveDocument(), first);
  EXPECT_EQ(Frame()->GetMessageText(), QString("Loaded first"));
  ShowWindowMenu()[1]->trigger();
  ASSERT_EQ(ActiveDocument(), second);
  EXPECT_EQ(Frame()->GetMessageText(), QString("Loop done"));

  // Once the last window goes, no document's result stays in the pane.
  ActiveChild()->close();
  FlushDeletes();
  EXPECT_EQ(Frame()->GetMessageText(), QString("Loaded first"));
  ActiveChild()->close();
  FlushDeletes();
  EXPECT_EQ(ChildCount(), 0);
  EXPECT_EQ(Frame()->GetMessageText(), QString());
}
