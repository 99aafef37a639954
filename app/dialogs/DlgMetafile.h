#pragma once

#include "app/MetafileExport.h"
#include "platform/ui/ColorDialog.h"
#include "platform/ui/Dialog.h"

#include <array>

class CColorSwatch;
class CMesh3d;
class CRenderView;
class CTexture;

// "Windows Enhanced Metafile": exports the first object of the view's scene, seen through the
// view's current transform, to "metafile.emf" and the clipboard, as edges or as depth-sorted
// faces coloured by silhouette, back-facing and depth flags. "Run" may be pressed again and
// again with the dialog open.
class CDlgMetafile : public platform::CDialog
{
public:
  // Swatch ids, and what each colour index of the settings stands for.
  enum : int {
    IDC_COLOR_FACE = 1117,
    IDC_COLOR_LINE = 1118,
    IDC_COLOR_BACK = 1119,
    IDC_COLOR_FRONT_SILHOUETTE = 1120,
    IDC_COLOR_RAMP = 1121,
    IDC_COLOR_BACK_SILHOUETTE = 1123,
    IDC_MODE_FIRST = 1065, // "Line" ... "Texture request map", ten buttons
    IDC_RUN = 1122
  };
  static constexpr int kNbMode = 10;

  explicit CDlgMetafile(CRenderView* pView);

  // A mode button: sets the switches and flags the faces seen from the view's camera.
  void OnMode(int mode);
  // The export; false when nothing was written.
  bool Run();
  // A click released over a swatch: a colour dialog, or the next ramp of the cycle.
  void OnSwatch(int id);

  CMetafileSettings m_Settings;
  // The mesh the export draws: scene object 0 when it is a triangle mesh.
  CMesh3d* GetMesh() const { return m_pMesh; }
  // Next ramp of the cycle shared by every instance (grey, blue-white, rainbow, red-yellow,
  // red-white).
  static int s_RampCounter;

protected:
  bool OnOK() override;
  void OnInitDialog() override;
  void OnDestroy() override;

private:
  int ColorIndexOf(int id) const;
  void BuildSwatches();
  void BuildModes();
  const CTexture* MeshTexture() const;

  CRenderView* m_pView;
  CMesh3d* m_pMesh = nullptr;
  std::array<CColorSwatch*, 6> m_Swatches{};
};
