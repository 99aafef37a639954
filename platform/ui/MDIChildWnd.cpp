#include "platform/ui/MDIChildWnd.h"

#include "platform/ui/DocTemplate.h"
#include "platform/ui/Document.h"

namespace platform {

CMDIChildWnd::CMDIChildWnd(CDocument* pDocument) : m_pDocument(pDocument)
{
  setAttribute(Qt::WA_DeleteOnClose);
  if (m_pDocument)
    m_pDocument->AddFrame(this);
}

CMDIChildWnd::~CMDIChildWnd()
{
  if (!m_pDocument)
    return;
  CDocument* pDocument = std::exchange(m_pDocument, nullptr);
  if (CMultiDocTemplate* docTemplate = pDocument->GetDocTemplate())
    docTemplate->OnFrameDestroyed(this, pDocument);
  else
    pDocument->RemoveFrame(this);
}

bool CMDIChildWnd::OnCmdMsg(unsigned id, CCmdUI* pCmdUI)
{
  if (CCmdTarget* view = GetActiveView(); view && view->OnCmdMsg(id, pCmdUI))
    return true;
  if (m_pDocument && m_pDocument->OnCmdMsg(id, pCmdUI))
    return true;
  return OnOwnCmdMsg(id, pCmdUI);
}

} // namespace platform
