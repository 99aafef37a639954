#include "document/VanthDoc.h"

#include "app/RenderView.h"
#include "mesh/Mesh3d.h"

// The command layer: each group registers its handlers next to their update handlers in the
// group's own source file, so a menu id leads to its handler in one step.
CVanthDoc::CVanthDoc()
{
  RegisterSimplificationCommands();
  RegisterSubdivisionCommands();
  RegisterModificationCommands();
  RegisterGeometryCommands();
  RegisterStatisticsCommands();
  RegisterGateCodingCommands();
  RegisterValenceCodingCommands();
  RegisterPositionCodingCommands();
  RegisterStructureCodingCommands();
  RegisterPackingCommands();
  RegisterSceneCommands();
  RegisterRibbonCommands();
  RegisterErrorMeasureCommands();
  RegisterConversionCommands();
  RegisterProgressiveCommands();
}

void CVanthDoc::OnCommand(unsigned id, void (CVanthDoc::*handler)(), int type)
{
  if (type == kAlways) {
    m_CommandMap.On(id, [this, handler] { (this->*handler)(); });
    return;
  }
  m_CommandMap.On(id, [this, handler] { (this->*handler)(); },
                  [this, type](platform::CCmdUI& ui) { ui.Enable(IsFirstObjectOfType(type) != 0); });
}

void CVanthDoc::OnCommand(unsigned id, void (CVanthDoc::*handler)(),
                          void (CVanthDoc::*update)(platform::CCmdUI&))
{
  m_CommandMap.On(id, [this, handler] { (this->*handler)(); },
                  [this, update](platform::CCmdUI& ui) { (this->*update)(ui); });
}

CMesh3d* CVanthDoc::GetFirstMesh() const
{
  if (!IsFirstObjectOfType(TYPE_MESH3D))
    return nullptr;
  return static_cast<CMesh3d*>(m_SceneGraph.GetAt(0));
}

CRenderView* CVanthDoc::GetOwnRenderView() const
{
  return m_RenderViews.empty() ? nullptr : m_RenderViews.front();
}

void CVanthDoc::InvalidateViews()
{
  for (CRenderView* pView : m_RenderViews)
    pView->update();
}

void CVanthDoc::RedrawViewsNow()
{
  for (CRenderView* pView : m_RenderViews)
    pView->RedrawNow();
}

int CVanthDoc::ReplaceSceneByDecoding(CObject3d* pObject, const std::function<int()>& decode)
{
  CArray3d<CObject3d>* pObjects = m_SceneGraph.GetArrayObject();
  std::vector<CObject3d*> previous(pObjects->GetData(), pObjects->GetData() + pObjects->GetSize());
  pObjects->RemoveAll();
  m_SceneGraph.Add(pObject);
  const int result = decode();
  pObjects->RemoveAll();
  for (CObject3d* pPrevious : previous)
    m_SceneGraph.Add(pPrevious);
  if (result) {
    EmptyScene();
    m_SceneGraph.Add(pObject);
  } else {
    MakeViewContextCurrent();
    delete pObject;
  }
  return result;
}
