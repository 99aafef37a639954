#include "scene/DIB.h"

#include "TextureTestSupport.h"
#include "platform/core/DeviceContextMemory.h"
#include "scene/DIBPalette.h"

#include <gtest/gtest.h>

#include <QImage>

using namespace texture_test;

namespace {

// A w x h bitmap whose pixel (x, y from the top) is x + 16 y, with a colour table
// (i, 255 - i, i / 2).
void Numbered(CDIB& dib, int width, int height)
{
  ASSERT_EQ(dib.Create(width, height), 1);
  for (int y = 0; y < height; y++)
    for (int x = 0; x < width; x++)
      *dib.GetPixelAddress(x, y) = std::uint8_t(x + 16 * y);
  for (int i = 0; i < 256; i++) {
    std::uint8_t* entry = dib.GetColorTable() + 4 * i;
    entry[0] = std::uint8_t(i / 2);
    entry[1] = std::uint8_t(255 - i);
    entry[2] = std::uint8_t(i);
  }
}

// The 8-bit file of a bitmap with a presentation-manager header (3-byte colour entries).
std::vector<std::uint8_t> CoreFile(const CDIB& dib)
{
  const int storage = dib.GetStorageWidth();
  const std::uint32_t offset = 14 + 12 + 256 * 3;
  std::vector<std::uint8_t> bytes(offset + std::size_t(storage) * dib.GetHeight(), 0);
  bytes[0] = 'B';
  bytes[1] = 'M';
  PutLE32(bytes, 2, std::uint32_t(bytes.size()));
  PutLE32(bytes, 10, offset);
  PutLE32(bytes, 14, 12);
  PutLE16(bytes, 18, unsigned(dib.GetWidth()));
  PutLE16(bytes, 20, unsigned(dib.GetHeight()));
  PutLE16(bytes, 22, 1);
  PutLE16(bytes, 24, 8);
  for (int i = 0; i < 256; i++)
    std::copy_n(dib.GetColorTable() + 4 * i, 3, bytes.begin() + 26 + 3 * i);
  std::copy_n(dib.GetBits(), std::size_t(storage) * dib.GetHeight(), bytes.begin() + offset);
  return bytes;
}

int LoadBytes(CDIB& dib, const CTempFolder& folder, const std::vector<std::uint8_t>& bytes)
{
  WriteAll(folder.File("b.dib"), bytes);
  return dib.Load(folder.File("b.dib"));
}

} // namespace

TEST(DIB, NewBitmapIsASixteenSquareGreyRamp)
{
  CDIB dib;
  EXPECT_EQ(dib.GetWidth(), 16);
  EXPECT_EQ(dib.GetHeight(), 16);
  EXPECT_EQ(dib.GetStorageWidth(), 16);
  EXPECT_EQ(dib.GetNumColors(), 256);
  EXPECT_EQ(dib.GetColorTable()[4 * 77 + 1], 77);
  EXPECT_EQ(dib.GetColorTable()[4 * 77 + 3], 0);
  for (int y = 0; y < 16; y++)
    EXPECT_EQ(*dib.GetPixelAddress(5, y), 0);
  ASSERT_EQ(dib.Create(5, 2), 1);
  EXPECT_EQ(dib.GetStorageWidth(), 8);
  EXPECT_EQ(dib.GetRect().right, 5);
  EXPECT_EQ(dib.GetRect().bottom, 2);
}

TEST(DIB, PixelAddressesCountFromTheTop)
{
  CDIB dib;
  ASSERT_EQ(dib.Create(5, 2), 1);
  EXPECT_EQ(dib.GetPixelAddress(0, 0), dib.GetBits() + 8);  // first byte of the last row
  EXPECT_EQ(dib.GetPixelAddress(3, 1), dib.GetBits() + 3);
  EXPECT_EQ(dib.GetPixelAddress(5, 0), nullptr);
  EXPECT_EQ(dib.GetPixelAddress(0, 2), nullptr);
  EXPECT_EQ(dib.GetPixelAddress(-1, 0), nullptr);
}

TEST(DIB, ColourEntriesFollowTheHeader)
{
  platform::BitmapInfoHeader header;
  for (auto [bits, entries] : {std::pair{1, 2}, {4, 16}, {8, 256}, {24, 0}}) {
    header.biBitCount = std::uint16_t(bits);
    EXPECT_EQ(CDIB::ColorEntries(header), entries);
  }
  header.biBitCount = 8;
  header.biClrUsed = 20;
  EXPECT_EQ(CDIB::ColorEntries(header), 20);
  header.biClrUsed = 5000;
  EXPECT_EQ(CDIB::ColorEntries(header), 256);
  header.biSize = 12;
  EXPECT_EQ(CDIB::ColorEntries(header), 256);
  EXPECT_EQ(CDIB::IsWinDIB(header), 0);
}

