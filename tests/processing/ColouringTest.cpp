#include "mesh/ColorRamp.h"
#include "processing/ProcessingFixtures.h"

#include <gtest/gtest.h>

namespace {

// A ramp whose entry i is (i, 255 - i, 7): the entry is readable back from the colour.
CColorRamp IndexRamp()
{
  CColorRamp ramp;
  for (int i = 0; i < 256; i++) {
    ramp.GetRed()[i] = static_cast<std::uint8_t>(i);
    ramp.GetGreen()[i] = static_cast<std::uint8_t>(255 - i);
    ramp.GetBlue()[i] = 7;
  }
  return ramp;
}

int EntryOf(const CColor* c)
{
  EXPECT_EQ(c->g(), 255 - c->r());
  return c->r();
}

TEST(Colouring, HeightMapsTheRangeOntoTheRamp)
{
  const CColorRamp ramp = IndexRamp();
  auto mesh = fixtures::Build({{0, 0, 0}, {1, 1, 0}, {0, 2, 1}, {2, 0.5f, 1}}, {{0, 1, 2}, {0, 2, 3}});
  mesh->SetModified(0);
  mesh->ColorHeight(&ramp);
  EXPECT_EQ(EntryOf(mesh->GetVertex(0)->GetColor()), 0);
  EXPECT_EQ(EntryOf(mesh->GetVertex(1)->GetColor()), 127);
  EXPECT_EQ(EntryOf(mesh->GetVertex(2)->GetColor()), 255);
  EXPECT_EQ(EntryOf(mesh->GetVertex(3)->GetColor()), 63);
  EXPECT_EQ(mesh->GetModified(), 1);
}

TEST(Colouring, HeightRangeTopsOutAtZero)
{
  const CColorRamp ramp = IndexRamp();
  auto mesh = fixtures::Build({{0, -4, 0}, {1, -2, 0}, {0, -3, 1}}, {{0, 1, 2}});
  mesh->ColorHeight(&ramp);
  // Range [-4, 0]: -2 is in the middle.
  EXPECT_EQ(EntryOf(mesh->GetVertex(1)->GetColor()), 127);
}

TEST(Colouring, ZeroRangeGivesOneColour)
{
  const CColorRamp ramp = IndexRamp();
  auto flat = fixtures::FlatGrid(3, 3);
  flat->ColorHeight(&ramp);
  flat->ColorCompacity(&ramp);  // every face the same shape
  for (int i = 0; i < flat->NbVertex(); i++)
    EXPECT_EQ(EntryOf(flat->GetVertex(i)->GetColor()), 0);
  for (int i = 0; i < flat->NbFace(); i++)
    EXPECT_EQ(EntryOf(flat->GetFace(i)->GetColor()), 0);
  // Every vertex of a single triangle lies on the boundary: nothing to measure or paint.
  auto triangle = fixtures::Build({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
  triangle->ColorCurvature(&ramp);
  EXPECT_EQ(triangle->GetVertex(0)->GetColor()->r(), 255);
}

TEST(Colouring, VertexMeasuresOnAClosedMeshSpanTheWholeRamp)
{
  const CColorRamp ramp = IndexRamp();
  for (auto method : {&CMesh3d::ColorCurvature, &CMesh3d::ColorNormalSpace}) {
    auto mesh = fixtures::Icosphere(1);
    fixtures::Perturb(*mesh, 0.1f);
    ((*mesh).*method)(&ramp);
    int lowest = 255;
    int highest = 0;
    for (int i = 0; i < mesh->NbVertex(); i++) {
      lowest = std::min(lowest, EntryOf(mesh->GetVertex(i)->GetColor()));
      highest = std::max(highest, EntryOf(mesh->GetVertex(i)->GetColor()));
    }
    EXPECT_EQ(lowest, 0);
    EXPECT_EQ(highest, 255);
  }
}

TEST(Colouring, CompacityMeasures)
{
  CMesh3d empty;
  EXPECT_EQ(empty.MeanCompacity(), 0.0);
  EXPECT_EQ(empty.MinCompacity(), 1e38);
  // An equilateral triangle has compacity 4 pi (sqrt 3 / 4) / 9 = pi / (3 sqrt 3).
  auto mesh = fixtures::Build({{0, 0, 0}, {1, 0, 0}, {0.5f, std::sqrt(3.0f) / 2, 0}, {0, -1, 0}},
                              {{0, 1, 2}, {0, 3, 1}});
  const double equilateral = 3.14159265359 / (3 * std::sqrt(3.0));
  const double right = 4 * 3.14159265359 * 0.5 / std::pow(2 + std::sqrt(2.0), 2);
  EXPECT_NEAR(mesh->MinCompacity(), right, 1e-6);
  EXPECT_NEAR(mesh->MeanCompacity(), (equilateral + right) / 2, 1e-6);
}

TEST(Colouring, PalettesByFlagRibbonAndValence)
{
  auto mesh = fixtures::Octahedron();
  mesh->GetFace(0)->SetFlag(13);
  mesh->GetFace(1)->SetFlag(11);
  mesh->GetFace(2)->SetFlag(-1);
  mesh->ColorFacesByFlagPalette();
  EXPECT_EQ(*mesh->GetFace(0)->GetColor(), CColor(40, 128, 128));
  EXPECT_EQ(*mesh->GetFace(1)->GetColor(), CColor(255, 128, 84));
  EXPECT_EQ(*mesh->GetFace(2)->GetColor(), CColor(0, 128, 80));

  mesh->SetFacesFlag(0);
  mesh->ColorFacesByFlagRamp();  // no positive flag: black, no division by zero
  EXPECT_EQ(*mesh->GetFace(0)->GetColor(), CColor(0, 0, 0));
  mesh->GetFace(3)->SetFlag(4);
  mesh->GetFace(4)->SetFlag(2);
  mesh->ColorFacesByFlagRamp();
  EXPECT_EQ(mesh->GetFace(3)->GetColor()->r(), 255);
  EXPECT_EQ(mesh->GetFace(4)->GetColor()->r(), 127);

  mesh->GetFace(5)->SetRibbon(5);
  mesh->GetFace(6)->SetRibbon(0);
  mesh->GetFace(6)->SetColor(1, 2, 3);
  mesh->ColorFacesByRibbon(0);
  EXPECT_EQ(*mesh->GetFace(5)->GetColor(), CColor(153, 255, 204));
  EXPECT_EQ(*mesh->GetFace(6)->GetColor(), CColor(1, 2, 3));
  mesh->GetVertex(2)->SetRibbon(7);
  mesh->ColorVerticesByFlagCycled(0);
  EXPECT_EQ(*mesh->GetVertex(2)->GetColor(), CColor(255, 204, 255));
  EXPECT_EQ(*mesh->GetVertex(3)->GetColor(), CColor());

  const CColor red(255, 0, 0);
  mesh->ColorFacesWithFlag(2, &red);
  EXPECT_EQ(*mesh->GetFace(4)->GetColor(), red);
  const CColorRamp ramp = IndexRamp();
  mesh->GetFace(7)->SetFlag(300);
  mesh->GetFace(7)->SetColor(9, 9, 9);
  mesh->ColorFacesByFlagRampB(&ramp);
  EXPECT_EQ(EntryOf(mesh->GetFace(3)->GetColor()), 4);
  EXPECT_EQ(*mesh->GetFace(7)->GetColor(), CColor(9, 9, 9));
}

TEST(Colouring, FacesByValenceCountTheirCorners)
{
  auto mesh = fixtures::FlatGrid(3, 3);  // corners of valence 2, 3 and 6 (the centre)
  mesh->ColorFacesByValence(0, 6, 10, 20, 30);
  mesh->ColorFacesByValence(1, 6, 1, 1, 1);
  int none = 0;
  int one = 0;
  for (int i = 0; i < mesh->NbFace(); i++) {
    const CColor* c = mesh->GetFace(i)->GetColor();
    none += *c == CColor(10, 20, 30);
    one += *c == CColor(1, 1, 1);
  }
  EXPECT_EQ(none, 2);
  EXPECT_EQ(one, 6);
}

} // namespace
