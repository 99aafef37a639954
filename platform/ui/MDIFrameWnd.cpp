#include "platform/ui/MDIFrameWnd.h"

#include "platform/ui/DocTemplate.h"
#include "platform/ui/Document.h"
#include "platform/ui/MDIChildWnd.h"
#include "platform/ui/StandardIds.h"
#include "platform/ui/WinApp.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPointer>
#include <QStatusBar>
#include <QStyle>
#include <QTextEdit>
#include <QToolBar>

#include <algorithm>

namespace platform {

namespace {

bool IsTextInput(const QObject* object)
{
  if (qobject_cast<const QLineEdit*>(object) || qobject_cast<const QTextEdit*>(object) ||
      qobject_cast<const QPlainTextEdit*>(object) || qobject_cast<const QAbstractSpinBox*>(object))
    return true;
  const auto* combo = qobject_cast<const QComboBox*>(object);
  return combo && combo->isEditable();
}

CDocument* DocumentOf(const CMDIChildWnd* frame)
{
  return frame ? frame->GetActiveDocument() : nullptr;
}

// The smallest size a new child window is given, however small the client area.
const QSize kMinChildSize(320, 240);

// The window list numbers its first nine lines with mnemonics, as menus do.
QString WindowListText(int index, QString title)
{
  title.replace("&", "&&");
  const QString number = QString::number(index + 1);
  return (index < 9 ? "&" + number : number) + " " + title;
}

} // namespace

CMDIFrameWnd::CMDIFrameWnd() : m_pMdiArea(new QMdiArea(this))
{
  setCentralWidget(m_pMdiArea);
  connect(m_pMdiArea, &QMdiArea::subWindowActivated, this, [this] { OnUpdateFrameTitle(); });
  qApp->installEventFilter(this);

  m_CommandMap.On(ID_WINDOW_NEW, [this] {
    CDocument* document = DocumentOf(MDIGetActive());
    if (!document || !document->GetDocTemplate())
      return;
    if (CMDIChildWnd* frame = document->GetDocTemplate()->CreateNewFrame(document)) {
      frame->show();
      MDIActivate(frame);
    }
  });
  m_CommandMap.On(ID_WINDOW_CASCADE, [this] { m_pMdiArea->cascadeSubWindows(); });
  m_CommandMap.On(ID_WINDOW_TILE_HORZ, [this] { Tile(true); });
  m_CommandMap.On(ID_WINDOW_TILE_VERT, [this] { Tile(false); });
  m_CommandMap.On(ID_WINDOW_ARRANGE, [this] { ArrangeIcons(); });
}

// Horizontal tiling stacks the windows one above the other, vertical tiling side by side.
void CMDIFrameWnd::Tile(bool horizontal)
{
  QList<QMdiSubWindow*> windows;
  for (QMdiSubWindow* window : m_pMdiArea->subWindowList())
    if (window->isVisible() && !window->isMinimized())
      windows.push_back(window);
  if (windows.isEmpty())
    return;
  const QRect area = m_pMdiArea->viewport()->rect();
  const int count = static_cast<int>(windows.size());
  for (int i = 0; i < count; i++) {
    windows[i]->showNormal();
    if (horizontal) {
      const int top = area.height() * i / count;
      windows[i]->setGeometry(0, top, area.width(), area.height() * (i + 1) / count - top);
    } else {
      const int left = area.width() * i / count;
      windows[i]->setGeometry(left, 0, area.width() * (i + 1) / count - left, area.height());
    }
  }
}

// Minimised windows line up along the bottom of the area.
void CMDIFrameWnd::ArrangeIcons()
{
  const QRect area = m_pMdiArea->viewport()->rect();
  int left = 0;
  for (QMdiSubWindow* window : m_pMdiArea->subWindowList()) {
    if (!window->isMinimized())
      continue;
    window->move(left, area.height() - window->height());
    left += window->width();
  }
}

CMDIFrameWnd::~CMDIFrameWnd()
{
  qApp->removeEventFilter(this);
  // Child frames go before the menus and actions they refer to.
  for (QMdiSubWindow* window : m_pMdiArea->subWindowList())
    delete window;
}

CMDIChildWnd* CMDIFrameWnd::MDIGetActive() const
{
  // The current window stays current while the application is inactive (as under a test).
  if (auto* frame = qobject_cast<CMDIChildWnd*>(m_pMdiArea->currentSubWindow()))
    return frame;
  const QList<QMdiSubWindow*> windows = m_pMdiArea->subWindowList(QMdiArea::ActivationHistoryOrder);
  for (auto it = windows.rbegin(); it != windows.rend(); ++it)
    if (auto* frame = qobject_cast<CMDIChildWnd*>(*it); frame && frame->isVisible())
      return frame;
  return nullptr;
}

void CMDIFrameWnd::MDIActivate(CMDIChildWnd* pFrame)
{
  if (!pFrame)
    return;
  m_pMdiArea->setActiveSubWindow(pFrame);
  OnUpdateFrameMenu();
}

void CMDIFrameWnd::PlaceNewChild(CMDIChildWnd* pFrame)
{
  if (!pFrame)
    return;
  const QSize area = m_pMdiArea->viewport()->size();
  const QSize size(std::max(area.width() * 3 / 4, kMinChildSize.width()),
                   std::max(area.height() * 3 / 4, kMinChildSize.height()));
  pFrame->resize(size);
  const int titleBar = pFrame->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, pFrame);
  const int step = std::max(titleBar, 1);
  QPoint place(m_nNextCascade * step, m_nNextCascade * step);
  const bool outside =
    place.x() + size.width() > area.width() || place.y() + size.height() > area.height();
  if (m_nNextCascade > 0 && outside) {
    m_nNextCascade = 0;
    place = QPoint(0, 0);
  }
  m_nNextCascade++;
  pFrame->move(place);
}