TEST(DIB, SaveAndLoadRoundTripReadByQt)
{
  CTempFolder folder;
  CDIB dib;
  Numbered(dib, 5, 2);
  ASSERT_EQ(dib.Save(folder.File("n.bmp")), 1);
  const std::vector<std::uint8_t> bytes = ReadAll(folder.File("n.bmp"));
  ASSERT_EQ(bytes.size(), 1094u);
  EXPECT_EQ(bytes[10] | bytes[11] << 8, 1078);

  const QImage qt(QString::fromStdString(folder.File("n.bmp")));
  ASSERT_EQ(qt.width(), 5);
  const QColor c = qt.pixelColor(3, 1);  // index 19
  EXPECT_EQ(c.red(), 19);
  EXPECT_EQ(c.green(), 236);
  EXPECT_EQ(c.blue(), 9);

  CDIB back;
  ASSERT_EQ(back.Load(folder.File("n.bmp")), 1);
  EXPECT_EQ(back.GetWidth(), 5);
  EXPECT_EQ(back.GetHeight(), 2);
  EXPECT_EQ(back.GetHeader().biBitCount, 8);
  EXPECT_EQ(std::vector<std::uint8_t>(back.GetBits(), back.GetBits() + 16),
            std::vector<std::uint8_t>(dib.GetBits(), dib.GetBits() + 16));
  EXPECT_EQ(std::vector<std::uint8_t>(back.GetColorTable(), back.GetColorTable() + 1024),
            std::vector<std::uint8_t>(dib.GetColorTable(), dib.GetColorTable() + 1024));
}

TEST(DIB, PresentationManagerFileLoadsLikeItsWindowsTwin)
{
  CTempFolder folder;
  CDIB dib;
  Numbered(dib, 7, 3);
  CDIB core;
  ASSERT_EQ(LoadBytes(core, folder, CoreFile(dib)), 1);
  EXPECT_EQ(core.GetHeader().biSize, 40u);
  EXPECT_EQ(core.GetWidth(), 7);
  EXPECT_EQ(std::vector<std::uint8_t>(core.GetColorTable(), core.GetColorTable() + 1024),
            std::vector<std::uint8_t>(dib.GetColorTable(), dib.GetColorTable() + 1024));
  EXPECT_EQ(*core.GetPixelAddress(6, 2), 38);
}

TEST(DIB, LoadsQtIndexedBitmapsAndResources)
{
  CTempFolder folder;
  QImage image(6, 3, QImage::Format_Indexed8);
  QVector<QRgb> table;
  for (int i = 0; i < 256; i++)
    table.push_back(qRgb(i, 0, 255 - i));
  image.setColorTable(table);
  for (int y = 0; y < 3; y++)
    for (int x = 0; x < 6; x++)
      image.setPixel(x, y, uint(10 * y + x));
  ASSERT_TRUE(image.save(QString::fromStdString(folder.File("q.bmp")), "BMP"));
  CDIB dib;
  ASSERT_EQ(dib.Load(folder.File("q.bmp")), 1);
  EXPECT_EQ(*dib.GetPixelAddress(4, 2), 24);
  EXPECT_EQ(dib.GetColorTable()[4 * 24 + 2], 24);  // red of entry 24

  CDIB resource;
  const std::vector<std::uint8_t> bytes = ReadAll(folder.File("q.bmp"));
  ASSERT_EQ(resource.Load(std::span<const std::uint8_t>(bytes)), 1);
  EXPECT_TRUE(resource.OwnsBits());
  EXPECT_EQ(*resource.GetPixelAddress(4, 2), 24);
}

TEST(DIB, HostileFilesLeaveTheBitmapUnchanged)
{
  CTempFolder folder;
  CDIB sound;
  Numbered(sound, 5, 2);
  ASSERT_EQ(sound.Save(folder.File("s.bmp")), 1);
  const std::vector<std::uint8_t> bytes = ReadAll(folder.File("s.bmp"));

  std::vector<std::vector<std::uint8_t>> hostile;
  hostile.push_back({});
  hostile.push_back({bytes.begin(), bytes.begin() + 30});
  hostile.push_back({bytes.begin(), bytes.end() - 1});
  hostile.push_back({bytes.begin(), bytes.begin() + 600});  // colour table cut short
  const auto patched = [&](std::size_t at, std::uint32_t value, bool wide) {
    std::vector<std::uint8_t> b = bytes;
    wide ? PutLE32(b, at, value) : PutLE16(b, at, value);
    hostile.push_back(b);
  };
  patched(0, 0x4141, false);             // wrong magic
  patched(14, 64, true);                 // unknown header size
  patched(28, 24, false);                // not 8 bits per pixel
  patched(30, 1, true);                  // compressed
  patched(22, std::uint32_t(-2), true);  // top-down
  patched(18, 0, true);                  // no width
  patched(18, 0x7fffffff, true);         // huge
  patched(10, 0x7fffff00, true);         // pixels past the end
  for (std::size_t i = 0; i < hostile.size(); i++) {
    CDIB dib;
    ASSERT_EQ(dib.Create(3, 3), 1);
    *dib.GetPixelAddress(1, 1) = 42;
    EXPECT_EQ(LoadBytes(dib, folder, hostile[i]), 0) << "case " << i;
    EXPECT_EQ(dib.GetWidth(), 3);
    EXPECT_EQ(*dib.GetPixelAddress(1, 1), 42);
    EXPECT_EQ(dib.Load(std::span<const std::uint8_t>(hostile[i])), 0) << "case " << i;
  }
}

