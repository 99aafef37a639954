#include "document/VanthDoc.h"

#include "app/FormCommandView.h"
#include "app/RenderView.h"
#include "app/dialogs/DlgProperties.h"
#include "app/dialogs/DlgRange.h"
#include "app/dialogs/DlgTexture.h"
#include "app/resources/Resource.h"
#include "compression/Quantizer.h"
#include "mesh/Mesh3d.h"
#include "platform/core/Status.h"
#include "platform/ui/WaitCursor.h"

#include <GL/gl.h>
#include <QAbstractButton>

#include <iterator>

namespace {

// Where "Highlight next vertex" lands after the last vertex, and the vertex of the test mesh
// that its entry shows; both fall back to vertex 0 on meshes too small for them.
constexpr int kNextVertexAfterLast = 182;
constexpr int kTestModelVertex = 268;

// The form's polygon-mode radio group, by button.
enum EFormMode { FORM_VERTEX, FORM_WIREFRAME, FORM_FACE };

// A highlight switched on starts again at the first element.
void ToggleHighlight(int* pFlag, int* pIndex)
{
  *pFlag = !*pFlag;
  if (*pFlag)
    *pIndex = 0;
}

// The index one further; `wrap` replaces it when it reaches the count. An index that does
// not name an element of the mesh is stored back as 0 at once, so that no command meets it.
void StepIndex(int* pIndex, int count, int wrap)
{
  ++*pIndex;
  if (*pIndex == count)
    *pIndex = wrap;
  if (*pIndex < 0 || *pIndex >= count)
    *pIndex = 0;
}

void SetFormCheck(CFormCommandView& form, int id, bool checked)
{
  if (auto* pButton = qobject_cast<QAbstractButton*>(form.Control(id)))
    pButton->setChecked(checked);
}

// The form shows the display mode the menu chose; its members follow, so that its own
// controls toggle from the state they show. A negative gouraud leaves that box alone.
void ShowModeOnForm(EFormMode mode, int gouraud)
{
  auto* pForm = dynamic_cast<CFormCommandView*>(CVanthDoc::GetCommandView());
  if (!pForm)
    return;
  SetFormCheck(*pForm, IDC_VERTEX, mode == FORM_VERTEX);
  SetFormCheck(*pForm, IDC_WIREFRAME, mode == FORM_WIREFRAME);
  SetFormCheck(*pForm, IDC_FACE, mode == FORM_FACE);
  pForm->m_PolygonMode = mode;
  if (gouraud < 0)
    return;
  SetFormCheck(*pForm, IDC_GOURAUD, gouraud != 0);
  pForm->m_Gouraud = gouraud;
}

} // namespace

void CVanthDoc::RegisterGeometryCommands()
{
  OnCommand(ID_GEOMETRY_PROPERTIES, &CVanthDoc::OnGeometryProperties, TYPE_MESH3D);
  OnCommand(ID_GEOMETRY_RANGE, &CVanthDoc::OnGeometryRange, TYPE_MESH3D);
  OnCommand(ID_GEOMETRY_MEAN_COMPACITY, &CVanthDoc::OnGeometryMeanCompacity, TYPE_MESH3D);
  OnCommand(ID_TEXTURES_EDIT, &CVanthDoc::OnTexturesEdit, TYPE_MESH3D);
  OnCommand(ID_TEXTURES_VIEW, &CVanthDoc::OnTexturesView, TYPE_MESH3D);
  OnCommand(ID_MODE_FLAT, &CVanthDoc::OnModeFlat, kAlways);
  OnCommand(ID_MODE_GOURAUD, &CVanthDoc::OnModeGouraud, kAlways);
  OnCommand(ID_MODE_LINE, &CVanthDoc::OnModeLine, &CVanthDoc::OnUpdateModeLine);
  OnCommand(ID_MODE_LIGHT, &CVanthDoc::OnModeLight, &CVanthDoc::OnUpdateModeLight);
  OnCommand(ID_HIGHLIGHT_FACE, &CVanthDoc::OnHighlightFace, &CVanthDoc::OnUpdateHighlightFace);
  OnCommand(ID_HIGHLIGHT_VERTEX, &CVanthDoc::OnHighlightVertex, &CVanthDoc::OnUpdateHighlightVertex);
  OnCommand(ID_DEBUG_HIGHLIGHT_COLLAPSE, &CVanthDoc::OnDebugHighlightCollapse, kAlways);
  OnCommand(ID_DEBUG_NEXT_COLLAPSE, &CVanthDoc::OnDebugNextCollapse, kAlways);
  OnCommand(ID_DEBUG_NEXT_VERTEX, &CVanthDoc::OnDebugNextVertex, kAlways);
  OnCommand(ID_DEBUG_NEXT_FACE, &CVanthDoc::OnDebugNextFace, kAlways);
  OnCommand(ID_ADVANCED_TEST_MODEL_VERTEX, &CVanthDoc::OnAdvancedTestModelVertex, TYPE_MESH3D);
  OnCommand(ID_HELP_DEBUG, &CVanthDoc::OnHelpDebug, kAlways);
}

void CVanthDoc::OnGeometryProperties()
{
  CDlgProperties dialog(&m_SceneGraph);
  dialog.DoModal();
}

