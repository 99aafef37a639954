#include "mesh/Quad3d.h"

#include "mesh/QuadVertex3d.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

void CQuad3d::Set(CQuadVertex3d* v0, CQuadVertex3d* v1, CQuadVertex3d* v2, CQuadVertex3d* v3)
{
  m_pVertex[0] = v0;
  m_pVertex[1] = v1;
  m_pVertex[2] = v2;
  m_pVertex[3] = v3;
  m_NewVertex.SetData(nullptr);
  if (SEdgeVertices* block = m_NewVertex.Find())
    std::fill_n(block->edge, 4, nullptr);
}

void CQuad3d::SetNewVertex(int i, CQuadVertex3d* vertex)
{
  const int slot = i % 5;
  if (slot == 4) {
    m_NewVertex.SetData(vertex);
    return;
  }
  // Clearing a slot that was never set makes no block.
  if (vertex || m_NewVertex.Find())
    m_NewVertex.Get().edge[slot] = vertex;
}

void CQuad3d::ClearNeighbors()
{
  for (CQuad3d*& face : m_pFace)
    face = nullptr;
}

int CQuad3d::IndexFrom(const CQuadVertex3d* vertex) const
{
  for (int i = 0; i < 4; i++)
    if (m_pVertex[i] == vertex)
      return i;
  return -1;
}

int CQuad3d::IndexEdge(const CQuadVertex3d* a, const CQuadVertex3d* b) const
{
  for (int i = 0; i < 4; i++) {
    const CQuadVertex3d* from = m_pVertex[i];
    const CQuadVertex3d* to = m_pVertex[(i + 1) % 4];
    if ((from == a && to == b) || (from == b && to == a))
      return i;
  }
  return -1;
}

int CQuad3d::HasEdge(const CQuadVertex3d* a, const CQuadVertex3d* b) const
{
  for (int i = 0; i < 4; i++)
    if (m_pVertex[i] == a && m_pVertex[(i + 1) % 4] == b)
      return 1;
  return 0;
}

int CQuad3d::HasNeighbor(const CQuad3d* quad) const
{
  for (const CQuad3d* face : m_pFace)
    if (face == quad)
      return 1;
  return 0;
}

int CQuad3d::NbFaceNeighbor() const
{
  int count = 0;
  for (const CQuad3d* face : m_pFace)
    if (face)
      count++;
  return count;
}

int CQuad3d::NbFaceNeighborWithFlag(int flag) const
{
  int count = 0;
  for (const CQuad3d* face : m_pFace)
    if (face && face->GetFlag() == flag)
      count++;
  return count;
}

int CQuad3d::IsValid() const
{
  for (int i = 0; i < 4; i++)
    for (int j = i + 1; j < 4; j++)
      if (m_pVertex[i] == m_pVertex[j])
        return 0;
  return 1;
}

namespace {

// Normalizes lanes i and i + 1 of the vectors (x, y, z), each coordinate rounded to float, as
// CVector3d::Normalize does one vector: a zero vector stays. Two lanes go through one divide.
void NormalizeTwo(double* x, double* y, double* z, int i)
{
#if defined(__SSE2__)
  const __m128d vx = _mm_loadu_pd(x + i);
  const __m128d vy = _mm_loadu_pd(y + i);
  const __m128d vz = _mm_loadu_pd(z + i);
  const __m128d square =
    _mm_add_pd(_mm_add_pd(_mm_mul_pd(vx, vx), _mm_mul_pd(vy, vy)), _mm_mul_pd(vz, vz));
  const __m128d norm = _mm_sqrt_pd(square);
  const __m128d zero = _mm_cmpeq_pd(norm, _mm_setzero_pd());
  auto unit = [&](__m128d v) {
    const __m128d q = _mm_cvtps_pd(_mm_cvtpd_ps(_mm_div_pd(v, norm)));
    return _mm_or_pd(_mm_and_pd(zero, v), _mm_andnot_pd(zero, q));
  };
  _mm_storeu_pd(x + i, unit(vx));
  _mm_storeu_pd(y + i, unit(vy));
  _mm_storeu_pd(z + i, unit(vz));
#else
  for (int k = i; k < i + 2; k++) {
    const double norm = std::sqrt(x[k] * x[k] + y[k] * y[k] + z[k] * z[k]);
    if (norm == 0.0)
      continue;
    x[k] = static_cast<float>(x[k] / norm);
    y[k] = static_cast<float>(y[k] / norm);
    z[k] = static_cast<float>(z[k] / norm);
  }
#endif
}

} // namespace

// The corner normals are CVector3d's cross products of the arms, normalized, summed in double;
// computed here two at a time, with the same roundings, as a step computes millions of them.
void CQuad3d::CalculateNormal()
{
  double cx = 0.0, cy = 0.0, cz = 0.0;
  for (const CQuadVertex3d* corner : m_pVertex) {
    cx += corner->x();
    cy += corner->y();
    cz += corner->z();
  }
  const float centre[3] = {static_cast<float>(cx / 4.0), static_cast<float>(cy / 4.0),
                           static_cast<float>(cz / 4.0)};
  float ax[4], ay[4], az[4];
  for (int i = 0; i < 4; i++) {
    ax[i] = m_pVertex[i]->x() - centre[0];
    ay[i] = m_pVertex[i]->y() - centre[1];
    az[i] = m_pVertex[i]->z() - centre[2];
  }
  double x[4], y[4], z[4];
  for (int i = 0; i < 4; i++) {
    const int j = (i + 1) % 4;
    x[i] = static_cast<float>(static_cast<double>(ay[i]) * az[j] - static_cast<double>(az[i]) * ay[j]);
    y[i] = static_cast<float>(static_cast<double>(az[i]) * ax[j] - static_cast<double>(ax[i]) * az[j]);
    z[i] = static_cast<float>(static_cast<double>(ax[i]) * ay[j] - static_cast<double>(ay[i]) * ax[j]);
  }
  NormalizeTwo(x, y, z, 0);
  NormalizeTwo(x, y, z, 2);

  double nx = 0.0, ny = 0.0, nz = 0.0;
  for (int i = 0; i < 4; i++) {
    nx += x[i];
    ny += y[i];
    nz += z[i];
  }
  m_Normal.Set(static_cast<float>(0.25 * nx), static_cast<float>(0.25 * ny),
               static_cast<float>(0.25 * nz));
  m_Normal.Normalize();
}
