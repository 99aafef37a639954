#include "app/MainFrame.h"

#include "app/resources/Accelerators.h"
#include "app/resources/ButtonBar.h"
#include "app/resources/Menus.h"
#include "app/resources/Resource.h"
#include "app/resources/Strings.h"
#include "platform/core/MessageBox.h"
#include "platform/core/Status.h"
#include "platform/ui/Document.h"
#include "platform/ui/MDIChildWnd.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

// Outside any namespace, as Qt's resource initialisation requires.
static void InitButtonResources()
{
  Q_INIT_RESOURCE(buttons);
}

namespace {
const int kButtonBarRefreshMs = 250;
const QSize kButtonSize(30, 28);
const QSize kImageSize(23, 22);
const char* const kAviFileName = "video.avi";
const char* const kIndicators[3] = {"CAP", "NUM", "SCRL"};
} // namespace

CMainFrame::CMainFrame()
{
  InitButtonResources();
  m_CommandMap.On(ID_VIEW_FULL_SCREEN, [this] { OnViewFullScreen(); },
                  [this](platform::CCmdUI& ui) { ui.SetCheck(m_pFullScreenWnd != nullptr); });
  m_CommandMap.On(ID_AVI_INIT, [this] { OnAviInit(); });
  m_CommandMap.On(ID_AVI_ADD_FRAME, [this] { OnAviAddFrame(); });
  m_CommandMap.On(ID_AVI_WRITE, [this] { OnAviWrite(); });
  m_CommandMap.On(ID_AVI_RESIZE_4_3, [this] { OnAviResize43(); });
  m_CommandMap.On(platform::ID_VIEW_TOOLBAR, [this] { OnBarCheck(m_wndButtonBar); },
                  [this](platform::CCmdUI& ui) {
                    ui.SetCheck(m_wndButtonBar && !m_wndButtonBar->isHidden());
                  });
  m_CommandMap.On(platform::ID_VIEW_STATUS_BAR, [this] { OnBarCheck(m_wndStatusBar); },
                  [this](platform::CCmdUI& ui) {
                    ui.SetCheck(m_wndStatusBar && !m_wndStatusBar->isHidden());
                  });
}

CMainFrame::~CMainFrame()
{
  // The base class closes the child windows after this part of the frame has gone.
  disconnect(GetMdiArea(), nullptr, this, nullptr);
  if (m_StatusSinkInstalled)
    platform::SetStatusSink({});
}

bool CMainFrame::LoadFrame(unsigned resourceId)
{
  SetTitle(LoadString(resourceId));
  LoadMenus(GetMainMenu(), GetDocumentMenu());
  LoadAccelTable(GetAccelerators());
  return OnCreate() == 0;
}

int CMainFrame::OnCreate()
{
  if (!CreateButtonBar() || !CreateStatusBar())
    return -1;
  m_ButtonBarTimer = new QTimer(this);
  connect(m_ButtonBarTimer, &QTimer::timeout, this, [this] { OnIdleUpdate(); });
  UpdateIndicators(platform::GetKeyLocks());
  m_ButtonBarTimer->start(kButtonBarRefreshMs);
  return 0;
}

// Buttons share the menus' actions; each takes the next image, and a button left without
// one shows its text.
bool CMainFrame::CreateButtonBar()
{
  m_wndButtonBar = new QToolBar("Standard", this);
  m_wndButtonBar->setObjectName("Standard");
  m_wndButtonBar->setIconSize(kImageSize);
  m_wndButtonBar->setAllowedAreas(Qt::AllToolBarAreas);
  addToolBar(Qt::TopToolBarArea, m_wndButtonBar);
  for (const SButtonBarEntry& entry : GetStandardButtonBar()) {
    if (entry.Id == 0) {
      m_wndButtonBar->addSeparator();
      continue;
    }
    QAction* action = GetCommandAction(entry.Id);
    if (m_wndButtonBar->actions().contains(action)) {
      // A second button for the same command needs an action of its own.
      QAction* alias = new QAction(action->text().section('\t', 0, 0), m_wndButtonBar);
      connect(alias, &QAction::triggered, this, [this, entry] { DoCommand(entry.Id); });
      connect(action, &QAction::changed, alias, [alias, action] { alias->setEnabled(action->isEnabled()); });
      action = alias;
    }
    if (const char* path = GetButtonBitmapPath(entry.Bitmap)) {
      const QIcon icon(path);
      if (icon.isNull())
        return false;
      action->setIcon(icon);
    }
    action->setToolTip(action->text().section('\t', 0, 0));
    m_wndButtonBar->addAction(action);
    if (QWidget* button = m_wndButtonBar->widgetForAction(action))
      button->setMinimumSize(kButtonSize);
  }
  return true;
}

