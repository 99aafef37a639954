#pragma once

#include "platform/ui/AccelTable.h"
#include "platform/ui/CmdTarget.h"
#include "platform/ui/MenuTable.h"

#include <QMainWindow>

#include <map>
#include <string>
#include <vector>

class QMdiArea;
class QMenu;

// The main window of the multiple-document program: an MDI area for the child frames, the
// menus built from tables with one action per command, and the accelerator key filter.
// Commands go to the active child frame (its view, its document, the frame), then to this
// frame, then to the application.
namespace platform {

class CMDIChildWnd;

class CMDIFrameWnd : public QMainWindow, public CCmdTarget
{
  Q_OBJECT

public:
  CMDIFrameWnd();
  ~CMDIFrameWnd() override;

  QMdiArea* GetMdiArea() const { return m_pMdiArea; }
  // The current child frame, or null when none is open.
  CMDIChildWnd* MDIGetActive() const;
  void MDIActivate(CMDIChildWnd* pFrame);

  bool OnCmdMsg(unsigned id, CCmdUI* pCmdUI) override;

  // The action of a command, made on first use; the text is that of its first menu line.
  QAction* GetCommandAction(unsigned id, const char* text = nullptr);
  // The action of a command if some menu or bar has it, else null.
  QAction* FindCommandAction(unsigned id) const;
  unsigned GetCommandId(const QAction* action) const;

  // The menus shown without a document and with one; each is a table of menu lines.
  void LoadMenus(const std::vector<SMenuItem>& noDocument, const std::vector<SMenuItem>& document);
  const std::vector<QMenu*>& GetMenus(bool document) const;
  bool IsDocumentMenuShown() const { return m_DocumentMenuShown; }

  void LoadAccelTable(std::vector<SAccel> entries) { m_AccelTable = CAccelTable(std::move(entries)); }
  const CAccelTable& GetAccelTable() const { return m_AccelTable; }
  // Runs the command of the first matching accelerator; answers whether the key was taken.
  bool TranslateAccelerator(int key, Qt::KeyboardModifiers modifiers);

  // Runs the update handlers of these actions and applies enable, check and text.
  void UpdateCommandActions(const QList<QAction*>& actions);
  // The recent-file lines of the File menu.
  void UpdateRecentFileActions();

  // The document menu that lists the child windows (the one with "Cascade"), or null.
  QMenu* GetWindowMenu() const { return m_pWindowMenu; }
  // One line per child window at the end of that menu, in the order the windows were
  // opened, the active one checked; choosing a line activates its window.
  void UpdateWindowList();
  const std::vector<QAction*>& GetWindowListActions() const { return m_WindowList; }

  // Size and place of a new child window: three quarters of the client area, each new one
  // a title bar's height further right and down than the last, back to the top left when
  // it would leave the area.
  void PlaceNewChild(CMDIChildWnd* pFrame);

  // Menu and title after child frames came or went.
  void OnUpdateFrameMenu();
  // The frame's own title; the active document's title follows it.
  void SetTitle(const std::string& title);
  void OnUpdateFrameTitle();
  // Closes every document; false when one refused to close.
  bool CloseAllDocuments();

protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  std::vector<QMenu*> BuildMenus(const std::vector<SMenuItem>& items);
  void ClearWindowList();
  void Tile(bool horizontal);
  void ArrangeIcons();

  QMdiArea* m_pMdiArea;
  std::map<unsigned, QAction*> m_Actions;
  std::vector<QMenu*> m_NoDocumentMenus;
  std::vector<QMenu*> m_DocumentMenus;
  bool m_DocumentMenuShown = false;
  CAccelTable m_AccelTable;
  std::string m_strTitle;
  QMenu* m_pWindowMenu = nullptr;
  QAction* m_pWindowListSeparator = nullptr;
  std::vector<QAction*> m_WindowList;
  int m_nNextCascade = 0;
};

} // namespace platform