void CMDIFrameWnd::ClearWindowList()
{
  for (QAction* action : m_WindowList)
    delete action;
  m_WindowList.clear();
  delete m_pWindowListSeparator;
  m_pWindowListSeparator = nullptr;
}

void CMDIFrameWnd::UpdateWindowList()
{
  ClearWindowList();
  if (!m_pWindowMenu)
    return;
  const QList<QMdiSubWindow*> windows = m_pMdiArea->subWindowList(QMdiArea::CreationOrder);
  if (windows.isEmpty())
    return;
  m_pWindowListSeparator = m_pWindowMenu->addSeparator();
  const CMDIChildWnd* active = MDIGetActive();
  for (QMdiSubWindow* window : windows) {
    auto* frame = qobject_cast<CMDIChildWnd*>(window);
    if (!frame)
      continue;
    const int index = static_cast<int>(m_WindowList.size());
    QAction* action = m_pWindowMenu->addAction(WindowListText(index, frame->windowTitle()));
    action->setCheckable(true);
    action->setChecked(frame == active);
    connect(action, &QAction::triggered, this, [this, target = QPointer<CMDIChildWnd>(frame)] {
      if (!target)
        return;
      if (target->isMinimized())
        target->showNormal();
      MDIActivate(target);
    });
    m_WindowList.push_back(action);
  }
}

bool CMDIFrameWnd::OnCmdMsg(unsigned id, CCmdUI* pCmdUI)
{
  if (CMDIChildWnd* frame = MDIGetActive(); frame && frame->OnCmdMsg(id, pCmdUI))
    return true;
  if (OnOwnCmdMsg(id, pCmdUI))
    return true;
  CWinApp* app = CWinApp::GetApp();
  return app && app->OnCmdMsg(id, pCmdUI);
}

QAction* CMDIFrameWnd::GetCommandAction(unsigned id, const char* text)
{
  if (QAction* action = FindCommandAction(id))
    return action;
  auto* action = new QAction(QString::fromUtf8(text ? text : ""), this);
  action->setIconVisibleInMenu(false);
  connect(action, &QAction::triggered, this, [this, id] { DoCommand(id); });
  m_Actions[id] = action;
  return action;
}

