#include "app/objects/VertexSet3d.h"

#include "mesh/DisplayList.h"
#include "mesh/Mesh3d.h"

#include <GL/gl.h>
#include <GL/glu.h>

CVertexSet3d::~CVertexSet3d()
{
  if (m_OwnVertices)
    m_ArrayVertex.DeleteAll();
  displaylist::Delete(&m_ListDone);
}

int CVertexSet3d::AddVertex(CVertex3d* pVertex, float radius)
{
  m_ArrayRadius.push_back(radius);
  m_Modified = 1;
  return m_ArrayVertex.Add(pVertex);
}

int CVertexSet3d::AddColoredVertex(CVertex3d* pVertex, const CColor* pColor, float radius)
{
  pVertex->SetColor(pColor);
  return AddVertex(pVertex, radius);
}

void CVertexSet3d::InsertVertex(int index, CVertex3d* pVertex, float radius)
{
  m_ArrayVertex.InsertAt(index, pVertex);
  m_ArrayRadius.insert(m_ArrayRadius.begin() + index, radius);
  m_Modified = 1;
}

int CVertexSet3d::BuildList()
{
  if (NbVertex() == 0 || (m_ListBuilt && !m_Modified))
    return 0;
  if (!displaylist::Begin(&m_ListDone))
    return 0;
  if (m_pMesh) {
    glPushMatrix();
    m_pMesh->GetTransform()->Apply();
  }
  GLUquadric* pQuadric = gluNewQuadric();
  for (int i = 0; i < NbVertex() && pQuadric; i++) {
    const CVertex3d* v = GetVertex(i);
    glColor3ub(v->GetColor()->r(), v->GetColor()->g(), v->GetColor()->b());
    glPushMatrix();
    glTranslatef(v->x(), v->y(), v->z());
    gluSphere(pQuadric, m_ArrayRadius.empty() ? m_Radius : GetRadius(i), 12, 12);
    glPopMatrix();
  }
  if (pQuadric)
    gluDeleteQuadric(pQuadric);
  if (m_pMesh)
    glPopMatrix();
  glEndList();
  m_ListBuilt = 1;
  m_Modified = 0;
  return 1;
}

int CVertexSet3d::Draw()
{
  if (!m_Show)
    return 0;
  const GLboolean lighting = glIsEnabled(GL_LIGHTING);
  GLint polygonMode[2] = {GL_FILL, GL_FILL};
  glGetIntegerv(GL_POLYGON_MODE, polygonMode);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glDisable(GL_LIGHTING);
  // The state is set first so that a list compiled now executes under it too.
  const int drawn = displaylist::DrawOnce(this, m_ListDone, m_ListBuilt, m_Modified);
  if (lighting)
    glEnable(GL_LIGHTING);
  glPolygonMode(GL_FRONT, static_cast<GLenum>(polygonMode[0]));
  glPolygonMode(GL_BACK, static_cast<GLenum>(polygonMode[1]));
  return drawn;
}
