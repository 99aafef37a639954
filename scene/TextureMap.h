#pragma once

#include "mesh/Array3d.h"
#include "platform/core/DeviceContext.h"
#include "scene/Texture.h"

#include <memory>
#include <string>

// A square grid of image tiles read from numbered SGI files ("%s%06d.rgb") and drawn side
// by side, neighbours overlapping by a number of pixels.
class CTextureMap
{
public:
  CTextureMap() = default;
  ~CTextureMap() { m_Tiles.DeleteAll(); }
  CTextureMap(const CTextureMap&) = delete;
  CTextureMap& operator=(const CTextureMap&) = delete;

  void Set(int overlap, int n, int first, const std::string& baseName);
  // Reads the n x n tiles; a file that cannot be read leaves an empty tile.
  void Fill();
  // Draws the tiles that reach into [0, maxX] x [0, maxY], tile 0 at (x0, y0).
  void Draw(platform::CDeviceContext& dc, int maxX, int maxY, int x0, int y0) const;

  // Name of the file of tile i.
  std::string TileFileName(int i) const;
  int GetOverlap() const { return m_Overlap; }
  void SetOverlap(int overlap) { m_Overlap = overlap; }
  int GetSize() const { return m_n; }
  int NbTile() const { return m_Tiles.GetSize(); }
  CTexture* GetTile(int i) const { return m_Tiles.GetAt(i); }
  void AddTile(std::unique_ptr<CTexture> tile) { m_Tiles.Add(tile.release()); }
  void RemoveAllTiles() { m_Tiles.DeleteAll(); }

private:
  CArray3d<CTexture> m_Tiles;
  int m_Overlap = 0;
  int m_n = 1;
  int m_First = 0;
  std::string m_BaseName = "noname";
};
