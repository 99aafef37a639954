#include "mesh/HashCell.h"

#include "mesh/Face3d.h"
#include "mesh/GeometryUtil.h"
#include "mesh/Vertex3d.h"

#include <GL/gl.h>

CHashCell::CHashCell(int i, int j, int k, float xmin, float xmax, float ymin, float ymax,
                     float zmin, float zmax)
  : m_Min{xmin, ymin, zmin}, m_Max{xmax, ymax, zmax}, m_i(i), m_j(j), m_k(k)
{
}

int CHashCell::Contains(const CVertex3d* p) const
{
  for (int axis = 0; axis < 3; axis++)
    if (p->Get(axis) < m_Min[axis] || p->Get(axis) > m_Max[axis])
      return 0;
  return 1;
}

int CHashCell::ContainsFace(const CFace3d* pFace) const
{
  for (int i = 0; i < 3; i++)
    if (Contains(pFace->v(i)))
      return 1;
  return 0;
}

double CHashCell::SquareDistanceToFaces(const CVertex3d* p, CVertex3d* pNearest,
                                        CFace3d** ppFace) const
{
  return SquareDistanceFromVertexToFaces(p, pNearest, ppFace, &m_ArrayFace);
}

void CHashCell::Draw() const
{
  DrawBox(m_Min[0], m_Max[0], m_Min[1], m_Max[1], m_Min[2], m_Max[2]);
}

void DrawBox(float xmin, float xmax, float ymin, float ymax, float zmin, float zmax)
{
  glBegin(GL_LINE_STRIP);
  glVertex3f(xmin, ymin, zmin);
  glVertex3f(xmax, ymin, zmin);
  glVertex3f(xmax, ymax, zmin);
  glVertex3f(xmin, ymax, zmin);
  glVertex3f(xmin, ymin, zmin);
  glVertex3f(xmin, ymin, zmax);
  glVertex3f(xmax, ymin, zmax);
  glVertex3f(xmax, ymax, zmax);
  glVertex3f(xmin, ymax, zmax);
  glVertex3f(xmin, ymin, zmax);
  glEnd();
  glBegin(GL_LINES);
  glVertex3f(xmax, ymin, zmin);
  glVertex3f(xmax, ymin, zmax);
  glVertex3f(xmax, ymax, zmin);
  glVertex3f(xmax, ymax, zmax);
  glVertex3f(xmin, ymax, zmin);
  glVertex3f(xmin, ymax, zmax);
  glEnd();
}
