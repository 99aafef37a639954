#include "app/PlaceholderRenderView.h"

CPlaceholderRenderView::CPlaceholderRenderView(platform::CDocument* pDocument)
  : m_pDocument(pDocument)
{
  setObjectName("RenderView");
  setFocusPolicy(Qt::StrongFocus);
  setAutoFillBackground(true);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, Qt::black);
  setPalette(palette);
  setMinimumSize(50, 50);
}
