#pragma once

#include "platform/ui/Dialog.h"
#include "scene/Texture.h"

#include <memory>
#include <optional>
#include <string>

class CMesh3d;
class CPaintFrame;
class QPainter;
class QWidget;

namespace platform {
class CDeviceContextMemory;
}

// "Texture": a viewer of one image with its own menu (File > Open..., File > Close,
// Edit > Copy). Without a mesh the image shows at its own size at the top left; with one it
// is stretched over the client area.
class CDlgTexture : public platform::CDialog
{
public:
  explicit CDlgTexture(const CMesh3d* pMesh = nullptr);
  ~CDlgTexture() override;

  // "File > Open...": reads the chosen image; false when cancelled or unreadable.
  bool OnOpen();
  // The file dialog of the image viewers: the chosen path, or nothing when cancelled.
  static std::optional<std::string> AskImageFile(QWidget* parent);
  // "Edit > Copy": the image on the clipboard as a device-independent bitmap.
  bool OnCopy() const;
  // What the client area of this size shows.
  std::unique_ptr<platform::CDeviceContextMemory> Draw(int width, int height) const;

  const CTexture& GetTexture() const { return m_Texture; }
  const CMesh3d* GetMesh() const { return m_pMesh; }

protected:
  void OnInitDialog() override;
  void OnDestroy() override;

private:
  void Paint(QPainter& painter) const;

  const CMesh3d* m_pMesh;
  CTexture m_Texture;
  CPaintFrame* m_pFrame = nullptr;
};
