#include "mesh/ColorRamp.h"
#include "mesh/MeshFixtures.h"
#include "platform/core/DeviceContext.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace {

// A device context that keeps what is drawn: polygons with the brush they were filled with,
// and filled rectangles, in order. Handles count up from 1; selection answers the previous.
class CRecordingDc : public platform::CDeviceContext
{
public:
  struct SPolygon
  {
    std::vector<platform::CPoint> Points;
    platform::ColorRef Brush;
    platform::ColorRef Pen;
  };
  struct SFill
  {
    platform::CRect Rect;
    platform::ColorRef Color;
  };

  int SetDIBitsToDevice(int, int, int, int, int, int, int, int, const std::uint8_t*,
                        const platform::BitmapInfoHeader&, const std::uint8_t*, int) override
  {
    return 0;
  }
  int StretchDIBits(int, int, int, int, int, int, int, int, const std::uint8_t*,
                    const platform::BitmapInfoHeader&, const std::uint8_t*, int,
                    std::uint32_t) override
  {
    return 0;
  }
  int SetStretchBltMode(int) override { return 0; }
  void FillRect(const platform::CRect& rect, platform::ColorRef color) override
  {
    m_Fills.push_back({rect, color});
  }
  const platform::Palette* SelectPalette(const platform::Palette*, bool) override { return nullptr; }
  int RealizePalette() override { return 0; }
  bool HasPalette() const override { return false; }

  int CreatePen(int, platform::ColorRef color) override { return Create(color, true); }
  int CreateSolidBrush(platform::ColorRef color) override { return Create(color, false); }
  int SelectObject(int handle) override
  {
    const auto it = m_Objects.find(handle);
    if (it == m_Objects.end())
      return 0;
    int& current = it->second.IsPen ? m_Pen : m_Brush;
    const int previous = current;
    current = handle;
    return previous;
  }
  bool DeleteObject(int handle) override
  {
    m_Live -= m_Objects.count(handle) ? 1 : 0;
    return m_Objects.erase(handle) > 0;
  }
  void Polygon(const platform::CPoint* points, int count) override
  {
    m_Polygons.push_back({std::vector<platform::CPoint>(points, points + count), ColorOf(m_Brush),
                          ColorOf(m_Pen)});
  }

  std::vector<SPolygon> m_Polygons;
  std::vector<SFill> m_Fills;
  int m_Live = 0;
  int m_Pen = kStockPen;
  int m_Brush = kStockBrush;

private:
  static constexpr int kStockPen = 1000;
  static constexpr int kStockBrush = 1001;
  struct SObject
  {
    platform::ColorRef Color;
    bool IsPen;
  };
  int Create(platform::ColorRef color, bool pen)
  {
    m_Objects[++m_Last] = {color, pen};
    m_Live++;
    return m_Last;
  }
  platform::ColorRef ColorOf(int handle) const
  {
    const auto it = m_Objects.find(handle);
    return it == m_Objects.end() ? 0xFFFFFFFFu : it->second.Color;
  }
  std::map<int, SObject> m_Objects = {{kStockPen, {0x00123456, true}}, {kStockBrush, {0x00FFFFFF, false}}};
  int m_Last = 0;
};

// Three triangles side by side in texture space, each with its own coordinates.
std::unique_ptr<CMesh3d> Textured()
{
  auto mesh = fixtures::Build({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 0, 0}},
                              {{0, 1, 2}, {1, 3, 2}, {1, 4, 3}});
  mesh->SetTextureCoordinates({0.0f, 0.0f, 0.5f, 0.25f, 0.25f, 1.0f, 1.0f, 0.5f, 0.75f, 0.0f});
  mesh->SetTextureIndices({0, 1, 2, 1, 3, 2, 1, 4, 3});
  return mesh;
}

constexpr platform::ColorRef kPen = 0x000000FF;
constexpr platform::ColorRef kHighlight = 0x00808080;

// Texture 266 x 128 texels, scale 2, at (3, 4): the map is 512 x 256 pixels, the legend 20
// pixels wide at x = 515.
void Draw(const CMesh3d& mesh, CRecordingDc& dc, const CColorRamp& ramp, int flip, int background)
{
  mesh.DrawCameraRequestMap(dc, kPen, kHighlight, -1, &ramp, 266, 128, 2.0f, 3, 4, flip, background);
}

platform::ColorRef RampColor(const CColorRamp& ramp, int i)
{
  return platform::Rgb(ramp.Red(i), ramp.Green(i), ramp.Blue(i));
}

} // namespace

