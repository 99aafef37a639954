#include "mesh/Mesh3d.h"

#include "mesh/ColorRamp.h"
#include "mesh/DepthTree.h"
#include "platform/core/DeviceContext.h"
#include "platform/core/GdiObject.h"
#include "platform/core/GdiSelection.h"

#include <GL/glu.h>

#include <cmath>
#include <vector>

namespace {

void Project(double x, double y, double z, const double* modelview, const double* projection,
             const int* viewport, CProjectedFace3d& record, int k)
{
  // A point in the eye's plane does not project: it lands outside every viewport.
  if (gluProject(x, y, z, modelview, projection, viewport, &record.x[k], &record.y[k],
                 &record.z[k]) != GL_TRUE)
    record.x[k] = record.y[k] = NAN;
}

bool Inside(const CProjectedFace3d& record, int k, const int* viewport)
{
  return record.x[k] >= viewport[0] && record.x[k] <= viewport[2] &&
         record.y[k] >= viewport[1] && record.y[k] <= viewport[3];
}

} // namespace

void CMesh3d::DrawProjected(platform::CDeviceContext& dc, const double* modelview,
                            const double* projection, const int* viewport,
                            std::uint32_t penColor, std::uint32_t faceColor,
                            std::uint32_t hiddenColor, int hidden, std::uint32_t specialColor1,
                            int specialFlag1, std::uint32_t specialColor2, int specialFlag2,
                            const CColorRamp* pRamp, unsigned char useRamp) const
{
  std::vector<CProjectedFace3d> records(static_cast<std::size_t>(NbFace()));
  if (records.empty())
    return;
  CDepthTree tree;
  tree.Init(&records[0], &records[0].z[3], &records[0].links);
  for (int i = 0; i < NbFace(); i++) {
    const CFace3d* f = GetFace(i);
    if (f->GetFlag() == hidden)
      continue;
    CProjectedFace3d& record = records[std::size_t(i)];
    double centroid[3] = {0.0, 0.0, 0.0};
    for (int k = 0; k < 3; k++) {
      const CVertex3d* v = f->v(k);
      centroid[0] += v->x() / 3.0;
      centroid[1] += v->y() / 3.0;
      centroid[2] += v->z() / 3.0;
      Project(v->x(), v->y(), v->z(), modelview, projection, viewport, record, k);
    }
    Project(centroid[0], centroid[1], centroid[2], modelview, projection, viewport, record, 3);
    if (!Inside(record, 0, viewport) || !Inside(record, 1, viewport) ||
        !Inside(record, 2, viewport))
      continue;
    record.z[3] = -record.z[3];
    tree.Insert(records.data(), i);
  }

  const platform::CGdiObject pen(dc, dc.CreatePen(0, penColor));
  const platform::CGdiObject faceBrush(dc, dc.CreateSolidBrush(faceColor));
  const platform::CGdiObject hiddenBrush(dc, dc.CreateSolidBrush(hiddenColor));
  const platform::CGdiObject specialBrush1(dc, dc.CreateSolidBrush(specialColor1));
  const platform::CGdiObject specialBrush2(dc, dc.CreateSolidBrush(specialColor2));
  const platform::CGdiSelection penSelection(dc, pen.Get());
  const platform::CGdiSelection brushSelection(dc, faceBrush.Get());
  const bool ramp = useRamp != 0 && pRamp != nullptr;

  for (int i = tree.GetFirst(records.data()); i >= 0; i = tree.GetNext(records.data())) {
    const CProjectedFace3d& record = records[std::size_t(i)];
    platform::CPoint points[3];
    for (int k = 0; k < 3; k++)
      points[k] = {int(std::trunc(record.x[k])), -int(std::trunc(record.y[k]))};
    const int flag = GetFace(i)->GetFlag();
    if (flag == specialFlag1) {
      const platform::CGdiSelection fill(dc, specialBrush1.Get());
      dc.Polygon(points, 3);
    } else if (flag == specialFlag2) {
      const platform::CGdiSelection fill(dc, specialBrush2.Get());
      dc.Polygon(points, 3);
    } else if (ramp && flag >= 0 && flag <= 255) {
      const platform::CGdiObject brush(
        dc, dc.CreateSolidBrush(platform::Rgb(pRamp->Red(flag), pRamp->Green(flag),
                                              pRamp->Blue(flag))));
      const platform::CGdiSelection fill(dc, brush.Get());
      dc.Polygon(points, 3);
    } else
      dc.Polygon(points, 3);
    dc.MoveTo(points[0].x, points[0].y);
    dc.LineTo(points[1].x, points[1].y);
    dc.LineTo(points[2].x, points[2].y);
    dc.LineTo(points[0].x, points[0].y);
  }
}

void CMesh3d::DrawProjectedEdges(platform::CDeviceContext& dc, const double* modelview,
                                 const double* projection, const int* viewport,
                                 std::uint32_t penColor)
{
  CArray3d<CEdge3d> edges;
  BuildArrayEdges(&edges, 0, 0, nullptr);
  {
    const platform::CGdiObject pen(dc, dc.CreatePen(1, penColor));
    const platform::CGdiSelection penSelection(dc, pen.Get());
    CProjectedFace3d ends;
    for (int i = 0; i < edges.GetSize(); i++) {
      const CEdge3d* e = edges[i];
      const CVertex3d* v[2] = {e->v1(), e->v2()};
      for (int k = 0; k < 2; k++)
        Project(v[k]->x(), v[k]->y(), v[k]->z(), modelview, projection, viewport, ends, k);
      if (!Inside(ends, 0, viewport) || !Inside(ends, 1, viewport))
        continue;
      dc.MoveTo(int(std::trunc(100.0 * ends.x[0])), int(std::trunc(100.0 * ends.y[0])));
      dc.LineTo(int(std::trunc(100.0 * ends.x[1])), int(std::trunc(100.0 * ends.y[1])));
    }
  }
  edges.DeleteAll();
}
