#include "tests/app/AppFixture.h"

#include "platform/ui/RecentFileList.h"

#include <QAction>
#include <QMenu>
#include <QTemporaryDir>

TEST(RecentFileList, KeepsTheTenNewestWithoutDuplicates)
{
  platform::CRecentFileList list(10);
  for (int i = 0; i < 12; i++)
    list.Add("/data/mesh" + std::to_string(i) + ".wrl");
  ASSERT_EQ(list.GetSize(), 10);
  EXPECT_EQ(list.GetAt(0), "/data/mesh11.wrl");
  EXPECT_EQ(list.GetAt(9), "/data/mesh2.wrl");
  list.Add("/data/mesh5.wrl");
  EXPECT_EQ(list.GetSize(), 10);
  EXPECT_EQ(list.GetAt(0), "/data/mesh5.wrl");
  EXPECT_EQ(list.GetAt(1), "/data/mesh11.wrl");
  list.Add("");
  EXPECT_EQ(list.GetAt(0), "/data/mesh5.wrl");
  list.Remove(0);
  list.Remove(42);
  EXPECT_EQ(list.GetSize(), 9);
  EXPECT_EQ(list.GetAt(0), "/data/mesh11.wrl");
}

TEST(RecentFileList, SurvivesInTheSettings)
{
  QTemporaryDir folder;
  const QString file = folder.filePath("settings.ini");
  platform::CRecentFileList list(10);
  list.Add("/a/first.wrl");
  list.Add("/b/second & third.wrl");
  {
    QSettings settings(file, QSettings::IniFormat);
    list.WriteList(settings);
  }
  QSettings settings(file, QSettings::IniFormat);
  EXPECT_EQ(settings.value("Recent File List/File1").toString(), QString("/b/second & third.wrl"));
  platform::CRecentFileList back(10);
  back.ReadList(settings);
  ASSERT_EQ(back.GetSize(), 2);
  EXPECT_EQ(back.GetAt(0), "/b/second & third.wrl");
  EXPECT_EQ(back.GetAt(1), "/a/first.wrl");
}

namespace {
class CRecentFiles : public CAppFixture
{
};
} // namespace

TEST_F(CRecentFiles, TheFileMenuListsTheRecentFiles)
{
  CMainFrame* frame = Frame();
  QAction* first = frame->FindCommandAction(platform::ID_FILE_MRU_FILE1);
  QAction* second = frame->FindCommandAction(platform::ID_FILE_MRU_FILE1 + 1);
  ASSERT_TRUE(first && second);
  frame->UpdateRecentFileActions();
  EXPECT_EQ(first->text(), QString("Recent File"));
  EXPECT_FALSE(first->isEnabled());
  EXPECT_FALSE(second->isVisible());

  m_App->AddToRecentFileList("/data/a.wrl");
  m_App->AddToRecentFileList("/data/b&c.wrl");
  frame->UpdateRecentFileActions();
  EXPECT_EQ(first->text(), QString("&1 /data/b&&c.wrl"));
  EXPECT_TRUE(first->isEnabled());
  EXPECT_EQ(second->text(), QString("&2 /data/a.wrl"));
  EXPECT_TRUE(Frame()->QueryCommand(platform::ID_FILE_MRU_FILE1 + 1).m_Enabled);
  EXPECT_FALSE(Frame()->QueryCommand(platform::ID_FILE_MRU_FILE1 + 2).m_Enabled);
}

TEST_F(CRecentFiles, AFileThatNoLongerOpensLeavesTheList)
{
  m_App->AddToRecentFileList("/nowhere/gone.wrl");
  ASSERT_EQ(m_App->GetRecentFileList()->GetSize(), 1);
  EXPECT_TRUE(Frame()->DoCommand(platform::ID_FILE_MRU_FILE1));
  EXPECT_EQ(m_App->GetRecentFileList()->GetSize(), 0);
  EXPECT_EQ(ChildCount(), 0);
}

TEST_F(CRecentFiles, TheListIsSavedUnderTheOrvaneKey)
{
  m_App->AddToRecentFileList("/data/kept.wrl");
  m_App->SaveStdProfileSettings();
  QSettings settings("Orvane", "Vanth");
  EXPECT_EQ(settings.value("Recent File List/File1").toString(), QString("/data/kept.wrl"));
}

TEST_F(CRecentFiles, FileOpenOffersOnlyTheAllFilesFilter)
{
  m_FileAnswer = std::nullopt;
  EXPECT_TRUE(Frame()->DoCommand(platform::ID_FILE_OPEN));
  ASSERT_EQ(m_Requests.size(), 1u);
  EXPECT_TRUE(m_Requests[0].Open);
  EXPECT_TRUE(m_Requests[0].Filter.empty());
  EXPECT_EQ(ChildCount(), 0);
}
