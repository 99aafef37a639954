#include "tests/app/AppFixture.h"

#include "platform/core/Status.h"

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
  Frame()->resize(803, 500);
  QTest::qWait(50);
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
  Frame()->resize(801, 500);
  QTest::qWait(50);
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
