#include "app/objects/Camera3d.h"

#include <GL/gl.h>

#include <cmath>

namespace {
constexpr double kHalfPi = 3.14159265358979323846 / 2.0;

double Dot(const CVector3d& u, const CVector3d& v)
{
  return static_cast<double>(u.x()) * v.x() + static_cast<double>(u.y()) * v.y() +
         static_cast<double>(u.z()) * v.z();
}

// The vector turned by the angle about the axis.
CVector3d Rotate(const CVector3d& v, const CVector3d& axis, double angle)
{
  double m[3][4];
  RotationMatrixAxisAngle(axis.x(), axis.y(), axis.z(), angle, m);
  const double p[3] = {v.x(), v.y(), v.z()};
  double r[3];
  MatrixMultPoint(m, p, r);
  return CVector3d(static_cast<float>(r[0]), static_cast<float>(r[1]), static_cast<float>(r[2]));
}

void SetRows(double m[3][4], double a, double b, double c, double d, double e, double f, double g,
             double h, double i)
{
  const double rows[3][3] = {{a, b, c}, {d, e, f}, {g, h, i}};
  for (int r = 0; r < 3; r++) {
    for (int k = 0; k < 3; k++)
      m[r][k] = rows[r][k];
    m[r][3] = 0.0;
  }
}

// Signed distance of p to the plane of the face (through its first corner).
double PlaneDistance(const CFace3d* pFace, const CVertex3d* p)
{
  return Dot(CVector3d(pFace->v(0), p), *pFace->GetNormal());
}
} // namespace

void RotationMatrixAxisAngle(double ax, double ay, double az, double angle, double m[3][4])
{
  const double length = std::sqrt(ax * ax + ay * ay + az * az);
  const double h = -angle / 2.0;
  const double s = std::sin(h);
  const double w = std::cos(h);
  const double x = s * ax / length;
  const double y = s * ay / length;
  const double z = s * az / length;
  SetRows(m, w * w + x * x - y * y - z * z, 2 * (x * y + w * z), 2 * (x * z - w * y),
          2 * (x * y - w * z), w * w - x * x + y * y - z * z, 2 * (y * z + w * x),
          2 * (x * z + w * y), 2 * (y * z - w * x), w * w - x * x - y * y + z * z);
}

void RotationMatrixX(double a, double m[3][4])
{
  SetRows(m, 1, 0, 0, 0, std::cos(a), -std::sin(a), 0, std::sin(a), std::cos(a));
}

void RotationMatrixY(double a, double m[3][4])
{
  SetRows(m, std::cos(a), 0, -std::sin(a), 0, 1, 0, std::sin(a), 0, std::cos(a));
}

void RotationMatrixZ(double a, double m[3][4])
{
  SetRows(m, std::cos(a), -std::sin(a), 0, std::sin(a), std::cos(a), 0, 0, 0, 1);
}

void MatrixMultPoint(const double m[3][4], const double point[3], double result[3])
{
  for (int r = 0; r < 3; r++)
    result[r] = m[r][0] * point[0] + m[r][1] * point[1] + m[r][2] * point[2] + m[r][3];
}

void CCamera3d::Init()
{
  m_Size = 1.5f;
  m_Eye.Set(0.0f, 0.0f, 2.0f);
  m_Direction.Set(0.0f, 0.0f, -4.0f);
  m_Up.Set(0.0f, 1.0f, 0.0f);
  m_Color.Set(255, 255, 0);
  m_Aspect = 4.0f / 3.0f;
  UpdateFrustum();
}

void CCamera3d::SetSize(float size)
{
  m_Size = size;
  UpdateFrustum();
}

void CCamera3d::UpdateFrustum()
{
  // A zero direction has no normalised form and would turn every corner into NaN: the
  // pyramid stays as it was until a real direction is set.
  if (Dot(m_Direction, m_Direction) == 0.0)
    return;
  CVector3d dn = m_Direction;
  dn.Normalize();
  dn.Multiply(m_Size);
  const CVector3d s1 = Rotate(dn, m_Up, -kHalfPi);
  const CVector3d s2 = Rotate(dn, m_Up, kHalfPi);
  const CVector3d a = Rotate(s1, m_Direction, kHalfPi);
  const CVector3d b = Rotate(s1, m_Direction, -kHalfPi);
  const CVector3d c = Rotate(s2, m_Direction, -kHalfPi);
  const CVector3d e = Rotate(s2, m_Direction, kHalfPi);
  const CVector3d centre = CVector3d::GetPoint(&m_Eye) + m_Direction;
  const CVector3d* side[4] = {&s1, &s2, &s2, &s1};
  const CVector3d* up[4] = {&a, &c, &e, &b};
  for (int i = 0; i < 4; i++) {
    CVector3d corner = *side[i];
    corner.Multiply(m_Aspect);
    corner = centre + corner + *up[i];
    m_Corners[i].Set(&corner);
  }
  const int faceCorners[4][2] = {{0, 1}, {2, 3}, {1, 2}, {0, 3}};
  for (int i = 0; i < 4; i++) {
    m_Faces[i].SetVertices(&m_Eye, &m_Corners[faceCorners[i][0]], &m_Corners[faceCorners[i][1]]);
    m_Faces[i].CalculateNormal();
  }
}

