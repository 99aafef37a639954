#pragma once

#include "platform/core/DeviceContext.h"

#include <cstdint>
#include <cstdio>
#include <string>

class CDIB;

// A logical palette made from a bitmap's colour table, drawn as swatches, and read from
// and written to RIFF palette files (form "PAL ", one "data" chunk holding the record).
class CDIBPalette
{
public:
  int Create(const CDIB& dib);
  // 0 for no entries or more than a logical palette holds.
  int CreatePalette(const platform::Palette& entries);
  int GetNumColors() const { return int(m_Entries.size()); }
  const platform::Palette& GetEntries() const { return m_Entries; }
  // The entry nearest to the colour (squared distance), the first one on ties.
  int GetNearestPaletteIndex(std::uint8_t r, std::uint8_t g, std::uint8_t b) const;

  void Draw(platform::CDeviceContext& dc, const platform::CRect& rect, bool background) const;
  // Displays here have no hardware palette: there is no system palette to set.
  int SetSysPalette() const { return 0; }

  int Load(const std::string& fileName);
  int Load(std::FILE* file);
  int Save(std::FILE* file) const;

private:
  platform::Palette m_Entries;
};
