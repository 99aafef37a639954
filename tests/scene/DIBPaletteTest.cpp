#include "scene/DIBPalette.h"

#include "TextureTestSupport.h"
#include "platform/core/DeviceContextMemory.h"
#include "scene/DIB.h"
#include "scene/DIBFile.h"

#include <gtest/gtest.h>

using namespace texture_test;

namespace {

// A RIFF palette file made by hand: "RIFF", size, "PAL ", "data", size, the record.
std::vector<std::uint8_t> PaletteFile(unsigned version, unsigned n, unsigned entriesWritten)
{
  const std::uint32_t dataSize = 4 + 4 * entriesWritten;
  std::vector<std::uint8_t> bytes(20 + dataSize, 0);
  std::copy_n("RIFF", 4, bytes.begin());
  PutLE32(bytes, 4, 12 + dataSize);
  std::copy_n("PAL data", 8, bytes.begin() + 8);
  PutLE32(bytes, 16, dataSize);
  PutLE16(bytes, 20, version);
  PutLE16(bytes, 22, n);
  for (unsigned i = 0; i < entriesWritten; i++) {
    bytes[24 + 4 * i] = std::uint8_t(i);
    bytes[25 + 4 * i] = std::uint8_t(2 * i);
    bytes[26 + 4 * i] = std::uint8_t(3 * i);
  }
  return bytes;
}

int LoadBytes(CDIBPalette& palette, const CTempFolder& folder, const std::vector<std::uint8_t>& bytes)
{
  WriteAll(folder.File("p.pal"), bytes);
  return palette.Load(folder.File("p.pal"));
}

} // namespace

TEST(DIBPalette, CreatedFromTheColourTable)
{
  CDIB dib;
  CDIBPalette palette;
  ASSERT_EQ(palette.Create(dib), 1);
  ASSERT_EQ(palette.GetNumColors(), 256);
  EXPECT_EQ(palette.GetEntries()[200].peGreen, 200);
  EXPECT_EQ(palette.GetNearestPaletteIndex(10, 12, 14), 12);
  EXPECT_EQ(palette.SetSysPalette(), 0);
  EXPECT_EQ(palette.CreatePalette({}), 0);
  EXPECT_EQ(palette.GetNumColors(), 256);
}

TEST(DIBPalette, HandMadeFileLoads)
{
  CTempFolder folder;
  CDIBPalette palette;
  ASSERT_EQ(LoadBytes(palette, folder, PaletteFile(0x300, 3, 3)), 1);
  ASSERT_EQ(palette.GetNumColors(), 3);
  EXPECT_EQ(palette.GetEntries()[2].peRed, 2);
  EXPECT_EQ(palette.GetEntries()[2].peBlue, 6);
}

TEST(DIBPalette, SaveWritesTheRiffLayoutAndLoadsBack)
{
  CTempFolder folder;
  CDIBPalette palette;
  ASSERT_EQ(palette.CreatePalette({{1, 2, 3, 0}, {4, 5, 6, platform::PC_NOCOLLAPSE}}), 1);
  {
    const ImageFilePtr file(std::fopen(folder.File("s.pal").c_str(), "wb"));
    ASSERT_EQ(palette.Save(file.get()), 1);
  }
  std::vector<std::uint8_t> expected = PaletteFile(0x300, 2, 2);
  expected[24] = 1, expected[25] = 2, expected[26] = 3;
  expected[28] = 4, expected[29] = 5, expected[30] = 6, expected[31] = platform::PC_NOCOLLAPSE;
  EXPECT_EQ(ReadAll(folder.File("s.pal")), expected);

  CDIBPalette back;
  ASSERT_EQ(back.Load(folder.File("s.pal")), 1);
  ASSERT_EQ(back.GetNumColors(), 2);
  EXPECT_EQ(back.GetEntries()[1].peFlags, platform::PC_NOCOLLAPSE);
  EXPECT_EQ(back.GetEntries()[1].peBlue, 6);
}

TEST(DIBPalette, HostileFilesAreRefused)
{
  CTempFolder folder;
  CMessages messages;
  std::vector<std::vector<std::uint8_t>> hostile = {
      {}, PaletteFile(0x200, 3, 3), PaletteFile(0x300, 0, 3), PaletteFile(0x300, 9, 3)};
  const std::vector<std::uint8_t> sound = PaletteFile(0x300, 3, 3);
  hostile.push_back({sound.begin(), sound.end() - 2});
  std::vector<std::uint8_t> form = PaletteFile(0x300, 3, 3);
  form[8] = 'X';
  hostile.push_back(form);
  std::vector<std::uint8_t> chunk = PaletteFile(0x300, 3, 3);
  chunk[12] = 'X';  // no "data" chunk
  hostile.push_back(chunk);
  std::vector<std::uint8_t> huge = PaletteFile(0x300, 3, 3);
  PutLE32(huge, 16, 0xfffffff0u);
  hostile.push_back(huge);
  std::vector<std::uint8_t> riffHuge = PaletteFile(0x300, 3, 3);
  PutLE32(riffHuge, 4, 0xfffffff0u);
  hostile.push_back(riffHuge);
  for (std::size_t i = 0; i < hostile.size(); i++) {
    CDIBPalette palette;
    ASSERT_EQ(palette.CreatePalette({{9, 9, 9, 0}}), 1);
    EXPECT_EQ(LoadBytes(palette, folder, hostile[i]), 0) << "case " << i;
    EXPECT_EQ(messages.Last(), "Failed to load file");
    EXPECT_EQ(palette.GetNumColors(), 1);
  }
  CDIBPalette palette;
  EXPECT_EQ(palette.Load(folder.File("absent.pal")), 0);
  EXPECT_EQ(messages.Last(), "Failed to open file");
}

TEST(DIBPalette, DrawPaintsOneSwatchPerEntry)
{
  CDIBPalette palette;
  platform::Palette entries(20);
  for (int i = 0; i < 20; i++)
    entries[i] = {std::uint8_t(10 * i), 7, 0, 0};
  ASSERT_EQ(palette.CreatePalette(entries), 1);
  platform::CDeviceContextMemory dc(160, 160, platform::Rgb(1, 1, 1));
  palette.Draw(dc, {0, 0, 160, 160}, false);
  EXPECT_EQ(dc.GetSelectedPalette(), nullptr);  // the previous palette is back
  EXPECT_EQ(dc.GetPixel(5, 5), platform::Rgb(0, 7, 0));
  EXPECT_EQ(dc.GetPixel(35, 5), platform::Rgb(30, 7, 0));
  EXPECT_EQ(dc.GetPixel(155, 5), platform::Rgb(150, 7, 0));
  EXPECT_EQ(dc.GetPixel(35, 15), platform::Rgb(190, 7, 0));  // entry 19
  EXPECT_EQ(dc.GetPixel(45, 15), platform::Rgb(1, 1, 1));    // no entry 20
  EXPECT_EQ(dc.GetPixel(5, 100), platform::Rgb(1, 1, 1));
}
