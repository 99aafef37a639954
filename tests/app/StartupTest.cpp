#include "tests/app/AppFixture.h"

#include "platform/ui/CommandLineInfo.h"
#include "platform/ui/DocTemplate.h"

#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>

#include <filesystem>
#include <fstream>

namespace {

std::vector<QString> VisibleMenuTitles(CMainFrame* frame)
{
  std::vector<QString> titles;
  for (QAction* action : frame->menuBar()->actions())
    if (action->isVisible())
      titles.push_back(action->text());
  return titles;
}

class CStartup : public CAppFixture
{
};

class CStartupWithFileName : public CAppFixture
{
protected:
  void SetUp() override
  {
    std::ofstream(m_Scope.Path() / "mesh.wrl") << "#VRML V2.0 utf8\n";
    CAppFixture::SetUp();
  }
  std::vector<std::string> Arguments() const override { return {(m_Scope.Path() / "mesh.wrl").string()}; }

  CScopedFolder m_Scope{"orvane_startup"};
};

class CStartupUnregister : public CAppFixture
{
protected:
  std::vector<std::string> Arguments() const override { return {"/Unregister"}; }
};

} // namespace

TEST_F(CStartup, ShowsTheMainWindowWithTheMainMenuAndNoDocument)
{
  ASSERT_TRUE(m_Started);
  CMainFrame* frame = Frame();
  ASSERT_NE(frame, nullptr);
  EXPECT_TRUE(frame->isVisible());
  EXPECT_EQ(frame->windowTitle(), QString("Orvane"));
  EXPECT_EQ(m_App->GetOpenDocumentCount(), 0);
  EXPECT_EQ(ChildCount(), 0);
  EXPECT_FALSE(frame->IsDocumentMenuShown());
  EXPECT_EQ(VisibleMenuTitles(frame), (std::vector<QString>{"File", "View", "Help"}));
  EXPECT_TRUE(frame->acceptDrops());
}

TEST_F(CStartup, SetsUpSettingsTemplateAndBars)
{
  ASSERT_TRUE(m_Started);
  EXPECT_EQ(m_App->GetRegistryKey(), "Orvane");
  EXPECT_EQ(m_App->GetAppName(), "Vanth");
  ASSERT_NE(m_App->GetRecentFileList(), nullptr);
  EXPECT_EQ(m_App->GetRecentFileList()->GetMaxSize(), 10);
  ASSERT_EQ(m_App->GetDocTemplateCount(), 1);
  EXPECT_EQ(m_App->GetDocTemplate(0)->GetResourceId(), 129u);
  ASSERT_NE(Frame()->GetButtonBar(), nullptr);
  EXPECT_EQ(Frame()->GetButtonBar()->windowTitle(), QString("Standard"));
  ASSERT_NE(Frame()->GetStatusBar(), nullptr);
  EXPECT_EQ(Frame()->GetStatusBar()->objectName(), QString("59393"));
}

TEST_F(CStartupWithFileName, AFileNameOnTheCommandLineOpensNothing)
{
  ASSERT_TRUE(m_Started);
  EXPECT_EQ(m_App->GetOpenDocumentCount(), 0);
  EXPECT_EQ(ChildCount(), 0);
  EXPECT_EQ(VisibleMenuTitles(Frame()), (std::vector<QString>{"File", "View", "Help"}));
}

TEST_F(CStartupUnregister, TheUnregisterSwitchEndsStartUp)
{
  EXPECT_FALSE(m_Started);
}

TEST(CommandLine, ABareFileNameOpensOnlyWhenTheCommandWasNew)
{
  platform::CCommandLineInfo preset;
  preset.m_nShellCommand = platform::CCommandLineInfo::FileNothing;
  preset.ParseCommandLine({"mesh.wrl"});
  EXPECT_EQ(preset.m_nShellCommand, platform::CCommandLineInfo::FileNothing);
  EXPECT_EQ(preset.m_strFileName, "mesh.wrl");

  platform::CCommandLineInfo standard;
  standard.ParseCommandLine({"mesh.wrl"});
  EXPECT_EQ(standard.m_nShellCommand, platform::CCommandLineInfo::FileOpen);
}

TEST(CommandLine, AnAbsolutePathIsAFileNameNotASwitch)
{
  platform::CCommandLineInfo print;
  print.m_nShellCommand = platform::CCommandLineInfo::FileNothing;
  print.ParseCommandLine({"/p", "/home/me/mesh.obj"});
  EXPECT_EQ(print.m_nShellCommand, platform::CCommandLineInfo::FilePrint);
  EXPECT_EQ(print.m_strFileName, "/home/me/mesh.obj");

  platform::CCommandLineInfo printTo;
  printTo.ParseCommandLine({"/pt", "/m.obj", "printer"});
  EXPECT_EQ(printTo.m_nShellCommand, platform::CCommandLineInfo::FilePrintTo);
  EXPECT_EQ(printTo.m_strFileName, "/m.obj");
  EXPECT_EQ(printTo.m_strPrinterName, "printer");

  platform::CCommandLineInfo dde;
  dde.ParseCommandLine({"/DDE"});
  EXPECT_EQ(dde.m_nShellCommand, platform::CCommandLineInfo::FileDDE);
  EXPECT_TRUE(dde.m_strFileName.empty());
}

TEST(CommandLine, PrintSwitchesTakeTheirArguments)
{
  platform::CCommandLineInfo print;
  print.m_nShellCommand = platform::CCommandLineInfo::FileNothing;
  print.ParseCommandLine({"-p", "mesh.wrl"});
  EXPECT_EQ(print.m_nShellCommand, platform::CCommandLineInfo::FilePrint);
  EXPECT_EQ(print.m_strFileName, "mesh.wrl");

  platform::CCommandLineInfo printTo;
  printTo.ParseCommandLine({"/PT", "mesh.wrl", "printer", "driver", "port"});
  EXPECT_EQ(printTo.m_nShellCommand, platform::CCommandLineInfo::FilePrintTo);
  EXPECT_EQ(printTo.m_strPrinterName, "printer");
  EXPECT_EQ(printTo.m_strDriverName, "driver");
  EXPECT_EQ(printTo.m_strPortName, "port");

  platform::CCommandLineInfo dde;
  dde.ParseCommandLine({"/dde"});
  EXPECT_EQ(dde.m_nShellCommand, platform::CCommandLineInfo::FileDDE);
}
