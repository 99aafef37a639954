#pragma once

#include "mesh/ColorRamp.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CMesh3d;
class CTexture;

namespace platform {
class CDeviceContext;
}

// Mapping modes of the exported metafiles: pixels, or hundredths of a millimetre.
enum : int { METAFILE_MM_TEXT = 1, METAFILE_MM_HIMETRIC = 3 };

// The drawing choices of a metafile export: mode switches, the five colours (0x00BBGGRR)
// and the depth ramp.
struct CMetafileSettings
{
  CMetafileSettings() { m_Ramp.BuildRainbow(); }
  std::uint32_t m_Colors[5] = {0x00FFFFFF, 0, 0, 0x00C8C8C8, 0x00808080};  // face, line,
  // front silhouette, back silhouette, back-facing
  CColorRamp m_Ramp;
  int m_LineMode = 1;
  int m_RampMode = 0;
  // The texture request map of the mesh's texture instead of the view: nothing without one.
  int m_TextureMapMode = 0;
};

// Records the drawing in a metafile of the mapping mode, writes it to `fileName` and puts the
// same bytes on the clipboard. False, with a message box, when the file cannot be written (the
// clipboard then keeps what it had) or when the clipboard refuses the metafile (the file
// stays).
bool WriteMetafile(int mapMode, const std::function<void(platform::CDeviceContext&)>& draw,
                   const std::string& fileName = "metafile.emf");

// Draws the mesh through the given matrices and viewport into a metafile in pixels, as the
// settings choose, and writes it as WriteMetafile does. The texture request map needs the
// mesh's texture (null: the metafile stays empty).
bool ExportMetafile(CMesh3d& mesh, const double* modelview, const double* projection,
                    const int* viewport, const CMetafileSettings& settings,
                    const CTexture* pTexture, const std::string& fileName = "metafile.emf");