void CVanthDoc::OnGeometryRange()
{
  CDlgRange dialog(GetOwnRenderView(), &m_SceneGraph);
  dialog.DoModal();
}

void CVanthDoc::OnGeometryMeanCompacity()
{
  const CMesh3d* pMesh = GetFirstMesh();
  if (!pMesh)
    return;
  platform::CWaitCursor wait;
  platform::StatusMessage("Mean compacity: %g", pMesh->MeanCompacity());
}

void CVanthDoc::OnTexturesEdit()
{
  CDlgTexture dialog(GetFirstMesh());
  dialog.DoModal();
}

void CVanthDoc::OnTexturesView()
{
  CRenderView* pView = GetOwnRenderView();
  if (!pView || !pView->MakeCurrent())
    return;
  glEnable(GL_TEXTURE_2D);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
}

void CVanthDoc::OnModeFlat()
{
  CRenderView* pView = GetOwnRenderView();
  if (pView && pView->MakeCurrent()) {
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glShadeModel(GL_FLAT);
  }
  m_SceneGraph.SetNormalBinding(1);
  m_SceneGraph.SetColorBinding(1);
  ShowModeOnForm(FORM_FACE, 0);
  InvalidateViews();
}

void CVanthDoc::OnModeGouraud()
{
  CRenderView* pView = GetOwnRenderView();
  if (pView && pView->MakeCurrent()) {
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glShadeModel(GL_SMOOTH);
  }
  m_SceneGraph.SetNormalBinding(0);
  m_SceneGraph.SetColorBinding(0);
  ShowModeOnForm(FORM_FACE, 1);
  InvalidateViews();
}

void CVanthDoc::OnModeLine()
{
  CRenderView* pView = GetOwnRenderView();
  if (pView && pView->MakeCurrent())
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
  ShowModeOnForm(FORM_WIREFRAME, -1);
  InvalidateViews();
}

void CVanthDoc::OnUpdateModeLine(platform::CCmdUI& ui)
{
  GLint mode[2] = {GL_FILL, GL_FILL};
  CRenderView* pView = GetOwnRenderView();
  if (pView && pView->MakeCurrent())
    glGetIntegerv(GL_POLYGON_MODE, mode);
  ui.SetCheck(mode[0] == GL_LINE ? 1 : 0);
}

void CVanthDoc::OnModeLight()
{
  m_Lighting = !m_Lighting;
  CRenderView* pView = GetOwnRenderView();
  if (pView && pView->MakeCurrent()) {
    if (m_Lighting)
      glEnable(GL_LIGHTING);
    else
      glDisable(GL_LIGHTING);
  }
  InvalidateViews();
}

void CVanthDoc::OnUpdateModeLight(platform::CCmdUI& ui)
{
  ui.SetCheck(m_Lighting ? 1 : 0);
}

void CVanthDoc::OnHighlightFace()
{
  ToggleHighlight(&m_HighlightFace, &m_HighlightFaceIndex);
  InvalidateViews();
}

void CVanthDoc::OnUpdateHighlightFace(platform::CCmdUI& ui)
{
  ui.SetCheck(m_HighlightFace ? 1 : 0);
}

void CVanthDoc::OnHighlightVertex()
{
  ToggleHighlight(&m_HighlightVertex, &m_HighlightVertexIndex);
  InvalidateViews();
}

void CVanthDoc::OnUpdateHighlightVertex(platform::CCmdUI& ui)
{
  ui.SetCheck(m_HighlightVertex ? 1 : 0);
}

void CVanthDoc::OnDebugHighlightCollapse()
{
  ToggleHighlight(&m_HighlightCollapse, &m_CollapseVertexIndex);
  InvalidateViews();
}

// The index commands count against object 0 when it is a triangle mesh; the drawing keeps
// every index inside the mesh it draws.
void CVanthDoc::OnDebugNextCollapse()
{
  const CMesh3d* pMesh = GetFirstMesh();
  StepIndex(&m_CollapseVertexIndex, pMesh ? pMesh->NbVertex() : 0, 0);
  InvalidateViews();
}

void CVanthDoc::OnDebugNextVertex()
{
  const CMesh3d* pMesh = GetFirstMesh();
  StepIndex(&m_HighlightVertexIndex, pMesh ? pMesh->NbVertex() : 0, kNextVertexAfterLast);
  InvalidateViews();
}

void CVanthDoc::OnDebugNextFace()
{
  const CMesh3d* pMesh = GetFirstMesh();
  StepIndex(&m_HighlightFaceIndex, pMesh ? pMesh->NbFace() : 0, 0);
  InvalidateViews();
}

void CVanthDoc::OnAdvancedTestModelVertex()
{
  const CMesh3d* pMesh = GetFirstMesh();
  m_HighlightVertexIndex = pMesh && kTestModelVertex < pMesh->NbVertex() ? kTestModelVertex : 0;
  InvalidateViews();
}

// Runs the successive quantizer over values that straddle its thresholds; the rows go to
// the trace only.
void CVanthDoc::OnHelpDebug()
{
  static const float kValues[] = {0.1171875f, 0.9999f, 0.75f,    0.101f,  0.8125f,
                                  0.005f,     0.00071f, 0.0002f, 0.04f,   3e-7f};
  CQuantizer::SuccessiveQuantization(32, kValues, static_cast<int>(std::size(kValues)));
}
