#include "app/objects/VisualModeObject.h"

#include "platform/core/Random.h"

#include <GL/gl.h>
#include <GL/glu.h>

const std::array<CVisualModeObject::SCell, 16> CVisualModeObject::kCells = {{
  {-0.75f, 0.75f, GL_LINE, false, 255, 255, 255},
  {-0.25f, 0.75f, GL_POINT, false, 255, 255, 255},
  {0.25f, 0.75f, GL_LINE, false, 0, 128, 255},
  {0.75f, 0.75f, GL_FILL, false, 255, 255, 255},
  {-0.75f, 0.25f, GL_LINE, true, 255, 255, 255},
  {-0.25f, 0.25f, GL_FILL, true, 255, 255, 255},
  {0.25f, 0.25f, GL_LINE, true, 255, 255, 255},
  {0.75f, 0.25f, GL_FILL, true, 255, 255, 255},
  {-0.75f, -0.25f, GL_LINE, false, 255, 255, 255},
  {-0.25f, -0.25f, GL_FILL, false, 255, 255, 255},
  {0.25f, -0.25f, GL_LINE, false, 192, 192, 192},
  {0.75f, -0.25f, GL_FILL, false, 255, 255, 255},
  {-0.75f, -0.75f, GL_LINE, true, 255, 255, 255},
  {-0.25f, -0.75f, GL_FILL, true, 255, 255, 255},
  {0.25f, -0.75f, GL_LINE, true, 255, 255, 255},
  {0.75f, -0.75f, GL_FILL, true, 255, 255, 255},
}};

CVisualModeObject::CVisualModeObject(double fovy, double aspect) : m_Fovy(fovy), m_Aspect(aspect)
{
  for (double& value : m_Random)
    value = platform::Rand();
}

void CVisualModeObject::DrawCells() const
{
  GLUquadric* pQuadric = gluNewQuadric();
  if (!pQuadric)
    return;
  for (std::size_t k = 0; k < kCells.size(); k++) {
    const SCell& cell = kCells[k];
    glPolygonMode(GL_FRONT_AND_BACK, cell.mode);
    if (cell.lighting)
      glEnable(GL_LIGHTING);
    else
      glDisable(GL_LIGHTING);
    glColor3ub(cell.r, cell.g, cell.b);
    glPushMatrix();
    glTranslatef(cell.x, cell.y, 0.0f);
    glRotated(m_Random[4 * k], m_Random[4 * k + 1], m_Random[4 * k + 2], m_Random[4 * k + 3]);
    gluSphere(pQuadric, m_Radius, 20, 20);
    glPopMatrix();
  }
  gluDeleteQuadric(pQuadric);
}

// The view's projection, at the aspect of the viewport as it is now: the window may have
// been resized since the chart was made.
void CVisualModeObject::RestoreProjection() const
{
  GLint viewport[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, viewport);
  double aspect = m_Aspect;
  if (viewport[2] > 0)
    aspect = viewport[3] > 0 ? static_cast<double>(viewport[2]) / viewport[3] : viewport[2];
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(m_Fovy, aspect, 0.1, 1000.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

int CVisualModeObject::Draw()
{
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  GLint polygonMode[2] = {GL_FILL, GL_FILL};
  glGetIntegerv(GL_POLYGON_MODE, polygonMode);
  const GLboolean lighting = glIsEnabled(GL_LIGHTING);

  DrawCells();

  RestoreProjection();
  glPolygonMode(GL_FRONT, static_cast<GLenum>(polygonMode[0]));
  glPolygonMode(GL_BACK, static_cast<GLenum>(polygonMode[1]));
  if (lighting)
    glEnable(GL_LIGHTING);
  else
    glDisable(GL_LIGHTING);
  if (m_Radius < kRadiusLimit)
    m_Radius += kRadiusStep;
  return 1;
}
