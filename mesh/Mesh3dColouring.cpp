#include "mesh/ColorRamp.h"
#include "mesh/GeometryUtil.h"
#include "mesh/Mesh3d.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>

namespace {
constexpr int kNbBin = 256;

// Ramp entry of a distance: 255 for the largest, and every distance in bin 0 when all are
// zero (the largest is then 0 as well).
int BinOf(double d, double dmax)
{
  if (dmax <= 0.0)
    return 0;
  const int bin = static_cast<int>(d / dmax * 255.0);
  return bin >= kNbBin ? kNbBin - 1 : bin;
}

CColor RampColor(const CColorRamp* pRamp, int i)
{
  return CColor(pRamp->Red(i), pRamp->Green(i), pRamp->Blue(i));
}
} // namespace

void CMesh3d::ColorVerticesFromFaces()
{
  for (int i = 0; i < NbVertex(); i++) {
    CVertex3d* v = GetVertex(i);
    const int k = v->NbFaceNeighbor();
    if (k == 0)
      continue;
    float sum[3] = {0.0f, 0.0f, 0.0f};
    for (int j = 0; j < k; j++) {
      const CColor* c = v->GetFaceNeighbor(j)->GetColor();
      sum[0] += c->r();
      sum[1] += c->g();
      sum[2] += c->b();
    }
    v->SetColor(static_cast<std::uint8_t>(static_cast<int>(sum[0]) / k),
                static_cast<std::uint8_t>(static_cast<int>(sum[1]) / k),
                static_cast<std::uint8_t>(static_cast<int>(sum[2]) / k));
  }
  m_Modified = 1;
}

int CMesh3d::ColorVerticesFromDistance(const CColorRamp* pRamp, const CMesh3d* pOther,
                                       int addChart, const ObjectSink& addObject)
{
  if (!pRamp || !pOther || NbVertex() == 0 || pOther->NbVertex() < NbVertex())
    return 0;
  double dmax = 0.0;
  for (int i = 0; i < NbVertex(); i++)
    dmax = std::max(dmax, Distance(GetVertex(i), pOther->GetVertex(i)));

  std::array<int, kNbBin> histogram{};
  int hmax = 0;
  for (int i = 0; i < NbVertex(); i++) {
    const int bin = BinOf(Distance(GetVertex(i), pOther->GetVertex(i)), dmax);
    hmax = std::max(hmax, ++histogram[bin]);
    const CColor color = RampColor(pRamp, bin);
    GetVertex(i)->SetColor(&color);
  }
  m_Modified = 1;
  if (!addChart || !addObject)
    return 1;

  float range[3][2];
  for (int axis = 0; axis < 3; axis++)
    GetRange(axis, &range[axis][0], &range[axis][1]);
  const float xmax = range[0][1];
  const float ymin = range[1][0];
  const float ymax = range[1][1];
  const float w = (xmax - range[0][0]) / 3.0f;
  const float h = (ymax - ymin) / kNbBin;
  for (int i = 0; i < kNbBin; i++) {
    auto pBox = std::make_unique<CMesh3d>();
    const float len = w / static_cast<float>(hmax) * static_cast<float>(histogram[i]);
    pBox->GenerateBox(len, h, h);
    pBox->OffsetCoord(0, len / 2.0f + xmax + w / 3.0f);
    pBox->OffsetCoord(1, ymax - static_cast<float>(i) * (ymax - ymin) / kNbBin);
    pBox->OffsetCoord(2, (range[2][1] - range[2][0]) / 2.0f + range[2][0]);
    pBox->SetTransform(&m_Transform);
    const CColor color = RampColor(pRamp, i);
    pBox->SetColorVertices(&color);
    addObject(pBox.release());
  }
  return 1;
}

int CMesh3d::FlagFacesNearVertex(int i, int flag, float ratio)
{
  if (i < 0 || i >= NbVertex())
    return 0;
  const CVertex3d* v = GetVertex(i);
  float dmax = 0.0f;
  for (int j = 0; j < NbFace(); j++)
    dmax = std::max(dmax, static_cast<float>(Distance(v, GetFace(j)->v(0))));
  const float threshold = ratio * dmax;
  for (int j = 0; j < NbFace(); j++) {
    CFace3d* f = GetFace(j);
    const float d = static_cast<float>(DistanceToCentroid(v, f));
    f->SetFlag(d < threshold ? flag : 0);
  }
  return 1;
}

int CMesh3d::FlagFacesFromAreaDispersion(double ratio, int flag)
{
  int count = 0;
  for (int i = 0; i < NbFace(); i++) {
    CFace3d* f = GetFace(i);
    const double area = f->Area();
    double smallest = area;
    for (int k = 0; k < 3; k++)
      if (const CFace3d* g = f->f(k))
        smallest = std::min(smallest, g->Area());
    if (ratio * smallest < area) {
      f->SetFlag(flag);
      count++;
    }
  }
  return count;
}
