#include "platform/ui/DocTemplate.h"

#include "platform/ui/Document.h"
#include "platform/ui/MDIChildWnd.h"
#include "platform/ui/MDIFrameWnd.h"
#include "platform/ui/WinApp.h"

#include <QMdiArea>

#include <algorithm>

namespace platform {

namespace {
CMDIFrameWnd* MainFrame()
{
  CWinApp* app = CWinApp::GetApp();
  return app ? app->GetMainWnd() : nullptr;
}
} // namespace

CMultiDocTemplate::CMultiDocTemplate(unsigned resourceId, DocumentFactory document,
                                     FrameFactory frame)
  : m_nIDResource(resourceId), m_DocumentFactory(std::move(document)),
    m_FrameFactory(std::move(frame))
{
}

CMultiDocTemplate::~CMultiDocTemplate() = default;

CDocument* CMultiDocTemplate::OpenDocumentFile(const std::string& path)
{
  std::unique_ptr<CDocument> document = m_DocumentFactory();
  if (!document)
    return nullptr;
  CDocument* pDocument = document.get();
  pDocument->m_pDocTemplate = this;
  m_Documents.push_back(std::move(document));

  // A frame that fails takes its document with it.
  CMDIChildWnd* pFrame = CreateNewFrame(pDocument);
  if (!pFrame)
    return nullptr;
  const bool opened = path.empty() ? pDocument->OnNewDocument() : pDocument->OnOpenDocument(path);
  if (!opened) {
    delete pFrame;
    return nullptr;
  }
  if (path.empty())
    pDocument->SetTitle("Untitled");
  else
    pDocument->SetPathName(path);
  pFrame->show();
  if (CMDIFrameWnd* main = MainFrame())
    main->MDIActivate(pFrame);
  return pDocument;
}

CMDIChildWnd* CMultiDocTemplate::CreateNewFrame(CDocument* pDocument)
{
  CMDIFrameWnd* main = MainFrame();
  if (!main || !pDocument)
    return nullptr;
  CMDIChildWnd* pFrame = m_FrameFactory(pDocument);
  if (!pFrame)
    return nullptr;
  main->GetMdiArea()->addSubWindow(pFrame);
  if (!pFrame->OnCreateClient()) {
    delete pFrame;
    return nullptr;
  }
  main->PlaceNewChild(pFrame);
  return pFrame;
}

CDocument* CMultiDocTemplate::FindDocument(const std::string& path) const
{
  if (path.empty())
    return nullptr;
  for (const auto& document : m_Documents)
    if (document->GetPathName() == path)
      return document.get();
  return nullptr;
}

void CMultiDocTemplate::OnFrameDestroyed(CMDIChildWnd* pFrame, CDocument* pDocument)
{
  pDocument->RemoveFrame(pFrame);
  if (pDocument->GetFrames().empty()) {
    const auto it = std::find_if(m_Documents.begin(), m_Documents.end(),
                                 [pDocument](const auto& d) { return d.get() == pDocument; });
    if (it != m_Documents.end())
      m_Documents.erase(it);
  }
  if (CMDIFrameWnd* main = MainFrame())
    main->OnUpdateFrameMenu();
}

} // namespace platform
