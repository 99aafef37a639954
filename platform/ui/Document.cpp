#include "platform/ui/Document.h"

#include "platform/core/Path.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/MDIChildWnd.h"
#include "platform/ui/MDIFrameWnd.h"
#include "platform/ui/StandardIds.h"
#include "platform/ui/WinApp.h"

#include <QString>

#include <algorithm>

namespace platform {

CDocument::CDocument()
{
  m_CommandMap.On(ID_FILE_SAVE, [this] { DoFileSave(); });
  m_CommandMap.On(ID_FILE_SAVE_AS, [this] { DoSave(std::string()); });
  m_CommandMap.On(ID_FILE_CLOSE, [this] {
    if (SaveModified())
      OnCloseDocument();
  });
}

CDocument::~CDocument()
{
  // Frames outliving their document (at shutdown) must not call back into it.
  for (CMDIChildWnd* frame : m_Frames)
    frame->m_pDocument = nullptr;
}

bool CDocument::SaveModified()
{
  // Documents that track changes ask here; a document that is never modified closes at once.
  return !IsModified() || DoFileSave();
}

void CDocument::OnCloseDocument()
{
  // Closing the last frame deletes the document: work on a copy of the list.
  const std::vector<CMDIChildWnd*> frames = m_Frames;
  for (CMDIChildWnd* frame : frames)
    frame->close();
}

bool CDocument::DoFileSave()
{
  return DoSave(m_strPathName);
}

bool CDocument::DoSave(const std::string& path, bool replace)
{
  std::string target = path;
  if (target.empty()) {
    SFileDialogRequest request;
    request.Open = false;
    request.Title = "Save As";
    request.InitialPath = m_strPathName.empty() ? m_strTitle : m_strPathName;
    CWinApp* app = CWinApp::GetApp();
    const auto chosen = GetFileName(app ? app->GetMainWnd() : nullptr, request);
    if (!chosen)
      return false;
    target = *chosen;
  }
  if (!OnSaveDocument(target))
    return false;
  if (replace)
    SetPathName(target);
  SetModifiedFlag(false);
  return true;
}

void CDocument::SetPathName(const std::string& path, bool addToRecent)
{
  m_strPathName = path;
  SetTitle(FileNameOf(path));
  if (!addToRecent)
    return;
  if (CWinApp* app = CWinApp::GetApp())
    app->AddToRecentFileList(path);
}

void CDocument::SetTitle(const std::string& title)
{
  m_strTitle = title;
  UpdateFrameTitles();
}

void CDocument::AddFrame(CMDIChildWnd* frame)
{
  m_Frames.push_back(frame);
  UpdateFrameTitles();
}

void CDocument::RemoveFrame(CMDIChildWnd* frame)
{
  m_Frames.erase(std::remove(m_Frames.begin(), m_Frames.end(), frame), m_Frames.end());
  UpdateFrameTitles();
}

// One frame shows the title; several show "title:1", "title:2", ...
void CDocument::UpdateFrameTitles()
{
  const QString title = QString::fromStdString(m_strTitle);
  const bool numbered = m_Frames.size() > 1;
  for (std::size_t i = 0; i < m_Frames.size(); i++)
    m_Frames[i]->setWindowTitle(numbered ? QString("%1:%2").arg(title).arg(i + 1) : title);
  CWinApp* app = CWinApp::GetApp();
  if (app && app->GetMainWnd())
    app->GetMainWnd()->OnUpdateFrameTitle();
}

} // namespace platform