bool CMainFrame::CreateStatusBar()
{
  m_wndStatusBar = new QStatusBar(this);
  m_wndStatusBar->setObjectName(QString::number(platform::AFX_IDW_STATUS_BAR));
  m_MessagePane = new QLabel(m_wndStatusBar);
  m_wndStatusBar->addWidget(m_MessagePane, 1);
  // The lock-key indicators keep the width of their text whether it shows or not.
  for (int i = 0; i < 3; i++) {
    auto* pane = new QLabel(kIndicators[i], m_wndStatusBar);
    pane->setObjectName(kIndicators[i]);
    pane->setMinimumWidth(pane->sizeHint().width());
    pane->setAlignment(Qt::AlignCenter);
    m_IndicatorPanes[i] = pane;
    m_wndStatusBar->addPermanentWidget(pane);
  }
  setStatusBar(m_wndStatusBar);
  // A message belongs to the document whose window is active while it is written; another
  // window, once active, shows its own document's last message.
  platform::SetStatusSink([this](const std::string& text) {
    if (platform::CDocument* document = ActiveDocument())
      document->SetStatusMessage(text);
    SetMessageText(QString::fromStdString(text));
  });
  connect(GetMdiArea(), &QMdiArea::subWindowActivated, this, [this] { ShowActiveDocumentMessage(); });
  m_StatusSinkInstalled = true;
  return true;
}

QString CMainFrame::GetMessageText() const
{
  return m_MessagePane ? m_MessagePane->text() : QString();
}

// Painted at once, so that a long command shows its progress while it runs.
void CMainFrame::SetMessageText(const QString& text)
{
  if (!m_MessagePane)
    return;
  m_MessagePane->setText(text);
  if (m_wndStatusBar->isVisible())
    m_wndStatusBar->repaint();
}

platform::CDocument* CMainFrame::ActiveDocument() const
{
  const platform::CMDIChildWnd* frame = MDIGetActive();
  return frame ? frame->GetActiveDocument() : nullptr;
}

void CMainFrame::ShowActiveDocumentMessage()
{
  const platform::CDocument* document = ActiveDocument();
  SetMessageText(document ? QString::fromStdString(document->GetStatusMessage()) : QString());
}

void CMainFrame::UpdateButtonBar()
{
  if (m_wndButtonBar && m_wndButtonBar->isVisible())
    UpdateCommandActions(m_wndButtonBar->actions());
}

void CMainFrame::UpdateIndicators(const platform::SKeyLocks& locks)
{
  const bool on[3] = {locks.Caps, locks.Num, locks.Scroll};
  for (int i = 0; i < 3; i++) {
    if (!m_IndicatorPanes[i])
      continue;
    m_IndicatorPanes[i]->setText(on[i] ? kIndicators[i] : "");
    m_IndicatorPanes[i]->setEnabled(on[i]);
  }
}

QLabel* CMainFrame::GetIndicatorPane(int index) const
{
  return index >= 0 && index < 3 ? m_IndicatorPanes[index] : nullptr;
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event)
{
  if (event->type() == QEvent::KeyRelease) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_CapsLock || key == Qt::Key_NumLock || key == Qt::Key_ScrollLock)
      UpdateIndicators(platform::GetKeyLocks());
  }
  return platform::CMDIFrameWnd::eventFilter(watched, event);
}

void CMainFrame::OnIdleUpdate()
{
  UpdateButtonBar();
  if (m_wndStatusBar && m_wndStatusBar->isVisible())
    UpdateIndicators(platform::GetKeyLocks());
}

void CMainFrame::OnBarCheck(QWidget* bar)
{
  if (bar)
    bar->setVisible(bar->isHidden());
}

void CMainFrame::OnViewFullScreen()
{
  if (m_pFullScreenWnd) {
    m_wndButtonBar->setVisible(m_ButtonBarVisible != 0);
    m_wndStatusBar->setVisible(m_StatusBarVisible != 0);
    m_pFullScreenWnd->setWindowState(m_FullScreenWndPlacement.State);
    m_pFullScreenWnd->restoreGeometry(m_FullScreenWndPlacement.Geometry);
    setWindowState(m_FramePlacement.State);
    restoreGeometry(m_FramePlacement.Geometry);
    m_pFullScreenWnd = nullptr;
    return;
  }
  m_pFullScreenWnd = this;
  m_ButtonBarVisible = !m_wndButtonBar->isHidden();
  m_StatusBarVisible = !m_wndStatusBar->isHidden();
  m_wndButtonBar->hide();
  m_wndStatusBar->hide();
  m_FullScreenWndPlacement = {m_pFullScreenWnd->saveGeometry(), m_pFullScreenWnd->windowState()};
  m_FramePlacement = {saveGeometry(), windowState()};
  const QScreen* screen = this->screen();
  m_FullScreenWindowRect = screen ? screen->geometry() : QRect();
  m_FullScreenRect2 = m_FullScreenWindowRect;
  showFullScreen();
}

// The recorded area is the window's screen rectangle, its width cut down to a multiple of 4.
void CMainFrame::OnAviInit()
{
  QRect rect = frameGeometry();
  rect.setWidth(rect.width() - rect.width() % 4);
  m_AviWriter.Init(kAviFileName, rect);
  m_AviWriter.AddFrame();
}

void CMainFrame::OnAviAddFrame()
{
  m_AviWriter.AddFrame();
}

void CMainFrame::OnAviWrite()
{
  if (m_AviWriter.IsInitialized() && !m_AviWriter.Write())
    platform::MessageBox("Unable to open file for writing");
}

void CMainFrame::OnAviResize43()
{
  const int width = this->width();
  resize(width, width / 4 * 3);
  raise();
}
