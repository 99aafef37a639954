#pragma once

#include "platform/ui/CmdTarget.h"
#include "platform/ui/CommandLineInfo.h"
#include "platform/ui/RecentFileList.h"

#include <memory>
#include <string>
#include <vector>

class QPrinter;
class QSettings;

// The application object: one instance, reachable from everywhere as the program's one
// global. It owns the main window, the document templates, the recent-file list and the
// printer settings, and handles File > New, Open..., Print Setup..., the recent files and Exit.
namespace platform {

class CDocument;
class CMDIFrameWnd;
class CMultiDocTemplate;

class CWinApp : public CCmdTarget
{
public:
  explicit CWinApp(std::string appName);
  ~CWinApp() override;

  // The application object, or null before it is built and after it is gone.
  static CWinApp* GetApp();

  virtual bool InitInstance() = 0;
  // Saves the settings; answers the exit code.
  virtual int ExitInstance();

  const std::string& GetAppName() const { return m_pszAppName; }
  CMDIFrameWnd* GetMainWnd() const { return m_pMainWnd.get(); }
  void SetMainWnd(std::unique_ptr<CMDIFrameWnd> frame);

  // Settings live under this key (the organisation) and the application's name.
  void SetRegistryKey(const std::string& key);
  const std::string& GetRegistryKey() const { return m_pszRegistryKey; }
  std::unique_ptr<QSettings> GetSettings() const;
  void LoadStdProfileSettings(int maxRecentFiles);
  void SaveStdProfileSettings() const;
  CRecentFileList* GetRecentFileList() const { return m_pRecentFileList.get(); }
  void AddToRecentFileList(const std::string& path);

  void AddDocTemplate(std::unique_ptr<CMultiDocTemplate> docTemplate);
  int GetDocTemplateCount() const { return static_cast<int>(m_Templates.size()); }
  CMultiDocTemplate* GetDocTemplate(int index) const { return m_Templates[index].get(); }
  // The number of open documents of every template.
  int GetOpenDocumentCount() const;
  // Activates the document when it is open already, else opens it; null on failure.
  CDocument* OpenDocumentFile(const std::string& path);

  QPrinter* GetPrinter();

  // Acts on the command line; false ends the program.
  bool ProcessShellCommand(const CCommandLineInfo& info);

  void OnFileNew();
  void OnFileOpen();
  void OnFilePrintSetup();
  void OnOpenRecentFile(unsigned id);
  void OnAppExit();

private:
  void PrintDocumentFile(const CCommandLineInfo& info);

  std::string m_pszAppName;
  std::string m_pszRegistryKey;
  std::unique_ptr<CRecentFileList> m_pRecentFileList;
  std::unique_ptr<QPrinter> m_pPrinter;
  // Declared last among the owners of windows and documents: the main window (and with it
  // every child frame) goes before the templates that own the documents.
  std::vector<std::unique_ptr<CMultiDocTemplate>> m_Templates;
  std::unique_ptr<CMDIFrameWnd> m_pMainWnd;
};

} // namespace platform
