#include "processing/WavefrontFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace {

using fixtures::EulerCharacteristic;
using fixtures::Position;
using fixtures::SRedrawCounter;

std::unique_ptr<CMesh3d> WithRibbons(std::unique_ptr<CMesh3d> mesh, int seed)
{
  fixtures::Perturb(*mesh, 0.02f);
  CWavefront wavefront;
  wavefront.BuildRibbons(mesh.get(), seed, 0, 0, 1, 1, 0, nullptr);
  return mesh;
}

std::set<Position> EdgeMidpoints(const CMesh3d& mesh, bool acrossRibbons)
{
  std::set<Position> midpoints;
  for (const auto& [edge, ribbons] : fixtures::EdgeRibbons(mesh)) {
    if ((ribbons.first != ribbons.second) != acrossRibbons)
      continue;
    const CVertex3d* a = edge.first;
    const CVertex3d* b = edge.second;
    midpoints.insert({(a->x() + b->x()) * 0.5f, (a->y() + b->y()) * 0.5f, (a->z() + b->z()) * 0.5f});
  }
  return midpoints;
}

// --- across, one vertex per edge ----------------------------------------------------------------

TEST(RemeshAcross, MidpointOnEveryEdgeBetweenRibbons)
{
  for (auto make : {+[] { return fixtures::Torus(12); }, +[] { return fixtures::Icosphere(2); }}) {
    auto mesh = WithRibbons(make(), 4);
    const int euler = EulerCharacteristic(*mesh);
    const int before = mesh->NbVertex();
    const int crossing = fixtures::CountEdgesAcrossRibbons(*mesh);
    const auto expected = EdgeMidpoints(*mesh, true);
    ASSERT_GT(crossing, 0);

    CWavefront wavefront;
    ASSERT_EQ(1, wavefront.RemeshAcross(mesh.get()));
    ASSERT_EQ(before + crossing, mesh->NbVertex());
    std::set<Position> added;
    for (int i = before; i < mesh->NbVertex(); i++) {
      added.insert(fixtures::PositionOf(mesh->GetVertex(i)));
      EXPECT_EQ(-1, mesh->GetVertex(i)->GetRibbon());
    }
    EXPECT_EQ(expected, added);
    EXPECT_EQ(0, fixtures::CountFilledEdgeSlots(*mesh));
    fixtures::ExpectSoundAfter(mesh.get(), euler, true);
  }
}

TEST(RemeshAcross, NothingToDoWithinOneRibbon)
{
  auto mesh = fixtures::Torus(8);
  for (int ribbon : {-1, 3}) {
    mesh->SetRibbon(ribbon);
    const auto corners = fixtures::Corners(*mesh);
    CWavefront wavefront;
    wavefront.RemeshAcross(mesh.get());
    EXPECT_EQ(corners, fixtures::Corners(*mesh));
  }
  CWavefront wavefront;
  EXPECT_EQ(0, wavefront.RemeshAcross(nullptr));
}

TEST(RemeshAcross, BoundaryEdgesGetTheirMidpoint)
{
  auto grid = WithRibbons(fixtures::FlatGrid(7, 6), 20);
  const int euler = EulerCharacteristic(*grid);
  std::vector<Position> boundaryMidpoints;
  for (int i = 0; i < grid->NbFace(); i++)
    for (int k = 0; k < 3; k++) {
      const CFace3d* f = grid->GetFace(i);
      const CVertex3d* a = f->v(k);
      const CVertex3d* b = f->v((k + 1) % 3);
      if (!f->f(k) && a->GetRibbon() != b->GetRibbon())
        boundaryMidpoints.push_back(
          {(a->x() + b->x()) * 0.5f, (a->y() + b->y()) * 0.5f, (a->z() + b->z()) * 0.5f});
    }
  ASSERT_FALSE(boundaryMidpoints.empty());
  CWavefront wavefront;
  wavefront.RemeshAcross(grid.get());
  for (const Position& p : boundaryMidpoints) {
    const CVertex3d* v = fixtures::VertexAt(*grid, p, 1e-6f);
    ASSERT_NE(nullptr, v);
    EXPECT_TRUE(v->IsOnBoundary());
  }
  fixtures::ExpectSoundAfter(grid.get(), euler, false);
}

// --- across, one vertex every two edges ---------------------------------------------------------

TEST(RemeshAcrossTwoEdges, OneVertexPerPairOfFaces)
{
  for (int swap : {0, 1}) {
    auto mesh = WithRibbons(fixtures::Torus(14), 9);
    const int euler = EulerCharacteristic(*mesh);
    const int before = mesh->NbVertex();
    const int faces = mesh->NbFace();
    const auto candidates = EdgeMidpoints(*mesh, true);

    SRedrawCounter redraws;
    CWavefront wavefront;
    ASSERT_EQ(1, wavefront.RemeshAcrossTwoEdges(mesh.get(), swap, SRedrawCounter::View()));
    EXPECT_EQ(1, redraws.count);
    EXPECT_EQ(mesh.get(), wavefront.GetMesh());
    const int added = mesh->NbVertex() - before;
    EXPECT_GT(added, 0);
    EXPECT_LE(added, faces / 2);
    EXPECT_LT(added, static_cast<int>(candidates.size()));
    // Each new vertex cuts one edge and so its two faces: two more faces per vertex.
    EXPECT_EQ(faces + 2 * added, mesh->NbFace());
    for (int i = before; i < mesh->NbVertex(); i++)
      EXPECT_EQ(5, mesh->GetVertex(i)->GetFlag());
    fixtures::ExpectSoundAfter(mesh.get(), euler, true);
  }
}

