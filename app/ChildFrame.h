#pragma once

#include "platform/ui/MDIChildWnd.h"

class QSplitter;

// The child frame of every open document: a splitter with the command form on the left
// (pane 0, 0) and the render view on the right (pane 0, 1).
class CChildFrame : public platform::CMDIChildWnd
{
  Q_OBJECT

public:
  explicit CChildFrame(platform::CDocument* pDocument);

  bool OnCreateClient() override;
  platform::CCmdTarget* GetActiveView() const override;

  // The widget in pane (row 0, column); null when the splitter has no such pane.
  QWidget* GetPane(int row, int column) const;
  QSplitter* GetSplitter() const { return m_wndSplitter; }

private:
  void OnNextPane(int step);

  QSplitter* m_wndSplitter = nullptr;
};
