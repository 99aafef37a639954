#include "app/ChildFrame.h"

#include "app/FormCommandView.h"
#include "app/RenderView.h"
#include "app/resources/Resource.h"

#include <QSplitter>

namespace {
const int kInitialPaneSize = 200;

// The two panes' widgets.
QWidget* CreateCommandView(platform::CDocument* pDocument)
{
  return new CFormCommandView(pDocument);
}

QWidget* CreateRenderView(platform::CDocument* pDocument)
{
  return new CRenderView(pDocument);
}
} // namespace

CChildFrame::CChildFrame(platform::CDocument* pDocument) : platform::CMDIChildWnd(pDocument)
{
  m_CommandMap.On(platform::ID_NEXT_PANE, [this] { OnNextPane(1); });
  m_CommandMap.On(platform::ID_PREV_PANE, [this] { OnNextPane(-1); });
}

bool CChildFrame::OnCreateClient()
{
  auto* splitter = new QSplitter(Qt::Horizontal);
  QWidget* commandView = CreateCommandView(GetActiveDocument());
  QWidget* renderView = CreateRenderView(GetActiveDocument());
  if (!commandView || !renderView) {
    delete commandView;
    delete renderView;
    delete splitter;
    return false;
  }
  splitter->addWidget(commandView);
  splitter->addWidget(renderView);
  splitter->setChildrenCollapsible(false);
  splitter->setSizes({kInitialPaneSize, kInitialPaneSize});
  splitter->setStretchFactor(1, 1);
  m_wndSplitter = splitter;
  setWidget(splitter);
  return true;
}

QWidget* CChildFrame::GetPane(int row, int column) const
{
  if (!m_wndSplitter || row != 0 || column < 0 || column >= m_wndSplitter->count())
    return nullptr;
  return m_wndSplitter->widget(column);
}

platform::CCmdTarget* CChildFrame::GetActiveView() const
{
  return dynamic_cast<platform::CCmdTarget*>(GetPane(0, 1));
}

// F6 and Shift+F6 move the focus to the other pane.
void CChildFrame::OnNextPane(int step)
{
  if (!m_wndSplitter || m_wndSplitter->count() == 0)
    return;
  const int count = m_wndSplitter->count();
  int current = 0;
  for (int i = 0; i < count; i++)
    if (m_wndSplitter->widget(i)->isAncestorOf(focusWidget()) || m_wndSplitter->widget(i) == focusWidget())
      current = i;
  m_wndSplitter->widget(((current + step) % count + count) % count)->setFocus();
}
