#pragma once

#include "platform/ui/CmdTarget.h"

#include <string>
#include <utility>
#include <vector>

// Document side of the document/view layer. A document is owned by its template and lives
// while at least one child frame shows it; frames are owned by the main window's MDI area.
namespace platform {

class CMDIChildWnd;
class CMultiDocTemplate;

class CDocument : public CCmdTarget
{
public:
  CDocument();
  ~CDocument() override;

  virtual bool OnNewDocument() { return true; }
  virtual bool OnOpenDocument(const std::string& path) = 0;
  virtual bool OnSaveDocument(const std::string& path) = 0;
  // Asks to save a modified document; false cancels the close.
  virtual bool SaveModified();
  // Closes every frame; the document goes with the last one.
  virtual void OnCloseDocument();

  // File > Save: saves under the document's path, or asks for one.
  bool DoFileSave();
  // Saves under path, asking for a name when it is empty; the document takes the name
  // when replace is set (Save As). Answers whether the document was saved.
  bool DoSave(const std::string& path, bool replace = true);

  const std::string& GetPathName() const { return m_strPathName; }
  // Takes the path, titles the document with its file name and lists it in the recent files.
  void SetPathName(const std::string& path, bool addToRecent = true);
  const std::string& GetTitle() const { return m_strTitle; }
  void SetTitle(const std::string& title);
  bool IsModified() const { return m_bModified; }
  void SetModifiedFlag(bool modified = true) { m_bModified = modified; }

  // The last status-bar message written while this document's window was the active one;
  // it comes back when the window is activated again.
  const std::string& GetStatusMessage() const { return m_strStatusMessage; }
  void SetStatusMessage(std::string text) { m_strStatusMessage = std::move(text); }

  CMultiDocTemplate* GetDocTemplate() const { return m_pDocTemplate; }
  const std::vector<CMDIChildWnd*>& GetFrames() const { return m_Frames; }

private:
  friend class CMultiDocTemplate;
  friend class CMDIChildWnd;

  void AddFrame(CMDIChildWnd* frame);
  void RemoveFrame(CMDIChildWnd* frame);
  void UpdateFrameTitles();

  std::string m_strPathName;
  std::string m_strTitle;
  std::string m_strStatusMessage;
  bool m_bModified = false;
  CMultiDocTemplate* m_pDocTemplate = nullptr;
  std::vector<CMDIChildWnd*> m_Frames;
};

} // namespace platform
