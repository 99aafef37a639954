#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

// Binds one document class to its child frame class and owns the open documents.
namespace platform {

class CDocument;
class CMDIChildWnd;
class CMDIFrameWnd;

class CMultiDocTemplate
{
public:
  using DocumentFactory = std::function<std::unique_ptr<CDocument>()>;
  using FrameFactory = std::function<CMDIChildWnd*(CDocument*)>;

  CMultiDocTemplate(unsigned resourceId, DocumentFactory document, FrameFactory frame);
  ~CMultiDocTemplate();
  CMultiDocTemplate(const CMultiDocTemplate&) = delete;
  CMultiDocTemplate& operator=(const CMultiDocTemplate&) = delete;

  // New document (empty path) or opened file, shown in a new child frame of the main
  // window. Null when the frame or the document could not be made: nothing stays open.
  CDocument* OpenDocumentFile(const std::string& path);
  // One more frame on an existing document (Window > New Window); null on failure.
  CMDIChildWnd* CreateNewFrame(CDocument* pDocument);

  unsigned GetResourceId() const { return m_nIDResource; }
  int GetDocumentCount() const { return static_cast<int>(m_Documents.size()); }
  CDocument* GetDocument(int index) const { return m_Documents[index].get(); }
  // The open document whose path is path, or null.
  CDocument* FindDocument(const std::string& path) const;

  // Called by a frame that goes away: the document is deleted with its last frame.
  void OnFrameDestroyed(CMDIChildWnd* pFrame, CDocument* pDocument);

private:
  unsigned m_nIDResource;
  DocumentFactory m_DocumentFactory;
  FrameFactory m_FrameFactory;
  std::vector<std::unique_ptr<CDocument>> m_Documents;
};

} // namespace platform