QAction* CMDIFrameWnd::FindCommandAction(unsigned id) const
{
  const auto it = m_Actions.find(id);
  return it == m_Actions.end() ? nullptr : it->second;
}

unsigned CMDIFrameWnd::GetCommandId(const QAction* action) const
{
  for (const auto& [id, candidate] : m_Actions)
    if (candidate == action)
      return id;
  return 0;
}

std::vector<QMenu*> CMDIFrameWnd::BuildMenus(const std::vector<SMenuItem>& items)
{
  std::vector<QMenu*> topLevel;
  std::vector<QMenu*> open; // open[d] receives the items of depth d + 1
  for (const SMenuItem& item : items) {
    open.resize(static_cast<std::size_t>(item.Depth));
    if (item.Depth == 0) {
      auto* menu = new QMenu(QString::fromUtf8(item.Text), this);
      topLevel.push_back(menu);
      open.push_back(menu);
      continue;
    }
    if (open.empty())
      continue;
    QMenu* parent = open.back();
    if (!item.Text)
      parent->addSeparator();
    else if (item.Id == 0)
      open.push_back(parent->addMenu(QString::fromUtf8(item.Text)));
    else if (item.Id == ID_FILE_MRU_FILE1)
      for (unsigned id = ID_FILE_MRU_FILE1; id <= ID_FILE_MRU_FILE10; id++)
        parent->addAction(GetCommandAction(id, item.Text));
    else
      parent->addAction(GetCommandAction(item.Id, item.Text));
  }
  return topLevel;
}

void CMDIFrameWnd::LoadMenus(const std::vector<SMenuItem>& noDocument,
                             const std::vector<SMenuItem>& document)
{
  m_NoDocumentMenus = BuildMenus(noDocument);
  m_DocumentMenus = BuildMenus(document);
  const QAction* cascade = FindCommandAction(ID_WINDOW_CASCADE);
  for (QMenu* menu : m_DocumentMenus)
    if (cascade && menu->actions().contains(cascade))
      m_pWindowMenu = menu;
  for (const auto* menus : {&m_NoDocumentMenus, &m_DocumentMenus}) {
    for (QMenu* menu : *menus) {
      menuBar()->addMenu(menu);
      for (QMenu* sub : menu->findChildren<QMenu*>())
        connect(sub, &QMenu::aboutToShow, this, [this, sub] { UpdateCommandActions(sub->actions()); });
      connect(menu, &QMenu::aboutToShow, this, [this, menu] {
        if (menu == m_pWindowMenu)
          UpdateWindowList();
        UpdateCommandActions(menu->actions());
        UpdateRecentFileActions();
      });
    }
  }
  OnUpdateFrameMenu();
}

const std::vector<QMenu*>& CMDIFrameWnd::GetMenus(bool document) const
{
  return document ? m_DocumentMenus : m_NoDocumentMenus;
}

bool CMDIFrameWnd::TranslateAccelerator(int key, Qt::KeyboardModifiers modifiers)
{
  const unsigned id = m_AccelTable.Find(key, modifiers);
  if (id == 0)
    return false;
  DoCommand(id);
  return true;
}

void CMDIFrameWnd::UpdateCommandActions(const QList<QAction*>& actions)
{
  for (QAction* action : actions) {
    const unsigned id = GetCommandId(action);
    if (id == 0 || (id >= ID_FILE_MRU_FILE1 && id <= ID_FILE_MRU_FILE10))
      continue;
    const CCmdUI ui = QueryCommand(id);
    action->setEnabled(ui.m_Enabled);
    action->setCheckable(ui.m_Checked != 0);
    action->setChecked(ui.m_Checked != 0);
    if (ui.m_HasText)
      action->setText(QString::fromStdString(ui.m_Text));
  }
}

