#pragma once

#include "mesh/ColorRamp.h"

#include <cstdint>
#include <string>
#include <vector>

class CMesh3d;

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
};

// Draws the mesh through the given matrices and viewport into an enhanced metafile, writes
// it to `fileName` and puts the same bytes on the clipboard. False, with a message box, when
// the file cannot be written; the clipboard then keeps what it had.
bool ExportMetafile(CMesh3d& mesh, const double* modelview, const double* projection,
                    const int* viewport, const CMetafileSettings& settings,
                    const std::string& fileName = "metafile.emf");
