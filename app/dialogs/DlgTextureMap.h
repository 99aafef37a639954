#pragma once

#include "platform/ui/Dialog.h"
#include "scene/TextureMap.h"

#include <memory>

class CPaintFrame;
class QPainter;

namespace platform {
class CDeviceContextMemory;
}

// "Texture map": a viewer of a square mosaic of image tiles, one image file or one of three
// levels of detail of a fixed tile set, dragged with the mouse, with the overlap between
// neighbours changed from the dialog's own menu. It draws into an off-screen buffer the size
// of its client area and copies that to the window.
class CDlgTextureMap : public platform::CDialog
{
public:
  CDlgTextureMap();
  ~CDlgTextureMap() override;

  // "Map > LOD 1" to "LOD 3": the 2 x 2, 4 x 4 or 8 x 8 tiles of the "spot_" set.
  void OnLod(int level);
  // "File > Open": one image, alone in the map, at the top left.
  void OnOpen();
  // "Map > Overlap > Increase" (+1) and "Decrease" (-1).
  void OnOverlap(int delta);
  // "View > Init": the mosaic back at the top left.
  void OnViewInit();
  void OnLButtonDown(int x, int y);
  void OnMouseMove(int x, int y);
  void OnLButtonUp();
  // A new client size: a new buffer, cleared and drawn. An empty area has no buffer.
  void OnSize(int width, int height);
  // Draws the mosaic into the buffer, over what it holds unless cleared first.
  void Repaint(bool clear);

  CTextureMap& GetMap() { return m_Map; }
  int GetPanX() const { return m_PanX; }
  int GetPanY() const { return m_PanY; }
  // The off-screen image, null while the client area is empty.
  const platform::CDeviceContextMemory* GetBuffer() const { return m_pBuffer.get(); }

protected:
  void OnInitDialog() override;
  void OnDestroy() override;

private:
  void ClearBuffer();
  void Paint(QPainter& painter) const;
  void BuildMenu();

  CTextureMap m_Map;
  int m_ButtonDown = 0;
  int m_LastX = 0;
  int m_LastY = 0;
  int m_PanX = 0;
  int m_PanY = 0;
  std::unique_ptr<platform::CDeviceContextMemory> m_pBuffer;
  CPaintFrame* m_pFrame = nullptr;
};
