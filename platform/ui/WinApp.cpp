#include "platform/ui/WinApp.h"

#include "platform/ui/DocTemplate.h"
#include "platform/ui/Document.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/MDIChildWnd.h"
#include "platform/ui/MDIFrameWnd.h"
#include "platform/ui/StandardIds.h"
#include "platform/core/MessageBox.h"

#include <QPageSetupDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSettings>

namespace platform {

namespace {
CWinApp*& TheApp()
{
  static CWinApp* app = nullptr;
  return app;
}
} // namespace

CWinApp::CWinApp(std::string appName) : m_pszAppName(std::move(appName))
{
  TheApp() = this;
  m_CommandMap.On(ID_FILE_NEW, [this] { OnFileNew(); });
  m_CommandMap.On(ID_FILE_OPEN, [this] { OnFileOpen(); });
  m_CommandMap.On(ID_FILE_PRINT_SETUP, [this] { OnFilePrintSetup(); });
  m_CommandMap.On(ID_APP_EXIT, [this] { OnAppExit(); });
  m_CommandMap.OnRange(ID_FILE_MRU_FILE1, ID_FILE_MRU_FILE10,
                       [this](unsigned id) { OnOpenRecentFile(id); },
                       [this](CCmdUI& ui) {
                         const int index = static_cast<int>(ui.m_nID - ID_FILE_MRU_FILE1);
                         ui.Enable(m_pRecentFileList && index < m_pRecentFileList->GetSize());
                       });
}

CWinApp::~CWinApp()
{
  m_pMainWnd.reset();
  m_Templates.clear();
  if (TheApp() == this)
    TheApp() = nullptr;
}

CWinApp* CWinApp::GetApp()
{
  return TheApp();
}

int CWinApp::ExitInstance()
{
  SaveStdProfileSettings();
  return 0;
}

void CWinApp::SetMainWnd(std::unique_ptr<CMDIFrameWnd> frame)
{
  m_pMainWnd = std::move(frame);
}

void CWinApp::SetRegistryKey(const std::string& key)
{
  m_pszRegistryKey = key;
}

std::unique_ptr<QSettings> CWinApp::GetSettings() const
{
  return std::make_unique<QSettings>(QString::fromStdString(m_pszRegistryKey),
                                     QString::fromStdString(m_pszAppName));
}

void CWinApp::LoadStdProfileSettings(int maxRecentFiles)
{
  m_pRecentFileList = std::make_unique<CRecentFileList>(maxRecentFiles);
  m_pRecentFileList->ReadList(*GetSettings());
}

void CWinApp::SaveStdProfileSettings() const
{
  if (!m_pRecentFileList)
    return;
  auto settings = GetSettings();
  m_pRecentFileList->WriteList(*settings);
  settings->sync();
}

void CWinApp::AddToRecentFileList(const std::string& path)
{
  if (m_pRecentFileList)
    m_pRecentFileList->Add(path);
}

void CWinApp::AddDocTemplate(std::unique_ptr<CMultiDocTemplate> docTemplate)
{
  m_Templates.push_back(std::move(docTemplate));
}

int CWinApp::GetOpenDocumentCount() const
{
  int count = 0;
  for (const auto& docTemplate : m_Templates)
    count += docTemplate->GetDocumentCount();
  return count;
}

CDocument* CWinApp::OpenDocumentFile(const std::string& path)
{
  if (m_Templates.empty())
    return nullptr;
  for (const auto& docTemplate : m_Templates) {
    CDocument* open = docTemplate->FindDocument(path);
    if (open && !open->GetFrames().empty() && m_pMainWnd) {
      m_pMainWnd->MDIActivate(open->GetFrames().front());
      return open;
    }
  }
  return m_Templates.front()->OpenDocumentFile(path);
}

QPrinter* CWinApp::GetPrinter()
{
  if (!m_pPrinter)
    m_pPrinter = std::make_unique<QPrinter>();
  return m_pPrinter.get();
}

bool CWinApp::ProcessShellCommand(const CCommandLineInfo& info)
{
  switch (info.m_nShellCommand) {
  case CCommandLineInfo::FileNew:
    OnFileNew();
    return true;
  case CCommandLineInfo::FileOpen:
    return OpenDocumentFile(info.m_strFileName) != nullptr;
  case CCommandLineInfo::FilePrint:
  case CCommandLineInfo::FilePrintTo:
    // The print forms print the document and then end the program.
    PrintDocumentFile(info);
    return false;
  case CCommandLineInfo::AppUnregister:
    // No file type was registered: nothing to undo, and the program ends.
    return false;
  case CCommandLineInfo::FileDDE:
  case CCommandLineInfo::FileNothing:
    return true;
  }
  return false;
}

// Opens the file, prints it through its view's print command without asking (on the named
// printer for the "print to" form, else on the application's printer), and closes it.
void CWinApp::PrintDocumentFile(const CCommandLineInfo& info)
{
  if (info.m_strFileName.empty())
    return;
  CDocument* document = OpenDocumentFile(info.m_strFileName);
  if (!document)
    return;
  bool ready = true;
  if (info.m_nShellCommand == CCommandLineInfo::FilePrintTo) {
    const QString name = QString::fromStdString(info.m_strPrinterName);
    ready = !QPrinterInfo::printerInfo(name).isNull();
    if (ready)
      GetPrinter()->setPrinterName(name);
    else
      MessageBox("Could not start print job.");
  }
  if (ready && !document->GetFrames().empty())
    document->GetFrames().front()->DoCommand(ID_FILE_PRINT_DIRECT);
  document->OnCloseDocument();
}

void CWinApp::OnFileNew()
{
  if (!m_Templates.empty())
    m_Templates.front()->OpenDocumentFile(std::string());
}

void CWinApp::OnFileOpen()
{
  SFileDialogRequest request;
  request.Open = true;
  request.Title = "Open";
  const auto path = GetFileName(m_pMainWnd.get(), request);
  if (path)
    OpenDocumentFile(*path);
}

void CWinApp::OnFilePrintSetup()
{
  QPageSetupDialog dialog(GetPrinter(), m_pMainWnd.get());
  dialog.exec();
}

void CWinApp::OnOpenRecentFile(unsigned id)
{
  const int index = static_cast<int>(id - ID_FILE_MRU_FILE1);
  if (!m_pRecentFileList || index < 0 || index >= m_pRecentFileList->GetSize())
    return;
  const std::string path = m_pRecentFileList->GetAt(index);
  // A file that no longer opens leaves the list.
  if (!OpenDocumentFile(path))
    m_pRecentFileList->Remove(index);
}

void CWinApp::OnAppExit()
{
  if (m_pMainWnd)
    m_pMainWnd->close();
}

} // namespace platform
