#include "mesh/ColorRamp.h"
#include "tests/support/RecordingDeviceContext.h"
#include "tests/mesh/MeshFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <vector>

using platform::ColorRef;
using platform::CPoint;
using platform::Rgb;

namespace {

using CRecordingContext = CRecordingDeviceContext;

const double kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
const int kViewport[4] = {0, 0, 100, 100};

// Window coordinates under identity matrices: x, y in [0, 100], depth (z + 1) / 2.
double WindowX(float x) { return (double(x) + 1.0) * 50.0; }

} // namespace

TEST(Mesh3dProjected, FacesComeFarthestFirstLikeAStableSort)
{
  fixtures::Points points;
  fixtures::Triangles triangles;
  unsigned seed = 12345;
  auto next = [&seed](int range) {
    seed = seed * 1103515245u + 12345u;
    return int((seed >> 16) % unsigned(range));
  };
  for (int i = 0; i < 200; i++) {
    // Few depth levels, so that many faces share a centroid depth.
    const float z = float(next(5)) * 0.25f - 0.5f;
    for (int k = 0; k < 3; k++)
      points.push_back({float(next(240) - 120) / 100.0f, float(next(240) - 120) / 100.0f, z});
    triangles.push_back({3 * i, 3 * i + 1, 3 * i + 2});
  }
  auto mesh = fixtures::Build(points, triangles, false);
  for (int i = 0; i < mesh->NbFace(); i += 7)
    mesh->GetFace(i)->SetFlag(-1);

  // Brute force: the drawable faces, stably sorted by decreasing depth.
  std::vector<int> expected;
  for (int i = 0; i < mesh->NbFace(); i++) {
    const CFace3d* f = mesh->GetFace(i);
    bool inside = f->GetFlag() != -1;
    for (int k = 0; k < 3; k++)
      inside = inside && std::abs(f->v(k)->x()) <= 1.0f && std::abs(f->v(k)->y()) <= 1.0f;
    if (inside)
      expected.push_back(i);
  }
  std::stable_sort(expected.begin(), expected.end(), [&mesh](int a, int b) {
    return mesh->GetFace(a)->v(0)->z() > mesh->GetFace(b)->v(0)->z();
  });
  ASSERT_GT(expected.size(), 20u);

  CRecordingContext dc;
  mesh->DrawProjected(dc, kIdentity, kIdentity, kViewport, Rgb(0, 0, 0), Rgb(255, 255, 255),
                      Rgb(128, 128, 128), -1, Rgb(255, 0, 0), -3, Rgb(0, 255, 0), -2, nullptr, 0);
  ASSERT_EQ(dc.m_Polygons.size(), expected.size());
  for (std::size_t j = 0; j < expected.size(); j++) {
    const CFace3d* f = mesh->GetFace(expected[j]);
    EXPECT_EQ(dc.m_Polygons[j].Points[0].x, int(WindowX(f->v(0)->x()))) << j;
    EXPECT_EQ(dc.m_Polygons[j].Points[2].y, -int(WindowX(f->v(2)->y()))) << j;
    EXPECT_EQ(dc.m_Polygons[j].Brush, Rgb(255, 255, 255));
  }
  EXPECT_EQ(dc.m_NbLines, 3 * int(expected.size()));
  EXPECT_EQ(dc.m_Live, 0);
  EXPECT_EQ(dc.m_Pen, -1);
  EXPECT_EQ(dc.m_Brush, -2);
}

TEST(Mesh3dProjected, FillFollowsTheFlag)
{
  fixtures::Points points;
  fixtures::Triangles triangles;
  const int flags[] = {-3, -2, 7, 300, 0};
  for (int i = 0; i < 5; i++) {
    const float z = 0.5f - 0.1f * float(i);  // face 0 farthest
    points.push_back({-0.5f, -0.5f, z});
    points.push_back({0.5f, -0.5f, z});
    points.push_back({0.0f, 0.5f, z});
    triangles.push_back({3 * i, 3 * i + 1, 3 * i + 2});
  }
  auto mesh = fixtures::Build(points, triangles, false);
  for (int i = 0; i < 5; i++)
    mesh->GetFace(i)->SetFlag(flags[i]);
  CColorRamp ramp;
  ramp.BuildRainbow();
  const ColorRef face = Rgb(255, 255, 255);
  const ColorRef ramp7 = Rgb(ramp.Red(7), ramp.Green(7), ramp.Blue(7));

  CRecordingContext withRamp;
  mesh->DrawProjected(withRamp, kIdentity, kIdentity, kViewport, 0, face, 0, -1, Rgb(255, 0, 0),
                      -3, Rgb(0, 0, 255), -2, &ramp, 1);
  ASSERT_EQ(withRamp.m_Polygons.size(), 5u);
  const ColorRef expected[] = {Rgb(255, 0, 0), Rgb(0, 0, 255), ramp7, face,
                               Rgb(ramp.Red(0), ramp.Green(0), ramp.Blue(0))};
  for (int i = 0; i < 5; i++)
    EXPECT_EQ(withRamp.m_Polygons[std::size_t(i)].Brush, expected[i]) << i;
  EXPECT_EQ(withRamp.m_Live, 0);

  // Equal special flags: the first wins; ramp off: flagged faces take the face colour.
  CRecordingContext noRamp;
  mesh->DrawProjected(noRamp, kIdentity, kIdentity, kViewport, 0, face, 0, -1, Rgb(255, 0, 0),
                      -2, Rgb(0, 0, 255), -2, &ramp, 0);
  ASSERT_EQ(noRamp.m_Polygons.size(), 5u);
  EXPECT_EQ(noRamp.m_Polygons[0].Brush, face);
  EXPECT_EQ(noRamp.m_Polygons[1].Brush, Rgb(255, 0, 0));
  EXPECT_EQ(noRamp.m_Polygons[2].Brush, face);
}

TEST(Mesh3dProjected, EdgesWithBothEndsInsideAreDrawnOnce)
{
  // Vertex 3 lies right of the viewport: its two edges are left out.
  auto mesh = fixtures::Build({{-0.5f, -0.5f, 0.0f}, {0.5f, -0.5f, 0.0f}, {0.5f, 0.5f, 0.0f},
                               {1.5f, 0.5f, 0.0f}},
                              {{0, 1, 2}, {1, 3, 2}});
  CRecordingContext dc;
  mesh->DrawProjectedEdges(dc, kIdentity, kIdentity, kViewport, Rgb(0, 0, 0));
  EXPECT_EQ(dc.m_NbLines, 3);
  EXPECT_EQ(dc.m_Live, 0);
  EXPECT_EQ(dc.m_Pen, -1);
}
