#include "mesh/GeometryUtil.h"
#include "mesh/Mesh3d.h"

#include <cmath>

namespace {
// Smallest and largest of get(v) over the vertices in order; 0 and 0 without vertices.
template <class Get>
void RangeOf(const CArray3d<CVertex3d>& vertices, Get get, float* pMin, float* pMax)
{
  *pMin = 0.0f;
  *pMax = 0.0f;
  for (int i = 0; i < vertices.GetSize(); i++) {
    const float c = get(vertices[i]);
    if (i == 0 || c < *pMin)
      *pMin = c;
    if (i == 0 || c > *pMax)
      *pMax = c;
  }
}

// Shift by -min, scale onto the width of [lo, hi], shift by lo. A flat axis has no scale: it
// goes to lo.
template <class Offset, class Scale>
void MapRange(float min, float max, float lo, float hi, Offset offset, Scale scale)
{
  offset(-min);
  const double extent = static_cast<double>(max) - min;
  scale(extent > 0.0 ? static_cast<float>((static_cast<double>(hi) - lo) / extent) : 0.0f);
  offset(lo);
}
} // namespace

void CMesh3d::GetRange(int axis, float* pMin, float* pMax) const
{
  RangeOf(m_ArrayVertex, [axis](const CVertex3d* v) { return v->Get(axis); }, pMin, pMax);
}

void CMesh3d::GetRanges(float min[3], float max[3]) const
{
  for (int axis = 0; axis < 3; axis++) {
    min[axis] = 0.0f;
    max[axis] = 0.0f;
  }
  for (int i = 0; i < NbVertex(); i++) {
    const CVertex3d* v = GetVertex(i);
    const float c[3] = {v->x(), v->y(), v->z()};
    for (int axis = 0; axis < 3; axis++) {
      if (i == 0 || c[axis] < min[axis])
        min[axis] = c[axis];
      if (i == 0 || c[axis] > max[axis])
        max[axis] = c[axis];
    }
  }
}

void CMesh3d::Range2(int axis, float* pMin, float* pMax) const
{
  RangeOf(m_ArrayVertex, [axis](const CVertex3d* v) { return v->Get2(axis); }, pMin, pMax);
}

double CMesh3d::Peak() const
{
  double sum = 0.0;
  for (int axis = 0; axis < 3; axis++) {
    float min = 0.0f;
    float max = 0.0f;
    GetRange(axis, &min, &max);
    const float delta = max - min;
    sum += static_cast<double>(delta) * delta;
  }
  return std::sqrt(sum);
}

double CMesh3d::L2Error() const
{
  if (NbVertex() == 0)
    return 0.0;
  double sum = 0.0;
  for (int i = 0; i < NbVertex(); i++) {
    const CVertex3d* v = GetVertex(i);
    for (int axis = 0; axis < 3; axis++) {
      const double d = static_cast<double>(v->Get(axis) - v->Get2(axis));
      sum += d * d;
    }
  }
  return std::sqrt(sum / NbVertex());
}

double CMesh3d::PSNR() const
{
  const double error = L2Error();
  const double peak = Peak();
  if (error == 0.0 || peak == 0.0)
    return 0.0;
  return std::log(peak / error) / std::log(10.0) * 20.0;
}

double CMesh3d::RelativeL2() const
{
  const double peak = Peak();
  return peak == 0.0 ? 0.0 : L2Error() / peak;
}

void CMesh3d::Range(int axis, float lo, float hi)
{
  float min = 0.0f;
  float max = 0.0f;
  GetRange(axis, &min, &max);
  MapRange(
    min, max, lo, hi, [&](float offset) { OffsetCoord(axis, offset); },
    [&](float factor) { ScaleCoord(axis, factor); });
}

void CMesh3d::ScaleCoord(int axis, float factor)
{
  for (int i = 0; i < NbVertex(); i++)
    GetVertex(i)->Set(axis, static_cast<float>(static_cast<double>(GetVertex(i)->Get(axis)) * factor));
  m_Modified = 1;
}

void CMesh3d::OffsetCoord(int axis, float offset)
{
  for (int i = 0; i < NbVertex(); i++)
    GetVertex(i)->Set(axis, GetVertex(i)->Get(axis) + offset);
  m_Modified = 1;
}

void CMesh3d::RangeSecondSet(int axis, float lo, float hi)
{
  float min = 0.0f;
  float max = 0.0f;
  Range2(axis, &min, &max);
  MapRange(
    min, max, lo, hi, [&](float offset) { OffsetCoord2(axis, offset); },
    [&](float factor) { ScaleCoord2(axis, factor); });
}

void CMesh3d::ScaleCoord2(int axis, float factor)
{
  for (int i = 0; i < NbVertex(); i++)
    GetVertex(i)->Set2(axis,
                       static_cast<float>(static_cast<double>(GetVertex(i)->Get2(axis)) * factor));
}

void CMesh3d::OffsetCoord2(int axis, float offset)
{
  for (int i = 0; i < NbVertex(); i++)
    GetVertex(i)->Set2(axis, GetVertex(i)->Get2(axis) + offset);
}

double CMesh3d::DistanceToFace(const CVertex3d* p, CVertex3d* pNearest, CFace3d** ppFace) const
{
  if (NbFace() == 0)
    return 0.0;
  double best = 1.7e308;
  CVertex3d nearest;
  for (int i = 0; i < NbFace(); i++) {
    CFace3d* f = GetFace(i);
    const double d = SquareDistanceFromVertexToFace(p, f, &nearest);
    if (d < best) {
      best = d;
      pNearest->Set(&nearest);
      *ppFace = f;
    }
  }
  return best;
}

double CMesh3d::NearestVertex(const CVertex3d* p, CVertex3d** ppVertex) const
{
  double best = 1.7e308;
  for (int i = 0; i < NbVertex(); i++) {
    const double d = SquareDistance(p, GetVertex(i));
    if (d < best) {
      best = d;
      *ppVertex = GetVertex(i);
    }
  }
  return best;
}

void CMesh3d::MoveVerticesOnMesh(CMesh3d* pOther)
{
  CArray3d<CEdge3d> boundary;
  const int hasBoundary = pOther->BuildArrayBoundaryEdges(&boundary);
  CVertex3d target;
  CFace3d* pFace = nullptr;
  for (int i = 0; i < NbVertex(); i++) {
    CVertex3d* v = GetVertex(i);
    target.Set(v);
    if (hasBoundary && v->IsOnBoundary())
      SquareDistanceFromVertexToEdges(v, &boundary, &target);
    else
      pOther->DistanceToFace(v, &target, &pFace);
    v->Set(&target);
  }
  boundary.DeleteAll();
  m_Modified = 1;
}

int CMesh3d::ColorSharpEdges(float threshold, const CColor* pColor)
{
  for (int i = 0; i < NbFace(); i++)
    GetFace(i)->ColorSharpEdges(threshold, pColor);
  return 1;
}

double CMesh3d::GetMaxCurveAround() const
{
  double best = 0.0;
  for (int i = 0; i < NbVertex(); i++) {
    const double c = GetVertex(i)->GetMaxCurveAround();
    if (c > best)
      best = c;
  }
  return best;
}
