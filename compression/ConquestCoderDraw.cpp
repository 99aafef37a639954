#include "compression/ConquestCoder.h"

#include "mesh/Mesh3d.h"
#include "mesh/Vertex3d.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {
struct CQuadricDeleter
{
  void operator()(GLUquadric* pQuadric) const { gluDeleteQuadric(pQuadric); }
};
using QuadricPtr = std::unique_ptr<GLUquadric, CQuadricDeleter>;

// A cylinder of the given length from the point along the direction (z turned onto it).
void DrawCylinder(GLUquadric* pQuadric, const CVector3d& from, const CVector3d& direction,
                  double length, double r1, double r2, int slices)
{
  if (length <= 0.0)
    return;
  glPushMatrix();
  glTranslatef(from.x(), from.y(), from.z());
  const CVector3d axis = CVector3d(0.0f, 0.0f, 1.0f) ^ direction;
  const double cosine = direction.z() / direction.GetNorm();
  const double angle = std::acos(std::clamp(cosine, -1.0, 1.0)) * 180.0 / 3.14159265358979323846;
  if (axis.GetSquareNorm() > 0.0)
    glRotated(angle, axis.x(), axis.y(), axis.z());
  else if (cosine < 0.0)
    glRotated(180.0, 1.0, 0.0, 0.0);
  gluCylinder(pQuadric, r1, r2, length, slices, 1);
  glPopMatrix();
}
} // namespace

int CConquestCoder::Draw()
{
  if (!m_pMesh)
    return 0;
  const QuadricPtr pQuadric(gluNewQuadric());
  if (!pQuadric)
    return 0;
  const GLboolean lighting = glIsEnabled(GL_LIGHTING);
  GLint polygonMode[2] = {GL_FILL, GL_FILL};
  glGetIntegerv(GL_POLYGON_MODE, polygonMode);
  glDisable(GL_LIGHTING);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glPushMatrix();
  m_pMesh->GetTransform()->Apply();

  if (m_pCurrent) {
    for (const CVertex3d* v : *m_pCurrent) {
      double factor = 0.1;
      if (v == m_pGhostVertex)
        factor = 0.025;
      else if (m_pGhostVertex && v->IsNeighbor(m_pGhostVertex))
        factor = 0.03;
      glColor3ub(v->GetColor()->r(), v->GetColor()->g(), v->GetColor()->b());
      glPushMatrix();
      glTranslatef(v->x(), v->y(), v->z());
      gluSphere(pQuadric.get(), v->GetMeanLengthEdgeAround() * factor, 16, 16);
      glPopMatrix();
    }
  }
  if (m_DrawLists)
    DrawLists(pQuadric.get());

  glPopMatrix();
  glPolygonMode(GL_FRONT, static_cast<GLenum>(polygonMode[0]));
  glPolygonMode(GL_BACK, static_cast<GLenum>(polygonMode[1]));
  if (lighting)
    glEnable(GL_LIGHTING);
  return 1;
}

void CConquestCoder::DrawLists(GLUquadric* pQuadric) const
{
  const auto radius = [this](const CVertex3d* v) {
    const double r = 0.04 * v->GetMeanLengthEdgeAround();
    return v == m_pGhostVertex ? r / 4.0 : r;
  };
  for (const auto& pList : m_Stack) {
    if (pList.get() == m_pCurrent)
      glColor3ub(0, 255, 204);
    else
      glColor3ub(51, 153, 255);
    for (auto it = pList->begin(); it != pList->end(); ++it) {
      const CVertex3d* a = *it;
      const CVertex3d* b = pList->GetNextVertex(it);
      const CVector3d from = CVector3d::GetPoint(a);
      const CVector3d direction(a, b);
      const double length = direction.GetNorm();
      DrawCylinder(pQuadric, from, direction, length, radius(a), radius(b), 10);
      CVector3d middle = from;
      middle.Translate(direction.x() / 2.0f, direction.y() / 2.0f, direction.z() / 2.0f);
      DrawCylinder(pQuadric, middle, direction, length / 10.0, radius(a), radius(b), 32);
    }
  }
}