double CCamera3d::Facing(const CFace3d* pFace) const
{
  return Dot(*pFace->GetNormal(), CVector3d(&m_Eye, pFace->v(0)));
}

int CCamera3d::IsFaceInFront(const CFace3d* pFace) const { return Facing(pFace) < 0.0 ? 1 : 0; }

int CCamera3d::IsFaceVisible(const CFace3d* pFace) const
{
  if (Facing(pFace) > 0.0)
    return 0;
  for (int k = 0; k < 3; k++)
    if (IsPointInFrustum(pFace->v(k)))
      return 1;
  return 0;
}

int CCamera3d::IsPointInFrustum(const CVertex3d* pPoint) const
{
  // The vectors from the point to its projections on two opposite planes point apart (or one
  // is zero) when the point lies between them.
  for (int pair = 0; pair < 4; pair += 2) {
    const CFace3d* f = &m_Faces[pair];
    const CFace3d* g = &m_Faces[pair + 1];
    const double between = PlaneDistance(f, pPoint) * PlaneDistance(g, pPoint) *
                           Dot(*f->GetNormal(), *g->GetNormal());
    if (between > 0.0)
      return 0;
  }
  return 1;
}

int CCamera3d::FlagSilhouetteEdge(CFace3d* pFace, int flag) const
{
  const CVector3d v(&m_Eye, pFace->v(0));
  if (Dot(*pFace->GetNormal(), v) > 0.0)
    return 0;
  for (int i = 0; i < 3; i++) {
    const CFace3d* g = pFace->f(i);
    if (g && Dot(*g->GetNormal(), v) > 0.0) {
      pFace->v(i)->SetFlag(flag);
      pFace->v(i + 1 == 3 ? 0 : i + 1)->SetFlag(flag);
      return 1;
    }
  }
  return 0;
}

int CCamera3d::FlagSilhouette(CFace3d* pFace, int frontFlag, int backFlag) const
{
  const CVector3d v(&m_Eye, pFace->v(0));
  const bool front = Dot(*pFace->GetNormal(), v) <= 0.0;
  for (int i = 0; i < 3; i++) {
    const CFace3d* g = pFace->f(i);
    if (!g)
      continue;
    const double other = Dot(*g->GetNormal(), v);
    if (front ? other <= 0.0 : other >= 0.0)
      continue;
    for (const CVertex3d* corner : {pFace->v(i), pFace->v(i + 1 == 3 ? 0 : i + 1)})
      for (int k = 0; k < corner->NbFaceNeighbor(); k++) {
        CFace3d* around = corner->GetFaceNeighbor(k);
        around->SetFlag(IsFaceInFront(around) ? frontFlag : backFlag);
      }
  }
  return 0;
}

void CCamera3d::RotateUp(double angle)
{
  m_Direction = Rotate(m_Direction, m_Up, angle);
  UpdateFrustum();
}

void CCamera3d::RotateSide(double angle)
{
  const CVector3d side = Rotate(m_Direction, m_Up, -kHalfPi);
  m_Direction = Rotate(m_Direction, side, angle);
  m_Up = Rotate(m_Up, side, angle);
  UpdateFrustum();
}

void CCamera3d::Translate(float dx, float dy, float dz)
{
  m_Eye.Move(dx, dy, dz);
  UpdateFrustum();
}

int CCamera3d::Draw()
{
  const GLboolean lighting = glIsEnabled(GL_LIGHTING);
  const GLboolean smooth = glIsEnabled(GL_LINE_SMOOTH);
  GLfloat width = 1.0f;
  glGetFloatv(GL_LINE_WIDTH, &width);
  glDisable(GL_LIGHTING);
  glEnable(GL_LINE_SMOOTH);
  glLineWidth(3.0f);
  glColor3ub(m_Color.r(), m_Color.g(), m_Color.b());
  glBegin(GL_LINES);
  for (const CVertex3d& corner : m_Corners) {
    glVertex3f(m_Eye.x(), m_Eye.y(), m_Eye.z());
    glVertex3f(corner.x(), corner.y(), corner.z());
  }
  glEnd();
  glBegin(GL_LINE_LOOP);
  for (const CVertex3d& corner : m_Corners)
    glVertex3f(corner.x(), corner.y(), corner.z());
  glEnd();
  if (lighting)
    glEnable(GL_LIGHTING);
  if (!smooth)
    glDisable(GL_LINE_SMOOTH);
  glLineWidth(width);
  return 1;
}
