#include "mesh/Edge3d.h"

#include "mesh/Face3d.h"
#include "mesh/Vertex3d.h"

#include <GL/gl.h>

int CEdge3d::IsSameEdge(const CEdge3d* pEdge) const
{
  const int matches = (m_pVertex1 == pEdge->m_pVertex1) + (m_pVertex1 == pEdge->m_pVertex2) +
                      (m_pVertex2 == pEdge->m_pVertex1) + (m_pVertex2 == pEdge->m_pVertex2);
  return matches >= 2 ? 1 : 0;
}

int CEdge3d::IsSharp(double threshold) const
{
  if (!m_pFace1 || !m_pFace2)
    return 0;
  return AbsSinusFaces(m_pFace1, m_pFace2) >= threshold ? 1 : 0;
}

void CEdge3d::glDraw(const CColor* pColor) const
{
  glColor3ub(pColor->r(), pColor->g(), pColor->b());
  glBegin(GL_LINES);
  glVertex3f(m_pVertex1->x(), m_pVertex1->y(), m_pVertex1->z());
  glVertex3f(m_pVertex2->x(), m_pVertex2->y(), m_pVertex2->z());
  glEnd();
}

void CEdge3d::glDrawWithFaces(const CColor* pColor, const CColor* pFaceColor) const
{
  glDraw(pColor);
  if (m_pFace1)
    m_pFace1->glDraw(pFaceColor, nullptr, nullptr);
  if (m_pFace2)
    m_pFace2->glDraw(pFaceColor, nullptr, nullptr);
}
