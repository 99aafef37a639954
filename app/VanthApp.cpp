#include "app/VanthApp.h"

#include "app/AboutDlg.h"
#include "app/ChildFrame.h"
#include "app/MainFrame.h"
#include "app/resources/Resource.h"
#include "app/resources/Strings.h"
#include "document/VanthDoc.h"
#include "platform/core/MessageBox.h"
#include "platform/ui/DocTemplate.h"
#include "platform/ui/MessageBoxes.h"

#include <QApplication>
#include <QIcon>

namespace {
const int kRecentFiles = 10;
}

CVanthApp::CVanthApp(std::vector<std::string> arguments)
  : platform::CWinApp(LoadString(IDS_APP_TITLE)), m_Arguments(std::move(arguments))
{
  m_CommandMap.On(platform::ID_APP_ABOUT, [this] { OnAppAbout(); });
}

CVanthApp::~CVanthApp()
{
  if (!m_SinksInstalled)
    return;
  platform::SetMessageSink({});
  if (platform::GetClipboard() == &m_Clipboard)
    platform::SetClipboard(nullptr);
}

CVanthApp* CVanthApp::GetApp()
{
  return dynamic_cast<CVanthApp*>(platform::CWinApp::GetApp());
}

CMainFrame* CVanthApp::GetMainFrame() const
{
  return static_cast<CMainFrame*>(GetMainWnd());
}

bool CVanthApp::InitInstance()
{
  // Message boxes and the clipboard of core code reach the desktop from here on.
  platform::InstallMessageBoxes(GetAppName());
  platform::SetClipboard(&m_Clipboard);
  m_SinksInstalled = true;

  QApplication::setWindowIcon(QIcon(CAboutDlg::ApplicationIcon()));
  SetRegistryKey("Orvane");
  LoadStdProfileSettings(kRecentFiles);

  AddDocTemplate(std::make_unique<platform::CMultiDocTemplate>(
    IDR_VANTHTYPE, [] { return std::make_unique<CVanthDoc>(); },
    [](platform::CDocument* pDocument) { return new CChildFrame(pDocument); }));

  auto frame = std::make_unique<CMainFrame>();
  if (!frame->LoadFrame(IDR_MAINFRAME))
    return false;
  CMainFrame* pMainFrame = frame.get();
  SetMainWnd(std::move(frame));

  // Files dropped on the window open; there is no shell registration to make.
  pMainFrame->setAcceptDrops(true);

  // A bare file name opens nothing: only the print, DDE and unregister switches act.
  platform::CCommandLineInfo cmdInfo;
  cmdInfo.m_nShellCommand = platform::CCommandLineInfo::FileNothing;
  cmdInfo.ParseCommandLine(m_Arguments);
  if (!ProcessShellCommand(cmdInfo))
    return false;

  pMainFrame->show();
  pMainFrame->raise();
  pMainFrame->activateWindow();
  return true;
}

void CVanthApp::OnAppAbout()
{
  CAboutDlg dialog(GetMainWnd());
  dialog.exec();
}
