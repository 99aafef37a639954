#include "app/PlaceholderCommandView.h"

CPlaceholderCommandView::CPlaceholderCommandView(platform::CDocument* pDocument)
  : m_pDocument(pDocument)
{
  setObjectName("CommandView");
  setFocusPolicy(Qt::StrongFocus);
  setMinimumSize(50, 50);
}
