#include "mesh/Mesh3d.h"

#include "platform/core/DeviceContext.h"
#include "scene/Texture.h"

#include <algorithm>
#include <cmath>

// Each face's corners name their (u, v) pairs through the index table; a face whose indices
// fall outside the table is left out.
void CMesh3d::DrawTextureCoordinates(platform::CDeviceContext& dc, const CTexture* pTexture,
                                     const platform::CRect& rect) const
{
  if (!pTexture || pTexture->GetWidth() == 0 || pTexture->GetHeight() == 0)
    return;
  const double width = rect.Width();
  const double height = rect.Height();
  const int nbFace = std::min(NbFace(), NbTextureIndex() / 3);
  for (int f = 0; f < nbFace; f++) {
    double uv[3][2];
    if (!GetFaceTextureCorners(f, uv))
      continue;
    platform::CPoint points[3];
    for (int k = 0; k < 3; k++)
      points[k] = {static_cast<int>(std::trunc(uv[k][0] * width)),
                   static_cast<int>(std::trunc(height) - std::trunc(uv[k][1] * height))};
    dc.MoveTo(points[0].x, points[0].y);
    dc.LineTo(points[1].x, points[1].y);
    dc.LineTo(points[2].x, points[2].y);
    dc.LineTo(points[0].x, points[0].y);
  }
}
