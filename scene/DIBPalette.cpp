#include "scene/DIBPalette.h"

#include "platform/core/MessageBox.h"
#include "platform/core/Riff.h"
#include "scene/DIB.h"
#include "scene/DIBFile.h"

#include <vector>

namespace {

constexpr std::uint16_t PaletteVersion = 0x300;
constexpr std::size_t MaxPaletteEntries = 0xffff;
constexpr std::uint32_t FormPalette = platform::MakeFourCC('P', 'A', 'L', ' ');
constexpr std::uint32_t ChunkData = platform::MakeFourCC('d', 'a', 't', 'a');

} // namespace

int CDIBPalette::Create(const CDIB& dib)
{
  const int n = dib.GetNumColors();
  if (n == 0)
    return 0;
  platform::Palette entries(n);
  for (int i = 0; i < n; i++) {
    const std::uint8_t* quad = dib.GetColorTable() + 4 * i;
    entries[i].peRed = quad[2];
    entries[i].peGreen = quad[1];
    entries[i].peBlue = quad[0];
  }
  return CreatePalette(entries);
}

int CDIBPalette::CreatePalette(const platform::Palette& entries)
{
  if (entries.empty() || entries.size() > MaxPaletteEntries)
    return 0;
  m_Entries = entries;
  return 1;
}

int CDIBPalette::GetNearestPaletteIndex(std::uint8_t r, std::uint8_t g, std::uint8_t b) const
{
  int best = 0;
  int bestDistance = 3 * 255 * 255 + 1;
  for (std::size_t i = 0; i < m_Entries.size(); i++) {
    const int dr = int(m_Entries[i].peRed) - r;
    const int dg = int(m_Entries[i].peGreen) - g;
    const int db = int(m_Entries[i].peBlue) - b;
    const int distance = dr * dr + dg * dg + db * db;
    if (distance < bestDistance) {
      bestDistance = distance;
      best = int(i);
    }
  }
  return best;
}

// A 16 x 16 grid of swatches over the rectangle (which starts at the origin), one per
// entry, neighbours sharing their border pixel.
void CDIBPalette::Draw(platform::CDeviceContext& dc, const platform::CRect& rect, bool background) const
{
  const platform::Palette* previous = dc.SelectPalette(&m_Entries, background);
  dc.RealizePalette();
  platform::CRect swatch;
  int index = 0;
  for (int row = 0; row < 16 && index < GetNumColors(); row++) {
    swatch.top = swatch.bottom - 1;
    swatch.bottom = (row + 1) * rect.bottom / 16 + 1;
    swatch.right = 0;
    for (int column = 0; column < 16 && index < GetNumColors(); column++, index++) {
      swatch.left = swatch.right - 1;
      swatch.right = (column + 1) * rect.right / 16 + 1;
      dc.FillRect(swatch, platform::PaletteIndex(std::uint16_t(index)));
    }
  }
  dc.SelectPalette(previous, background);
}

int CDIBPalette::Load(const std::string& fileName)
{
  if (fileName.empty())
    return 0;
  const ImageFilePtr file(std::fopen(fileName.c_str(), "rb"));
  if (!file) {
    platform::MessageBox("Failed to open file");
    return 0;
  }
  if (!Load(file.get())) {
    platform::MessageBox("Failed to load file");
    return 0;
  }
  return 1;
}

int CDIBPalette::Load(std::FILE* file)
{
  platform::CRiff riff(file);
  platform::RiffChunk form;
  platform::RiffChunk data;
  std::vector<std::uint8_t> record;
  if (!riff.FindRiff(FormPalette, form) || !riff.FindChunk(ChunkData, form, data) ||
      !riff.ReadData(data, record, 4 + 4 * MaxPaletteEntries) || record.size() < 4)
    return 0;
  const std::size_t n = LoadLE16(record.data() + 2);
  if (LoadLE16(record.data()) != PaletteVersion || n == 0 || record.size() < 4 + 4 * n)
    return 0;
  platform::Palette entries(n);
  for (std::size_t i = 0; i < n; i++) {
    const std::uint8_t* p = record.data() + 4 + 4 * i;
    entries[i] = {p[0], p[1], p[2], p[3]};
  }
  return CreatePalette(entries);
}

int CDIBPalette::Save(std::FILE* file) const
{
  if (m_Entries.empty())
    return 0;
  std::vector<std::uint8_t> record(4 + 4 * m_Entries.size());
  StoreLE16(record.data(), PaletteVersion);
  StoreLE16(record.data() + 2, std::uint16_t(m_Entries.size()));
  for (std::size_t i = 0; i < m_Entries.size(); i++) {
    std::uint8_t* p = record.data() + 4 + 4 * i;
    p[0] = m_Entries[i].peRed;
    p[1] = m_Entries[i].peGreen;
    p[2] = m_Entries[i].peBlue;
    p[3] = m_Entries[i].peFlags;
  }
  platform::CRiff riff(file);
  platform::RiffChunk form;
  form.ckid = platform::FOURCC_RIFF;
  form.fccType = FormPalette;
  platform::RiffChunk data;
  data.ckid = ChunkData;
  const bool written = riff.CreateChunk(form) && riff.CreateChunk(data) &&
                       riff.Write(record.data(), record.size()) && riff.Ascend(data) &&
                       riff.Ascend(form);
  return written && std::fflush(file) == 0 ? 1 : 0;
}
