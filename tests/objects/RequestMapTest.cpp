#include "mesh/ColorRamp.h"
#include "mesh/MeshFixtures.h"
#include "tests/support/RecordingDeviceContext.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace {

using CRecordingDc = CRecordingDeviceContext;

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
  EXPECT_EQ(dc.m_Brush, CRecordingDc::kStockBrush);
  EXPECT_EQ(dc.m_Pen, CRecordingDc::kStockPen);
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
