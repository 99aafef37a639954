#include "mesh/Transform.h"

#include <GL/gl.h>

void CTransform::Apply() const
{
  glTranslatef(m_Translation.x(), m_Translation.y(), m_Translation.z());
  glScalef(m_Scale.x(), m_Scale.y(), m_Scale.z());
  glRotatef(m_RotationAngle, m_Rotation.x(), m_Rotation.y(), m_Rotation.z());
}
