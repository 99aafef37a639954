#include "app/objects/VectorSet3d.h"

#include "mesh/DisplayList.h"
#include "mesh/Vertex3d.h"
#include "platform/core/MessageBox.h"

#include <GL/gl.h>

CVectorSet3d::~CVectorSet3d()
{
  m_ArrayPoint.DeleteAll();
  displaylist::Delete(&m_ListDone);
}

void CVectorSet3d::AddVector(CVertex3d* pFrom, CVertex3d* pTo)
{
  m_ArrayPoint.Add(pFrom);
  m_ArrayPoint.Add(pTo);
  m_Modified = 1;
}

int CVectorSet3d::BuildList()
{
  if (NbPoint() == 0 || (m_ListBuilt && !m_Modified))
    return 0;
  if (!displaylist::Begin(&m_ListDone)) {
    platform::MessageBox("CVectorSet3d::BuildList : unable to build DrawList");
    return 0;
  }
  glPushMatrix();
  m_Transform.Apply();
  glColor3ub(m_Color.r(), m_Color.g(), m_Color.b());
  glEnable(GL_POLYGON_OFFSET_LINE);
  glPolygonOffset(1.0f, -1.0f);
  glBegin(GL_LINES);
  // A last point without a partner is not drawn.
  for (int k = 0; k + 1 < NbPoint(); k += 2) {
    const CVertex3d* p = GetPoint(k);
    const CVertex3d* q = GetPoint(k + 1);
    glVertex3f(p->x(), p->y(), p->z());
    glVertex3f(p->x() + (q->x() - p->x()) * m_Ratio, p->y() + (q->y() - p->y()) * m_Ratio,
               p->z() + (q->z() - p->z()) * m_Ratio);
  }
  glEnd();
  glDisable(GL_POLYGON_OFFSET_LINE);
  glPopMatrix();
  glEndList();
  m_ListBuilt = 1;
  m_Modified = 0;
  return 1;
}

int CVectorSet3d::Draw()
{
  const GLboolean lighting = glIsEnabled(GL_LIGHTING);
  glDisable(GL_LIGHTING);
  const int drawn = displaylist::DrawOnce(this, m_ListDone, m_ListBuilt, m_Modified);
  if (lighting)
    glEnable(GL_LIGHTING);
  return drawn;
}
