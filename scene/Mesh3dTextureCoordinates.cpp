#include "mesh/Mesh3d.h"

#include "platform/core/DeviceContext.h"
#include "scene/Texture.h"

#include <algorithm>
#include <cmath>

// Each face's corners name their (u, v) pairs through the index table. Indices come from
// files: a face whose indices fall outside the table is left out.
void CMesh3d::DrawTextureCoordinates(platform::CDeviceContext& dc, const CTexture* pTexture,
                                     const platform::CRect& rect) const
{
  const float* uv = GetTextureCoordinates();
  const int* indices = GetTextureIndices();
  if (!uv || !indices || !pTexture || pTexture->GetWidth() == 0 || pTexture->GetHeight() == 0)
    return;
  const double width = rect.Width();
  const double height = rect.Height();
  const int nbFace = std::min(NbFace(), NbTextureIndex() / 3);
  for (int f = 0; f < nbFace; f++) {
    platform::CPoint points[3];
    bool valid = true;
    for (int k = 0; k < 3 && valid; k++) {
      const int index = indices[3 * f + k];
      valid = index >= 0 && index < NbTextureCoordinate();
      if (!valid)
        break;
      const double u = uv[2 * index];
      const double v = uv[2 * index + 1];
      points[k] = {static_cast<int>(std::trunc(u * width)),
                   static_cast<int>(std::trunc(height) - std::trunc(v * height))};
    }
    if (!valid)
      continue;
    dc.MoveTo(points[0].x, points[0].y);
    dc.LineTo(points[1].x, points[1].y);
    dc.LineTo(points[2].x, points[2].y);
    dc.LineTo(points[0].x, points[0].y);
  }
}
