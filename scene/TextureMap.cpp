#include "scene/TextureMap.h"

#include "platform/core/Format.h"

namespace {
// Beyond this many tiles a grid is a mistake, not a mosaic.
constexpr int MaxGridSize = 256;
} // namespace

void CTextureMap::Set(int overlap, int n, int first, const std::string& baseName)
{
  m_Overlap = overlap;
  m_n = n;
  m_First = first;
  m_BaseName = baseName;
}

std::string CTextureMap::TileFileName(int i) const
{
  return platform::Format("%s%06d.rgb", m_BaseName.c_str(), m_First + i);
}

void CTextureMap::Fill()
{
  m_Tiles.DeleteAll();
  if (m_n < 1 || m_n > MaxGridSize)
    return;
  m_Tiles.SetSize(m_n * m_n);
  for (int i = 0; i < m_n * m_n; i++) {
    auto tile = std::make_unique<CTexture>();
    tile->ReadFile(TileFileName(i));
    tile->BGRtoRGB();
    m_Tiles.SetAt(i, tile.release());
  }
}

void CTextureMap::Draw(platform::CDeviceContext& dc, int maxX, int maxY, int x0, int y0) const
{
  if (m_n < 1)
    return;
  for (int i = 0; i < m_Tiles.GetSize(); i++) {
    const CTexture* tile = m_Tiles.GetAt(i);
    if (!tile)
      continue;
    const int w = int(tile->GetWidth());
    const int h = int(tile->GetHeight());
    const int x = (i % m_n) * (w - m_Overlap) + x0;
    const int y = (i / m_n) * (h - m_Overlap) + y0;
    if (x + w >= 0 && x <= maxX && y + h >= 0 && y <= maxY)
      tile->Draw(dc, x, y, -1, -1);
  }
}
