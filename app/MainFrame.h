#pragma once

#include "app/AviWriter.h"
#include "platform/ui/KeyLocks.h"
#include "platform/ui/MDIFrameWnd.h"

#include <QByteArray>
#include <QRect>

namespace platform {
class CDocument;
}

class QLabel;
class QStatusBar;
class QTimer;
class QToolBar;

// The main window: the button bar "Standard", the status bar whose first pane shows the
// program's messages, full screen, and the AVI recording of the window's screen area.
class CMainFrame : public platform::CMDIFrameWnd
{
  Q_OBJECT

public:
  CMainFrame();
  ~CMainFrame() override;

  // Title, menus, accelerators and bars of the resource id; false when a bar cannot be made.
  bool LoadFrame(unsigned resourceId);

  QToolBar* GetButtonBar() const { return m_wndButtonBar; }
  QStatusBar* GetStatusBar() const { return m_wndStatusBar; }
  // The text of status-bar pane 0.
  QString GetMessageText() const;
  bool IsFullScreen() const { return m_pFullScreenWnd != nullptr; }
  const CAviWriter& GetAviWriter() const { return m_AviWriter; }

  // Runs the update handlers of the button bar's buttons.
  void UpdateButtonBar();
  // The lock indicators "CAP", "NUM" and "SCRL" show their text while their key is locked
  // and stay blank otherwise.
  void UpdateIndicators(const platform::SKeyLocks& locks);
  // The indicator pane of CAP, NUM or SCRL (0, 1, 2).
  QLabel* GetIndicatorPane(int index) const;

  void OnViewFullScreen();
  void OnAviInit();
  void OnAviAddFrame();
  void OnAviWrite();
  void OnAviResize43();

protected:
  // A lock key let go anywhere in the program shows at once in its indicator.
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  // A window's placement: its geometry and whether it was maximised or minimised.
  struct SWindowPlacement
  {
    QByteArray Geometry;
    Qt::WindowStates State;
  };

  int OnCreate();
  bool CreateButtonBar();
  bool CreateStatusBar();
  void OnBarCheck(QWidget* bar);
  // What the frame refreshes while the program waits for input.
  void OnIdleUpdate();
  void SetMessageText(const QString& text);
  platform::CDocument* ActiveDocument() const;
  // Pane 0 shows the active document's last message, blank without one.
  void ShowActiveDocumentMessage();

  CAviWriter m_AviWriter;
  QWidget* m_pFullScreenWnd = nullptr;
  SWindowPlacement m_FullScreenWndPlacement;
  SWindowPlacement m_FramePlacement;
  QRect m_FullScreenWindowRect;
  QRect m_FullScreenRect2;
  int m_ButtonBarVisible = 1;
  int m_StatusBarVisible = 1;
  QStatusBar* m_wndStatusBar = nullptr;
  QToolBar* m_wndButtonBar = nullptr;
  QLabel* m_MessagePane = nullptr;
  QLabel* m_IndicatorPanes[3] = {};
  QTimer* m_ButtonBarTimer = nullptr;
  bool m_StatusSinkInstalled = false;
};
