#include "mesh/Quad3d.h"

#include "mesh/QuadVertex3d.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__)
#include <immintrin.h>
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

#if defined(__SSE2__)
// Lane l holds quad l of a pair. Every lane goes through the operations of CVector3d on one
// vector, in the same order, each rounding to float where CVector3d's float fields do.
using Lanes = __m128d;

Lanes Load(float a, float b) { return _mm_set_pd(b, a); }

// Corner k's coordinates, from a vertex or from a copy of its position.
float Coordinate(const CQuadVertex3d* v, int axis) { return axis == 0 ? v->x() : axis == 1 ? v->y() : v->z(); }
float Coordinate(const float* p, int axis) { return p[axis]; }
Lanes ToFloat(Lanes v) { return _mm_cvtps_pd(_mm_cvtpd_ps(v)); }

// Divides by the norm, rounding to float; a zero vector stays.
void Normalize(Lanes& x, Lanes& y, Lanes& z)
{
  const Lanes square = _mm_add_pd(_mm_add_pd(_mm_mul_pd(x, x), _mm_mul_pd(y, y)), _mm_mul_pd(z, z));
  const Lanes norm = _mm_sqrt_pd(square);
  const Lanes zero = _mm_cmpeq_pd(norm, _mm_setzero_pd());
  auto unit = [&](Lanes v) {
    const Lanes q = ToFloat(_mm_div_pd(v, norm));
    return _mm_or_pd(_mm_and_pd(zero, v), _mm_andnot_pd(zero, q));
  };
  x = unit(x);
  y = unit(y);
  z = unit(z);
}

// The corner normals are CVector3d's cross products of the arms around the centroid,
// normalized, summed in double; their mean normalized is the quad's normal.
template <class Corner>
void CalculateTwo(const Corner* a, const Corner* b, float* normalA, float* normalB)
{
  Lanes px[4], py[4], pz[4];
  for (int i = 0; i < 4; i++) {
    px[i] = Load(Coordinate(a[i], 0), Coordinate(b[i], 0));
    py[i] = Load(Coordinate(a[i], 1), Coordinate(b[i], 1));
    pz[i] = Load(Coordinate(a[i], 2), Coordinate(b[i], 2));
  }
  Lanes cx = _mm_setzero_pd(), cy = cx, cz = cx;
  for (int i = 0; i < 4; i++) {
    cx = _mm_add_pd(cx, px[i]);
    cy = _mm_add_pd(cy, py[i]);
    cz = _mm_add_pd(cz, pz[i]);
  }
  // A quarter is exact: the product is the quotient by 4.
  const Lanes quarter = _mm_set1_pd(0.25);
  cx = ToFloat(_mm_mul_pd(cx, quarter));
  cy = ToFloat(_mm_mul_pd(cy, quarter));
  cz = ToFloat(_mm_mul_pd(cz, quarter));
  // The float differences, computed in double and rounded once: double holds more than
  // twice float's precision, so the result is the float subtraction's.
  Lanes ax[4], ay[4], az[4];
  for (int i = 0; i < 4; i++) {
    ax[i] = ToFloat(_mm_sub_pd(px[i], cx));
    ay[i] = ToFloat(_mm_sub_pd(py[i], cy));
    az[i] = ToFloat(_mm_sub_pd(pz[i], cz));
  }
  Lanes nx = _mm_setzero_pd(), ny = nx, nz = nx;
  for (int i = 0; i < 4; i++) {
    const int j = (i + 1) % 4;
    Lanes x = ToFloat(_mm_sub_pd(_mm_mul_pd(ay[i], az[j]), _mm_mul_pd(az[i], ay[j])));
    Lanes y = ToFloat(_mm_sub_pd(_mm_mul_pd(az[i], ax[j]), _mm_mul_pd(ax[i], az[j])));
    Lanes z = ToFloat(_mm_sub_pd(_mm_mul_pd(ax[i], ay[j]), _mm_mul_pd(ay[i], ax[j])));
    Normalize(x, y, z);
    nx = _mm_add_pd(nx, x);
    ny = _mm_add_pd(ny, y);
    nz = _mm_add_pd(nz, z);
  }
  nx = ToFloat(_mm_mul_pd(quarter, nx));
  ny = ToFloat(_mm_mul_pd(quarter, ny));
  nz = ToFloat(_mm_mul_pd(quarter, nz));
  Normalize(nx, ny, nz);
  double out[3][2];
  _mm_storeu_pd(out[0], nx);
  _mm_storeu_pd(out[1], ny);
  _mm_storeu_pd(out[2], nz);
  for (int k = 0; k < 3; k++) {
    normalA[k] = static_cast<float>(out[k][0]);
    normalB[k] = static_cast<float>(out[k][1]);
  }
}

