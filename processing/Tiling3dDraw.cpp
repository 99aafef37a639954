#include "processing/Tiling3d.h"

#include "mesh/DisplayList.h"
#include "processing/TilingNode.h"

#include <GL/gl.h>

int CTiling3d::BuildList()
{
  displaylist::Delete(&m_List);
  m_ListBuilt = 0;
  if (NbNode() == 0 || !displaylist::Begin(&m_List))
    return 0;
  glPushMatrix();
  GetTransform()->Apply();
  const CColor vertexColor(0, 255, 0);
  const CColor faceColor(255, 0, 0);
  for (int i = 0; i < NbNode(); i++) {
    CTilingNode* n = GetNode(i);
    m_Vertex.Set(n->x(), n->y(), n->z());
    m_Vertex.glDraw(static_cast<float>(n->Size() / 10.0),
                    n->IsFaceBased() ? &faceColor : &vertexColor, nullptr);
    glColor3ub(0, 0, 255);
    glLineWidth(3.0f);
    glBegin(GL_LINES);
    for (int j = 0; j < n->NbNeighbor(); j++) {
      const CTilingNode* m = n->GetNeighbor(j);
      glVertex3f(n->x(), n->y(), n->z());
      glVertex3f(m->x(), m->y(), m->z());
    }
    glEnd();
    glLineWidth(1.0f);
    n->SetMark(1);
  }
  glPopMatrix();
  displaylist::End();
  m_ListBuilt = 1;
  SetModified(0);
  return 1;
}

int CTiling3d::Draw()
{
  if (!IsShown())
    return 0;
  const GLboolean lighting = glIsEnabled(GL_LIGHTING);
  glDisable(GL_LIGHTING);
  // Compiling executes the list too: calling it afterwards would draw the nodes twice.
  const int drawn = displaylist::DrawOnce(this, m_List, m_ListBuilt, GetModified());
  if (lighting)
    glEnable(GL_LIGHTING);
  return drawn;
}
