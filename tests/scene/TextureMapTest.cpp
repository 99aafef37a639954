#include "scene/TextureMap.h"

#include "TextureTestSupport.h"
#include "platform/core/DeviceContextMemory.h"
#include "platform/core/Format.h"

#include <gtest/gtest.h>

using namespace texture_test;

namespace {

// Remembers where each bitmap was drawn.
class CRecordingDC : public platform::CDeviceContextMemory
{
public:
  using CDeviceContextMemory::CDeviceContextMemory;
  int SetDIBitsToDevice(int x, int y, int width, int height, int xSrc, int ySrc, int startScan,
                        int numScans, const std::uint8_t* bits,
                        const platform::BitmapInfoHeader& header, const std::uint8_t* colors,
                        int colorUse) override
  {
    m_Places.push_back({x, y});
    return CDeviceContextMemory::SetDIBitsToDevice(x, y, width, height, xSrc, ySrc, startScan,
                                                   numScans, bits, header, colors, colorUse);
  }
  std::vector<std::pair<int, int>> m_Places;
};

QColor TileColor(int tile)
{
  return QColor(40 * tile + 10, 200 - 30 * tile, 7 * tile);
}

// A 2 x 2 map of 100 x 100 SGI tiles, tile i a flat colour.
void WriteTiles(const CTempFolder& folder, int first)
{
  for (int i = 0; i < 4; i++)
    WriteAll(folder.File(platform::Format("spot_%06d.rgb", first + i)),
             SgiFile(100, 100, [&](unsigned, unsigned) { return TileColor(i); }));
}

} // namespace

TEST(TextureMap, TileNamesFollowTheNumbering)
{
  CTextureMap map;
  EXPECT_EQ(map.TileFileName(0), "noname000000.rgb");
  map.Set(40, 4, 1344, "spot_");
  EXPECT_EQ(map.TileFileName(0), "spot_001344.rgb");
  EXPECT_EQ(map.TileFileName(15), "spot_001359.rgb");
  EXPECT_EQ(map.GetOverlap(), 40);
  EXPECT_EQ(map.NbTile(), 0);  // Set reads nothing
}

TEST(TextureMap, FillsAndDrawsOverlappingTiles)
{
  CTempFolder folder;
  WriteTiles(folder, 5);
  CTextureMap map;
  map.Set(40, 2, 5, folder.File("spot_"));
  map.Fill();
  ASSERT_EQ(map.NbTile(), 4);
  for (int i = 0; i < 4; i++) {
    ASSERT_TRUE(map.GetTile(i)->IsValid());
    EXPECT_TRUE(map.GetTile(i)->IsRedFirst());
    EXPECT_EQ(map.GetTile(i)->GetData()[0], TileColor(i).red());
  }
  CRecordingDC dc(300, 300);
  map.Draw(dc, 299, 299, 10, 20);
  EXPECT_EQ(dc.m_Places, (std::vector<std::pair<int, int>>{{10, 20}, {70, 20}, {10, 80}, {70, 80}}));
  // Later tiles cover the overlap of earlier ones, in their own colours.
  const auto rgb = [](QColor c) { return platform::Rgb(c.red(), c.green(), c.blue()); };
  EXPECT_EQ(dc.GetPixel(15, 25), rgb(TileColor(0)));
  EXPECT_EQ(dc.GetPixel(100, 25), rgb(TileColor(1)));
  EXPECT_EQ(dc.GetPixel(15, 150), rgb(TileColor(2)));
  EXPECT_EQ(dc.GetPixel(100, 100), rgb(TileColor(3)));
}

TEST(TextureMap, TilesOutsideTheWindowAreSkipped)
{
  CTempFolder folder;
  WriteTiles(folder, 0);
  CTextureMap map;
  map.Set(40, 2, 0, folder.File("spot_"));
  map.Fill();
  CRecordingDC dc(50, 50);
  map.Draw(dc, 49, 99, -160, 0);  // column 0 lies wholly left of the window
  EXPECT_EQ(dc.m_Places, (std::vector<std::pair<int, int>>{{-100, 0}, {-100, 60}}));
  dc.m_Places.clear();
  map.Draw(dc, 99, 59, 0, 0);  // row 1 starts at y 60, past the bottom limit
  EXPECT_EQ(dc.m_Places, (std::vector<std::pair<int, int>>{{0, 0}, {60, 0}}));
}

TEST(TextureMap, MissingTilesStayEmptyAndBadGridsReadNothing)
{
  CTempFolder folder;
  CMessages messages;
  CTextureMap map;
  map.Set(0, 2, 0, folder.File("none_"));
  map.Fill();
  ASSERT_EQ(map.NbTile(), 4);
  EXPECT_FALSE(map.GetTile(3)->IsValid());
  CRecordingDC dc(10, 10);
  map.Draw(dc, 9, 9, 0, 0);
  EXPECT_TRUE(dc.m_Places.empty());

  for (int n : {0, -3, 100000}) {
    map.Set(0, n, 0, folder.File("none_"));
    map.Fill();
    EXPECT_EQ(map.NbTile(), 0);
    map.Draw(dc, 9, 9, 0, 0);
  }
  map.AddTile(std::make_unique<CTexture>());
  EXPECT_EQ(map.NbTile(), 1);
  map.RemoveAllTiles();
  EXPECT_EQ(map.NbTile(), 0);
}