TEST(RequestMap, FacesAreFilledByFlagAtTheirTextureCoordinates)
{
  auto mesh = Textured();
  mesh->GetFace(0)->SetFlag(-1); // the highlight
  mesh->GetFace(1)->SetFlag(200); // a ramp entry
  mesh->GetFace(2)->SetFlag(-2); // neither: not drawn
  CColorRamp ramp;
  ramp.BuildRainbow();
  CRecordingDc dc;
  Draw(*mesh, dc, ramp, 0, 0);

  ASSERT_EQ(dc.m_Polygons.size(), 2u);
  // u spans 512 pixels from x = 3, v spans 256 from y = 4, downwards.
  const std::vector<std::pair<int, int>> first = {{3, 4}, {3 + 256, 4 + 64}, {3 + 128, 4 + 256}};
  const std::vector<std::pair<int, int>> second = {{3 + 256, 4 + 64}, {3 + 512, 4 + 128}, {3 + 128, 4 + 256}};
  for (int k = 0; k < 3; k++) {
    EXPECT_EQ(dc.m_Polygons[0].Points[k].x, first[k].first) << k;
    EXPECT_EQ(dc.m_Polygons[0].Points[k].y, first[k].second) << k;
    EXPECT_EQ(dc.m_Polygons[1].Points[k].x, second[k].first) << k;
    EXPECT_EQ(dc.m_Polygons[1].Points[k].y, second[k].second) << k;
  }
  EXPECT_EQ(dc.m_Polygons[0].Brush, kHighlight);
  EXPECT_EQ(dc.m_Polygons[1].Brush, RampColor(ramp, 200));
  EXPECT_EQ(dc.m_Polygons[0].Pen, kPen);
  // Every pen and brush made is deleted, and the context gets its own back.
  EXPECT_EQ(dc.m_Live, 0);
  EXPECT_EQ(dc.m_Brush, 1001);
  EXPECT_EQ(dc.m_Pen, 1000);
}

TEST(RequestMap, TheFlipTurnsVOver)
{
  auto mesh = Textured();
  mesh->SetFacesFlag(-1);
  CColorRamp ramp;
  ramp.BuildGrey();
  CRecordingDc dc;
  Draw(*mesh, dc, ramp, 1, 0);
  ASSERT_EQ(dc.m_Polygons.size(), 3u);
  // v = 0 goes to the bottom (4 + 256), v = 1 to the top.
  EXPECT_EQ(dc.m_Polygons[0].Points[0].y, 4 + 256);
  EXPECT_EQ(dc.m_Polygons[0].Points[1].y, 4 + 192);
  EXPECT_EQ(dc.m_Polygons[0].Points[2].y, 4);
  EXPECT_EQ(dc.m_Polygons[0].Points[1].x, 3 + 256);
}

TEST(RequestMap, BackgroundThenTheLegendOf256Bands)
{
  auto mesh = Textured();
  mesh->SetFacesFlag(-5);
  CColorRamp ramp;
  ramp.BuildRainbow();
  CRecordingDc dc;
  Draw(*mesh, dc, ramp, 0, 1);
  EXPECT_TRUE(dc.m_Polygons.empty());
  ASSERT_EQ(dc.m_Fills.size(), 1u + 256u);
  // The black background covers the map and the legend.
  EXPECT_EQ(dc.m_Fills[0].Color, platform::Rgb(0, 0, 0));
  EXPECT_EQ(dc.m_Fills[0].Rect.left, 3);
  EXPECT_EQ(dc.m_Fills[0].Rect.top, 4);
  EXPECT_EQ(dc.m_Fills[0].Rect.right, 3 + 512 + 20);
  EXPECT_EQ(dc.m_Fills[0].Rect.bottom, 4 + 256);
  // Band i is one pixel of the 256-pixel-high strip, entry 0 at the top, bands touching.
  for (int i = 0; i < 256; i++) {
    const auto& band = dc.m_Fills[1 + i];
    EXPECT_EQ(band.Rect.left, 3 + 512) << i;
    EXPECT_EQ(band.Rect.right, 3 + 512 + 20) << i;
    EXPECT_EQ(band.Rect.top, 4 + i) << i;
    EXPECT_EQ(band.Rect.bottom, 4 + i + 1) << i;
    EXPECT_EQ(band.Color, RampColor(ramp, i)) << i;
  }

  CRecordingDc plain;
  Draw(*mesh, plain, ramp, 0, 0);
  EXPECT_EQ(plain.m_Fills.size(), 256u);
}

TEST(RequestMap, NothingWithoutTextureCoordinatesAndBadIndicesAreSkipped)
{
  auto bare = fixtures::Tetrahedron();
  CColorRamp ramp;
  ramp.BuildGrey();
  CRecordingDc dc;
  Draw(*bare, dc, ramp, 0, 1);
  EXPECT_TRUE(dc.m_Polygons.empty());
  EXPECT_TRUE(dc.m_Fills.empty());
  EXPECT_EQ(dc.m_Live, 0);

  auto mesh = Textured();
  mesh->SetFacesFlag(-1);
  mesh->SetTextureIndices({0, 1, 2, 1, 99, 2, 1, 4, -3});
  CRecordingDc skipped;
  Draw(*mesh, skipped, ramp, 0, 0);
  EXPECT_EQ(skipped.m_Polygons.size(), 1u);
}
