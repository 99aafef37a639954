#include "tests/app/AppFixture.h"

#include "platform/core/Status.h"

#include <QLabel>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>

#include <filesystem>

namespace {

class CMainFrameTest : public CAppFixture
{
protected:
  void SetUp() override
  {
    CAppFixture::SetUp();
    std::filesystem::current_path(m_Folder);
  }
  // Resizes the main window and waits, for a few seconds at most, until the window system
  // has applied the size.
  bool ResizeFrame(int width, int height)
  {
    Frame()->resize(width, height);
    return QTest::qWaitFor([&] { return Frame()->size() == QSize(width, height); }, 10000);
  }

  CScopedFolder m_Scope{"orvane_frame"};
  const std::filesystem::path& m_Folder = m_Scope.Path();
};

} // namespace

TEST_F(CMainFrameTest, StatusMessagesGoToPaneZero)
{
  platform::StatusMessage("Decoding...%d vertices...", 1234);
  EXPECT_EQ(Frame()->GetMessageText(), QString("Decoding...1234 vertices..."));
  // Longer than the 256 characters of a fixed buffer: shown whole.
  const std::string longText(400, 'x');
  platform::StatusMessage("%s", longText.c_str());
  EXPECT_EQ(Frame()->GetMessageText().size(), 400);
}

TEST_F(CMainFrameTest, WithoutAMainWindowStatusMessagesGoNowhere)
{
  m_App.reset();
  platform::StatusMessage("nobody sees %d", 1); // must not reach a destroyed status bar
  SUCCEED();
}

TEST(StatusWithoutFrame, NoSinkMeansNoOutput)
{
  const platform::StatusSink previous = platform::SetStatusSink({});
  platform::StatusMessage("%s", "lost");
  platform::SetStatusSink(previous);
  SUCCEED();
}

TEST_F(CMainFrameTest, FullScreenRestoresTheBarsAsTheyWere)
{
  QToolBar* bar = Frame()->GetButtonBar();
  QStatusBar* status = Frame()->GetStatusBar();
  ASSERT_TRUE(Frame()->DoCommand(platform::ID_VIEW_TOOLBAR));
  ASSERT_TRUE(bar->isHidden());
  ASSERT_FALSE(status->isHidden());

  ASSERT_TRUE(Frame()->DoCommand(ID_VIEW_FULL_SCREEN));
  EXPECT_TRUE(Frame()->IsFullScreen());
  EXPECT_TRUE(status->isHidden());
  EXPECT_EQ(Frame()->QueryCommand(ID_VIEW_FULL_SCREEN).m_Checked, 1);

  ASSERT_TRUE(Frame()->DoCommand(ID_VIEW_FULL_SCREEN));
  EXPECT_FALSE(Frame()->IsFullScreen());
  EXPECT_TRUE(bar->isHidden());
  EXPECT_FALSE(status->isHidden());
  EXPECT_EQ(Frame()->QueryCommand(ID_VIEW_FULL_SCREEN).m_Checked, 0);
}

TEST_F(CMainFrameTest, AviInitCutsTheWidthToAMultipleOfFour)
{
  ASSERT_TRUE(ResizeFrame(803, 500));
  const int width = Frame()->frameGeometry().width();
  ASSERT_TRUE(Frame()->DoCommand(ID_AVI_INIT));
  EXPECT_EQ(Frame()->GetAviWriter().GetRect().width(), width - width % 4);
  EXPECT_EQ(Frame()->GetAviWriter().GetRect().width() % 4, 0);
  EXPECT_EQ(Frame()->GetAviWriter().GetNbFrames(), 1);
  ASSERT_TRUE(Frame()->DoCommand(ID_AVI_ADD_FRAME));
  EXPECT_EQ(Frame()->GetAviWriter().GetNbFrames(), 2);
  ASSERT_TRUE(Frame()->DoCommand(ID_AVI_WRITE));
  EXPECT_TRUE(m_Messages.empty());
  EXPECT_TRUE(std::filesystem::exists(m_Folder / "video.avi"));
  EXPECT_EQ(Frame()->GetAviWriter().GetNbFrames(), 0);
}

