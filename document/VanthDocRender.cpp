#include "document/VanthDoc.h"

#include "app/RenderView.h"
#include "mesh/Mesh3d.h"

#include <GL/gl.h>
#include <QOpenGLContext>

#include <algorithm>

namespace {

const CColor kRed(255, 0, 0);
const CColor kGreen(0, 255, 0);

// Indices kept across commands are checked when drawn: one outside the array falls back to 0.
int ClampIndex(int* pIndex, int size)
{
  if (*pIndex < 0 || *pIndex >= size)
    *pIndex = 0;
  return *pIndex;
}

} // namespace

int CVanthDoc::IsFirstObjectOfType(int type) const
{
  return m_SceneGraph.NbObject() > 0 && m_SceneGraph.GetAt(0)->GetType() == type ? 1 : 0;
}

void CVanthDoc::AddRenderView(CRenderView* pView)
{
  if (pView && std::find(m_RenderViews.begin(), m_RenderViews.end(), pView) == m_RenderViews.end())
    m_RenderViews.push_back(pView);
}

void CVanthDoc::RemoveRenderView(CRenderView* pView)
{
  std::erase(m_RenderViews, pView);
}

void CVanthDoc::MakeViewContextCurrent()
{
  const bool current = std::any_of(m_RenderViews.begin(), m_RenderViews.end(),
                                   [](CRenderView* pView) { return pView->MakeCurrent(); });
  // The names the scene holds mean other objects, or nothing, in any other context: without
  // a view context, OpenGL calls must reach no context at all.
  if (!current) {
    if (QOpenGLContext* other = QOpenGLContext::currentContext())
      other->doneCurrent();
  }
}

void CVanthDoc::EmptyScene()
{
  ForgetDecimationMesh(nullptr);
  MakeViewContextCurrent();
  m_SceneGraph.RemoveAll();
}

void CVanthDoc::DeleteObject(int index)
{
  if (index < 0 || index >= m_SceneGraph.NbObject())
    return;
  ForgetDecimationMesh(m_SceneGraph.GetAt(index));
  MakeViewContextCurrent();
  delete m_SceneGraph.GetAt(index);
  m_SceneGraph.GetArrayObject()->RemoveAt(index);
}

void CVanthDoc::ReleaseScene()
{
  EmptyScene();
  for (CRenderView* pView : m_RenderViews)
    pView->DetachDocument();
  m_RenderViews.clear();
}

void CVanthDoc::RenderScene()
{
  if (m_SceneGraph.NbObject() == 0)
    return;
  glLineWidth(m_LineWidth);
  glEnable(GL_POLYGON_OFFSET_FILL);
  glPolygonOffset(m_FillOffset, 1.0f);
  m_SceneGraph.Draw();
  glDisable(GL_POLYGON_OFFSET_FILL);

  if (!m_HighlightVertex && !m_HighlightFace && !m_HighlightCollapse && !m_WireframeOverlay)
    return;
  GLint polygonMode[2] = {GL_FILL, GL_FILL};
  glGetIntegerv(GL_POLYGON_MODE, polygonMode);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glDisable(GL_LIGHTING);
  if (IsFirstObjectOfType(TYPE_MESH3D))
    DrawHighlights(static_cast<const CMesh3d*>(m_SceneGraph.GetAt(0)));
  if (m_WireframeOverlay)
    DrawWireframe();
  if (m_Lighting)
    glEnable(GL_LIGHTING);
  glPolygonMode(GL_FRONT, static_cast<GLenum>(polygonMode[0]));
  glPolygonMode(GL_BACK, static_cast<GLenum>(polygonMode[1]));
}

// Red sphere on the vertex and half-size green ones on its neighbours; a green sphere on the
// vertex to collapse; the face in red over its green neighbours, with a sphere on each corner
// sized by the corner's mean edge length.
void CVanthDoc::DrawHighlights(const CMesh3d* pMesh)
{
  const int nbVertex = pMesh->NbVertex();
  if (m_HighlightVertex && nbVertex > 0) {
    const CVertex3d* v = pMesh->GetVertex(ClampIndex(&m_HighlightVertexIndex, nbVertex));
    v->glDraw(m_SphereRadius, &kRed, pMesh);
    for (int i = 0; i < v->NbVertexNeighbor(); i++)
      v->GetVertexNeighbor(i)->glDraw(m_SphereRadius / 2.0f, &kGreen, pMesh);
  }
  if (m_HighlightCollapse && nbVertex > 0) {
    const CVertex3d* v = pMesh->GetVertex(ClampIndex(&m_CollapseVertexIndex, nbVertex));
    v->glDraw(m_SphereRadius, &kGreen, pMesh);
  }
  // A face index outside the array draws nothing: the face it meant is gone.
  if (m_HighlightFace && m_HighlightFaceIndex >= 0 && m_HighlightFaceIndex < pMesh->NbFace()) {
    const CFace3d* f = pMesh->GetFace(m_HighlightFaceIndex);
    // The face's outline lies on its neighbours' outlines, drawn just before at the same
    // depth: it must win the depth test there or a face inside a closed mesh never shows.
    GLint depthFunc = GL_LESS;
    glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
    glDepthFunc(GL_LEQUAL);
    f->glDraw(&kRed, pMesh, &kGreen);
    glDepthFunc(static_cast<GLenum>(depthFunc));
    for (int i = 0; i < 3; i++) {
      const CColor color(0, 0, static_cast<std::uint8_t>(100 * i));
      const float radius = static_cast<float>(f->v(i)->GetMeanLengthEdgeAround() / 12.0);
      f->v(i)->glDraw(radius, &color, pMesh);
    }
  }
}

void CVanthDoc::DrawWireframe()
{
  glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
  glEnable(GL_POLYGON_OFFSET_LINE);
  glPolygonOffset(m_WireframeOffset, -1.0f);
  if (m_SingleColorWireframe) {
    m_SceneGraph.SetSingleColorMode(1);
    m_SceneGraph.DrawImmediate(1);
    m_SceneGraph.SetSingleColorMode(0);
  } else {
    m_SceneGraph.DrawObjectsOfType(TYPE_MESH3D);
    m_SceneGraph.DrawObjectsOfType(TYPE_QUADMESH3D);
    m_SceneGraph.DrawObjectsOfType(TYPE_POLYGONMESH3D);
  }
  glDisable(GL_POLYGON_OFFSET_LINE);
}
