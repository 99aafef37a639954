#include "compression/ConquestPatch3d.h"

#include <cmath>
#include <cstdlib>

namespace {
CVector3d SecondPosition(const CVertex3d* v)
{
  return CVector3d(v->x2(), v->y2(), v->z2());
}

double Component(const CVector3d& v, int axis)
{
  return axis == 0 ? v.x() : (axis == 1 ? v.y() : v.z());
}

// The axis along which the normal is largest: the other two see the triangle widest.
int DominantAxis(const CVector3d& normal)
{
  const double ax = std::fabs(normal.x());
  const double ay = std::fabs(normal.y());
  const double az = std::fabs(normal.z());
  if (az > ax && az > ay)
    return 2;
  return ay > ax ? 1 : 0;
}
} // namespace

void CConquestPatch3d::Set(CVertex3d* pPrev, CVertex3d* pGate, CVertex3d* pThird,
                           CVertex3d* pNewVertex, CFace3d* pFace)
{
  m_pPrev = pPrev;
  m_pGate = pGate;
  m_pThird = pThird;
  m_pNewVertex = pNewVertex;
  m_pFace = pFace;
}

void CConquestPatch3d::ComputeNormal()
{
  const CVector3d prev = SecondPosition(m_pPrev);
  m_Normal = (SecondPosition(m_pGate) - prev) ^ (SecondPosition(m_pThird) - prev);
  m_Normal.Normalize();
}

void CConquestPatch3d::ComputePlane()
{
  ComputeNormal();
  m_a = m_Normal.x();
  m_b = m_Normal.y();
  m_c = m_Normal.z();
  const CVector3d prev = SecondPosition(m_pPrev);
  m_d = static_cast<float>(-(static_cast<double>(m_a) * prev.x() + static_cast<double>(m_b) * prev.y() +
                             static_cast<double>(m_c) * prev.z()));
}

void CConquestPatch3d::ComputeFrame(int normalization)
{
  const CVector3d prev = SecondPosition(m_pPrev);
  const CVector3d gate = SecondPosition(m_pGate);
  const CVector3d third = SecondPosition(m_pThird);
  m_u = prev - third;
  m_w = gate - third;
  m_e = gate - prev;
  m_v = m_Normal ^ m_u;
  switch (normalization) {
  case NormUnitary:
    m_u.Normalize();
    m_v.Normalize();
    break;
  case NormPerimeter:
    m_Perimeter = static_cast<float>(m_u.GetNorm() + m_w.GetNorm() + m_e.GetNorm());
    m_u.SetNorm(m_Perimeter);
    m_v.SetNorm(m_Perimeter);
    break;
  case NormEdgeLength:
    m_EdgeLength = static_cast<float>(m_e.GetNorm());
    m_u.SetNorm(m_EdgeLength);
    m_v.SetNorm(m_EdgeLength);
    break;
  case NormArea:
    m_Area = static_cast<float>((m_u ^ m_w).GetNorm() / 2.0);
    m_u.SetNorm(m_Area);
    m_v.SetNorm(m_Area);
    break;
  default:
    break;
  }
}

void CConquestPatch3d::ComputeOrigin()
{
  m_Origin.Set(m_pGate->x2() + m_u.x(), m_pGate->y2() + m_u.y(), m_pGate->z2() + m_u.z());
}

void CConquestPatch3d::ProjectOnPlane()
{
  const CVertex3d* p = m_pNewVertex;
  const double s = static_cast<double>(m_a) * m_a + static_cast<double>(m_b) * m_b +
                   static_cast<double>(m_c) * m_c;
  // A degenerate reference triangle has no plane: the vertex is its own projection, so that
  // its distance does not stretch the range of every other one.
  if (s == 0.0) {
    m_Projection.Set(p);
    return;
  }
  const double t = -(m_a * static_cast<double>(p->x()) + m_b * static_cast<double>(p->y()) +
                     m_c * static_cast<double>(p->z()) + m_d) / s;
  m_Projection.Set(static_cast<float>(p->x() + t * m_a), static_cast<float>(p->y() + t * m_b),
                   static_cast<float>(p->z() + t * m_c));
}

void CConquestPatch3d::ComputeParameters(int normalization)
{
  const CVector3d offset(&m_Projection, m_pNewVertex);
  m_n = offset.GetNorm();
  if (static_cast<double>(offset.x()) * m_Normal.x() + static_cast<double>(offset.y()) * m_Normal.y() +
          static_cast<double>(offset.z()) * m_Normal.z() < 0.0)
    m_n = -m_n;
  m_n /= GetScale(normalization);

  // The in-plane solve on the two axes that the normal leaves largest, by Cramer's rule.
  const CVector3d q(&m_Origin, &m_Projection);
  const int dropped = DominantAxis(m_Normal);
  const int i = dropped == 0 ? 1 : 0;
  const int j = dropped == 2 ? 1 : 2;
  const double ui = Component(m_u, i);
  const double uj = Component(m_u, j);
  const double vi = Component(m_v, i);
  const double vj = Component(m_v, j);
  const double qi = Component(q, i);
  const double qj = Component(q, j);
  const double det = ui * vj - uj * vi;
  if (det == 0.0) {
    m_Alpha = m_Beta = 0.0;
    return;
  }
  m_Alpha = (qi * vj - qj * vi) / det;
  m_Beta = (ui * qj - uj * qi) / det;
}

void CConquestPatch3d::Compute(int normalization)
{
  ComputePlane();
  ComputeFrame(normalization);
  ComputeOrigin();
  ProjectOnPlane();
  ComputeParameters(normalization);
}

double CConquestPatch3d::GetScale(int normalization) const
{
  float scale = 1.0f;
  if (normalization == NormPerimeter)
    scale = m_Perimeter;
  else if (normalization == NormEdgeLength)
    scale = m_EdgeLength;
  else if (normalization == NormArea)
    scale = m_Area;
  return scale != 0.0f ? scale : 1.0;
}

void CConquestPatch3d::Reconstruct(double alpha, double beta, double n)
{
  auto axis = [&](double o, double u, double v, double normal) {
    return static_cast<float>(o + alpha * u + beta * v + n * normal);
  };
  m_pNewVertex->Set2(axis(m_Origin.x(), m_u.x(), m_v.x(), m_Normal.x()),
                     axis(m_Origin.y(), m_u.y(), m_v.y(), m_Normal.y()),
                     axis(m_Origin.z(), m_u.z(), m_v.z(), m_Normal.z()));
}

std::int32_t CConquestPatch3d::Quantize(double x, double min, double max, int bits)
{
  const std::int64_t levels = (std::int64_t(1) << bits) - 1;
  if (!(x > min)) // a NaN codes as the minimum
    return 0;
  if (x >= max)
    return static_cast<std::int32_t>(levels);
  const double t = (x - min) / (max - min) * static_cast<double>(levels);
  const double low = std::floor(t);
  return static_cast<std::int32_t>(t - low < 0.5 ? low : std::ceil(t));
}

double CConquestPatch3d::Dequantize(std::int32_t code, double min, double max, int bits)
{
  const double levels = static_cast<double>((std::int64_t(1) << bits) - 1);
  return code / levels * (max - min) + min;
}