TEST(DIB, SaveFailuresAreReported)
{
  CMessages messages;
  CDIB dib;
  EXPECT_EQ(dib.Save(std::string("/nonexistent-folder/x.bmp")), 0);
  EXPECT_EQ(messages.Last(), "Failed to open file");
  EXPECT_EQ(dib.Save(std::string()), 0);
  EXPECT_EQ(dib.Load(std::string()), 0);
}

TEST(DIB, CopyBitsClipsAndSkipsTheTransparentIndex)
{
  CDIB source;
  Numbered(source, 4, 4);
  CDIB target;
  ASSERT_EQ(target.Create(5, 5), 1);
  source.CopyBits(target, 1, 2, 2, 2, 1, 1, -1);
  EXPECT_EQ(*target.GetPixelAddress(1, 2), 17);
  EXPECT_EQ(*target.GetPixelAddress(2, 3), 34);
  EXPECT_EQ(*target.GetPixelAddress(0, 2), 0);

  *source.GetPixelAddress(0, 0) = 7;
  source.CopyBits(target, 0, 0, 2, 1, 0, 0, 7);
  EXPECT_EQ(*target.GetPixelAddress(0, 0), 0);  // skipped
  EXPECT_EQ(*target.GetPixelAddress(1, 0), 1);

  // Blocks reaching outside either bitmap are clipped, not overrun.
  source.CopyBits(target, 3, 3, 4, 4, 2, 2, -1);
  EXPECT_EQ(*target.GetPixelAddress(4, 4), 51);
  source.CopyBits(target, -2, -2, 4, 4, 0, 0, -1);
  EXPECT_EQ(*target.GetPixelAddress(0, 0), 34);
  source.CopyBits(target, 0, 0, 0, 3, 0, 0, -1);
  source.CopyBits(target, 0, 0, 100, 100, -50, -50, -1);
}

TEST(DIB, DrawsUprightThroughTheColourTable)
{
  CDIB dib;
  Numbered(dib, 3, 2);
  platform::CDeviceContextMemory dc(6, 6);
  EXPECT_EQ(dib.Draw(dc, 1, 2), 2);
  EXPECT_EQ(dc.GetPixel(1, 2), platform::Rgb(0, 255, 0));   // index 0
  EXPECT_EQ(dc.GetPixel(3, 3), platform::Rgb(18, 237, 9));  // index 18
  EXPECT_EQ(dc.GetPixel(0, 2), platform::Rgb(0, 0, 0));
}

TEST(DIB, MapColorsToPaletteRemapsPixelsAndTable)
{
  CDIB dib;
  Numbered(dib, 2, 2);
  CDIBPalette palette;
  EXPECT_EQ(dib.MapColorsToPalette(nullptr), 0);
  ASSERT_EQ(palette.CreatePalette({{0, 255, 0, 0}, {255, 0, 127, 0}, {0, 0, 0, 0}}), 1);
  ASSERT_EQ(dib.MapColorsToPalette(&palette), 1);
  EXPECT_EQ(*dib.GetPixelAddress(0, 0), 0);   // (0, 255, 0)
  EXPECT_EQ(*dib.GetPixelAddress(1, 1), 0);   // index 17: (17, 238, 8)
  EXPECT_EQ(dib.GetHeader().biClrUsed, 256u);
  EXPECT_EQ(dib.GetColorTable()[4 * 1 + 2], 255);
  EXPECT_EQ(dib.GetColorTable()[4 * 1 + 0], 127);
}

TEST(DIB, AttachedPixelsStayTheCallersUntilReplaced)
{
  platform::BitmapInfoHeader header;
  header.biWidth = 3;
  header.biHeight = 2;
  header.biBitCount = 8;
  header.biClrUsed = 2;
  std::uint8_t colors[8] = {1, 2, 3, 0, 4, 5, 6, 0};
  std::uint8_t bits[8] = {0, 1, 0, 0, 1, 1, 0, 0};
  CDIB dib;
  ASSERT_EQ(dib.Create(header, colors, bits), 1);
  EXPECT_FALSE(dib.OwnsBits());
  EXPECT_EQ(dib.GetNumColors(), 2);
  EXPECT_EQ(dib.GetColorTable()[6], 6);
  EXPECT_EQ(dib.GetColorTable()[8], 0);  // entries past the header's count are cleared
  EXPECT_EQ(dib.GetPixelAddress(1, 1), bits + 1);
  *dib.GetPixelAddress(2, 0) = 9;
  EXPECT_EQ(bits[6], 9);
  ASSERT_EQ(dib.Create(4, 4), 1);
  EXPECT_TRUE(dib.OwnsBits());
  EXPECT_EQ(bits[6], 9);
}
