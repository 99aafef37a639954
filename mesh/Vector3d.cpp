#include "mesh/Vector3d.h"

#include <cmath>

CVector3d CrossProduct(const CVector3d& u, const CVector3d& v)
{
  return u ^ v;
}

void CVector3d::CrossProduct(const CVector3d& v)
{
  *this = *this ^ v;
}

void CVector3d::CrossProduct(const CVector3d& u, const CVector3d& v)
{
  *this = u ^ v;
}

void CVector3d::SetNorm(float norm)
{
  const double length = GetNorm();
  if (length == 0.0)
    return;
  const double factor = norm / length;
  m_x = static_cast<float>(m_x * factor);
  m_y = static_cast<float>(m_y * factor);
  m_z = static_cast<float>(m_z * factor);
}

int CVector3d::IsCollinear(const CVector3d& v) const
{
  const float rx = v.m_x / m_x;
  const float ry = v.m_y / m_y;
  const float rz = v.m_z / m_z;
  return (rx == ry && ry == rz) ? 1 : 0;
}

void CVector3d::RotateY(double angle)
{
  const double c = std::cos(angle);
  const double s = std::sin(angle);
  const double x = m_x * c + m_z * s;
  const double z = -m_x * s + m_z * c;
  m_x = static_cast<float>(x);
  m_z = static_cast<float>(z);
}

void CVector3d::RotateX(double angle)
{
  const double c = std::cos(angle);
  const double s = std::sin(angle);
  const double y = m_y * c + m_z * s;
  const double z = -m_y * s + m_z * c;
  m_y = static_cast<float>(y);
  m_z = static_cast<float>(z);
}
