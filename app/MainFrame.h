#pragma once

#include "app/AviWriter.h"
#include "platform/ui/MDIFrameWnd.h"

#include <QByteArray>
#include <QRect>

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

  void OnViewFullScreen();
  void OnAviInit();
  void OnAviAddFrame();
  void OnAviWrite();
  void OnAviResize43();

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
  void SetMessageText(const QString& text);

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
  QTimer* m_ButtonBarTimer = nullptr;
  bool m_StatusSinkInstalled = false;
};