// Without recent files the first line reads "Recent File", greyed; otherwise one line per file.
void CMDIFrameWnd::UpdateRecentFileActions()
{
  CWinApp* app = CWinApp::GetApp();
  const CRecentFileList* list = app ? app->GetRecentFileList() : nullptr;
  const int size = list ? list->GetSize() : 0;
  for (unsigned id = ID_FILE_MRU_FILE1; id <= ID_FILE_MRU_FILE10; id++) {
    QAction* action = FindCommandAction(id);
    if (!action)
      continue;
    const int index = static_cast<int>(id - ID_FILE_MRU_FILE1);
    if (index >= size) {
      action->setVisible(index == 0);
      action->setEnabled(false);
      action->setText("Recent File");
      continue;
    }
    QString path = QString::fromStdString(list->GetAt(index));
    path.replace("&", "&&");
    action->setText(QString("&%1 %2").arg(index + 1).arg(path));
    action->setVisible(true);
    action->setEnabled(true);
  }
}

void CMDIFrameWnd::OnUpdateFrameMenu()
{
  CWinApp* app = CWinApp::GetApp();
  const bool document = app && app->GetOpenDocumentCount() > 0 && !m_DocumentMenus.empty();
  m_DocumentMenuShown = document;
  for (QMenu* menu : m_NoDocumentMenus)
    menu->menuAction()->setVisible(!document);
  for (QMenu* menu : m_DocumentMenus)
    menu->menuAction()->setVisible(document);
  OnUpdateFrameTitle();
}

// The frame's title, followed by the active document's title.
void CMDIFrameWnd::OnUpdateFrameTitle()
{
  const QString base = QString::fromStdString(m_strTitle);
  CMDIChildWnd* frame = MDIGetActive();
  if (!frame || frame->windowTitle().isEmpty())
    setWindowTitle(base);
  else
    setWindowTitle(QString("%1 - %2").arg(base, frame->windowTitle()));
}

void CMDIFrameWnd::SetTitle(const std::string& title)
{
  m_strTitle = title;
  OnUpdateFrameTitle();
}

bool CMDIFrameWnd::CloseAllDocuments()
{
  for (QMdiSubWindow* window : m_pMdiArea->subWindowList()) {
    CDocument* document = DocumentOf(qobject_cast<CMDIChildWnd*>(window));
    if (document && !document->SaveModified())
      return false;
  }
  for (QMdiSubWindow* window : m_pMdiArea->subWindowList())
    delete window;
  OnUpdateFrameMenu();
  return true;
}

void CMDIFrameWnd::closeEvent(QCloseEvent* event)
{
  if (!CloseAllDocuments()) {
    event->ignore();
    return;
  }
  if (CWinApp* app = CWinApp::GetApp())
    app->SaveStdProfileSettings();
  event->accept();
}

void CMDIFrameWnd::dragEnterEvent(QDragEnterEvent* event)
{
  if (event->mimeData()->hasUrls())
    event->acceptProposedAction();
}

void CMDIFrameWnd::dropEvent(QDropEvent* event)
{
  CWinApp* app = CWinApp::GetApp();
  if (!app)
    return;
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile())
      app->OpenDocumentFile(url.toLocalFile().toStdString());
  event->acceptProposedAction();
}

// Accelerators act for keys typed anywhere in this window except into a text field; a key
// that an accelerator takes is kept from Qt's own shortcuts first.
bool CMDIFrameWnd::eventFilter(QObject* watched, QEvent* event)
{
  const bool press = event->type() == QEvent::KeyPress;
  if (!press && event->type() != QEvent::ShortcutOverride)
    return false;
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!widget || widget->window() != this || IsTextInput(widget))
    return false;
  auto* key = static_cast<QKeyEvent*>(event);
  if (m_AccelTable.Find(*key) == 0)
    return false;
  if (!press) {
    event->accept();
    return true;
  }
  return TranslateAccelerator(key->key(), key->modifiers());
}

} // namespace platform
