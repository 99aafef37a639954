#include "mesh/ColorRamp.h"
#include "mesh/Mesh3d.h"
#include "platform/core/DeviceContext.h"
#include "platform/core/GdiObject.h"
#include "platform/core/GdiSelection.h"

#include <algorithm>
#include <cmath>

namespace {

// The legend strip right of the map is ten texels wide.
constexpr int kLegendTexels = 10;
constexpr int kLegendBands = 256;

int Trunc(double value) { return static_cast<int>(std::trunc(value)); }

platform::ColorRef RampColor(const CColorRamp& ramp, int i)
{
  return platform::Rgb(ramp.Red(i), ramp.Green(i), ramp.Blue(i));
}

} // namespace

// The map shows which parts of the texture the faces ask for: each face at its texture
// coordinates, (W - 10) x H texels scaled by s, filled by its flag; v runs downwards unless
// flipped. Faces whose indices leave the coordinate table (from a file) are left out.
void CMesh3d::DrawCameraRequestMap(platform::CDeviceContext& dc, std::uint32_t penColor,
                                   std::uint32_t highlightColor, int highlightFlag,
                                   const CColorRamp* pRamp, int width, int height, float scale,
                                   int left, int top, int flip, int background) const
{
  if (NbTextureIndex() == 0 || NbTextureCoordinate() == 0)
    return;
  const double s = scale;
  const double mapWidth = static_cast<double>(width - kLegendTexels);
  const int legendLeft = left + Trunc(mapWidth * s);
  const int legendWidth = Trunc(kLegendTexels * s);

  const platform::CGdiObject pen(dc, dc.CreatePen(1, penColor));
  const platform::CGdiObject highlight(dc, dc.CreateSolidBrush(highlightColor));
  const platform::CGdiSelection penSelection(dc, pen.Get());
  if (background)
    dc.FillRect({left, top, legendLeft + legendWidth, top + Trunc(height * s)},
                platform::Rgb(0, 0, 0));

  const int nbFace = std::min(NbFace(), NbTextureIndex() / 3);
  for (int f = 0; f < nbFace; f++) {
    const int flag = GetFace(f)->GetFlag();
    const bool ramp = pRamp && flag >= 0 && flag < kLegendBands;
    if (flag != highlightFlag && !ramp)
      continue;
    double uv[3][2];
    if (!GetFaceTextureCorners(f, uv))
      continue;
    platform::CPoint points[3];
    for (int k = 0; k < 3; k++) {
      const double v = flip ? 1.0 - uv[k][1] : uv[k][1];
      points[k] = {left + Trunc(uv[k][0] * s * mapWidth), top + Trunc(v * s * height)};
    }
    if (flag == highlightFlag) {
      const platform::CGdiSelection fill(dc, highlight.Get());
      dc.Polygon(points, 3);
      continue;
    }
    const platform::CGdiObject brush(dc, dc.CreateSolidBrush(RampColor(*pRamp, flag)));
    const platform::CGdiSelection fill(dc, brush.Get());
    dc.Polygon(points, 3);
  }

  if (!pRamp)
    return;
  for (int i = 0; i < kLegendBands; i++)
    dc.FillRect({legendLeft, top + Trunc(i * s * height / kLegendBands), legendLeft + legendWidth,
                 top + Trunc((i + 1) * s * height / kLegendBands)},
                RampColor(*pRamp, i));
}
