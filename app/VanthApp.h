#pragma once

#include "mesh/Transform.h"
#include "platform/ui/QtClipboard.h"
#include "platform/ui/WinApp.h"

#include <string>
#include <vector>

class CMainFrame;

// The application object: binds the document, its child frame and views into the document
// template, builds and shows the main frame, and keeps the view transform saved by
// Debug > Viewing > Push for every window.
class CVanthApp : public platform::CWinApp
{
public:
  explicit CVanthApp(std::vector<std::string> arguments = {});
  ~CVanthApp() override;

  static CVanthApp* GetApp();

  bool InitInstance() override;
  CMainFrame* GetMainFrame() const;
  void OnAppAbout();

  CTransform m_SavedView;

private:
  std::vector<std::string> m_Arguments;
  platform::CQtClipboard m_Clipboard;
  bool m_SinksInstalled = false;
};
