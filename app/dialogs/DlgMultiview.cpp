#include "app/dialogs/DlgMultiview.h"

#include "app/RenderView.h"
#include "app/StaticGL.h"
#include "app/dialogs/PaintFrame.h"

#include <QBoxLayout>
#include <QDialog>
#include <QMouseEvent>

namespace {

// Creation and repaint order of the previews.
constexpr int kOrder[4] = {CDlgMultiview::IDC_VIEW_TOP_LEFT, CDlgMultiview::IDC_VIEW_TOP_RIGHT,
                           CDlgMultiview::IDC_VIEW_BOTTOM_LEFT,
                           CDlgMultiview::IDC_VIEW_BOTTOM_RIGHT};

// Places before the first resize: the template's, in pixels.
struct SPlace
{
  int Id, x, y;
};
constexpr SPlace kTemplatePlaces[4] = {{1096, 8, 8}, {1098, 210, 8}, {1097, 8, 165}, {1099, 210, 165}};
constexpr int kTemplateWidth = 195;
constexpr int kTemplateHeight = 150;

} // namespace

CDlgMultiview::CDlgMultiview(CRenderView* pView)
  : CDialog(170, "Multiview"), m_pView(pView), m_pDocument(pView ? pView->GetDocument() : nullptr)
{
}

int CDlgMultiview::Show(CRenderView* pView)
{
  CDlgMultiview dialog(pView);
  return dialog.DoModal();
}

float CDlgMultiview::AzimuthOffset(int id)
{
  switch (id) {
  case IDC_VIEW_TOP_LEFT: return 90.0f;
  case IDC_VIEW_BOTTOM_LEFT: return 180.0f;
  case IDC_VIEW_BOTTOM_RIGHT: return 270.0f;
  default: return 0.0f;
  }
}

CStaticGL* CDlgMultiview::GetView(int id) const
{
  for (CStaticGL* view : m_Views)
    if (view && view->GetId() == id)
      return view;
  return nullptr;
}

void CDlgMultiview::OnInitDialog()
{
  QDialog* window = GetWindow();
  window->setSizeGripEnabled(true);
  m_pClient = new CPaintFrame(window);
  m_pClient->setMinimumSize(413, 323);
  m_pClient->OnMousePress([this](QMouseEvent& event) {
    const QPoint point = event.position().toPoint();
    if (event.button() == Qt::LeftButton)
      OnLButtonDown(point);
    else if (event.button() == Qt::RightButton)
      OnRButtonDown(point);
  });
  m_pClient->OnMouseRelease([this](QMouseEvent&) { OnButtonUp(); });
  m_pClient->OnMouseMove([this](QMouseEvent& event) { OnMouseMove(event.position().toPoint()); });
  m_pClient->OnResize([this](int width, int height) { OnSize(width, height); });
  for (std::size_t i = 0; i < m_Views.size(); i++) {
    m_Views[i] = new CStaticGL(kOrder[i], m_pClient);
    m_Views[i]->Create(m_pDocument);
  }
  for (const SPlace& place : kTemplatePlaces)
    GetView(place.Id)->setGeometry(place.x, place.y, kTemplateWidth, kTemplateHeight);
  UpdateViews();
  static_cast<QBoxLayout*>(window->layout())->insertWidget(0, m_pClient, 1);
  m_Initialized = 1;
}

void CDlgMultiview::OnLButtonDown(QPoint point)
{
  m_LeftButtonDown = 1;
  m_LeftDownPos = point;
}

void CDlgMultiview::OnRButtonDown(QPoint point)
{
  m_RightButtonDown = 1;
  m_RightDownPos = point;
}

void CDlgMultiview::OnButtonUp()
{
  m_LeftButtonDown = 0;
  m_RightButtonDown = 0;
}

void CDlgMultiview::OnMouseMove(QPoint point)
{
  if (m_LeftButtonDown && m_RightButtonDown) {
    m_Azimuth -= static_cast<float>(m_LeftDownPos.x() - point.x()) * m_SpeedRotation;
    m_Elevation -= static_cast<float>(m_LeftDownPos.y() - point.y()) * m_SpeedRotation;
    m_LeftDownPos = m_RightDownPos = point;
  }
  else if (m_LeftButtonDown) {
    m_Translation[0] -= static_cast<float>(m_LeftDownPos.x() - point.x()) * m_SpeedTranslation;
    m_Translation[1] += static_cast<float>(m_LeftDownPos.y() - point.y()) * m_SpeedTranslation;
    m_LeftDownPos = point;
  }
  else if (m_RightButtonDown) {
    m_Translation[2] += static_cast<float>(m_RightDownPos.y() - point.y()) * m_SpeedTranslation;
    m_RightDownPos = point;
  }
  else {
    return;
  }
  UpdateViews();
  RedrawViews();
}

void CDlgMultiview::UpdateViews()
{
  for (CStaticGL* view : m_Views) {
    if (!view)
      continue;
    view->m_xTranslation = m_Translation[0];
    view->m_yTranslation = m_Translation[1];
    view->m_zTranslation = m_Translation[2];
    view->m_xRotation = m_Elevation;
    view->m_yRotation = m_Azimuth + AzimuthOffset(view->GetId());
  }
}

void CDlgMultiview::RedrawViews()
{
  for (int id : kOrder)
    if (CStaticGL* view = GetView(id))
      view->repaint();
}

// Halves by integer division; the right and bottom previews take the odd pixel.
void CDlgMultiview::OnSize(int width, int height)
{
  if (!m_Initialized)
    return;
  const int w = width / 2;
  const int h = height / 2;
  GetView(IDC_VIEW_TOP_LEFT)->setGeometry(0, 0, w - 1, h - 1);
  GetView(IDC_VIEW_TOP_RIGHT)->setGeometry(w, 0, w + 1, h - 1);
  GetView(IDC_VIEW_BOTTOM_LEFT)->setGeometry(0, h + 1, w - 1, h);
  GetView(IDC_VIEW_BOTTOM_RIGHT)->setGeometry(w + 1, h + 1, w, h);
  for (CStaticGL* view : m_Views) {
    view->raise();
    view->show();
  }
}

void CDlgMultiview::OnDestroy()
{
  m_Views.fill(nullptr);
  // Each preview lets go of its context as it goes, leaving none current.
  delete m_pClient;
  m_pClient = nullptr;
  m_Initialized = 0;
}

// The windows that went with the dialog left no context current: the render view's is made
// current again, so that the OpenGL calls that follow (the form's among them) reach it.
void CDlgMultiview::PostNcDestroy()
{
  if (m_pView)
    m_pView->MakeCurrent();
}