#if defined(__x86_64__)
// The same arithmetic four quads at a time in AVX lanes, for processors that have them: the
// divisions and roots dominate, and a 256-bit operation does four of them for about the price
// of two. IEEE operations round alike in any width, so every lane gets the bits of the two-lane
// and scalar computations.
#define ORVANE_QUAD_NORMALS_AVX 1
namespace avx {

using Lanes = __m256d;

__attribute__((target("avx"))) inline Lanes ToFloat(Lanes v)
{
  return _mm256_cvtps_pd(_mm256_cvtpd_ps(v));
}

// v divided by the norm, rounded to float; v itself where the norm is zero.
__attribute__((target("avx"))) inline Lanes Unit(Lanes v, Lanes norm, Lanes zero)
{
  const Lanes q = ToFloat(_mm256_div_pd(v, norm));
  return _mm256_or_pd(_mm256_and_pd(zero, v), _mm256_andnot_pd(zero, q));
}

__attribute__((target("avx"))) inline void Normalize(Lanes& x, Lanes& y, Lanes& z)
{
  const Lanes square =
    _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(x, x), _mm256_mul_pd(y, y)), _mm256_mul_pd(z, z));
  const Lanes norm = _mm256_sqrt_pd(square);
  const Lanes zero = _mm256_cmp_pd(norm, _mm256_setzero_pd(), _CMP_EQ_OQ);
  x = Unit(x, norm, zero);
  y = Unit(y, norm, zero);
  z = Unit(z, norm, zero);
}

// Lane l holds quad l; corners[l][k] is corner k of quad l, three floats.
__attribute__((target("avx"))) void CalculateFour(const float* const* const* corners,
                                                   float (*normals)[3])
{
  Lanes px[4], py[4], pz[4];
  for (int i = 0; i < 4; i++) {
    const float* a = corners[0][i];
    const float* b = corners[1][i];
    const float* c = corners[2][i];
    const float* d = corners[3][i];
    px[i] = _mm256_set_pd(d[0], c[0], b[0], a[0]);
    py[i] = _mm256_set_pd(d[1], c[1], b[1], a[1]);
    pz[i] = _mm256_set_pd(d[2], c[2], b[2], a[2]);
  }
  Lanes cx = _mm256_setzero_pd(), cy = cx, cz = cx;
  for (int i = 0; i < 4; i++) {
    cx = _mm256_add_pd(cx, px[i]);
    cy = _mm256_add_pd(cy, py[i]);
    cz = _mm256_add_pd(cz, pz[i]);
  }
  const Lanes quarter = _mm256_set1_pd(0.25);
  cx = ToFloat(_mm256_mul_pd(cx, quarter));
  cy = ToFloat(_mm256_mul_pd(cy, quarter));
  cz = ToFloat(_mm256_mul_pd(cz, quarter));
  Lanes ax[4], ay[4], az[4];
  for (int i = 0; i < 4; i++) {
    ax[i] = ToFloat(_mm256_sub_pd(px[i], cx));
    ay[i] = ToFloat(_mm256_sub_pd(py[i], cy));
    az[i] = ToFloat(_mm256_sub_pd(pz[i], cz));
  }
  Lanes nx = _mm256_setzero_pd(), ny = nx, nz = nx;
  for (int i = 0; i < 4; i++) {
    const int j = (i + 1) % 4;
    Lanes x = ToFloat(_mm256_sub_pd(_mm256_mul_pd(ay[i], az[j]), _mm256_mul_pd(az[i], ay[j])));
    Lanes y = ToFloat(_mm256_sub_pd(_mm256_mul_pd(az[i], ax[j]), _mm256_mul_pd(ax[i], az[j])));
    Lanes z = ToFloat(_mm256_sub_pd(_mm256_mul_pd(ax[i], ay[j]), _mm256_mul_pd(ay[i], ax[j])));
    Normalize(x, y, z);
    nx = _mm256_add_pd(nx, x);
    ny = _mm256_add_pd(ny, y);
    nz = _mm256_add_pd(nz, z);
  }
  nx = ToFloat(_mm256_mul_pd(quarter, nx));
  ny = ToFloat(_mm256_mul_pd(quarter, ny));
  nz = ToFloat(_mm256_mul_pd(quarter, nz));
  Normalize(nx, ny, nz);
  double out[3][4];
  _mm256_storeu_pd(out[0], nx);
  _mm256_storeu_pd(out[1], ny);
  _mm256_storeu_pd(out[2], nz);
  for (int l = 0; l < 4; l++)
    for (int k = 0; k < 3; k++)
      normals[l][k] = static_cast<float>(out[k][l]);
}

