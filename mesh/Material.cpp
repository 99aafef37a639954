#include "mesh/Material.h"

#include <GL/gl.h>

void CMaterial::Apply() const
{
  glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, m_Ambient);
  glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, m_Diffuse);
  glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, m_Specular);
  glMaterialfv(GL_FRONT_AND_BACK, GL_SHININESS, &m_Shininess);
  glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, m_Emission);
}
