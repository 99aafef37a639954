#pragma once

#include "mesh/Object3d.h"

#include <cmath>

// A 3D vector of floats; intermediate products are computed in double and stored back.
class CVector3d : public CObject3d
{
public:
  CVector3d() = default;
  CVector3d(float x, float y, float z) : m_x(x), m_y(y), m_z(z) {}
  CVector3d(const CVector3d& v) : CObject3d(), m_x(v.m_x), m_y(v.m_y), m_z(v.m_z) {}
  CVector3d& operator=(const CVector3d& v)
  {
    m_x = v.m_x;
    m_y = v.m_y;
    m_z = v.m_z;
    return *this;
  }
  // p2 - p1, for any points with x(), y(), z().
  template <class P1, class P2>
  CVector3d(const P1* p1, const P2* p2) { Set(p1, p2); }

  int GetType() const override { return TYPE_VECTOR3D; }

  float x() const { return m_x; }
  float y() const { return m_y; }
  float z() const { return m_z; }
  void x(float x) { m_x = x; }
  void y(float y) { m_y = y; }
  void z(float z) { m_z = z; }

  void Set(float x, float y, float z)
  {
    m_x = x;
    m_y = y;
    m_z = z;
  }
  void Set(const CVector3d* v) { Set(v->m_x, v->m_y, v->m_z); }
  void Set(const CVector3d& v) { Set(v.m_x, v.m_y, v.m_z); }
  template <class P1, class P2>
  void Set(const P1* p1, const P2* p2)
  {
    Set(p2->x() - p1->x(), p2->y() - p1->y(), p2->z() - p1->z());
  }
  template <class P>
  void SetFromPoint(const P* p) { Set(p->x(), p->y(), p->z()); }
  void Clear() { Set(0.0f, 0.0f, 0.0f); }

  template <class P>
  static CVector3d GetPoint(const P* p) { return CVector3d(p->x(), p->y(), p->z()); }

  template <class P>
  void Add(const P* p) { Translate(p->x(), p->y(), p->z()); }
  void Add(const CVector3d& v) { Translate(v.m_x, v.m_y, v.m_z); }
  void Translate(float dx, float dy, float dz)
  {
    m_x += dx;
    m_y += dy;
    m_z += dz;
  }
  void Divide(float d)
  {
    m_x /= d;
    m_y /= d;
    m_z /= d;
  }
  void Multiply(float f)
  {
    m_x *= f;
    m_y *= f;
    m_z *= f;
  }

  void CrossProduct(const CVector3d& v);
  void CrossProduct(const CVector3d& u, const CVector3d& v);
  void CrossProduct(const CVector3d* u, const CVector3d* v) { CrossProduct(*u, *v); }
  // Inline: the subdivision steps normalise every face and vertex they make, and the square
  // roots and divisions of neighbouring elements overlap only when they are not behind calls.
  void Normalize()
  {
    const double norm = GetNorm();
    if (norm == 0.0)
      return;
    m_x = static_cast<float>(m_x / norm);
    m_y = static_cast<float>(m_y / norm);
    m_z = static_cast<float>(m_z / norm);
  }
  // Unit normal of the triangle (p0, p1, p2), from the cross product of p1 - p0 and p2 - p0;
  // zero for a degenerate one. Inline for the same reason as Normalize.
  template <class P>
  static CVector3d UnitNormal(const P* p0, const P* p1, const P* p2)
  {
    CVector3d normal(CVector3d(p0, p1) ^ CVector3d(p0, p2));
    normal.Normalize();
    return normal;
  }
  void SetNorm(float norm);
  double GetSquareNorm() const
  {
    return static_cast<double>(m_x) * m_x + static_cast<double>(m_y) * m_y +
           static_cast<double>(m_z) * m_z;
  }
  double GetNorm() const { return std::sqrt(GetSquareNorm()); }
  int IsCollinear(const CVector3d& v) const;
  void RotateY(double angle);
  void RotateX(double angle);

  friend CVector3d operator+(const CVector3d& u, const CVector3d& v)
  {
    return CVector3d(u.m_x + v.m_x, u.m_y + v.m_y, u.m_z + v.m_z);
  }
  friend CVector3d operator-(const CVector3d& u, const CVector3d& v)
  {
    return CVector3d(u.m_x - v.m_x, u.m_y - v.m_y, u.m_z - v.m_z);
  }
  // In double, rounded once per coordinate. Inline: the inside-face tests call it in loops.
  friend CVector3d operator^(const CVector3d& u, const CVector3d& v)
  {
    const double x = static_cast<double>(u.m_y) * v.m_z - static_cast<double>(u.m_z) * v.m_y;
    const double y = static_cast<double>(u.m_z) * v.m_x - static_cast<double>(u.m_x) * v.m_z;
    const double z = static_cast<double>(u.m_x) * v.m_y - static_cast<double>(u.m_y) * v.m_x;
    return CVector3d(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
  }

private:
  float m_x = 0.0f;
  float m_y = 0.0f;
  float m_z = 0.0f;
};

CVector3d CrossProduct(const CVector3d& u, const CVector3d& v);