bool Available()
{
  return __builtin_cpu_supports("avx");
}

} // namespace avx

// Eight quads at a time in AVX-512 lanes: again half the operations for the divisions and
// roots, where the processor has full-width units for them. The zero test takes a mask.
namespace avx512 {

using Lanes = __m512d;

// Zero-masked conversions and roots, all lanes kept: the plain ones start from an undefined
// vector, which the compiler warns of.
__attribute__((target("avx512f"))) inline Lanes ToFloat(Lanes v)
{
  return _mm512_maskz_cvtps_pd(0xFF, _mm512_maskz_cvtpd_ps(0xFF, v));
}

__attribute__((target("avx512f"))) inline void Normalize(Lanes& x, Lanes& y, Lanes& z)
{
  const Lanes square =
    _mm512_add_pd(_mm512_add_pd(_mm512_mul_pd(x, x), _mm512_mul_pd(y, y)), _mm512_mul_pd(z, z));
  const Lanes norm = _mm512_maskz_sqrt_pd(0xFF, square);
  const __mmask8 zero = _mm512_cmp_pd_mask(norm, _mm512_setzero_pd(), _CMP_EQ_OQ);
  x = _mm512_mask_blend_pd(zero, ToFloat(_mm512_div_pd(x, norm)), x);
  y = _mm512_mask_blend_pd(zero, ToFloat(_mm512_div_pd(y, norm)), y);
  z = _mm512_mask_blend_pd(zero, ToFloat(_mm512_div_pd(z, norm)), z);
}

// Lane l holds quad l; corners[l][k] is corner k of quad l, three floats.
__attribute__((target("avx512f"))) void CalculateEight(const float* const* const* corners,
                                                        float (*normals)[3])
{
  Lanes px[4], py[4], pz[4];
  for (int i = 0; i < 4; i++) {
    double x[8], y[8], z[8];
    for (int l = 0; l < 8; l++) {
      const float* p = corners[l][i];
      x[l] = p[0];
      y[l] = p[1];
      z[l] = p[2];
    }
    px[i] = _mm512_loadu_pd(x);
    py[i] = _mm512_loadu_pd(y);
    pz[i] = _mm512_loadu_pd(z);
  }
  Lanes cx = _mm512_setzero_pd(), cy = cx, cz = cx;
  for (int i = 0; i < 4; i++) {
    cx = _mm512_add_pd(cx, px[i]);
    cy = _mm512_add_pd(cy, py[i]);
    cz = _mm512_add_pd(cz, pz[i]);
  }
  const Lanes quarter = _mm512_set1_pd(0.25);
  cx = ToFloat(_mm512_mul_pd(cx, quarter));
  cy = ToFloat(_mm512_mul_pd(cy, quarter));
  cz = ToFloat(_mm512_mul_pd(cz, quarter));
  Lanes ax[4], ay[4], az[4];
  for (int i = 0; i < 4; i++) {
    ax[i] = ToFloat(_mm512_sub_pd(px[i], cx));
    ay[i] = ToFloat(_mm512_sub_pd(py[i], cy));
    az[i] = ToFloat(_mm512_sub_pd(pz[i], cz));
  }
  Lanes nx = _mm512_setzero_pd(), ny = nx, nz = nx;
  for (int i = 0; i < 4; i++) {
    const int j = (i + 1) % 4;
    Lanes x = ToFloat(_mm512_sub_pd(_mm512_mul_pd(ay[i], az[j]), _mm512_mul_pd(az[i], ay[j])));
    Lanes y = ToFloat(_mm512_sub_pd(_mm512_mul_pd(az[i], ax[j]), _mm512_mul_pd(ax[i], az[j])));
    Lanes z = ToFloat(_mm512_sub_pd(_mm512_mul_pd(ax[i], ay[j]), _mm512_mul_pd(ay[i], ax[j])));
    Normalize(x, y, z);
    nx = _mm512_add_pd(nx, x);
    ny = _mm512_add_pd(ny, y);
    nz = _mm512_add_pd(nz, z);
  }
  nx = ToFloat(_mm512_mul_pd(quarter, nx));
  ny = ToFloat(_mm512_mul_pd(quarter, ny));
  nz = ToFloat(_mm512_mul_pd(quarter, nz));
  Normalize(nx, ny, nz);
  double out[3][8];
  _mm512_storeu_pd(out[0], nx);
  _mm512_storeu_pd(out[1], ny);
  _mm512_storeu_pd(out[2], nz);
  for (int l = 0; l < 8; l++)
    for (int k = 0; k < 3; k++)
      normals[l][k] = static_cast<float>(out[k][l]);
}

bool Available()
{
  return __builtin_cpu_supports("avx512f");
}

} // namespace avx512
#endif
#else
CVector3d PointOf(const CQuadVertex3d* v) { return CVector3d::GetPoint(v); }
CVector3d PointOf(const float* p) { return CVector3d(p[0], p[1], p[2]); }