TEST_F(CMainFrameTest, Resize43KeepsTheWidth)
{
  ASSERT_TRUE(ResizeFrame(801, 500));
  ASSERT_TRUE(Frame()->DoCommand(ID_AVI_RESIZE_4_3));
  EXPECT_EQ(Frame()->width(), 801);
  EXPECT_EQ(Frame()->height(), 600);
}

TEST_F(CMainFrameTest, AviWriteBeforeInitDoesNothing)
{
  ASSERT_TRUE(Frame()->DoCommand(ID_AVI_ADD_FRAME));
  ASSERT_TRUE(Frame()->DoCommand(ID_AVI_WRITE));
  EXPECT_TRUE(m_Messages.empty());
  EXPECT_FALSE(std::filesystem::exists(m_Folder / "video.avi"));
}

TEST_F(CMainFrameTest, LockIndicatorsShowTheirTextOnlyWhileTheKeyIsLocked)
{
  QStatusBar* status = Frame()->GetStatusBar();
  const char* const names[3] = {"CAP", "NUM", "SCRL"};
  std::vector<int> widths;
  for (int i = 0; i < 3; i++) {
    QLabel* pane = Frame()->GetIndicatorPane(i);
    ASSERT_NE(pane, nullptr) << i;
    EXPECT_EQ(pane->parent(), status);
    EXPECT_EQ(pane->objectName(), QString(names[i]));
    widths.push_back(pane->minimumWidth());
  }
  EXPECT_EQ(Frame()->GetIndicatorPane(3), nullptr);
  // Every combination of the three keys, each pane on its own.
  for (int mask = 0; mask < 8; mask++) {
    SCOPED_TRACE(mask);
    Frame()->UpdateIndicators({(mask & 1) != 0, (mask & 2) != 0, (mask & 4) != 0});
    for (int i = 0; i < 3; i++) {
      const bool on = (mask >> i) & 1;
      QLabel* pane = Frame()->GetIndicatorPane(i);
      EXPECT_EQ(pane->text(), on ? QString(names[i]) : QString());
      EXPECT_EQ(pane->isEnabled(), on);
      // A blank pane keeps its place, so that the message pane does not jump.
      EXPECT_EQ(pane->minimumWidth(), widths[i]);
      EXPECT_GT(pane->minimumWidth(), 0);
    }
  }
}

// The virtual display starts with every lock off, and the frame shows what it reads.
TEST_F(CMainFrameTest, TheIndicatorsFollowTheDisplaysLockStates)
{
  const platform::SKeyLocks locks = platform::GetKeyLocks();
  EXPECT_EQ(locks, platform::SKeyLocks{});
  Frame()->UpdateIndicators({true, true, true});
  Frame()->UpdateIndicators(locks);
  for (int i = 0; i < 3; i++)
    EXPECT_TRUE(Frame()->GetIndicatorPane(i)->text().isEmpty()) << i;
}

// Letting go of a lock key reads the states again at once, without waiting for the refresh.
TEST_F(CMainFrameTest, ALockKeyLetGoRefreshesTheIndicators)
{
  for (const Qt::Key key : {Qt::Key_CapsLock, Qt::Key_NumLock, Qt::Key_ScrollLock}) {
    Frame()->UpdateIndicators({true, true, true});
    QTest::keyRelease(Frame(), key);
    for (int i = 0; i < 3; i++)
      EXPECT_TRUE(Frame()->GetIndicatorPane(i)->text().isEmpty()) << key << " " << i;
  }
  // Other keys leave the panes alone.
  Frame()->UpdateIndicators({true, false, false});
  QTest::keyRelease(Frame(), Qt::Key_A);
  EXPECT_EQ(Frame()->GetIndicatorPane(0)->text(), QString("CAP"));
}