TEST(RemeshAcrossTwoEdges, SwapFlipsEdgesOnly)
{
  auto plain = WithRibbons(fixtures::Torus(14), 9);
  auto swapped = WithRibbons(fixtures::Torus(14), 9);
  CWavefront wavefront;
  wavefront.RemeshAcrossTwoEdges(plain.get(), 0, nullptr);
  wavefront.RemeshAcrossTwoEdges(swapped.get(), 1, nullptr);
  EXPECT_EQ(fixtures::Positions(*plain), fixtures::Positions(*swapped));
  EXPECT_EQ(plain->NbFace(), swapped->NbFace());
  EXPECT_NE(fixtures::Corners(*plain), fixtures::Corners(*swapped));
}

TEST(RemeshAcrossTwoEdges, FourPointRuleInsideLinesOfVertices)
{
  // On the parabola y = 0.05 x^2 the four-point rule lands back on the curve, while the midpoint
  // lies above it; edges along x whose ends continue both ways get the former.
  auto grid = fixtures::BentGrid(12, 9);
  CWavefront ribbons;
  ribbons.BuildRibbons(grid.get(), 50, 0, 0, 1, 1, 0, nullptr);
  const int before = grid->NbVertex();
  CWavefront wavefront;
  wavefront.RemeshAcrossTwoEdges(grid.get(), 0, nullptr);
  int onCurve = 0;
  int atMidpoint = 0;
  for (int i = before; i < grid->NbVertex(); i++) {
    const CVertex3d* v = grid->GetVertex(i);
    const float left = std::floor(v->x());
    const bool alongX = v->x() - left == 0.5f && v->z() == std::floor(v->z());
    if (!alongX)
      continue;
    if (left >= 1.0f && left + 2.0f <= 11.0f) {
      EXPECT_NEAR(0.05f * v->x() * v->x(), v->y(), 1e-5f) << "x " << v->x();
      onCurve++;
    } else {
      EXPECT_NEAR(0.025f * (left * left + (left + 1) * (left + 1)), v->y(), 1e-5f);
      atMidpoint++;
    }
  }
  EXPECT_GT(onCurve, 0);
  EXPECT_GT(atMidpoint, 0);
}

// --- along --------------------------------------------------------------------------------------

TEST(RemeshAlong, VertexOnEveryEdgeInsideARibbon)
{
  for (auto make : {+[] { return fixtures::Torus(12); }, +[] { return fixtures::Icosphere(2); }}) {
    auto mesh = WithRibbons(make(), 1);
    const int euler = EulerCharacteristic(*mesh);
    const int before = mesh->NbVertex();
    const int inside = static_cast<int>(fixtures::EdgeRibbons(*mesh).size()) -
                       fixtures::CountEdgesAcrossRibbons(*mesh);
    ASSERT_GT(inside, 0);

    SRedrawCounter redraws;
    CWavefront wavefront;
    ASSERT_EQ(1, wavefront.RemeshAlong(mesh.get(), SRedrawCounter::View()));
    EXPECT_EQ(1, redraws.count);
    EXPECT_EQ(before + inside, mesh->NbVertex());
    for (int i = before; i < mesh->NbVertex(); i++) {
      const CVertex3d* v = mesh->GetVertex(i);
      EXPECT_GE(v->GetRibbon(), 0);
      // Both ends of its edge lie in its ribbon.
      int sameRibbon = 0;
      for (int k = 0; k < v->NbVertexNeighbor(); k++)
        sameRibbon += v->GetVertexNeighbor(k)->GetRibbon() == v->GetRibbon() ? 1 : 0;
      EXPECT_GE(sameRibbon, 2) << "vertex " << i;
    }
    fixtures::ExpectSoundAfter(mesh.get(), euler, true);
  }
}

TEST(RemeshAlong, InteriorEdgeTakesTheMeanOfItsFourCorners)
{
  // Two faces on one edge, all in one ribbon: the inner edge gets the mean of the four corners,
  // the four outer edges their midpoints.
  auto mesh = fixtures::Build({{0, 0, 0}, {2, 0, 0}, {0, 2, 0}, {2, 2, 1}}, {{0, 1, 2}, {1, 3, 2}});
  mesh->SetRibbon(0);
  CWavefront wavefront;
  wavefront.RemeshAlong(mesh.get(), nullptr);
  EXPECT_EQ(9, mesh->NbVertex());
  EXPECT_EQ(8, mesh->NbFace());
  EXPECT_NE(nullptr, fixtures::VertexAt(*mesh, {1.0f, 1.0f, 0.25f}));
  EXPECT_NE(nullptr, fixtures::VertexAt(*mesh, {2.0f, 1.0f, 0.5f}));
  EXPECT_NE(nullptr, fixtures::VertexAt(*mesh, {1.0f, 0.0f, 0.0f}));
  fixtures::ExpectSoundAfter(mesh.get(), 1, false);
}

TEST(AnisotropicRemeshing, BothDirectionsInTurn)
{
  auto mesh = fixtures::Torus(10);
  fixtures::Perturb(*mesh, 0.02f);
  CWavefront wavefront;
  ASSERT_GT(wavefront.BuildRibbons(mesh.get(), 0, 0, 0, 1, 1, 0, nullptr), 0);
  const int before = mesh->NbVertex();
  wavefront.RemeshAlong(mesh.get(), nullptr);
  wavefront.RemeshAcrossTwoEdges(mesh.get(), 1, nullptr);
  EXPECT_GT(mesh->NbVertex(), before);
  fixtures::ExpectSoundAfter(mesh.get(), 0, true);
}

TEST(AnisotropicRemeshing, RefusesNoMesh)
{
  CWavefront wavefront;
  EXPECT_EQ(0, wavefront.RemeshAcrossTwoEdges(nullptr, 1, nullptr));
  EXPECT_EQ(0, wavefront.RemeshAlong(nullptr, nullptr));
}

} // namespace