template <class Corner>
void CalculateOne(const Corner* c, float* normal)
{
  double cx = 0.0, cy = 0.0, cz = 0.0;
  for (int i = 0; i < 4; i++) {
    const CVector3d p = PointOf(c[i]);
    cx += p.x();
    cy += p.y();
    cz += p.z();
  }
  const CVector3d centre(static_cast<float>(cx / 4.0), static_cast<float>(cy / 4.0),
                         static_cast<float>(cz / 4.0));
  double nx = 0.0, ny = 0.0, nz = 0.0;
  for (int i = 0; i < 4; i++) {
    CVector3d n = (PointOf(c[i]) - centre) ^ (PointOf(c[(i + 1) % 4]) - centre);
    n.Normalize();
    nx += n.x();
    ny += n.y();
    nz += n.z();
  }
  CVector3d mean(static_cast<float>(0.25 * nx), static_cast<float>(0.25 * ny),
                 static_cast<float>(0.25 * nz));
  mean.Normalize();
  normal[0] = mean.x();
  normal[1] = mean.y();
  normal[2] = mean.z();
}

template <class Corner>
void CalculateTwo(const Corner* a, const Corner* b, float* normalA, float* normalB)
{
  CalculateOne(a, normalA);
  CalculateOne(b, normalB);
}
#endif

} // namespace

void CQuad3d::CalculateNormal()
{
  const CQuadVertex3d* const* corners = m_pVertex;
  float normal[3];
  CalculateTwo(corners, corners, normal, normal);
  m_Normal.Set(normal[0], normal[1], normal[2]);
}

void CQuad3d::CalculateNormals(CQuad3d* a, CQuad3d* b)
{
  const CQuadVertex3d* const* cornersA = a->m_pVertex;
  const CQuadVertex3d* const* cornersB = b->m_pVertex;
  float normalA[3], normalB[3];
  CalculateTwo(cornersA, cornersB, normalA, normalB);
  a->m_Normal.Set(normalA[0], normalA[1], normalA[2]);
  b->m_Normal.Set(normalB[0], normalB[1], normalB[2]);
}

void CQuad3d::CalculateNormals(CQuad3d* a, const float* const* cornersA, CQuad3d* b,
                               const float* const* cornersB)
{
  float normalA[3], normalB[3];
  CalculateTwo(cornersA, cornersB, normalA, normalB);
  a->m_Normal.Set(normalA[0], normalA[1], normalA[2]);
  b->m_Normal.Set(normalB[0], normalB[1], normalB[2]);
}

void CQuad3d::CalculateNormals(CQuad3d* const* quads, const float* const* const* corners,
                               int count)
{
  float normals[8][3];
  int done = 0;
#if defined(ORVANE_QUAD_NORMALS_AVX)
  if (count == 8 && avx512::Available()) {
    avx512::CalculateEight(corners, normals);
    done = 8;
  }
  for (; done + 4 <= count && avx::Available(); done += 4)
    avx::CalculateFour(corners + done, normals + done);
#endif
  for (; done + 2 <= count; done += 2)
    CalculateTwo(corners[done], corners[done + 1], normals[done], normals[done + 1]);
  if (done < count)
    CalculateTwo(corners[done], corners[done], normals[done], normals[done]);
  for (int l = 0; l < count; l++)
    quads[l]->m_Normal.Set(normals[l][0], normals[l][1], normals[l][2]);
}
