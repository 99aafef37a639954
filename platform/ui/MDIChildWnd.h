#pragma once

#include "platform/ui/CmdTarget.h"

#include <QMdiSubWindow>

// An MDI child frame showing one document. Commands go to its active view, then to its
// document, then to the frame itself.
namespace platform {

class CDocument;

class CMDIChildWnd : public QMdiSubWindow, public CCmdTarget
{
  Q_OBJECT

public:
  explicit CMDIChildWnd(CDocument* pDocument);
  ~CMDIChildWnd() override;

  // Builds the frame's client widgets; false fails the frame's creation.
  virtual bool OnCreateClient() = 0;
  // The view that receives commands first (null when none).
  virtual CCmdTarget* GetActiveView() const { return nullptr; }

  CDocument* GetActiveDocument() const { return m_pDocument; }
  bool OnCmdMsg(unsigned id, CCmdUI* pCmdUI) override;

private:
  friend class CDocument;
  CDocument* m_pDocument;
};

} // namespace platform
