#pragma once

#include "platform/ui/Dialog.h"
#include "scene/Texture.h"

#include <QImage>
#include <QLabel>
#include <QPointer>

class CMesh3d;

// A texture viewer with its own menu: opens an image, shows it (stretched under the mesh's
// texture coordinates when it has a mesh) and copies it to the clipboard.
class CDlgTexture : public platform::CDialog
{
public:
  // The mesh may be null.
  explicit CDlgTexture(const CMesh3d* pMesh);

  // "File > Open...": the image the user chooses, shown at once; a file that does not read
  // leaves the texture as it was.
  void OnFileOpen();
  void OnFileClose();
  // "Edit > Copy": the texture on the clipboard as a bitmap.
  void OnEditCopy();

  const CTexture& GetTexture() const { return m_Texture; }
  // What the view shows: the texture, and over it the mesh's texture coordinates; null
  // without a texture.
  QImage Picture() const;

protected:
  void OnInitDialog() override;

private:
  void Repaint();

  const CMesh3d* m_pMesh;
  CTexture m_Texture;
  QPointer<QLabel> m_pView;
};
